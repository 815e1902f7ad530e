// The folder list on real folders: the chain and the subfolders, opening by double click and
// Enter, and change() exactly when the path changes.
#include "browser/FolderTree.h"
#include "tags/text/Message.h"

#include <QProxyStyle>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

void makeDir(const QByteArray &path)
{
    QVERIFY2(::mkdir(path.constData(), 0755) == 0, path.constData());
}

QStringList texts(const FolderTree &list)
{
    QStringList out;
    for (int r = 0; r < list.count(); ++r)
        out << list.item(r)->text();
    return out;
}

QList<int> levels(const FolderTree &list)
{
    QList<int> out;
    for (int r = 0; r < list.count(); ++r)
        out << list.levelAt(r);
    return out;
}

int rowOf(const FolderTree &list, const QString &text)
{
    for (int r = 0; r < list.count(); ++r)
        if (list.item(r)->text() == text)
            return r;
    return -1;
}

// A desktop style that opens items on a single click.
class SingleClickStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *ret) const override
    {
        if (hint == QStyle::SH_ItemView_ActivateItemOnSingleClick)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};

}  // namespace

class TestFolderTree : public QObject {
    Q_OBJECT
private slots:
    void init();
    void chainThenSortedVisibleSubfolders();
    void pathOutsideRootStartsAtSlash();
    void fileSystemRoot();
    void changeFiresOncePerRealChange();
    void failedMoveKeepsEverything();
    void unreadableFolderIsNotReady();
    void doubleClickAndEnterOpenSingleClickHighlights();
    void singleClickNeverOpensWhateverTheStyle();
    void vanishedFolderIsReported();
    void nonUtf8FolderName();
    void normalizedPath_data();
    void normalizedPath();

private:
    QTemporaryDir m_dir;
    QByteArray m_base;
    QStringList m_messages;
};

void TestFolderTree::init()
{
    QVERIFY(m_dir.isValid());
    m_base = QFile::encodeName(m_dir.path());
    m_messages.clear();
    Message::setHandler([this](const QString &text) { m_messages << text; });
}

void TestFolderTree::chainThenSortedVisibleSubfolders()
{
    const QByteArray music = m_base + "/chain/music";
    makeDir(m_base + "/chain");
    makeDir(music);
    makeDir(music + "/rock");
    makeDir(music + "/Jazz");
    makeDir(music + "/alpha");
    makeDir(music + "/.hidden");
    QFile(QString::fromUtf8(music + "/file.txt")).open(QIODevice::WriteOnly);
    QCOMPARE(::symlink((m_base + "/chain").constData(), (music + "/Linked").constData()), 0);

    FolderTree list;
    list.setRoot(m_base);
    QVERIFY(list.setPath(music).ok());
    QCOMPARE(list.path(), music);

    const QStringList expected = {QString::fromUtf8(m_base), "chain", "music",
                                  "alpha", "Jazz", "Linked", "rock"};
    QCOMPARE(texts(list), expected);
    QCOMPARE(levels(list), QList<int>({0, 1, 2, 3, 3, 3, 3}));
    QCOMPARE(list.folderAt(0), m_base);
    QCOMPARE(list.folderAt(1), m_base + "/chain");
    QCOMPARE(list.folderAt(2), music);
    QCOMPARE(list.folderAt(6), music + "/rock");
    QCOMPARE(list.currentRow(), 2);  // the current folder is highlighted

    // A new root redraws the chain from there, keeping the listing.
    list.setRoot(m_base + "/chain");
    QCOMPARE(texts(list), QStringList({QString::fromUtf8(m_base + "/chain"), "music", "alpha",
                                       "Jazz", "Linked", "rock"}));
}

void TestFolderTree::pathOutsideRootStartsAtSlash()
{
    makeDir(m_base + "/outside");
    FolderTree list;
    list.setRoot(m_base + "/outside/nowhere-near");
    QVERIFY(list.setPath(m_base + "/outside").ok());
    QCOMPARE(list.item(0)->text(), QString("/"));
    QCOMPARE(list.folderAt(0), QByteArray("/"));
    const QList<QByteArray> parts = (m_base + "/outside").mid(1).split('/');
    QCOMPARE(list.levelAt(parts.size()), parts.size());
    QCOMPARE(list.folderAt(parts.size()), m_base + "/outside");
}

