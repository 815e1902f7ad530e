#include "PlayerControls.h"

#include "Message.h"
#include "PlayerTime.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QProgressBar>
#include <QSlider>
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

// Only the user's moves count: keyboard, wheel, page clicks and drags all arrive as actions,
// while values the program sets arrive as valueChanged, which is deliberately not connected.
// The action comes before the new value is applied, so apply it first.
template <typename Handler>
void onUserMove(QSlider *slider, QObject *context, Handler handler)
{
    QObject::connect(slider, &QAbstractSlider::actionTriggered, context, [slider, handler](int action) {
        if (action == QAbstractSlider::SliderNoAction)
            return;
        slider->setValue(slider->sliderPosition());
        handler();
    });
}

}  // namespace

PlayerControls::PlayerControls(const PlayerWidgets &widgets, MdlDefault &state,
                               PlayerInstance &instance, QObject *parent)
    : QObject(parent), m_w(widgets), m_state(state), m_instance(instance)
{
    connect(m_w.Command5, &QAbstractButton::clicked, this, &PlayerControls::Command5_Click);
    connect(m_w.Command3, &QAbstractButton::clicked, this, &PlayerControls::Command3_Click);
    connect(m_w.Command1, &QAbstractButton::clicked, this, &PlayerControls::Command1_Click);
    connect(m_w.Command6, &QAbstractButton::clicked, this, &PlayerControls::Command6_Click);
    connect(m_w.Command7, &QAbstractButton::clicked, this, &PlayerControls::Command7_Click);
    connect(m_w.Timer1, &QTimer::timeout, this, &PlayerControls::Timer1_Timer);
    connect(m_w.Timer2, &QTimer::timeout, this, &PlayerControls::Timer2_Timer);
    connect(m_w.Timer3, &QTimer::timeout, this, &PlayerControls::Timer3_Timer);
    onUserMove(m_w.Slider1, this, [this] { Slider1_Scroll(); });
    onUserMove(m_w.Slider2, this, [this] { Slider2_Scroll(); });
    if (m_instance.exists())
        player();
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
    disable(m_w.Timer1);
    disable(m_w.Timer2);
    disable(m_w.Timer3);
    m_w.Text1->setVisible(true);
    m_w.Text1->setText(PlayerTime::remainingText(0));
    m_w.pb1->setValue(0);
    m_w.Slider1->setValue(0);
    // Nothing holds the file, so saving its tag must not be refused as if it were playing.
    m_state.PlayerFile.clear();
    Message::show(description);
}

void PlayerControls::Command5_Click()
{
    MediaPlayer &p = player();
    const int playState = p.playState();
    if (m_state.CurrentPath.isEmpty())
        return;
    if (m_state.PlayerFile == m_state.CurrentPath && playState == 2)
        return;  // already playing this file: no restart

    disable(m_w.Timer3);
    disable(m_w.Timer1);
    p.stop();
    p.open(m_state.CurrentPath);
    m_w.Text4->setText(!m_state.CurrentName.isEmpty() ? m_state.CurrentName
                                                      : m_w.TxtNewFilename->text());
    m_w.Slider2->setValue(std::clamp(-p.volume(), m_w.Slider2->minimum(), m_w.Slider2->maximum()));
    m_w.Timer1->setInterval(FirstTickMs);
    m_w.Text1->setText(QString());
    m_w.pb1->setValue(0);
    enable(m_w.Timer1);
    disable(m_w.Timer2);
    m_w.Text1->setVisible(true);
    m_state.PlayerFile = m_state.CurrentPath;
}

void PlayerControls::Command3_Click()
{
    MediaPlayer &p = player();
    switch (p.playState()) {
    case 1:
        p.play();
        disable(m_w.Timer2);
        m_w.Text1->setVisible(true);
        break;
    case 2:
        p.pause();
        enable(m_w.Timer2);
        break;
    default:
        break;
    }
}

void PlayerControls::Command1_Click()
{
    player().stop();
    disable(m_w.Timer2);
    disable(m_w.Timer1);
    m_w.Text1->setVisible(true);
    m_w.pb1->setValue(0);
    m_w.Slider1->setValue(0);
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
        m_w.pb1->setMaximum(length);
        m_w.pb1->setValue(std::min(position, length));
        m_w.Slider1->setMaximum(length);
        // A slider the user is holding is left where the user holds it.
        if (!m_w.Slider1->isSliderDown())
            m_w.Slider1->setValue(position);
        m_w.Text1->setText(
            PlayerTime::remainingText(PlayerTime::remainingSeconds(length, position)));
    }
    if (m_w.Timer1->interval() != TickMs)
        m_w.Timer1->setInterval(TickMs);
    enable(m_w.Timer3);
}

void PlayerControls::Timer2_Timer()
{
    // isHidden, not isVisible: the text's own state, whatever its window's.
    m_w.Text1->setHidden(!m_w.Text1->isHidden());
}

void PlayerControls::Timer3_Timer()
{
    const int length = PlayerTime::roundHalfEven(player().duration());
    if (length > 0)
        m_w.Slider1->setMaximum(length);
    disable(m_w.Timer3);
}

void PlayerControls::Slider1_Scroll()
{
    if (m_state.CurrentPath.isEmpty())
        return;
    MediaPlayer &p = player();
    if (p.playState() != 2)
        return;  // paused or stopped: the slider does not move the playback point

    disable(m_w.Timer1);
    enable(m_w.Timer2);
    const int target = m_w.Slider1->value();
    p.setPosition(target);
    if (target == m_w.Slider1->maximum()) {
        p.stop();
        m_w.pb1->setValue(m_w.pb1->maximum());
        enable(m_w.Timer1);
        disable(m_w.Timer2);
    } else {
        p.play();
        enable(m_w.Timer1);
        disable(m_w.Timer2);
        m_w.Command1->setFocus();
    }
}

void PlayerControls::Slider2_Scroll()
{
    player().setVolume(-m_w.Slider2->value());
    m_w.Command1->setFocus();
}
