// The MP3 list: its columns, its rows, how clicks and keys report rows, and that 100,000 rows
// stay cheap.
#include "tags/codepage/CodePage.h"
#include "tags/codepage/CodePageGuess.h"
#include "tags/id3v1/Id3v1.h"
#include "browser/Mp3List.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QHeaderView>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

#include <malloc.h>

namespace {

// Heap in use, large mapped blocks included.
size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// A row as the scan adds it, from a trailer's bytes.
void appendTagged(Mp3List &list, const QString &name, const QString &title, const QString &artist = {},
                  const QString &genre = {})
{
    Id3v1::Fields f;
    f.title = title.toLatin1();
    f.artist = artist.toLatin1();
    f.album = ("Album " + title).toLatin1();
    f.year = "1999";
    f.comment = ("comment " + title).toLatin1();
    const QByteArray trailer = Id3v1::build(f);
    list.appendRow(name, trailer.constData(), CodePage::byNumber(1252), genre);
}

QIcon redIcon()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::red);
    return QIcon(pm);
}

// Rows "0.mp3" titled "0" and on, in the list shown at 600 by 300.
void showNumberedRows(Mp3List &list, int rows)
{
    for (int i = 0; i < rows; ++i)
        appendTagged(list, QString("%1.mp3").arg(i), QString::number(i));
    list.resize(600, 300);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
}

}  // namespace

class TestMp3List : public QObject {
    Q_OBJECT
private slots:
    void columnsAndWidths();
    void rowsTextsAndIcon();
    void rowsFromTrailerBytesReadAsRowsFromRecords();
    void clearAndRebuild();
    void clicksAndDoubleClicks();
    void keyboardMovesReportRows();
    void selectionsThatMoveNoCursorReportRows();
    void hundredThousandRowsAreCheap();
    void anotherPageRedecodesTheKeptBytes();
};

void TestMp3List::columnsAndWidths()
{
    Mp3List list;
    const QStringList titles = {"Filename", "Songname", "Artist", "AlbumName", "Year", "Comment", "Genre"};
    const QList<int> widths = {167, 167, 167, 167, 67, 96, 96};  // twips / 15
    QCOMPARE(list.model()->columnCount(), 7);
    for (int c = 0; c < 7; ++c) {
        QCOMPARE(list.model()->headerData(c, Qt::Horizontal).toString(), titles[c]);
        QCOMPARE(list.header()->sectionSize(c), widths[c]);
    }
    QVERIFY(!list.isSortingEnabled());
    QVERIFY(!list.header()->sectionsClickable());
    QVERIFY(!list.rootIsDecorated());
}

void TestMp3List::rowsTextsAndIcon()
{
    Mp3List list;
    list.setRowIcon(redIcon());
    appendTagged(list, "a.mp3", "One", "Art", "Blues");
    list.appendRow(QString::fromUtf8("caf\xEF\xBF\xBD.mp3"), nullptr, CodePage::byNumber(1252), QString());
    appendTagged(list, "c.MP3", "Three");
    QCOMPARE(list.rowCount(), 3);
    QCOMPARE(list.model()->rowCount(), 3);

    const QStringList first = {"a.mp3", "One", "Art", "Album One", "1999", "comment One", "Blues"};
    for (int c = 0; c < 7; ++c) {
        QCOMPARE(list.text(0, c), first[c]);
        QCOMPARE(list.model()->index(0, c).data().toString(), first[c]);
    }
    // A file without a tag: its name and six empty columns.
    QCOMPARE(list.text(1, 0), QString::fromUtf8("caf\xEF\xBF\xBD.mp3"));
    for (int c = 1; c < 7; ++c)
        QCOMPARE(list.text(1, c), QString());
    QCOMPARE(list.text(2, 0), QString("c.MP3"));
    QCOMPARE(list.text(2, 1), QString("Three"));
    QCOMPARE(list.text(2, 2), QString());
    QCOMPARE(list.text(3, 0), QString());
    QCOMPARE(list.text(0, 7), QString());
    QCOMPARE(list.text(-1, 0), QString());

    // Every row carries the icon in its first column only.
    for (int r = 0; r < 3; ++r) {
        const QIcon icon = list.model()->index(r, 0).data(Qt::DecorationRole).value<QIcon>();
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
        QVERIFY(!list.model()->index(r, 1).data(Qt::DecorationRole).isValid());
    }
}

