#pragma once
// What the player does: the handlers of its five buttons, three timers and two sliders.
//
// Play opens the file last clicked in the list; the other buttons act on whatever the player
// holds. Timer1 keeps the time-remaining text, the progress bar and the position slider up to
// date, Timer2 blinks the time while paused, Timer3 settles the position slider's maximum.
// Slider1 jumps within the playing file, Slider2 sets the volume. The controls are the panel's:
// it reports the user's clicks and moves with their values, these handlers answer them and tell
// the panel what to show. The edit session says which file is current and what name is proposed
// for it; the controller tells it which file the player holds.

#include "player/PlayerInstance.h"

#include <QObject>
#include <QPointer>
#include <QString>

class EditSession;
class PlayerPanel;
class QTimer;

class PlayerController : public QObject {
    Q_OBJECT
public:
    PlayerController(PlayerPanel &panel, PlayerInstance &player, EditSession &session, QObject *parent);

    void Command5_Click();  // Play
    void Command3_Click();  // Pause / resume
    void Command1_Click();  // Stop
    void Command6_Click();  // Rewind
    void Command7_Click();  // Fast Forward
    void Timer1_Timer();    // display tick
    void Timer2_Timer();    // blink tick
    void Timer3_Timer();    // slider-maximum tick
    void Slider1_Scroll(int seconds);  // the user moved the position slider
    void Slider2_Scroll(int value);    // the user moved the volume slider


    // True while a file plays; never creates the player to find out.
    bool isPlaying() const;

    QTimer *Timer1 = nullptr;  // display tick
    QTimer *Timer2 = nullptr;  // blink tick while paused
    QTimer *Timer3 = nullptr;  // slider-maximum tick

    static constexpr int FirstTickMs = 1000;
    static constexpr int TickMs = 300;


private:
    MediaPlayer &player();
    void onPlayerFailed(const QString &description);

    PlayerPanel &m_panel;
    PlayerInstance &m_instance;
    EditSession &m_session;  // the current file, which Play opens; the player's file
    int m_positionMaximum;  // the position slider's end as last set
    QPointer<MediaPlayer> m_watched;  // the instance whose failures we report
};
