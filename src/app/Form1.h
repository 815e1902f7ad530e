#pragma once
// The splash window: a borderless black window with the program's picture, shown for two
// seconds before it hands over to the main window.

#include <QWidget>
#include <functional>

class QLabel;
class QTimer;
class FrmMain;

class Form1 : public QWidget {
    Q_OBJECT
public:
    // makeMainWindow creates the main window when the splash time is over.
    explicit Form1(std::function<FrmMain *()> makeMainWindow, QWidget *parent = nullptr);

    void Timer1_Timer();
    FrmMain *mainWindow() const { return m_main; }

    QLabel *Image1 = nullptr;
    QTimer *Timer1 = nullptr;

private:
    std::function<FrmMain *()> m_makeMainWindow;
    FrmMain *m_main = nullptr;
};
