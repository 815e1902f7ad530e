#include "player/PlayerController.h"

#include "session/EditSession.h"

#include "player/PlayerPanel.h"
#include "player/PlayerTime.h"
#include "tags/text/Message.h"

#include <QTimer>

#include <algorithm>

namespace {

// Switching on a timer that already runs must not restart it: the display tick switches the
// slider-maximum tick on every 300 ms, and restarting it each time would keep it from firing.
void enable(QTimer *timer)
{
    if (!timer->isActive())
        timer->start();
}

void disable(QTimer *timer)
{
    timer->stop();
}

QTimer *makeTimer(QObject *parent, const char *name, int interval)
{
    auto *timer = new QTimer(parent);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(interval);
    return timer;
}

}  // namespace

PlayerController::PlayerController(PlayerPanel &panel, PlayerInstance &instance, EditSession &session,
                                   QObject *parent)
    : QObject(parent), m_panel(panel), m_instance(instance), m_session(session),
      m_positionMaximum(PlayerPanel::PositionMaximumAtStart)
{
    // A click shows the file's label at once, unless a file is playing.
    connect(&session, &EditSession::currentFileChanged, this, [this] {
        if (!isPlaying())
            m_panel.showLabel(m_session.CurrentName());
    });
    Timer1 = makeTimer(this, "Timer1", FirstTickMs);
    Timer2 = makeTimer(this, "Timer2", 500);
    Timer3 = makeTimer(this, "Timer3", 500);
    connect(&m_panel, &PlayerPanel::playRequested, this, &PlayerController::Command5_Click);
    connect(&m_panel, &PlayerPanel::pauseRequested, this, &PlayerController::Command3_Click);
    connect(&m_panel, &PlayerPanel::stopRequested, this, &PlayerController::Command1_Click);
    connect(&m_panel, &PlayerPanel::rewindRequested, this, &PlayerController::Command6_Click);
    connect(&m_panel, &PlayerPanel::fastForwardRequested, this, &PlayerController::Command7_Click);
    connect(&m_panel, &PlayerPanel::positionRequested, this, &PlayerController::Slider1_Scroll);
    connect(&m_panel, &PlayerPanel::volumeRequested, this, &PlayerController::Slider2_Scroll);
    connect(Timer1, &QTimer::timeout, this, &PlayerController::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &PlayerController::Timer2_Timer);
    connect(Timer3, &QTimer::timeout, this, &PlayerController::Timer3_Timer);
    if (m_instance.exists())
        player();
}

bool PlayerController::isPlaying() const
{
    return m_instance.exists() && m_instance.get().playState() == MediaPlayer::PlayState::Playing;
}

MediaPlayer &PlayerController::player()
{
    MediaPlayer &p = m_instance.get();
    if (m_watched != &p) {
        m_watched = &p;
        connect(&p, &MediaPlayer::failed, this, &PlayerController::onPlayerFailed);
    }
    return p;
}

void PlayerController::onPlayerFailed(const QString &description)
{
    // The player has already stopped; leave the display at rest instead of ticking on a file
    // that does not play.
    disable(Timer1);
    disable(Timer2);
    disable(Timer3);
    m_panel.setTimeShown(true);
    m_panel.showTime(PlayerTime::remainingText(0));
    m_panel.showAtRest();
    // Nothing holds the file, so saving its tag must not be refused as if it were playing.
    m_session.setPlayerFile(QByteArray());
    Message::show(description);
}

void PlayerController::Command5_Click()
{
    MediaPlayer &p = player();
    const QByteArray path = m_session.CurrentPath();
    if (path.isEmpty())
        return;
    if (p.holds(path) && p.playState() == MediaPlayer::PlayState::Playing)
        return;  // already playing this file: no restart

    disable(Timer3);
    disable(Timer1);
    p.stop();
    p.open(path);
    m_panel.showLabel(!m_session.CurrentName().isEmpty() ? m_session.CurrentName() : m_session.proposedName());
    m_panel.showVolume(-p.volume());
    Timer1->setInterval(FirstTickMs);
    m_panel.showTime(QString());
    m_panel.clearProgress();
    enable(Timer1);
    disable(Timer2);
    m_panel.setTimeShown(true);
    m_session.setPlayerFile(path);
}

void PlayerController::Command3_Click()
{
    MediaPlayer &p = player();
    switch (p.playState()) {
    case MediaPlayer::PlayState::Paused:
        p.play();
        disable(Timer2);
        m_panel.setTimeShown(true);
        break;
    case MediaPlayer::PlayState::Playing:
        p.pause();
        enable(Timer2);
        break;
    case MediaPlayer::PlayState::Stopped:
        break;
    }
}

void PlayerController::Command1_Click()
{
    player().stop();
    disable(Timer2);
    disable(Timer1);
    m_panel.setTimeShown(true);
    m_panel.showAtRest();
}

void PlayerController::Command6_Click()
{
    player().setPosition(0);
}

void PlayerController::Command7_Click()
{
    MediaPlayer &p = player();
    p.setPosition(PlayerTime::roundHalfEven(p.duration()));
}

void PlayerController::Timer1_Timer()
{
    MediaPlayer &p = player();
    const int length = PlayerTime::roundHalfEven(p.duration());
    const int position = std::max(0, PlayerTime::roundHalfEven(p.position()));
    // A length of 0 means the file is still loading (or nothing is loaded): keep what is shown
    // rather than an empty range, which would turn the progress bar into a busy indicator.
    if (length > 0) {
        m_panel.showPosition(position, length);
        m_positionMaximum = length;
        m_panel.showTime(PlayerTime::remainingText(PlayerTime::remainingSeconds(length, position)));
    }
    if (Timer1->interval() != TickMs)
        Timer1->setInterval(TickMs);
    enable(Timer3);
}

void PlayerController::Timer2_Timer()
{
    m_panel.blinkTime();
}

void PlayerController::Timer3_Timer()
{
    const int length = PlayerTime::roundHalfEven(player().duration());
    if (length > 0) {
        m_panel.setPositionMaximum(length);
        m_positionMaximum = length;
    }
    disable(Timer3);
}

void PlayerController::Slider1_Scroll(int target)
{
    if (m_session.CurrentPath().isEmpty())
        return;
    MediaPlayer &p = player();
    if (p.playState() != MediaPlayer::PlayState::Playing)
        return;  // paused or stopped: the slider does not move the playback point

    disable(Timer1);
    enable(Timer2);
    p.setPosition(target);
    if (target == m_positionMaximum) {
        p.stop();
        m_panel.showFinished();
        enable(Timer1);
        disable(Timer2);
    } else {
        p.play();
        enable(Timer1);
        disable(Timer2);
        m_panel.focusStop();
    }
}

void PlayerController::Slider2_Scroll(int value)
{
    player().setVolume(-value);
    m_panel.focusStop();
}
