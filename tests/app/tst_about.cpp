// The about box as a real offscreen window, the drawn pictures it and the main window use, and
// the instructions file shipped beside the program.

#include "app/Artwork.h"
#include "app/FrmAbout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTest>

namespace {

int distinctColours(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

bool isPurple(QRgb pixel)
{
    return qRed(pixel) > qGreen(pixel) + 40 && qBlue(pixel) > qGreen(pixel) + 40;
}

}  // namespace

class TstAbout : public QObject {
    Q_OBJECT

private slots:
    void captionTextAndLayout()
    {
        QPointer<FrmAbout> about;
        showAbout(about);
        QVERIFY(about && about->isVisible());
        QCOMPARE(about->windowTitle(), QStringLiteral("-= if you like the music, buy it! =- "));
        QVERIFY(!about->windowIcon().isNull());
        QCOMPARE(about->size(), QSize(401, 429));
        QCOMPARE(about->palette().color(QPalette::Window), QColor(192, 192, 192));

        const QString info = about->LblInfo->text();
        QVERIFY(info.startsWith(QStringLiteral("Thanks for using this program. ")));
        QVERIFY(info.contains(QStringLiteral("Velmora is freeware")));
        QVERIFY(about->LblInfo->alignment() & Qt::AlignHCenter);
        // The whole text fits the label at the label's width.
        QVERIFY(about->LblInfo->heightForWidth(about->LblInfo->width()) <= about->LblInfo->height());

        QCOMPARE(about->Image1->pixmap().size(), QSize(400, 298));
        QCOMPARE(about->CmdOk->text(), QStringLiteral("Ok"));

        QVERIFY(about->grab().save(QDir::tempPath() + QStringLiteral("/velmora-about.png")));
        delete about;
    }

    void okAndFrameUnloadTheBox()
    {
        QPointer<FrmAbout> about;
        FrmAbout *first = showAbout(about);
        QCOMPARE(showAbout(about), first);  // a second opening only brings it forward
        QTest::mouseClick(first->CmdOk, Qt::LeftButton);
        QTRY_VERIFY(!about);

        FrmAbout *second = showAbout(about);
        QVERIFY(second->isVisible());
        second->close();  // the frame's close button
        QTRY_VERIFY(!about);
    }

    void picturesHaveTheirSizesAndContent()
    {
        const QImage splash = splashPicture().toImage();
        QCOMPARE(splash.size(), QSize(400, 298));
        QVERIFY(distinctColours(splash) > 200);  // drawn, not a flat fill

        const QImage staff = staffPicture().toImage();
        QCOMPARE(staff.size(), QSize(84, 56));
        // Five purple staff lines 8 pixels apart: a column clear of clef and notes crosses each.
        int purpleRows = 0;
        for (int y = 0; y < staff.height(); ++y)
            purpleRows += isPurple(staff.pixel(80, y)) ? 1 : 0;
        QVERIFY2(purpleRows >= 5 && purpleRows <= 10, qPrintable(QString::number(purpleRows)));
        QVERIFY(distinctColours(staff.copy(2, 0, 20, 56)) > 10);  // the clef is drawn

        QVERIFY(rowIcon().availableSizes().contains(QSize(16, 16)));
        const QImage row = rowIcon().pixmap(16, 16).toImage();
        QVERIFY(distinctColours(row) > 2);
        // The window shows the pictures the desktop shows, at every size, the 16 px one drawn for it.
        const QIcon icon = windowIcon();
        for (int size : {16, 32, 48, 64, 128, 256}) {
            const QImage shown = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
            const QImage shipped(QString::fromUtf8(VELMORA_SOURCE_DIR "/resources/icons/velmora-%1.png").arg(size));
            QCOMPARE(shown.size(), QSize(size, size));
            QVERIFY2(shown == shipped.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                     qPrintable(QString::number(size)));
        }
    }

    void instructionsCoverTheMessagesAndFitTheWidth()
    {
        // The source copy; the build puts the same file beside the executable.
        QFile file(QString::fromUtf8(VELMORA_SOURCE_DIR "/resources/instructions.txt"));
        QVERIFY2(file.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(file.fileName()));
        const QString text = QString::fromUtf8(file.readAll());
        int lineNumber = 0;
        for (const QString &line : text.split(u'\n')) {
            ++lineNumber;
            QVERIFY2(line.size() <= 78, qPrintable(QStringLiteral("line %1 is too long").arg(lineNumber)));
        }
        // Every message the program shows is explained, word for word.
        for (const char *message : {"Cannot Edit MP3 While Playing", "Error reading drive/file!",
                                    "Error while loading Quorrel.", "Longfilenames", "8.3 (FAT)",
                                    "Rename File", "Save Tags", "Keep"})
            QVERIFY2(text.contains(QLatin1String(message)), message);
    }
};

QTEST_MAIN(TstAbout)
#include "tst_about.moc"
