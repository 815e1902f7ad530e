#pragma once
// Drive and folder navigation: the drive box and the folder list, the folder the program starts
// in, and which folder each volume last showed. It says when a folder is to be listed (opened,
// opened again, or F5); the editor lists it.

#include "tags/text/FileStatus.h"

#include <QByteArray>
#include <QObject>

class DriveList;
class FolderTree;
class QWidget;

class FolderNavigator : public QObject {
    Q_OBJECT
public:
    // shortcutScope is the window part in which F5 re-reads the folder.
    FolderNavigator(DriveList &drives, FolderTree &folders, QWidget *shortcutScope, QObject *parent);

    QByteArray shownFolder() const;  // absolute, empty before any folder is shown
    // Shows folder in the folder list and has it listed, also when it is the folder shown already
    // (the folder list reports only a change of folder).
    FileStatus openFolder(const QByteArray &folder);
    void showDriveOfShownFolder();  // the drive box follows the folder list

    void DrvOpen_Change();

signals:
    void folderToList();  // the shown folder is to be listed (again)

private:
    void onFolderShown();

    DriveList &m_drives;
    FolderTree &m_folders;
};
