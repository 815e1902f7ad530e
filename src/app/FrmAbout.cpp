#include "app/FrmAbout.h"

#include "app/Artwork.h"
#include "layout/Twips.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {

const QColor lightGrey(192, 192, 192);

}  // namespace

QString FrmAbout::caption()
{
    return QStringLiteral("-= if you like the music, buy it! =- ");
}

QString FrmAbout::infoText()
{
    return QStringLiteral(
        "Thanks for using this program. Velmora is freeware, made by the Velmora developers. "
        "Its design started from the code of an earlier freeware MP3 tag editor; our thanks go "
        "to its authors.");
}

FrmAbout::FrmAbout(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FrmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption());
    setWindowIcon(::windowIcon());
    // A window of its own, not a child of the main window: it takes the main window's face.
    setFont(layoutFont());
    setFixedSize(twips(6015), twips(6435));
    QPalette grey = palette();
    grey.setColor(QPalette::Window, lightGrey);
    grey.setColor(QPalette::WindowText, Qt::black);
    setPalette(grey);
    setAutoFillBackground(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(twipsRect(0, 0, 6000, 4470));
    Image1->setPixmap(splashPicture());

    LblInfo = new QLabel(infoText(), this);
    LblInfo->setObjectName(QStringLiteral("LblInfo"));
    LblInfo->setGeometry(twipsRect(480, 4560, 4815, 1095));
    LblInfo->setAlignment(Qt::AlignCenter);
    LblInfo->setWordWrap(true);
    LblInfo->setPalette(grey);
    LblInfo->setAutoFillBackground(true);

    CmdOk = new QPushButton(QStringLiteral("Ok"), this);
    CmdOk->setObjectName(QStringLiteral("CmdOk"));
    CmdOk->setGeometry(twipsRect(360, 5760, 4800, 634));
    CmdOk->setDefault(true);
    connect(CmdOk, &QPushButton::clicked, this, &QWidget::close);

    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void FrmAbout::bringForward()
{
    show();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

FrmAbout *showAbout(QPointer<FrmAbout> &slot, QWidget *parent)
{
    if (!slot)
        slot = new FrmAbout(parent);
    slot->bringForward();
    return slot;
}
