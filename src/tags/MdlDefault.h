#pragma once
// Program-wide state that crosses subsystems: the browser, the player and the shell. A plain
// struct, owned by the main window and handed by reference to every subsystem that reads or
// writes it.

#include <QByteArray>
#include <QString>

struct MdlDefault {
    bool SupportLFN = false;  // true: long file names are proposed; false: 8.3 names
    QByteArray CurrentPath;   // native path of the file last loaded by a row click
    QString CurrentName;      // player label of the file last clicked
    QByteArray PlayerFile;    // native path last opened by Play
};
