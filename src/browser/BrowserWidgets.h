#pragma once
// The controls of the main window that the folder browser and the editing panel work on. The
// window creates and owns them; the browser's handlers are given this set of pointers.

#include <array>

class QCheckBox;
class QLineEdit;
class QPushButton;
class DriveList;
class FolderList;
class FileList;
class Mp3List;
class GenreBox;

struct BrowserWidgets {
    DriveList *DrvOpen = nullptr;
    FolderList *DirOpen = nullptr;
    FileList *FilOpen = nullptr;  // never shown: the entries behind the rows of lv1
    Mp3List *lv1 = nullptr;
    std::array<QLineEdit *, 5> TxtDispTag{};  // 0 Title, 1 Artist, 2 Album, 3 Year, 4 Comment
    std::array<QCheckBox *, 6> ChkKeepTag{};  // 0..4 beside TxtDispTag, 5 beside CmbGenre
    GenreBox *CmbGenre = nullptr;
    QCheckBox *ChkRenFile = nullptr;
    QLineEdit *TxtNewFilename = nullptr;
    QPushButton *CmdSave = nullptr;
    QPushButton *Cmdswap = nullptr;
    QPushButton *Cmdfilesong = nullptr;
    QLineEdit *Text4 = nullptr;  // the player's label, which a row click may set
};
