#pragma once
// The main window's controls, found by their object names as a user's tool would find them.

#include <QObject>

#include <array>

class DriveList;
class FolderTree;
class GenreBox;
class Mp3Files;
class Mp3List;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;
class QToolButton;

struct WindowControls {
    WindowControls() = default;
    explicit WindowControls(const QObject &window) { find(window); }
    void find(const QObject &window);  // a control that is missing fails the test program

    DriveList *DrvOpen = nullptr;
    FolderTree *DirOpen = nullptr;
    Mp3Files *FilOpen = nullptr;
    Mp3List *lv1 = nullptr;
    QLabel *Label11 = nullptr, *Label12 = nullptr, *Label13 = nullptr;
    std::array<QLabel *, 6> TagLabels{};
    std::array<QLineEdit *, 5> TxtDispTag{};
    GenreBox *CmbGenre = nullptr;
    std::array<QCheckBox *, 6> ChkKeepTag{};
    QCheckBox *ChkRenFile = nullptr;
    QLineEdit *TxtNewFilename = nullptr;
    QPushButton *CmdSave = nullptr, *Cmdswap = nullptr, *Cmdfilesong = nullptr;

    QGroupBox *Frame1 = nullptr;
    QToolButton *Command6 = nullptr, *Command5 = nullptr, *Command7 = nullptr, *Command3 = nullptr,
                *Command1 = nullptr;
    QLineEdit *Text4 = nullptr, *Text1 = nullptr;
    QProgressBar *pb1 = nullptr;
    QSlider *Slider1 = nullptr, *Slider2 = nullptr;
};

inline WindowControls controls(const QObject &window) { return WindowControls(window); }
