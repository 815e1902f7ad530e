#pragma once
// The controls of the main window that the player's buttons, timers and sliders work on. The
// window creates and owns them; PlayerControls is given this set of pointers.

class QAbstractButton;
class QLineEdit;
class QProgressBar;
class QSlider;
class QTimer;

struct PlayerWidgets {
    QAbstractButton *Command1 = nullptr;  // Stop
    QAbstractButton *Command3 = nullptr;  // Pause
    QAbstractButton *Command5 = nullptr;  // Play
    QAbstractButton *Command6 = nullptr;  // Rewind
    QAbstractButton *Command7 = nullptr;  // Fast Forward
    QLineEdit *Text1 = nullptr;           // time remaining
    QLineEdit *Text4 = nullptr;           // the player's label
    QProgressBar *pb1 = nullptr;
    QSlider *Slider1 = nullptr;           // position, whole seconds
    QSlider *Slider2 = nullptr;           // volume, 0 (loudest, top) .. 3000
    QTimer *Timer1 = nullptr;             // display tick
    QTimer *Timer2 = nullptr;             // blink tick while paused
    QTimer *Timer3 = nullptr;             // slider-maximum tick
    QLineEdit *TxtNewFilename = nullptr;  // read by Play for the label
};
