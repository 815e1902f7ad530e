#pragma once
// The controls of the folder browser and the editing panel, created under their own names with
// their captions, tooltips and limits, and placed where the window's layout puts them. The browser
// works on them; the window only says what comes after them in the tab order.

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QObject;
class QPushButton;
class QWidget;
class DriveList;
class FolderTree;
class Mp3Files;
class Mp3List;
class GenreBox;
class EditSession;

struct BrowserPanel {
    // Widgets become children of parent; the file list, which is never shown, of owner. The tag
    // boxes check their text in the session's code page.
    BrowserPanel(QWidget *parent, QObject *owner, const EditSession &session);

    DriveList *DrvOpen;
    FolderTree *DirOpen;
    Mp3Files *FilOpen;  // never shown: the entries behind the rows of lv1
    Mp3List *lv1;

    QLabel *Label11, *Label12;                // "Tag" and "Keep" over the panel
    std::array<QLabel *, 6> TagLabels{};      // Label2 .. Label7, beside the six fields
    std::array<QLineEdit *, 5> TxtDispTag{};  // 0 Title, 1 Artist, 2 Album, 3 Year, 4 Comment
    GenreBox *CmbGenre;
    std::array<QCheckBox *, 6> ChkKeepTag{};  // 0..4 beside TxtDispTag, 5 beside CmbGenre
    QCheckBox *ChkRenFile;
    QLabel *Label13;
    QLineEdit *TxtNewFilename;
    QPushButton *CmdSave, *Cmdswap, *Cmdfilesong;

    // Tab walks the controls as the work goes: folder, the tag fields top to bottom, their Keep
    // boxes, the list, saving; then it goes on to next.
    void continueTabOrderInto(QWidget *next) const;

private:
    void place();
};
