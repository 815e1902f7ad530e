#include "app/PlaylistEntry.h"

#include "browser/TagEditor.h"
#include "session/EditSession.h"
#include "tags/files/PatternListing.h"
#include "tags/jobs/FolderJob.h"
#include "tags/playlist/Playlist.h"
#include "tags/text/Message.h"
#include "tags/text/TextEscape.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QMenu>

#include <cerrno>

PlaylistEntry::PlaylistEntry(QMenu &tagsMenu, const TagEditor &editor, const EditSession &session, QWidget *window)
    : QObject(window), m_editor(editor), m_session(session), m_window(window)
{
    tagsMenu.addSeparator();
    savePlaylist = tagsMenu.addAction(QStringLiteral("Save &Playlist…"));
    savePlaylist->setObjectName(QStringLiteral("mnuSavePlaylist"));
    connect(savePlaylist, &QAction::triggered, this, &PlaylistEntry::save);
}

void PlaylistEntry::save()
{
    const QByteArray folder = m_editor.shownFolder();
    if (folder.isEmpty()) {
        Message::show(QStringLiteral("Open a folder first."));
        return;
    }
    const QByteArray real = realFolderPath(folder);
    const QString name = QFile::decodeName(real.mid(real.lastIndexOf('/') + 1));
    // Our own dialog, not the desktop's: the question about a file there is ours, asked once.
    QFileDialog dialog(m_window, QStringLiteral("Save Playlist"),
                       QFile::decodeName(folderPrefix(folder)) + (name.isEmpty() ? QStringLiteral("playlist") : name)
                           + QStringLiteral(".m3u8"),
                       QStringLiteral("M3U8 playlists (*.m3u8);;All files (*)"));
    dialog.setObjectName(QStringLiteral("dlgSavePlaylist"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(QStringLiteral("m3u8"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QByteArray path = QFile::encodeName(dialog.selectedFiles().constFirst());
    const bool replace = QFile::exists(QFile::decodeName(path));
    if (replace && !Message::ask(QStringLiteral("\"%1\" exists already. Replace it?").arg(TextEscape::shown(path))))
        return;

    FileStatus listed = FileStatus::success();
    std::vector<QByteArray> paths;
    for (const JobFile &file : listJobFiles(folder, listed))
        paths.push_back(file.path);
    QStringList failures;
    const QByteArray playlistFolder = realFolderPath(path.left(path.lastIndexOf('/') + 1));
    const std::vector<PlaylistItem> items =
        albumItems(paths, playlistFolder, m_session.codePage(), [&failures](const QByteArray &file, const QString &why) {
            failures += QStringLiteral("%1: %2").arg(TextEscape::shown(file), why);
        });
    const FileStatus written = !listed ? listed : writePlaylist(path, playlistText(items), replace);
    if (!written) {
        Message::show(QStringLiteral("The playlist was not saved: %1").arg(written.description()));
        return;
    }
    if (!failures.isEmpty())
        Message::show(QStringLiteral("The playlist was saved without these files, which could not be read:\n")
                      + failures.join(u'\n'));
}
