#include "Form1.h"
#include "FrmMain.h"
#include "MessageBox.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    // Desktops match the window to its desktop entry (and so to its icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(VELMORA_APP_ID));
    installMessageBox();

    FrmMain *mainWindow = nullptr;
    auto *splash = new Form1([&mainWindow] {
        mainWindow = new FrmMain();
        return mainWindow;
    });
    splash->show();

    const int result = app.exec();
    delete mainWindow;
    return result;
}
