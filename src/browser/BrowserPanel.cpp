#include "browser/BrowserPanel.h"

#include "tags/files/PatternListing.h"

#include "browser/CodePageValidator.h"
#include "browser/DriveList.h"
#include "browser/Mp3Files.h"
#include "browser/FolderTree.h"
#include "browser/GenreBox.h"
#include "tags/id3v1/TagFields.h"
#include "browser/Mp3List.h"
#include "layout/ControlNames.h"
#include "layout/Twips.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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

template <typename W>
W *named(W *widget, const QString &name, const QString &tooltip = {})
{
    widget->setObjectName(name);
    if (!tooltip.isEmpty())
        widget->setToolTip(tooltip);
    return widget;
}

}  // namespace

BrowserPanel::BrowserPanel(QWidget *parent, QObject *owner, const EditSession &session)
{
    DrvOpen = named(new DriveList(parent), QStringLiteral("DrvOpen"), QStringLiteral("Drive"));
    DirOpen = named(new FolderTree(parent), QStringLiteral("DirOpen"), QStringLiteral("Directory"));
    FilOpen = new Mp3Files(owner);
    FilOpen->setObjectName(QStringLiteral("FilOpen"));
    FilOpen->setPattern(mp3Pattern());
    lv1 = named(new Mp3List(parent), QStringLiteral("lv1"), QStringLiteral("MP3 List "));

    Label11 = named(new QLabel(QStringLiteral("Tag"), parent), QStringLiteral("Label11"));
    Label12 = named(new QLabel(QStringLiteral("Keep"), parent), QStringLiteral("Label12"));
    const QString keepTip = QStringLiteral("Check to use the current value again");
    for (const TagFieldInfo &field : tagFields()) {
        const int k = field.windowRow;
        if (k < 0)
            continue;
        const QString tooltip = QLatin1String(field.label);
        TagLabels[k] = named(new QLabel(tooltip + u':', parent), QStringLiteral("Label%1").arg(k + 2));
        if (field.bytes) {
            QLineEdit *box = named(new QLineEdit(parent), QStringLiteral("TxtDispTag%1").arg(k), tooltip);
            box->setMaxLength(field.width);
            // A field holds its bytes in the tags' page: 30 (the year 4), fewer characters when
            // they take two bytes each.
            box->setValidator(new CodePageValidator(session, field.width, box));
            TxtDispTag[k] = box;
        } else {
            CmbGenre = named(new GenreBox(parent), QStringLiteral("CmbGenre"), tooltip);
        }
        ChkKeepTag[k] =
            named(new QCheckBox(QStringLiteral("Check1"), parent), QStringLiteral("ChkKeepTag%1").arg(k), keepTip);
    }

    CmdSave = named(new QPushButton(QStringLiteral("&Save Tags"), parent), QStringLiteral("CmdSave"));
    ChkRenFile = named(new QCheckBox(QStringLiteral("Rename File"), parent), QStringLiteral("ChkRenFile"),
                       QStringLiteral("Check to rename MP3 using name to the right"));
    Label13 = named(new QLabel(QStringLiteral("New Filename:"), parent), QStringLiteral("Label13"));
    TxtNewFilename = named(new QLineEdit(parent), QStringLiteral("TxtNewFilename"),
                           QStringLiteral("New Filename if \"Rename File\" is checked"));
    Cmdswap = named(new QPushButton(QStringLiteral("S&wap Song Name->Artist"), parent), QStringLiteral("Cmdswap"),
                    QStringLiteral("Swap what is showing as the song name with what is showing for the artist name"));
    Cmdfilesong = named(new QPushButton(QStringLiteral(" &Filename->Song Name"), parent), QStringLiteral("Cmdfilesong"),
                        QStringLiteral("Make the song name the same as the filename"));
    place();
    QList<QWidget *> controls{DrvOpen, DirOpen, lv1, CmbGenre, CmdSave, ChkRenFile, TxtNewFilename, Cmdswap, Cmdfilesong};
    controls << QList<QWidget *>(TxtDispTag.cbegin(), TxtDispTag.cend())
             << QList<QWidget *>(ChkKeepTag.cbegin(), ChkKeepTag.cend());
    nameControlsWithoutText(controls);
}

void BrowserPanel::place()
{
    DrvOpen->setGeometry(twipsRect(120, 720, 2535, 315));
    DirOpen->setGeometry(twipsRect(120, 1080, 2535, 3015));
    lv1->setGeometry(twipsRect(120, 4440, 10005, 4335));

    Label11->setGeometry(twipsRect(3840, 1920, 2535, 255));
    Label12->setGeometry(twipsRect(9840, 1920, 375, 255));
    for (int k = 0; k < 6; ++k) {
        const int top = 2160 + 360 * k;
        TagLabels[k]->setGeometry(twipsRect(2880, top, k == 0 ? 975 : 1095, 255));
        fitCaption(TagLabels[k], twips(3840) - twips(2880));
        if (k < 5)
            TxtDispTag[k]->setGeometry(twipsRect(3840, top, 5895, 285));
        ChkKeepTag[k]->setGeometry(twipsRect(9960, top, 255, 255));
    }
    CmbGenre->setGeometry(twipsRect(3840, 3960, 5895, 315));
    CmdSave->setGeometry(twipsRect(120, 8880, 10095, 375));
    ChkRenFile->setGeometry(twipsRect(120, 9360, 1335, 255));
    Label13->setGeometry(twipsRect(4440, 9360, 1095, 255));
    fitCaption(Label13, twips(5520) - twips(4440));
    TxtNewFilename->setGeometry(twipsRect(5520, 9360, 4695, 285));
    Cmdswap->setGeometry(twipsRect(120, 9720, 2055, 375));
    Cmdfilesong->setGeometry(twipsRect(2280, 9720, 2055, 375));
}

void BrowserPanel::continueTabOrderInto(QWidget *next) const
{
    QList<QWidget *> chain{DrvOpen, DirOpen};
    for (QLineEdit *box : TxtDispTag)
        chain << box;
    chain << CmbGenre;
    for (QCheckBox *keep : ChkKeepTag)
        chain << keep;
    chain << QList<QWidget *>{lv1, CmdSave, ChkRenFile, TxtNewFilename, Cmdswap, Cmdfilesong, next};
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}
