// What velmora-cli sends to the terminal: text from files (tag text, names, link targets) only in
// its printable form, names that would hold control characters refused, and output that cannot be
// written said so.

#include "CliTestHelpers.h"

#include <QTest>

#include <unistd.h>

using namespace CliTest;

namespace {

// Whether text holds a control character other than the newlines that end its lines.
bool holdsTerminalControls(const QByteArray &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const uchar c = uchar(text[i]);
        if ((c < 0x20 && c != '\n') || c == 0x7F || (c == 0xC2 && i + 1 < text.size() && uchar(text[i + 1]) < 0xA0))
            return true;
    }
    return false;
}

}  // namespace

class TestCliTerminal : public QObject {
    Q_OBJECT

private slots:
    void refusedNamesAreReportedEscaped();
    void aLinkOutOfTheFolderIsReportedEscaped();
    void helpAndVersionIntoAFullDevice_data();
    void helpAndVersionIntoAFullDevice();
};

void TestCliTerminal::refusedNamesAreReportedEscaped()
{
    TempFolder folder;
    QVERIFY(writeFile(folder.file("a-evil.mp3"), song(300, trailer("\x1B]0;PWN\x07\x1B[2J/x", "evil"))));
    QVERIFY(writeFile(folder.file("b-ctl.mp3"), song(300, trailer("a\x01\n\tb", "ctl"))));
    QVERIFY(writeFile(folder.file("c-c1.mp3"), song(300, trailer("\x8D" "2J", "c1"))));  // U+008D in code page 1252
    QVERIFY(writeFile(folder.file("d-fine.mp3"), song(300, trailer("Song", "Band"))));
    const Run run = runCli({QStringLiteral("rename"), QStringLiteral(".")}, folder.path());
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(!holdsTerminalControls(run.err), run.err.constData());
    const QList<QByteArray> errors = run.err.trimmed().split('\n');
    QCOMPARE(errors.size(), 3);
    QVERIFY2(errors[0].startsWith("velmora-cli: ./a-evil.mp3: The new file name \"evil-\\x1B]0;PWN\\x07\\x1B[2J/x.MP3\""),
             errors[0].constData());
    QVERIFY2(errors[1].startsWith("velmora-cli: ./b-ctl.mp3: The new file name \"ctl-a\\x01\\n\\tb.MP3\" cannot be used: "
                                  "a file name cannot contain control characters"),
             errors[1].constData());
    QVERIFY2(errors[2].contains("\"c1-\\xC2\\x8D2J.MP3\""), errors[2].constData());
    // The others are left alone, the good one is renamed.
    QCOMPARE(run.out, QByteArray("./d-fine.mp3 -> ./Band-Song.MP3\n"));
    QCOMPARE(namesIn(folder.path()), (QList<QByteArray>{"Band-Song.MP3", "a-evil.mp3", "b-ctl.mp3", "c-c1.mp3"}));
}

void TestCliTerminal::aLinkOutOfTheFolderIsReportedEscaped()
{
    TempFolder folder;
    const QByteArray album = folder.subfolder("album");
    const QByteArray outside = folder.subfolder("outside");
    const QByteArray target = outside + "/\x1B[2J\x07.mp3";
    QVERIFY(writeFile(target, song(300)));
    QCOMPARE(::symlink(target.constData(), (album + "/link.mp3").constData()), 0);
    const Run run = runCli({QStringLiteral("set"), QStringLiteral("album"), QStringLiteral("--title"), QStringLiteral("T")},
                           folder.path());
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(!holdsTerminalControls(run.err), run.err.constData());
    QVERIFY2(run.err.contains("/outside/\\x1B[2J\\x07.mp3\", outside the folder"), run.err.constData());
    QCOMPARE(readFile(target), song(300));
}

void TestCliTerminal::helpAndVersionIntoAFullDevice_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("help") << QStringList{"--help"};
    QTest::newRow("version") << QStringList{"--version"};
    QTest::newRow("list") << QStringList{"list"};
}

void TestCliTerminal::helpAndVersionIntoAFullDevice()
{
    QFETCH(QStringList, arguments);
    if (::access("/dev/full", W_OK) != 0)
        QSKIP("no /dev/full here");
    TempFolder folder;
    QVERIFY(writeFile(folder.file("a.mp3"), song(300)));
    const Run run = runCli(arguments, folder.path(), uid_t(-1), QStringLiteral("/dev/full"));
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err, QByteArray("velmora-cli: standard output: ") + std::strerror(ENOSPC) + '\n');
}

QTEST_GUILESS_MAIN(TestCliTerminal)
#include "tst_cli_terminal.moc"