void TestMp3List::rowsFromTrailerBytesReadAsRowsFromRecords()
{
    // Spaces at the end go, a NUL and what follows it stay, high bytes decode through the page.
    Id3v1::Fields f;
    f.title = "Caf\xE9 \x80 ";
    f.artist = QByteArray("Nul\0after", 9);
    f.album = QByteArray(30, 'A');
    f.year = "1999";
    f.comment = " ";
    const QByteArray trailer = Id3v1::build(f);
    const CodePage &page = CodePage::byNumber(1252);

    Mp3List list;
    list.appendRow(QStringLiteral("raw.mp3"), trailer.constData(), page, u"Blues");
    list.appendRow(QStringLiteral("untagged.mp3"), nullptr, page, u"ignored");
    QCOMPARE(list.text(0, 1), QString::fromUtf8("Caf\u00E9 \u20AC"));
    QCOMPARE(list.text(0, 2), QString::fromUtf8("Nul\0after", 9));
    QCOMPARE(list.text(0, 6), QStringLiteral("Blues"));
    for (int c = 1; c < 7; ++c)
        QCOMPARE(list.text(1, c), QString());
    QCOMPARE(list.text(1, 0), QString("untagged.mp3"));
}

void TestMp3List::clearAndRebuild()
{
    Mp3List list;
    appendTagged(list, "old.mp3", "Old");
    list.selectRow(0);
    list.clear();
    QCOMPARE(list.rowCount(), 0);
    QCOMPARE(list.selectedRow(), -1);
    QCOMPARE(list.text(0, 0), QString());

    QSignalSpy inserted(list.model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy resets(list.model(), &QAbstractItemModel::modelReset);
    list.beginRebuild();
    list.clear();
    for (int i = 0; i < 500; ++i)
        appendTagged(list, QString("f%1.mp3").arg(i, 3, 10, QChar('0')), QString::number(i));
    list.endRebuild();
    QCOMPARE(inserted.count(), 0);  // the view hears of the rows once
    QCOMPARE(resets.count(), 1);
    QCOMPARE(list.rowCount(), 500);
    QCOMPARE(list.text(499, 0), QString("f499.mp3"));
    QCOMPARE(list.text(499, 5), QString("comment 499"));

    // Outside a rebuild every row is reported as it comes.
    appendTagged(list, "late.mp3", "Late");
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(list.text(500, 1), QString("Late"));
}

void TestMp3List::clicksAndDoubleClicks()
{
    Mp3List list;
    showNumberedRows(list, 5);
    QSignalSpy clicks(&list, &Mp3List::rowClicked);
    QSignalSpy doubles(&list, &Mp3List::rowDoubleClicked);

    int rowSeen = -2;
    connect(&list, &Mp3List::rowClicked, this, [&] { rowSeen = list.selectedRow(); });
    const QPoint row2 = list.visualRect(list.model()->index(2, 1)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, row2);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(list.selectedRow(), 2);
    QCOMPARE(rowSeen, 2);  // the row is selected when the click is reported

    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, row2);  // the same row again
    QCOMPARE(clicks.count(), 2);

    const QPoint row3 = list.visualRect(list.model()->index(3, 0)).center();
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, row3);
    QCOMPARE(doubles.count(), 1);
    QCOMPARE(list.selectedRow(), 3);
    QVERIFY(clicks.count() >= 2);

    // Below the last row: nothing to report.
    const int before = clicks.count();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(10, list.viewport()->height() - 2));
    QCOMPARE(clicks.count(), before);

    // The header does not sort.
    QTest::mouseClick(list.header()->viewport(), Qt::LeftButton, {},
                      QPoint(list.header()->sectionPosition(1) + 5, 5));
    QCOMPARE(list.text(0, 0), QString("0.mp3"));

    list.selectRow(4);
    QCOMPARE(list.selectedRow(), 4);
    QCOMPARE(rowSeen, 4);
    QCOMPARE(clicks.count(), before + 1);
    list.selectRow(9);  // no such row
    QCOMPARE(list.selectedRow(), 4);
    QCOMPARE(clicks.count(), before + 1);
}

void TestMp3List::keyboardMovesReportRows()
{
    Mp3List list;
    showNumberedRows(list, 4);
    list.selectRow(0);
    QSignalSpy clicks(&list, &Mp3List::rowClicked);

    QTest::keyClick(&list, Qt::Key_Down);
    QCOMPARE(list.selectedRow(), 1);
    QCOMPARE(clicks.count(), 1);
    QTest::keyClick(&list, Qt::Key_End);
    QCOMPARE(list.selectedRow(), 3);
    QCOMPARE(clicks.count(), 2);
    QTest::keyClick(&list, Qt::Key_Down);  // already at the end
    QCOMPARE(clicks.count(), 2);
    QTest::keyClick(&list, Qt::Key_Home);
    QCOMPARE(list.selectedRow(), 0);
    QCOMPARE(clicks.count(), 3);
    QTest::keyClick(&list, Qt::Key_A);  // not a move
    QCOMPARE(clicks.count(), 3);
}

