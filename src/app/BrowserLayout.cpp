#include "app/BrowserLayout.h"

#include "app/Twips.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStringList>

namespace {

// The layout was drawn for a narrower face than the ones at hand: a caption that would run under
// the box beside it is set just narrow enough to show whole, a little clear of the box.
void fitCaption(QLabel *caption, int roomToBox)
{
    const int room = roomToBox - 2;
    QFont font = caption->font();
    for (int stretch = 99; stretch >= 80 && QFontMetrics(font).horizontalAdvance(caption->text()) > room; --stretch)
        font.setStretch(stretch);
    caption->setFont(font);
}

}  // namespace

// The browser's controls where the layout puts them, found by the names their panel gave them.
void placeBrowserControls(QWidget *client)
{
    const auto put = [client](const QString &name, const QRect &geometry, int roomToBox = 0) {
        QWidget *control = client->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
        control->setGeometry(geometry);
        if (roomToBox > 0)
            fitCaption(static_cast<QLabel *>(control), roomToBox);
    };
    put(QStringLiteral("DrvOpen"), twipsRect(120, 720, 2535, 315));
    put(QStringLiteral("DirOpen"), twipsRect(120, 1080, 2535, 3015));
    put(QStringLiteral("lv1"), twipsRect(120, 4440, 10005, 4335));

    put(QStringLiteral("Label11"), twipsRect(3840, 1920, 2535, 255));
    put(QStringLiteral("Label12"), twipsRect(9840, 1920, 375, 255));
    for (int k = 0; k < 6; ++k) {
        const int top = 2160 + 360 * k;
        put(QStringLiteral("Label%1").arg(k + 2), twipsRect(2880, top, k == 0 ? 975 : 1095, 255),
            twips(3840) - twips(2880));
        if (k < 5)
            put(QStringLiteral("TxtDispTag%1").arg(k), twipsRect(3840, top, 5895, 285));
        put(QStringLiteral("ChkKeepTag%1").arg(k), twipsRect(9960, top, 255, 255));
    }
    put(QStringLiteral("CmbGenre"), twipsRect(3840, 3960, 5895, 315));
    put(QStringLiteral("CmdSave"), twipsRect(120, 8880, 10095, 375));
    put(QStringLiteral("ChkRenFile"), twipsRect(120, 9360, 1335, 255));
    put(QStringLiteral("Label13"), twipsRect(4440, 9360, 1095, 255), twips(5520) - twips(4440));
    put(QStringLiteral("TxtNewFilename"), twipsRect(5520, 9360, 4695, 285));
    put(QStringLiteral("Cmdswap"), twipsRect(120, 9720, 2055, 375));
    put(QStringLiteral("Cmdfilesong"), twipsRect(2280, 9720, 2055, 375));
}

// Tab walks the window as the work goes: folder, the tag fields top to bottom, their Keep boxes,
// the list, saving, then the player.
void arrangeTabOrder(QWidget *client, QWidget *last)
{
    QStringList names{QStringLiteral("DrvOpen"), QStringLiteral("DirOpen")};
    for (int k = 0; k < 5; ++k)
        names << QStringLiteral("TxtDispTag%1").arg(k);
    names << QStringLiteral("CmbGenre");
    for (int k = 0; k < 6; ++k)
        names << QStringLiteral("ChkKeepTag%1").arg(k);
    names << QStringList{QStringLiteral("lv1"),        QStringLiteral("CmdSave"), QStringLiteral("ChkRenFile"),
                         QStringLiteral("TxtNewFilename"), QStringLiteral("Cmdswap"), QStringLiteral("Cmdfilesong")};
    QList<QWidget *> chain;
    for (const QString &name : names)
        chain << client->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
    chain << last;
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}
