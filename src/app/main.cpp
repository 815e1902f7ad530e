#include "Form1.h"
#include "FrmMain.h"
#include "MessageBox.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    installMessageBox();

    FrmMain *mainWindow = nullptr;
    auto *splash = new Form1([&mainWindow] {
        mainWindow = new FrmMain();
        return mainWindow;
    });
    splash->show();

    // Closing the last window through its frame ends the program: the player stops, nothing is stored.
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, [&mainWindow] {
        if (mainWindow)
            mainWindow->Form_Terminate();
    });

    const int result = app.exec();
    delete mainWindow;
    return result;
}
