#pragma once
// What the window edits, held once: the tags' code page, the current file's record and the file
// the player holds. The session is the one holder of each; the list, the panel, its boxes'
// checks, the ID3v2 marks, Save and the player read them here whenever they need them and hear of
// a change by its signals. Nothing keeps a copy, so no part can be left with an old value.
// The routines read the current file by its program-wide names: CurrentPath, CurrentName,
// SelectedIndex and PlayerFile.

#include "tags/trailer/TagCore.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class CodePage;

class EditSession : public QObject {
    Q_OBJECT
public:
    explicit EditSession(QObject *parent = nullptr);

    // The page the tags are read and saved in: the system's until one is chosen.
    const CodePage &codePage() const { return *m_page; }
    // The user's choice of it: a page's number, or 0 for the system's page (which differs from
    // choosing that page by its number, as the settings file keeps it). An unknown number is 0.
    int codePageChoice() const { return m_choice; }
    void chooseCodePage(int number);

    // The current file: the one whose tag the panel shows, Save writes and Play opens.
    const QByteArray &CurrentPath() const { return m_path; }
    const QString &CurrentName() const { return m_label; }  // the player's label, set by a click
    int SelectedIndex() const { return m_selectedIndex; }  // row (from 1) last loaded
    const TagReading &reading() const { return m_reading; }
    const Id3v2Reading &id3v2() const { return m_id3v2; }  // the ID3v2 tag read with it
    const QString &proposedName() const { return m_proposedName; }  // the new-name box's text
    const QByteArray &PlayerFile() const { return m_playerFile; }  // the file the player holds
    // The genre a save writes when the genre box names no entry: the last tag read's.
    quint8 GenreNumber() const { return m_genreNumber; }
    void setGenreNumber(quint8 genre) { m_genreNumber = genre; }

    // A file was read (both its tags, from one open) and becomes the current file, without a
    // label until setLabel.
    void setCurrentFile(const QByteArray &path, const FileTags &tags, int selectedIndex);
    void setLabel(const QString &label);  // tells currentFileChanged
    void setProposedName(const QString &name);
    // A save wrote the current file: the record holds what the file is now, so that the next
    // save of it (after a refused rename) is not taken for another program's change.
    // A save wrote the current file: its record holds what the file is now, so the next save of
    // it is not taken for another program's change.
    void noteWritten(const FileIdentity &identity, const QByteArray &trailer, int mode)
    {
        m_reading.identity = identity;
        m_reading.trailer = trailer;
        m_reading.mode = mode;
    }
    // A job or an undo renamed the current file: it stays current under its new path.
    void followRename(const QByteArray &path) { m_path = path; }
    // The file was read again after its save: the record holds that reading.
    void noteReread(const TagReading &reading);
    void setPlayerFile(const QByteArray &path);

signals:
    void codePageChanged(const CodePage &previous);
    void codePageChoiceChanged();
    void currentFileChanged();  // a click loaded CurrentPath, labelled CurrentName
    void proposalChanged();
    void playerFileChanged();

private:
    const CodePage *m_page;
    int m_choice = 0;
    QByteArray m_path;
    QString m_label;
    int m_selectedIndex = 0;
    quint8 m_genreNumber = 0;
    TagReading m_reading;
    Id3v2Reading m_id3v2;
    QString m_proposedName;
    QByteArray m_playerFile;
};
