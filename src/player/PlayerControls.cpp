#include "PlayerControls.h"

#include "Message.h"
#include "PlayerPanel.h"
#include "PlayerTime.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QSlider>
#include <QToolButton>
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

PlayerControls::PlayerControls(PlayerPanel &panel, MdlDefault &state, PlayerInstance &instance, QObject *parent)
    : QObject(parent), m_panel(panel), m_state(state), m_instance(instance)
{
    Timer1 = makeTimer(this, "Timer1", FirstTickMs);
    Timer2 = makeTimer(this, "Timer2", 500);
    Timer3 = makeTimer(this, "Timer3", 500);
    connect(&m_panel, &PlayerPanel::playRequested, this, &PlayerControls::Command5_Click);
    connect(&m_panel, &PlayerPanel::pauseRequested, this, &PlayerControls::Command3_Click);
    connect(&m_panel, &PlayerPanel::stopRequested, this, &PlayerControls::Command1_Click);
    connect(&m_panel, &PlayerPanel::rewindRequested, this, &PlayerControls::Command6_Click);
    connect(&m_panel, &PlayerPanel::fastForwardRequested, this, &PlayerControls::Command7_Click);
    connect(&m_panel, &PlayerPanel::positionRequested, this, &PlayerControls::Slider1_Scroll);
    connect(&m_panel, &PlayerPanel::volumeRequested, this, &PlayerControls::Slider2_Scroll);
    connect(Timer1, &QTimer::timeout, this, &PlayerControls::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &PlayerControls::Timer2_Timer);
    connect(Timer3, &QTimer::timeout, this, &PlayerControls::Timer3_Timer);
    if (m_instance.exists())
        player();
}

bool PlayerControls::isPlaying() const
{
    return m_instance.exists() && m_instance.get().playState() == MediaPlayer::PlayState::Playing;
}

void PlayerControls::showFileLabel(const QString &label)
{
    if (!isPlaying())
        m_panel.Text4->setText(label);
}

void PlayerControls::setProposedName(const QString &name)
{
    m_proposedName = name;
}

MediaPlayer &PlayerControls::player()
{
    MediaPlayer &p = m_instance.get();
    if (m_watched != &p) {
        m_watched = &p;
        connect(&p, &MediaPlayer::failed, this, &PlayerControls::onPlayerFailed);
    }
    return p;
}

void PlayerControls::onPlayerFailed(const QString &description)
{
    // The player has already stopped; leave the display at rest instead of ticking on a file
    // that does not play.
    disable(Timer1);
    disable(Timer2);
    disable(Timer3);
    m_panel.Text1->setVisible(true);
    m_panel.Text1->setText(PlayerTime::remainingText(0));
    m_panel.pb1->setValue(0);
    m_panel.Slider1->setValue(0);
    // Nothing holds the file, so saving its tag must not be refused as if it were playing.
    m_state.PlayerFile.clear();
    Message::show(description);
}

void PlayerControls::Command5_Click()
{
    MediaPlayer &p = player();
    if (m_state.CurrentPath.isEmpty())
        return;
    if (p.holds(m_state.CurrentPath) && p.playState() == MediaPlayer::PlayState::Playing)
        return;  // already playing this file: no restart

    disable(Timer3);
    disable(Timer1);
    p.stop();
    p.open(m_state.CurrentPath);
    m_panel.Text4->setText(!m_state.CurrentName.isEmpty() ? m_state.CurrentName : m_proposedName);
    m_panel.Slider2->setValue(std::clamp(-p.volume(), m_panel.Slider2->minimum(), m_panel.Slider2->maximum()));
    Timer1->setInterval(FirstTickMs);
    m_panel.Text1->setText(QString());
    m_panel.pb1->setValue(0);
    enable(Timer1);
    disable(Timer2);
    m_panel.Text1->setVisible(true);
    m_state.PlayerFile = m_state.CurrentPath;
}

void PlayerControls::Command3_Click()
{
    MediaPlayer &p = player();
    switch (p.playState()) {
    case MediaPlayer::PlayState::Paused:
        p.play();
        disable(Timer2);
        m_panel.Text1->setVisible(true);
        break;
    case MediaPlayer::PlayState::Playing:
        p.pause();
        enable(Timer2);
        break;
    case MediaPlayer::PlayState::Stopped:
        break;
    }
}

void PlayerControls::Command1_Click()
{
    player().stop();
    disable(Timer2);
    disable(Timer1);
    m_panel.Text1->setVisible(true);
    m_panel.pb1->setValue(0);
    m_panel.Slider1->setValue(0);
}

void PlayerControls::Command6_Click()
{
    player().setPosition(0);
}

void PlayerControls::Command7_Click()
{
    MediaPlayer &p = player();
    p.setPosition(PlayerTime::roundHalfEven(p.duration()));
}

void PlayerControls::Timer1_Timer()
{
    MediaPlayer &p = player();
    const int length = PlayerTime::roundHalfEven(p.duration());
    const int position = std::max(0, PlayerTime::roundHalfEven(p.position()));
    // A length of 0 means the file is still loading (or nothing is loaded): keep what is shown
    // rather than an empty range, which would turn the progress bar into a busy indicator.
    if (length > 0) {
        m_panel.pb1->setMaximum(length);
        m_panel.pb1->setValue(std::min(position, length));
        m_panel.Slider1->setMaximum(length);
        // A slider the user is holding is left where the user holds it.
        if (!m_panel.Slider1->isSliderDown())
            m_panel.Slider1->setValue(position);
        m_panel.Text1->setText(
            PlayerTime::remainingText(PlayerTime::remainingSeconds(length, position)));
    }
    if (Timer1->interval() != TickMs)
        Timer1->setInterval(TickMs);
    enable(Timer3);
}

void PlayerControls::Timer2_Timer()
{
    // isHidden, not isVisible: the text's own state, whatever its window's.
    m_panel.Text1->setHidden(!m_panel.Text1->isHidden());
}

void PlayerControls::Timer3_Timer()
{
    const int length = PlayerTime::roundHalfEven(player().duration());
    if (length > 0)
        m_panel.Slider1->setMaximum(length);
    disable(Timer3);
}

void PlayerControls::Slider1_Scroll()
{
    if (m_state.CurrentPath.isEmpty())
        return;
    MediaPlayer &p = player();
    if (p.playState() != MediaPlayer::PlayState::Playing)
        return;  // paused or stopped: the slider does not move the playback point

    disable(Timer1);
    enable(Timer2);
    const int target = m_panel.Slider1->value();
    p.setPosition(target);
    if (target == m_panel.Slider1->maximum()) {
        p.stop();
        m_panel.pb1->setValue(m_panel.pb1->maximum());
        enable(Timer1);
        disable(Timer2);
    } else {
        p.play();
        enable(Timer1);
        disable(Timer2);
        m_panel.Command1->setFocus();
    }
}

void PlayerControls::Slider2_Scroll()
{
    player().setVolume(-m_panel.Slider2->value());
    m_panel.Command1->setFocus();
}
