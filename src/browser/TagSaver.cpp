#include "browser/TagSaver.h"

#include "browser/BrowserPanel.h"
#include "browser/Selection.h"
#include "browser/TagPanel.h"
#include "browser/TrackSave.h"
#include "session/EditSession.h"
#include "tags/files/HeldFile.h"
#include "tags/id3v2/Id3v2Fill.h"
#include "tags/text/Message.h"
#include "tags/trailer/TagCore.h"

#include <QCheckBox>
#include <QLineEdit>

TagSaver::TagSaver(const BrowserPanel &controls, EditSession &session, const TagPanel &panel,
                   const Selection &selection, QObject *parent)
    : QObject(parent), c(controls), m_session(session), m_panel(panel), m_selection(selection)
{
}

std::optional<QByteArray> TagSaver::save(const QByteArray &folder)
{
    const FileIdentity &current = m_session.reading().identity;
    // The program's own rule compares the two paths (both empty before any selection: refused too);
    // the held file is also known by its inode, under whatever name it was reached.
    if (m_session.PlayerFile() == m_session.CurrentPath()
        || HeldFile(m_session.PlayerFile()).holds(current.device, current.inode)) {
        Message::show(playingText());
        return std::nullopt;
    }
    if (m_selection.entry() < 0) {
        // After a save or a folder change no file is current; the bare folder path would only
        // fail with the system's puzzling "Is a directory".
        Message::show(noFileText());
        return std::nullopt;
    }
    if (const QString problem = m_panel.storeProblem(); !problem.isEmpty()) {
        Message::show(problem);
        return std::nullopt;
    }
    TagSave request;
    request.path = m_session.CurrentPath();
    quint8 genreNumber = m_session.GenreNumber();
    request.fields = m_panel.fieldsToSave(genreNumber);
    m_session.setGenreNumber(genreNumber);
    if (!keepTrackOnSave(request.fields, m_session.reading()))
        return std::nullopt;
    request.expected = m_session.reading().identity;
    request.expectedTrailer = m_session.reading().trailer;  // never written over another's change
    request.modeRead = m_session.reading().mode;
    request.folder = folder;
    request.keepTimes = m_keepFileTimes;
    if (m_writeId3v2) {
        request.id3v2Fields = AllId3v2Fields;
        request.page = &m_session.codePage();
    }
    if (c.ChkRenFile->checkState() == Qt::Checked)
        request.newName = m_selection.nameBytes(withMp3Extension(c.TxtNewFilename->text()));
    request.journal = m_journal;
    const TagSaveResult saved = saveTagFile(request);
    if (saved.written)
        m_session.noteWritten(saved.identity, saved.trailer, saved.mode);
    emit saveTried();
    if (!saved.status) {
        Message::show(saved.status.code() == ESTALE
                          ? saved.status.description() + QStringLiteral(" Select the file again to read it anew.")
                          : saved.status.description());
        return std::nullopt;
    }
    return saved.path.mid(saved.path.lastIndexOf('/') + 1);
}
