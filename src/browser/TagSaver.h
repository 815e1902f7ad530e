#pragma once
// Save Tags: the current file's refusals (the player holds it, none is current, a box the code page
// cannot store), then the panel's fields under the track rule and the new name when the rename box
// is ticked, written through the tag core and recorded in the journal.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

struct BrowserPanel;
class EditSession;
class SaveJournal;
class Selection;
class TagPanel;

class TagSaver : public QObject {
    Q_OBJECT
public:
    TagSaver(const BrowserPanel &controls, EditSession &session, const TagPanel &panel, const Selection &selection,
             QObject *parent = nullptr);

    // Writes the current file of folder (the session's GenreNumber when the genre box names no
    // entry, which takes the genre written). The name the file has afterwards; none when refused
    // or failed, the reason shown.
    std::optional<QByteArray> save(const QByteArray &folder);

    // The refusal to write the file the player holds.
    static QString playingText() { return QStringLiteral("Cannot Edit MP3 While Playing"); }
    // The refusal of a save with no file selected.
    static QString noFileText() { return QStringLiteral("No file is selected: click a file in the list first."); }

    // A save gives the file back its modification and access times.
    void setKeepFileTimes(bool on) { m_keepFileTimes = on; }
    void setWriteId3v2(bool on) { m_writeId3v2 = on; }
    // Each save is recorded in journal (none: not recorded).
    void setJournal(SaveJournal *journal) { m_journal = journal; }

signals:
    void saveTried();  // a save reached the tag core, whatever became of it

private:
    const BrowserPanel &c;
    EditSession &m_session;
    const TagPanel &m_panel;
    const Selection &m_selection;
    SaveJournal *m_journal = nullptr;
    bool m_keepFileTimes = false;
    bool m_writeId3v2 = false;  // the ID3v2 tag gets every field too
};