void TestFolderTree::fileSystemRoot()
{
    FolderTree list;
    QVERIFY(list.setPath("/").ok());
    QCOMPARE(list.path(), QByteArray("/"));
    QCOMPARE(list.item(0)->text(), QString("/"));
    const int tmp = rowOf(list, "tmp");
    QVERIFY(tmp > 0);
    QCOMPARE(list.folderAt(tmp), QByteArray("/tmp"));  // never "//tmp"
    QCOMPARE(list.levelAt(tmp), 1);
    QCOMPARE(rowOf(list, "proc") > 0, true);
}

void TestFolderTree::changeFiresOncePerRealChange()
{
    makeDir(m_base + "/a");
    makeDir(m_base + "/b");
    FolderTree list;
    QSignalSpy changes(&list, &FolderTree::change);
    QVERIFY(list.setPath(m_base + "/a").ok());
    QCOMPARE(changes.count(), 1);
    QVERIFY(list.setPath(m_base + "/a/").ok());  // the same folder spelled differently
    QCOMPARE(changes.count(), 1);
    QVERIFY(list.setPath("").ok());  // empty text: nothing happens
    QCOMPARE(list.path(), m_base + "/a");
    QCOMPARE(changes.count(), 1);
    QVERIFY(list.setPath("../b").ok());  // relative to the current folder
    QCOMPARE(list.path(), m_base + "/b");
    QCOMPARE(changes.count(), 2);

    // The path is already the new one when change() is received.
    QByteArray seen;
    connect(&list, &FolderTree::change, this, [&] { seen = list.path(); });
    QVERIFY(list.setPath(m_base).ok());
    QCOMPARE(seen, m_base);
    QCOMPARE(changes.count(), 3);

    // The same path lists again: a new subfolder shows, no change is reported.
    makeDir(m_base + "/c");
    QCOMPARE(rowOf(list, "c"), -1);
    QVERIFY(list.setPath(m_base).ok());
    QVERIFY(rowOf(list, "c") > 0);
    QCOMPARE(changes.count(), 3);
}

void TestFolderTree::failedMoveKeepsEverything()
{
    makeDir(m_base + "/keep");
    makeDir(m_base + "/keep/sub");
    QFile(QString::fromUtf8(m_base + "/plain.txt")).open(QIODevice::WriteOnly);
    FolderTree list;
    QVERIFY(list.setPath(m_base + "/keep").ok());
    const QStringList before = texts(list);
    QSignalSpy changes(&list, &FolderTree::change);

    const FileStatus missing = list.setPath(m_base + "/missing");
    QCOMPARE(missing.code(), ENOENT);
    QCOMPARE(list.path(), m_base + "/keep");
    QCOMPARE(texts(list), before);

    // A NUL inside the text would make the system open the part before it.
    const FileStatus withNul = list.setPath(m_base + QByteArray("\0/elsewhere", 11));
    QCOMPARE(withNul.code(), EINVAL);
    QCOMPARE(list.path(), m_base + "/keep");

    const FileStatus notFolder = list.setPath(m_base + "/plain.txt");
    QCOMPARE(notFolder.code(), ENOTDIR);
    QCOMPARE(list.path(), m_base + "/keep");
    QCOMPARE(changes.count(), 0);
}

void TestFolderTree::unreadableFolderIsNotReady()
{
    if (::geteuid() == 0)
        QSKIP("permissions do not restrict the superuser");
    makeDir(m_base + "/locked");
    QCOMPARE(::chmod((m_base + "/locked").constData(), 0), 0);
    FolderTree list;
    QVERIFY(list.setPath(m_base).ok());
    QSignalSpy changes(&list, &FolderTree::change);
    const FileStatus status = list.setPath(m_base + "/locked");
    ::chmod((m_base + "/locked").constData(), 0755);
    QCOMPARE(status.code(), EACCES);
    QCOMPARE(list.path(), m_base);
    QCOMPARE(changes.count(), 0);
}

