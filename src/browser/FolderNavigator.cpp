#include "browser/FolderNavigator.h"

#include "browser/DriveList.h"
#include "browser/FolderTree.h"
#include "browser/TagEditor.h"
#include "tags/text/Message.h"

#include <QDir>
#include <QFile>
#include <QKeySequence>
#include <QShortcut>

FolderNavigator::FolderNavigator(DriveList &drives, FolderTree &folders, QWidget *shortcutScope, QObject *parent)
    : QObject(parent), m_drives(drives), m_folders(folders)
{
    // Before anything is stored the lists show the folder the program was started in. Nothing
    // listens yet, so this lists nothing.
    const QByteArray startFolder = QFile::encodeName(QDir::currentPath());
    m_drives.setDriveFor(startFolder);
    m_drives.rememberFolder(startFolder);
    m_folders.setRoot(m_drives.drive());
    m_folders.setPath(startFolder);

    connect(&m_drives, &DriveList::change, this, &FolderNavigator::DrvOpen_Change);
    connect(&m_folders, &FolderTree::change, this, &FolderNavigator::onFolderShown);
    connect(&m_folders, &FolderTree::reopened, this, &FolderNavigator::onFolderShown);
    auto *refresh = new QShortcut(QKeySequence(Qt::Key_F5), shortcutScope);
    refresh->setContext(Qt::WindowShortcut);
    connect(refresh, &QShortcut::activated, this, &FolderNavigator::onFolderShown);
}

QByteArray FolderNavigator::shownFolder() const
{
    return m_folders.path();
}

FileStatus FolderNavigator::openFolder(const QByteArray &folder)
{
    const QByteArray shown = m_folders.path();
    const FileStatus status = m_folders.setPath(folder);
    if (status && !folder.isEmpty() && m_folders.path() == shown)
        onFolderShown();
    return status;
}

void FolderNavigator::showDriveOfShownFolder()
{
    m_drives.setDriveFor(m_folders.path());
}

void FolderNavigator::onFolderShown()
{
    const QByteArray folder = m_folders.path();
    if (folder.isEmpty())
        return;
    m_drives.rememberFolder(folder);
    emit folderToList();
}

void FolderNavigator::DrvOpen_Change()
{
    const QByteArray drive = m_drives.drive();
    const QByteArray oldRoot = m_folders.root();
    m_folders.setRoot(drive);
    QByteArray folder = m_drives.currentFolderOf(drive);
    FileStatus status = m_folders.setPath(folder);
    // The folder last shown on the volume may have gone since; its nearest remaining parent on
    // the volume is shown instead. Only a volume that cannot be read at all is not ready.
    while (!status.ok() && folder.size() > drive.size()) {
        const qsizetype slash = folder.lastIndexOf('/');
        folder = slash > 0 ? folder.left(slash) : QByteArray("/");
        status = m_folders.setPath(folder);
    }
    if (!status.ok()) {
        // The folder list, the file list and the MP3 list stay on the previous folder.
        m_folders.setRoot(oldRoot);
        Message::show(TagEditor::readErrorText());
    }
}
