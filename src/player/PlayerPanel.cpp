#include "player/PlayerPanel.h"

#include "layout/ControlNames.h"
#include "player/TransportIcons.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QSlider>
#include <QStyleOptionFrame>
#include <QPainter>
#include <qdrawutil.h>
#include <QToolButton>

#include <algorithm>
#include <array>

namespace {

// The frame's place in the window, in twips (15 twips make a pixel). The controls' places below
// are given in the window's twips as well, and turned into places inside the frame.
constexpr int FrameLeft = 4200, FrameTop = 0, FrameWidth = 6015, FrameHeight = 1815;

QRect inFrame(int left, int top, int width, int height)
{
    return QRect((left - FrameLeft) / 15, (top - FrameTop) / 15, width / 15, height / 15);
}

template <typename W>
W *place(W *widget, const char *name, const QRect &geometry, const QString &tooltip = {})
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    widget->setToolTip(tooltip);
    return widget;
}

// Read-only boxes that look like captions: button-face background, no sunken border.
void makeCaption(QLineEdit *box)
{
    box->setReadOnly(true);
    box->setFrame(false);
    box->setFocusPolicy(Qt::NoFocus);
    box->setTextMargins(-2, 0, -2, 0);  // the narrow "Vol" box has no room for the usual inset
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    box->setPalette(palette);
}

// Only the user's moves count: keyboard, wheel, page clicks and drags all arrive as actions,
// while values the program sets arrive as valueChanged, which is deliberately not connected.
// The action comes before the new value is applied, so apply it first.
template <typename Report>
void onUserMove(QSlider *slider, QObject *context, Report report)
{
    QObject::connect(slider, &QAbstractSlider::actionTriggered, context, [slider, report](int action) {
        if (action == QAbstractSlider::SliderNoAction)
            return;
        slider->setValue(slider->sliderPosition());
        report(slider->value());
    });
}

// The width a line edit gives its text before it starts to scroll: its inside less the text
// margins and the two pixels it keeps free on either side.
int textRoom(const QLineEdit *box)
{
    QStyleOptionFrame option;
    option.initFrom(box);
    option.lineWidth = box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box) : 0;
    const QRect inside = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
    const QMargins margins = box->textMargins();
    return inside.width() - margins.left() - margins.right() - 2 * 2;
}

// The width of the widest text of the same shape: every digit replaced by the widest one, so
// that the size chosen stays put while the seconds count down.
qreal widestWidth(const QString &text, const QFont &font)
{
    const QFontMetricsF metrics(font);
    QChar widest = u'0';
    for (char16_t digit = u'1'; digit <= u'9'; ++digit)
        if (metrics.horizontalAdvance(QChar(digit)) > metrics.horizontalAdvance(widest))
            widest = QChar(digit);
    QString sample = text;
    for (QChar &c : sample)
        if (c.isDigit())
            c = widest;
    // Italic faces lean out past the last advance; count the ink as well.
    const QRectF ink = metrics.boundingRect(sample);
    return std::max(metrics.horizontalAdvance(sample), ink.right()) - std::min<qreal>(0, ink.left());
}

}  // namespace

PlayerPanel::PlayerPanel(QWidget *parent) : QGroupBox(QStringLiteral("Play File"), parent)
{
    setObjectName(QStringLiteral("Frame1"));
    setGeometry(QRect(FrameLeft / 15, FrameTop / 15, FrameWidth / 15, FrameHeight / 15));
    createButtons();
    createDisplay();
    createSliders();
    nameControlsWithoutText({Command6, Command5, Command7, Command3, Command1, Text4, pb1, Text2, Text1, Text3, Slider1, Slider2});
}

void PlayerPanel::createButtons()
{
    struct Button {
        QToolButton **slot;
        const char *name;
        TransportButton kind;
        int left;
        QString tooltip;
        void (PlayerPanel::*intent)();
    };
    const std::array<Button, 5> buttons{{
        {&Command6, "Command6", TransportButton::Rewind, 4440, QStringLiteral("Rewind"), &PlayerPanel::rewindRequested},
        {&Command5, "Command5", TransportButton::Play, 4920, QStringLiteral("Play"), &PlayerPanel::playRequested},
        {&Command7, "Command7", TransportButton::FastForward, 5400, QStringLiteral("Fast Forward"),
         &PlayerPanel::fastForwardRequested},
        {&Command3, "Command3", TransportButton::Pause, 5880, QStringLiteral("Pause"), &PlayerPanel::pauseRequested},
        {&Command1, "Command1", TransportButton::Stop, 6360, QStringLiteral("Stop"), &PlayerPanel::stopRequested},
    }};
    for (const Button &b : buttons) {
        auto *button = place(new QToolButton(this), b.name, inFrame(b.left, 240, 495, 495), b.tooltip);
        button->setIcon(transportIcon(b.kind));
        button->setIconSize(QSize(28, 28));
        connect(button, &QToolButton::clicked, this, b.intent);
        *b.slot = button;
    }
}

