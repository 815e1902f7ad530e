#pragma once
// The handlers of the player's five buttons, three timers and two sliders.
//
// Play opens the file last clicked in the list; the other buttons act on whatever the player
// holds. Timer1 keeps the time-remaining text, the progress bar and the position slider up to
// date, Timer2 blinks the time while paused, Timer3 settles the position slider's maximum.
// Slider1 jumps within the playing file, Slider2 sets the volume. The controls are the panel's;
// the panel reports the user's clicks and moves, and these handlers answer them.

#include "MdlDefault.h"
#include "PlayerInstance.h"

#include <QObject>
#include <QPointer>
#include <QString>

class PlayerPanel;
class QTimer;

class PlayerControls : public QObject {
    Q_OBJECT
public:
    PlayerControls(PlayerPanel &panel, MdlDefault &state, PlayerInstance &player, QObject *parent);

    void Command5_Click();  // Play
    void Command3_Click();  // Pause / resume
    void Command1_Click();  // Stop
    void Command6_Click();  // Rewind
    void Command7_Click();  // Fast Forward
    void Timer1_Timer();    // display tick
    void Timer2_Timer();    // blink tick
    void Timer3_Timer();    // slider-maximum tick
    void Slider1_Scroll();  // the user moved the position slider
    void Slider2_Scroll();  // the user moved the volume slider

    // The label of the file the user last clicked: shown at once unless a file is playing.
    void showFileLabel(const QString &label);
    // The name proposed for the current file; Play shows it when the file has no label.
    void setProposedName(const QString &name);

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
    MdlDefault &m_state;
    PlayerInstance &m_instance;
    QString m_proposedName;
    QPointer<MediaPlayer> m_watched;  // the instance whose failures we report
};
