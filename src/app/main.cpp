#include "app/Form1.h"
#include "app/FrmMain.h"
#include "app/MessageBox.h"
#include "app/StartPath.h"

#include <QApplication>

#include <filesystem>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    // Desktops match the window to its desktop entry (and so to its icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(VELMORA_APP_ID));
    installMessageBox();

    // `velmora PATH` opens a folder, or an MP3 file's folder with the file selected. QApplication
    // has taken its own options out of argv; the path keeps the bytes the shell passed.
    StartRequest start;
    if (argc > 1) {
        std::error_code gone;  // a deleted working folder leaves relative paths unresolved
        const std::string here = std::filesystem::current_path(gone).string();
        start = resolveStartPath(QByteArray(argv[1]), QByteArray::fromStdString(here));
    }

    FrmMain *mainWindow = nullptr;
    auto *splash = new Form1([&mainWindow, &start] {
        mainWindow = new FrmMain();
        mainWindow->setStartRequest(start);
        return mainWindow;
    });
    splash->show();

    const int result = app.exec();
    delete mainWindow;
    return result;
}
