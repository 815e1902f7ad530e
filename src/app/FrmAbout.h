#pragma once
// The about box: the splash picture and a few lines of thanks and credit. Not modal. Create it
// with new: it deletes itself when closed ("Ok" or the window frame).

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;

class FrmAbout : public QWidget {
    Q_OBJECT
public:
    explicit FrmAbout(QWidget *parent = nullptr);

    static QString caption();   // "-= if you like the music, buy it! =- ", trailing blank kept
    static QString infoText();  // begins "Thanks for using this program."

    // Shows the box and brings it in front of the other windows.
    void bringForward();

    QLabel *Image1 = nullptr;
    QLabel *LblInfo = nullptr;
    QPushButton *CmdOk = nullptr;
};

// Opens the about box held by slot, or brings the open one forward.
FrmAbout *showAbout(QPointer<FrmAbout> &slot, QWidget *parent = nullptr);