void TestFolderTree::doubleClickAndEnterOpenSingleClickHighlights()
{
    makeDir(m_base + "/ui");
    makeDir(m_base + "/ui/one");
    makeDir(m_base + "/ui/two");
    FolderTree list;
    list.setRoot(m_base);
    QVERIFY(list.setPath(m_base + "/ui").ok());
    list.resize(300, 400);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy changes(&list, &FolderTree::change);

    const int one = rowOf(list, "one");
    QPoint at = list.visualItemRect(list.item(one)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(list.currentRow(), one);
    QCOMPARE(list.path(), m_base + "/ui");
    QCOMPARE(changes.count(), 0);

    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(list.path(), m_base + "/ui/one");
    QCOMPARE(changes.count(), 1);

    // Up the chain with the keyboard: the entry of "ui", then Enter.
    list.setCurrentRow(rowOf(list, "ui"));
    QTest::keyClick(&list, Qt::Key_Return);
    QCOMPARE(list.path(), m_base + "/ui");
    QCOMPARE(changes.count(), 2);

    // Opening the current folder itself changes nothing.
    at = list.visualItemRect(list.item(rowOf(list, "ui"))).center();
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(changes.count(), 2);
    QVERIFY(m_messages.isEmpty());
}

void TestFolderTree::singleClickNeverOpensWhateverTheStyle()
{
    makeDir(m_base + "/sc");
    makeDir(m_base + "/sc/inner");
    FolderTree list;
    SingleClickStyle style;
    list.setStyle(&style);
    QVERIFY(list.setPath(m_base + "/sc").ok());
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    const QPoint at = list.visualItemRect(list.item(rowOf(list, "inner"))).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(list.path(), m_base + "/sc");
    QCOMPARE(list.currentRow(), rowOf(list, "inner"));
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(list.path(), m_base + "/sc/inner");
}

void TestFolderTree::vanishedFolderIsReported()
{
    makeDir(m_base + "/v");
    makeDir(m_base + "/v/gone");
    FolderTree list;
    QVERIFY(list.setPath(m_base + "/v").ok());
    QVERIFY(QDir(QString::fromUtf8(m_base + "/v/gone")).removeRecursively());
    QSignalSpy changes(&list, &FolderTree::change);
    list.setCurrentRow(rowOf(list, "gone"));
    QTest::keyClick(&list, Qt::Key_Enter);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(!m_messages.first().isEmpty());
    QCOMPARE(list.path(), m_base + "/v");
    QCOMPARE(changes.count(), 0);
    QCOMPARE(rowOf(list, "gone"), -1);  // not offered again
    QCOMPARE(list.currentRow(), rowOf(list, "v"));
}

void TestFolderTree::nonUtf8FolderName()
{
    const QByteArray odd = m_base + "/n/caf\xe9";
    makeDir(m_base + "/n");
    makeDir(odd);
    FolderTree list;
    QVERIFY(list.setPath(m_base + "/n").ok());
    const int row = rowOf(list, QString::fromUtf8("caf\xEF\xBF\xBD"));
    QVERIFY(row > 0);
    QCOMPARE(list.folderAt(row), odd);
    QVERIFY(list.setPath(list.folderAt(row)).ok());
    QCOMPARE(list.path(), odd);
}

void TestFolderTree::normalizedPath_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("base");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("plain") << QByteArray("/a/b") << QByteArray("/x") << QByteArray("/a/b");
    QTest::newRow("trailing slash") << QByteArray("/a/b/") << QByteArray("/") << QByteArray("/a/b");
    QTest::newRow("doubled slashes, dots") << QByteArray("//a/./b//c/../d") << QByteArray("/")
                                           << QByteArray("/a/b/d");
    QTest::newRow("above root") << QByteArray("/../..") << QByteArray("/") << QByteArray("/");
    QTest::newRow("root") << QByteArray("/") << QByteArray("/q") << QByteArray("/");
    QTest::newRow("relative") << QByteArray("c/d") << QByteArray("/a/b") << QByteArray("/a/b/c/d");
    QTest::newRow("relative up") << QByteArray("..") << QByteArray("/a/b") << QByteArray("/a");
}

void TestFolderTree::normalizedPath()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, base);
    QFETCH(QByteArray, expected);
    QCOMPARE(FolderTree::normalizedPath(path, base), expected);
}

QTEST_MAIN(TestFolderTree)
#include "tst_foldertree.moc"
