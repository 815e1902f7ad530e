#pragma once
// The settings dialog: the file-name style (long names or 8.3 names) and removing every stored
// setting. Not modal; the style changes the program-wide flag at once, while the dialog is open.
//
// Create it with new: it deletes itself when closed (Ok, Cancel or the window frame). Use
// showSettings() to open it or bring an open one forward without reloading it.

#include <QPointer>
#include <QWidget>
#include <functional>

class QGroupBox;
class QRadioButton;
class QPushButton;

class FrmSettings : public QWidget {
    Q_OBJECT
public:
    // supportLfn is the program-wide flag; it must outlive the dialog. endProgram is called by
    // "Remove Registry Settings && Quit" after the stored settings are removed; it must end the
    // program at once (the dialog does nothing after calling it).
    FrmSettings(bool &supportLfn, std::function<void()> endProgram, QWidget *parent = nullptr);

    // The flag's value when the dialog was loaded; Cancel restores it.
    bool rememberedSupportLfn() const { return m_remembered; }

    // Shows the dialog and brings it in front of the other windows; nothing is reloaded.
    void bringForward();

    QGroupBox *Frame1 = nullptr;
    QRadioButton *OptLFN[2] = {nullptr, nullptr};  // 0 "Longfilenames", 1 "8.3 (FAT)"
    QPushButton *CmdOk = nullptr;
    QPushButton *CmdCancel = nullptr;
    QPushButton *CmdRemoveQuit = nullptr;

private:
    void optionClicked();
    void okClicked();
    void cancelClicked();
    void removeQuitClicked();

    bool &m_supportLfn;
    bool m_remembered;
    std::function<void()> m_endProgram;
};

// Opens the dialog held by slot: when one is open it is only brought forward (its remembered
// value stays that of its first opening); otherwise a new one is created and shown.
FrmSettings *showSettings(QPointer<FrmSettings> &slot, bool &supportLfn,
                          std::function<void()> endProgram, QWidget *parent = nullptr);
