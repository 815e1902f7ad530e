#include "browser/BrowserControls.h"

#include "tags/PatternListing.h"

#include "browser/CodePageValidator.h"
#include "browser/DriveList.h"
#include "browser/Mp3Files.h"
#include "browser/FolderTree.h"
#include "browser/GenreBox.h"
#include "tags/Id3v1.h"
#include "browser/Mp3List.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

template <typename W>
W *named(W *widget, const QString &name, const QString &tooltip = {})
{
    widget->setObjectName(name);
    if (!tooltip.isEmpty())
        widget->setToolTip(tooltip);
    return widget;
}

}  // namespace

BrowserControls::BrowserControls(QWidget *parent, QObject *owner, const EditSession &session)
{
    DrvOpen = named(new DriveList(parent), QStringLiteral("DrvOpen"), QStringLiteral("Drive"));
    DirOpen = named(new FolderTree(parent), QStringLiteral("DirOpen"), QStringLiteral("Directory"));
    FilOpen = new Mp3Files(owner);
    FilOpen->setObjectName(QStringLiteral("FilOpen"));
    FilOpen->setPattern(mp3Pattern());
    lv1 = named(new Mp3List(parent), QStringLiteral("lv1"), QStringLiteral("MP3 List "));

    Label11 = named(new QLabel(QStringLiteral("Tag"), parent), QStringLiteral("Label11"));
    Label12 = named(new QLabel(QStringLiteral("Keep"), parent), QStringLiteral("Label12"));
    struct Row {
        QString caption;
        QString tooltip;
        int maxLength;
    };
    const std::array<Row, 6> rows{{
        {QStringLiteral("Song Name:"), QStringLiteral("Song Name"), Id3v1::TitleWidth},
        {QStringLiteral("Artist:"), QStringLiteral("Artist"), Id3v1::ArtistWidth},
        {QStringLiteral("Album Name:"), QStringLiteral("Album Name"), Id3v1::AlbumWidth},
        {QStringLiteral("Year:"), QStringLiteral("Year"), Id3v1::YearWidth},
        {QStringLiteral("Comment:"), QStringLiteral("Comment"), Id3v1::CommentWidth},
        {QStringLiteral("Genre:"), QStringLiteral("Genre"), 0},
    }};
    const QString keepTip = QStringLiteral("Check to use the current value again");
    for (int k = 0; k < 6; ++k) {
        TagLabels[k] = named(new QLabel(rows[k].caption, parent), QStringLiteral("Label%1").arg(k + 2));
        if (k < 5) {
            QLineEdit *box = named(new QLineEdit(parent), QStringLiteral("TxtDispTag%1").arg(k), rows[k].tooltip);
            box->setMaxLength(rows[k].maxLength);
            // A field holds its bytes in the tags' page: 30 (the year 4), fewer characters when
            // they take two bytes each.
            box->setValidator(new CodePageValidator(session, rows[k].maxLength, box));
            TxtDispTag[k] = box;
        } else {
            CmbGenre = named(new GenreBox(parent), QStringLiteral("CmbGenre"), rows[k].tooltip);
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
}
