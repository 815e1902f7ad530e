#pragma once
// What `velmora PATH` opens: a folder, or the folder of an MP3 file with that file selected. The
// path is taken as the bytes the shell passed, so that names which are not UTF-8 work too.

#include <QByteArray>
#include <QString>

struct StartRequest {
    QByteArray folder;    // absolute native path of the folder to show; empty: none
    QByteArray fileName;  // the file to select in it; empty when a folder was given
    QString message;      // what to tell the user (the path cannot be used as asked); empty: all well
};

// Relative paths are taken from currentFolder. A file that is not an MP3 file still opens its
// folder, with a message; a path that is missing, or neither file nor folder, opens nothing.
StartRequest resolveStartPath(const QByteArray &argument, const QByteArray &currentFolder);
