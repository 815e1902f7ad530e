#pragma once
// The current file: the one record of which file the panel, Save and Play work on, and its only
// writer. Its entry is the file list's selected entry, so a folder re-read (which clears that
// selection) leaves no current file name, while the path, the reading and SelectedIndex stay until
// the next load. The routines read the record by its program-wide names: CurrentPath, CurrentName,
// CurrentTag, SelectedIndex and PlayerFile.

#include "tags/TagCore.h"
#include "tags/TagRecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class EditSession;
class Mp3Files;

class Selection {
public:
    Selection(Mp3Files &files, const EditSession &session, const QStringList &genreList)
        : m_files(files), m_session(session), m_genreList(genreList)
    {
    }

    // Reads the file of entry in the folder of folderPrefix. When it can be read it becomes the
    // current file; otherwise nothing changes. Returns the outcome of the read.
    FileStatus load(int entry, const QByteArray &folderPrefix);
    void deselect();  // no current file name; the rest stays
    // A save wrote the current file: its record holds what the file is now, so that the next save
    // of it (after a refused rename) is not taken for another program's change.
    void noteWritten(const TagSaveResult &saved);
    // The file was read again after its save: the record holds that reading.
    void noteReread(const TagReading &reading);
    void setLabel(const QString &label) { m_label = label; }
    void setProposedName(const QString &name) { m_proposedName = name; }
    void setPlayerFile(const QByteArray &path) { m_playerFile = path; }

    int entry() const;  // the file list's entry, -1 when none
    int SelectedIndex() const { return m_selectedIndex; }  // row (from 1) last loaded
    const QByteArray &CurrentPath() const { return m_path; }
    const QString &CurrentName() const { return m_label; }  // the player's label, set by a click
    TagRecord CurrentTag() const;  // decoded in the session's code page
    const QByteArray &PlayerFile() const { return m_playerFile; }  // the file the player holds
    const TagReading &reading() const { return m_reading; }
    const QString &proposedName() const { return m_proposedName; }
    QString fileName() const;  // the current entry's shown name, empty when none

    // Raw bytes for a new name: a name that is the current file's own shown name (or it with an
    // extension added) keeps the file's bytes, so a name that is not UTF-8 survives.
    QByteArray nameBytes(const QString &name) const;

private:
    Mp3Files &m_files;
    const EditSession &m_session;
    const QStringList &m_genreList;
    int m_selectedIndex = 0;
    QByteArray m_path;
    QString m_label;
    TagReading m_reading;
    QString m_proposedName;
    QByteArray m_playerFile;
};
