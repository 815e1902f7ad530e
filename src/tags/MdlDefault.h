#pragma once
// Program-wide state shared by the browser, the player and the shell. A plain struct, owned by
// the main window and handed by reference to every subsystem that reads or writes it.

#include <QByteArray>
#include <QString>

// The last tag read: five trailer fields (trailing spaces removed) and the genre's name.
struct TagRecord {
    QString Title;
    QString Artist;
    QString Album;
    QString Year;
    QString Comment;
    QString Genre;
};

struct MdlDefault {
    bool SupportLFN = false;  // true: long file names are proposed; false: 8.3 names
    QByteArray CurrentPath;   // native path of the file last loaded by a row click
    QString CurrentName;      // player label of the file last clicked
    QByteArray PlayerFile;    // native path last opened by Play
    TagRecord CurrentTag;     // the tag last read
    int SelectedIndex = 0;    // row (from 1) last clicked in the MP3 list
};
