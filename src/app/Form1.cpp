#include "app/Form1.h"

#include "app/Artwork.h"
#include "app/FrmMain.h"
#include "layout/Twips.h"

#include <QLabel>
#include <QScreen>
#include <QTimer>

Form1::Form1(std::function<FrmMain *()> makeMainWindow, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), m_makeMainWindow(std::move(makeMainWindow))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setFixedSize(twips(5985), twips(4545));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(twipsRect(0, 0, 6000, 4470));
    Image1->setPixmap(splashPicture());

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(2000);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    Timer1->start();

    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void Form1::Timer1_Timer()
{
    Timer1->stop();
    hide();
    // The main window loads, first folder scan included, before it becomes visible.
    m_main = m_makeMainWindow();
    m_main->Form_Load();
    m_main->show();
    deleteLater();
}
