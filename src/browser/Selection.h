#pragma once
// The current file: the one record of which file the panel and Save work on. Its entry is the
// file list's selected entry, so a folder re-read (which clears that selection) leaves no current
// file name, while the path, the reading and SelectedIndex stay until the next load.

#include "TagCore.h"

#include <QByteArray>
#include <QString>

class FileList;

class Selection {
public:
    explicit Selection(FileList &files) : m_files(files) {}

    // Reads the file of entry in the folder of folderPrefix. When it can be read it becomes the
    // current file; otherwise nothing changes. Returns the outcome of the read.
    FileStatus load(int entry, const QByteArray &folderPrefix);
    void deselect();  // no current file name; the rest stays
    // A save wrote the current file: its record holds what the file is now, so that the next save
    // of it (after a refused rename) is not taken for another program's change.
    void noteWritten(const TagSaveResult &saved);

    int entry() const;          // the file list's entry, -1 when none
    int SelectedIndex() const { return m_selectedIndex; }  // row (from 1) last loaded
    const QByteArray &path() const { return m_path; }
    const TagReading &reading() const { return m_reading; }
    QString label() const { return m_label; }
    void setLabel(const QString &label) { m_label = label; }
    QString fileName() const;  // the current entry's shown name, empty when none

    // Raw bytes for a new name: a name that is the current file's own shown name (or it with an
    // extension added) keeps the file's bytes, so a name that is not UTF-8 survives.
    QByteArray nameBytes(const QString &name) const;

private:
    FileList &m_files;
    int m_selectedIndex = 0;
    QByteArray m_path;
    QString m_label;
    TagReading m_reading;
};