void PlayerPanel::createDisplay()
{
    Text4 = place(new QLineEdit(this), "Text4", inFrame(4440, 720, 3975, 285), QStringLiteral("Filename"));
    Text4->setReadOnly(true);
    QPalette labelPalette = Text4->palette();
    labelPalette.setColor(QPalette::Text, QColor(64, 0, 64));
    Text4->setPalette(labelPalette);

    pb1 = place(new QProgressBar(this), "pb1", inFrame(4440, 1080, 5295, 255));
    pb1->setAccessibleName(QStringLiteral("Song progress"));  // it has neither tooltip nor caption
    pb1->setRange(0, 100);
    pb1->setValue(0);
    pb1->setTextVisible(false);

    Text2 = place(new QLineEdit(QStringLiteral("Time Remaining"), this), "Text2", inFrame(8520, 240, 1455, 255));
    makeCaption(Text2);

    Text1 = place(new QLineEdit(QStringLiteral("0:00"), this), "Text1", inFrame(8520, 480, 1215, 570));
    Text1->setAccessibleName(QStringLiteral("Time Remaining"));  // the caption above it is a box of its own
    Text1->setReadOnly(true);
    Text1->setAlignment(Qt::AlignCenter);
    QFont timeFont;
    timeFont.setFamilies({QStringLiteral("Modern No. 20"), QStringLiteral("C059"), QStringLiteral("serif")});
    timeFont.setPointSizeF(TimePointSize);
    timeFont.setItalic(true);
    Text1->setFont(timeFont);
    QPalette timePalette = Text1->palette();
    timePalette.setColor(QPalette::Base, Qt::white);
    timePalette.setColor(QPalette::Text, Qt::black);
    Text1->setPalette(timePalette);
    Text1->setTextMargins(0, 0, 0, 0);
    connect(Text1, &QLineEdit::textChanged, this, &PlayerPanel::fitTimeText);

    Text3 = place(new QLineEdit(QStringLiteral("Vol"), this), "Text3", inFrame(9870, 120, 255, 255));
    makeCaption(Text3);
}

void PlayerPanel::createSliders()
{
    Slider1 = place(new QSlider(Qt::Horizontal, this), "Slider1", inFrame(4320, 1320, 5535, 375),
                    QStringLiteral("Change song position"));
    Slider1->setRange(0, PositionMaximumAtStart);
    Slider1->setSingleStep(1);
    Slider1->setPageStep(1);
    Slider1->setTickInterval(5);
    Slider1->setTickPosition(QSlider::NoTicks);
    onUserMove(Slider1, this, [this](int seconds) { emit positionRequested(seconds); });

    Slider2 = place(new QSlider(Qt::Vertical, this), "Slider2", inFrame(9870, 360, 255, 1335), QStringLiteral("Volume"));
    Slider2->setRange(0, 3000);
    Slider2->setSingleStep(1);
    Slider2->setPageStep(5);
    Slider2->setTickPosition(QSlider::NoTicks);
    Slider2->setInvertedAppearance(true);  // 0, the loudest, at the top
    Slider2->setInvertedControls(true);
    onUserMove(Slider2, this, [this](int value) { emit volumeRequested(value); });
}

void PlayerPanel::continueTabOrderFrom(QWidget *previous)
{
    for (QWidget *next : std::initializer_list<QWidget *>{Command6, Command5, Command7, Command3, Command1, Slider1, Slider2}) {
        QWidget::setTabOrder(previous, next);
        previous = next;
    }
}

void PlayerPanel::showLabel(const QString &text) { Text4->setText(text); }

void PlayerPanel::showTime(const QString &text) { Text1->setText(text); }

void PlayerPanel::setTimeShown(bool shown) { Text1->setVisible(shown); }

// isHidden, not isVisible: the text's own state, whatever its window's.
void PlayerPanel::blinkTime() { Text1->setHidden(!Text1->isHidden()); }

void PlayerPanel::showPosition(int position, int length)
{
    pb1->setMaximum(length);
    pb1->setValue(std::min(position, length));
    Slider1->setMaximum(length);
    if (!Slider1->isSliderDown())
        Slider1->setValue(position);
}

void PlayerPanel::setPositionMaximum(int length) { Slider1->setMaximum(length); }

void PlayerPanel::showAtRest()
{
    pb1->setValue(0);
    Slider1->setValue(0);
}

void PlayerPanel::clearProgress() { pb1->setValue(0); }

void PlayerPanel::showFinished() { pb1->setValue(pb1->maximum()); }

void PlayerPanel::showVolume(int value)
{
    Slider2->setValue(std::clamp(value, Slider2->minimum(), Slider2->maximum()));
}

void PlayerPanel::focusStop() { Command1->setFocus(); }

// The box keeps its place and size; a time of ten minutes or more, too wide for it at the full
// size, is set just small enough to show whole instead of scrolling its first digits away.
void PlayerPanel::fitTimeText()
{
    const QString text = Text1->text();
    const int room = textRoom(Text1);
    QFont font = Text1->font();
    qreal size = TimePointSize;
    for (; size > 6; size -= 0.25) {
        font.setPointSizeF(size);
        if (widestWidth(text, font) <= room)
            break;
    }
    if (Text1->font().pointSizeF() != size)
        Text1->setFont(font);
}

// A classic frame: its line runs through the middle of the caption, so that it passes above the
// transport buttons rather than through their upper edge.
void PlayerPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    // Etched by hand: the style's group-box frame always leaves a caption's height above it.
    qDrawShadeRect(&painter, rect().adjusted(0, metrics.height() / 2, 0, 0), palette(), true, 1, 0);

    const QRect caption(6, 0, metrics.horizontalAdvance(title()) + 4, metrics.height());
    painter.fillRect(caption, palette().window());
    painter.drawText(caption, Qt::AlignCenter, title());
}
