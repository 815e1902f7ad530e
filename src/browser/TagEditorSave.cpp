// Saving the current file's tag, and the list rebuilt around the written file.

#include "browser/Mp3List.h"
#include "browser/Mp3Files.h"
#include "browser/TagEditor.h"
#include "session/EditSession.h"
#include "browser/TrackSave.h"
#include "tags/text/Message.h"
#include "tags/trailer/TagCore.h"

#include <QCheckBox>
#include <QLineEdit>

#include <cerrno>

bool TagEditor::CmdSave_Click()
{
    if (m_session.PlayerFile() == m_session.CurrentPath()) {
        Message::show(playingText());
        return false;
    }
    if (m_selection.entry() < 0) {
        // After a save or a folder change no file is current; the bare folder path would only
        // fail with the system's puzzling "Is a directory".
        Message::show(noFileText());
        return false;
    }
    if (const QString problem = m_panel.storeProblem(); !problem.isEmpty()) {
        Message::show(problem);
        return false;
    }
    TagSave request;
    request.path = m_session.CurrentPath();
    request.fields = m_panel.fieldsToSave(m_genreNumber);
    if (!keepTrackOnSave(request.fields, m_session.reading()))
        return false;
    request.expected = m_session.reading().identity;
    request.folder = m_navigator.shownFolder();
    request.keepTimes = m_keepFileTimes;
    const bool rename = c.ChkRenFile->checkState() == Qt::Checked;
    if (rename)
        request.newName = m_selection.nameBytes(withMp3Extension(c.TxtNewFilename->text()));
    request.journal = m_journal;
    const TagSaveResult saved = saveTagFile(request);
    if (saved.written)
        m_session.noteWritten(saved.identity);
    emit saveTried();
    if (!saved.status) {
        Message::show(saved.status.description());
        return false;
    }
    showWrittenFile(saved.path.mid(saved.path.lastIndexOf('/') + 1), true);
    return true;
}

void TagEditor::showWrittenFile(const QByteArray &name, bool current)
{
    // The entries are read again, so that the rebuild does not try files gone since the scan
    // (and lists the new name after a rename). The rows go first: they show the entries' names.
    c.lv1->clear();
    const FileStatus listed = c.FilOpen->refresh();
    if (!listed) {
        Message::show(listed.description());
        return;
    }
    const int unreadable = rereadWritten(name, current);
    m_panel.clearUnkept();
    c.ChkRenFile->setCheckState(Qt::Unchecked);
    m_selection.deselect();
    if (unreadable > 0)
        Message::show(readErrorText());
}

// The rebuilt list reads the written file with the others; its reading is the record's from then on.
int TagEditor::rereadWritten(const QByteArray &name, bool current)
{
    std::optional<TagReading> reread;
    const int unreadable = fillList(true, name, &reread);
    if (!current)
        return unreadable;
    if (!reread)
        Message::show(FileStatus::fromErrno(ENOENT).description());  // gone since the save
    else if (!reread->status)
        Message::show(reread->status.description());
    else
        m_session.noteReread(*reread);
    return unreadable;
}
