#pragma once
// Which listed file is current: loads a row's file into the edit session, which holds the record
// of the current file, and ties it to the file list's selected entry. A folder re-read (which
// clears that selection) leaves no current file name, while the session's path and reading stay
// until the next load.

#include "tags/trailer/TagCore.h"
#include "tags/trailer/TagRecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class EditSession;
class Mp3Files;

class Selection {
public:
    Selection(Mp3Files &files, EditSession &session, const QStringList &genreList)
        : m_files(files), m_session(session), m_genreList(genreList)
    {
    }

    // Reads the file of entry in the folder of folderPrefix. When it can be read it becomes the
    // session's current file; otherwise nothing changes. Returns the outcome of the read.
    FileStatus load(int entry, const QByteArray &folderPrefix);
    void deselect();  // no current file name; the rest stays

    int entry() const;  // the file list's entry, -1 when none
    // The current file's tag as the window shows it, in the session's code page.
    TagRecord CurrentTag() const;
    QString fileName() const;  // the current entry's shown name, empty when none

    // Raw bytes for a new name: a name that is the current file's own shown name (or it with an
    // extension added) keeps the file's bytes, so a name that is not UTF-8 survives.
    QByteArray nameBytes(const QString &name) const;

private:
    Mp3Files &m_files;
    EditSession &m_session;
    const QStringList &m_genreList;
};