void TestMp3List::selectionsThatMoveNoCursorReportRows()
{
    Mp3List list;
    showNumberedRows(list, 4);
    QSignalSpy clicks(&list, &Mp3List::rowClicked);

    // Space selects the row under the keyboard cursor: that row is reported.
    list.setCurrentIndex(QModelIndex());
    list.selectionModel()->setCurrentIndex(list.model()->index(1, 0), QItemSelectionModel::NoUpdate);
    QCOMPARE(list.selectedRow(), -1);
    QTest::keyClick(&list, Qt::Key_Space);
    QCOMPARE(list.selectedRow(), 1);
    QCOMPARE(clicks.count(), 1);

    // A press dragged to another row ends with that row selected: it is reported on release.
    const QPoint row0 = list.visualRect(list.model()->index(0, 0)).center();
    const QPoint row2 = list.visualRect(list.model()->index(2, 0)).center();
    QTest::mousePress(list.viewport(), Qt::LeftButton, {}, row0);
    QMouseEvent move(QEvent::MouseMove, row2, list.viewport()->mapToGlobal(row2), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &move);
    QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, row2);
    QCOMPARE(list.selectedRow(), 2);
    QCOMPARE(clicks.count(), 3);  // the press on row 0, then row 2
}

void TestMp3List::hundredThousandRowsAreCheap()
{
    Mp3List list;
    list.setRowIcon(redIcon());
    list.show();
    const size_t before = heapInUse();
    Id3v1::Fields f;
    f.title = "A Fairly Long Song Title 99999";
    f.artist = "Some Artist Name";
    f.album = "An Album Name of Some Length";
    f.year = "2001";
    f.comment = "A comment of thirty character";
    const QByteArray trailer = Id3v1::build(f);
    const CodePage &page = CodePage::byNumber(1252);
    QElapsedTimer timer;
    timer.start();
    list.beginRebuild();
    for (int i = 0; i < 100000; ++i) {
        const QString n = QString::number(i);
        list.appendRow("Some Artist Name-A Fairly Long Song Title " + n + ".mp3", trailer.constData(), page,
                       u"Progressive Rock");
    }
    list.endRebuild();
    QCoreApplication::processEvents();
    const qint64 ms = timer.elapsed();
    const size_t grown = heapInUse() - before;
    QCOMPARE(list.rowCount(), 100000);
    QCOMPARE(list.text(99999, 1), QString("A Fairly Long Song Title 99999"));
    QCOMPARE(list.text(54321, 6), QString("Progressive Rock"));
    qInfo("100,000 rows: %lld ms, %zu MB", ms, grown / (1024 * 1024));
    QVERIFY2(grown < 80u * 1024 * 1024, qPrintable(QString::number(grown)));
    QVERIFY2(ms < 10000, qPrintable(QString::number(ms)));

    // Moving to the end of the filled list stays quick as well.
    timer.restart();
    list.selectRow(99999);
    QTest::keyClick(&list, Qt::Key_Home);
    QCOMPARE(list.selectedRow(), 0);
    QVERIFY(timer.elapsed() < 5000);
}


void TestMp3List::anotherPageRedecodesTheKeptBytes()
{
    Mp3List list;
    Id3v1::Fields f;
    f.title = "\x93\x8c\x8b\x9e" "ab\x93";  // 東京, "ab" and a lead byte without its trail
    f.artist = "\xca\xe8\xed\xee";           // Кино in 1251
    const QByteArray trailer = Id3v1::build(f);
    list.appendRow(QStringLiteral("a.mp3"), trailer.constData(), CodePage::byNumber(1252), u"Rock");
    list.appendRow(QStringLiteral("b.mp3"), nullptr, CodePage::byNumber(1252), {});
    list.appendRow(QStringLiteral("c.mp3"), trailer.constData(), CodePage::byNumber(1252), u"Jazz");
    QSignalSpy changed(list.model(), &QAbstractItemModel::dataChanged);

    list.redecode(CodePage::byNumber(932));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(list.text(2, 1), QStringLiteral("\u6771\u4eac" "ab\ufffd"));
    QCOMPARE(list.text(2, 6), QStringLiteral("Jazz"));
    QCOMPARE(list.text(1, 1), QString());
    list.redecode(CodePage::byNumber(1251));
    QCOMPARE(list.text(0, 2), QStringLiteral("\u041a\u0438\u043d\u043e"));
    QCOMPARE(list.text(0, 6), QStringLiteral("Rock"));
    QCOMPARE(list.text(2, 0), QStringLiteral("c.mp3"));

    CodePageGuess guess;
    list.addFieldsTo(guess);
    QCOMPARE(guess.nonAsciiBytes(), 2 * (5 + 4));  // the two tagged rows' bytes above ASCII
}

QTEST_MAIN(TestMp3List)
#include "tst_mp3list.moc"
