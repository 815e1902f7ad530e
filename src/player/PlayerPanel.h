#pragma once
// The player's frame, "Play File": the five transport buttons, the player's label, the progress
// bar, the position and volume sliders and the time-remaining display, each under its own name.
// The panel shows what it is given and reports what the user asks for; PlayerController does the
// work. The window places the frame; the controls' places inside it are fixed here.

#include <QGroupBox>

class QLineEdit;
class QProgressBar;
class QSlider;
class QToolButton;

class PlayerPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit PlayerPanel(QWidget *parent = nullptr);

    // Text1's size at most; a time too wide for the box at this size is set smaller.
    static constexpr double TimePointSize = 27.75;
    // The position slider's end before any length is known.
    static constexpr int PositionMaximumAtStart = 250;

    // Tab goes on from previous through the panel's controls.
    void continueTabOrderFrom(QWidget *previous);

public slots:
    void showLabel(const QString &text);  // the player's label
    void showTime(const QString &text);   // the time remaining
    void setTimeShown(bool shown);
    void blinkTime();                     // shows the time if hidden, hides it if shown
    // The progress bar and the position slider at position of length seconds; a slider the user
    // holds stays where the user holds it.
    void showPosition(int position, int length);
    void setPositionMaximum(int length);
    void showAtRest();     // both at 0
    void clearProgress();  // the progress bar at 0
    void showFinished();   // the progress bar full
    void showVolume(int value);  // 0 loudest .. 3000, held to the slider's range
    void focusStop();

signals:
    void playRequested();
    void pauseRequested();
    void stopRequested();
    void rewindRequested();
    void fastForwardRequested();
    void positionRequested(int seconds);  // the user moved Slider1
    void volumeRequested(int value);      // the user moved Slider2 (0 loudest .. 3000)

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void createButtons();
    void createDisplay();
    void createSliders();
    void fitTimeText();

    QToolButton *Command6 = nullptr;  // Rewind
    QToolButton *Command5 = nullptr;  // Play
    QToolButton *Command7 = nullptr;  // Fast Forward
    QToolButton *Command3 = nullptr;  // Pause
    QToolButton *Command1 = nullptr;  // Stop
    QLineEdit *Text4 = nullptr;       // the player's label
    QProgressBar *pb1 = nullptr;
    QSlider *Slider1 = nullptr;       // position, whole seconds
    QLineEdit *Text2 = nullptr;       // "Time Remaining"
    QLineEdit *Text1 = nullptr;       // time remaining, "M:SS"
    QLineEdit *Text3 = nullptr;       // "Vol"
    QSlider *Slider2 = nullptr;       // volume, 0 (loudest, top) .. 3000
};
