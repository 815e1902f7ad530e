// velmora-cli from-list, case and replace on real files: a sleeve's list (from a file and from
// standard input) with more lines than files, the fields changed in the chosen code page, one undo
// of the whole run, and bad usage refused before anything is touched.

#include "CliTestHelpers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <optional>

using namespace CliTest;

class TestCliTextJobs : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void titlesFromList_data();
    void titlesFromList();
    void changesFields_data();
    void changesFields();
    void refusesBadUsage_data();
    void refusesBadUsage();

private:
    QByteArray contents() const;  // every file's bytes, in name order

    std::optional<TempFolder> m_folder, m_state;
};

void TestCliTextJobs::init()
{
    m_folder.emplace();
    m_state.emplace();
    qputenv("XDG_STATE_HOME", m_state->path());
    QVERIFY(writeFile(m_folder->file("1.mp3"), song(3000)));
    QVERIFY(writeFile(m_folder->file("2.mp3"), song(3100, trailer("old", "red kettle", "tea  time", "1999"))));
    QVERIFY(writeFile(m_folder->file("3.mp3"), song(3200, trailer("\xE7\xE2\xE5\xE7\xE4\xE0", "\xEA\xE8\xED\xEE"))));
}

void TestCliTextJobs::cleanup()
{
    qunsetenv("XDG_STATE_HOME");
    m_folder.reset();
    m_state.reset();
}

QByteArray TestCliTextJobs::contents() const
{
    QByteArray all;
    for (const QByteArray &name : namesIn(m_folder->path()))
        all += name + ':' + readFile(m_folder->file(name)) + '\n';
    return all;
}

void TestCliTextJobs::titlesFromList_data()
{
    QTest::addColumn<bool>("standardInput");
    QTest::newRow("file") << false;
    QTest::newRow("standard input") << true;
}

void TestCliTextJobs::titlesFromList()
{
    QFETCH(bool, standardInput);
    const QByteArray list = "1. Morning Walk (3:45)\r\n\r\nA2 - Noon 4:01\n03) Dusk\n4. Bonus\n";
    TempFolder other;
    QVERIFY(writeFile(other.file("sleeve.txt"), list));
    const QByteArray before = contents();
    const QStringList arguments = {"from-list", standardInput ? "-" : QString::fromUtf8(other.file("sleeve.txt")), "."};
    const Run run = standardInput ? runCliWithInput(arguments, m_folder->path(), list)
                                  : runCli(arguments, m_folder->path());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.contains("from-list: 4 lines for 3 files; only the files with a line are written"), run.err);
    QVERIFY2(run.err.contains("3 written, 0 unchanged, 0 skipped"), run.err);
    QCOMPARE(readFile(m_folder->file("1.mp3")).mid(3000), trailer("Morning Walk", {}, {}, {}, {}, 255));
    QCOMPARE(readFile(m_folder->file("2.mp3")).mid(3100), trailer("Noon", "red kettle", "tea  time", "1999"));
    QCOMPARE(readFile(m_folder->file("3.mp3")).mid(3200), trailer("Dusk", "\xEA\xE8\xED\xEE"));

    QCOMPARE(runCli({"undo", "--batch"}, m_folder->path()).exitCode, 0);
    QCOMPARE(contents(), before);
}

void TestCliTextJobs::changesFields_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("second");  // the trailer of 2.mp3 after the run
    QTest::addColumn<QByteArray>("third");   // of 3.mp3 (Cyrillic in 1251)
    QTest::addColumn<QByteArray>("err");

    const QByteArray third = trailer("\xE7\xE2\xE5\xE7\xE4\xE0", "\xEA\xE8\xED\xEE");
    QTest::newRow("upper in 1251") << QStringList{"case", "--upper", "--codepage", "1251", "."}
                                   << trailer("OLD", "RED KETTLE", "TEA  TIME", "1999")
                                   << trailer("\xC7\xC2\xC5\xC7\xC4\xC0", "\xCA\xC8\xCD\xCE") << QByteArray("2 written");
    QTest::newRow("title case, trimmed, some fields")
        << QStringList{"case", "--title", "--trim", "--fields", "artist,album", "."}
        << trailer("old", "Red Kettle", "Tea Time", "1999") << trailer("\xE7\xE2\xE5\xE7\xE4\xE0", "\xCA\xE8\xED\xEE")
        << QByteArray("2 written, 1 unchanged");
    QTest::newRow("regex with captures")
        << QStringList{"replace", "--regex", "--fields", "artist,year", "(\\w+) (\\w+)|99$", "\\2, \\1", "."}
        << trailer("old", "kettle, red", "tea  time", "19, ") << third << QByteArray("1 written");
    QTest::newRow("plain, ignoring case") << QStringList{"replace", "--ignore-case", "OLD", "New", "."}
                                          << trailer("New", "red kettle", "tea  time", "1999") << third
                                          << QByteArray("1 written");
    QTest::newRow("cannot be stored") << QStringList{"replace", "--codepage", "1251", "\xD0\xBA", "\xC3\xA9", "."}
                                      << trailer("old", "red kettle", "tea  time", "1999") << third
                                      << QByteArray("3.mp3: skipped: artist: cannot be stored");
}

void TestCliTextJobs::changesFields()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, second);
    QFETCH(QByteArray, third);
    QFETCH(QByteArray, err);
    const QByteArray before = contents();

    QStringList dryRun = arguments;
    dryRun.insert(1, "--dry-run");
    dryRun.insert(1, "--json");
    const Run preview = runCli(dryRun, m_folder->path());
    QCOMPARE(preview.exitCode, 0);
    QJsonParseError error;
    const QJsonArray rows = QJsonDocument::fromJson(preview.out, &error).array();
    QVERIFY2(error.error == QJsonParseError::NoError && rows.size() == 3, preview.out);
    QCOMPARE(contents(), before);

    const Run run = runCli(arguments, m_folder->path());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.contains(err), run.err);
    QCOMPARE(readFile(m_folder->file("1.mp3")), song(3000));
    QCOMPARE(readFile(m_folder->file("2.mp3")).mid(3100), second);
    QCOMPARE(readFile(m_folder->file("3.mp3")).mid(3200), third);
}

void TestCliTextJobs::refusesBadUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("two cases") << QStringList{"case", "--upper", "--lower", "."} << 2 << QByteArray("one of");
    QTest::newRow("no case") << QStringList{"case", "."} << 2 << QByteArray("one of");
    QTest::newRow("case of a year") << QStringList{"case", "--upper", "--fields", "title,year", "."} << 2
                                    << QByteArray("no letter case");
    QTest::newRow("invalid expression") << QStringList{"replace", "--regex", "(a", "b", "."} << 2
                                        << QByteArray("is not valid: missing closing parenthesis");
    QTest::newRow("nothing to find") << QStringList{"replace", "", "b", "."} << 2 << QByteArray("the text to find");
    QTest::newRow("replace without files") << QStringList{"replace", "a", "b"} << 2
                                           << QByteArray("needs files or folders");
    QTest::newRow("list without files") << QStringList{"from-list", "list.txt"} << 2 << QByteArray("then files");
    QTest::newRow("genre from a list") << QStringList{"from-list", "--field", "genre", "list.txt", "."} << 2
                                       << QByteArray("--field is one of");
    QTest::newRow("no such list") << QStringList{"from-list", "none.txt", "."} << 1
                                  << QByteArray("none.txt: No such file");
    QTest::newRow("list not UTF-8") << QStringList{"from-list", "latin1.txt", "."} << 1 << QByteArray("not UTF-8");
    QTest::newRow("list too large") << QStringList{"from-list", "large.txt", "."} << 1 << QByteArray("1 MiB");
}

void TestCliTextJobs::refusesBadUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, message);
    QVERIFY(writeFile(m_folder->file("list.txt"), "Noon\n"));
    QVERIFY(writeFile(m_folder->file("latin1.txt"), "Caf\xE9\n"));
    QVERIFY(writeFile(m_folder->file("large.txt"), QByteArray((1 << 20) + 1, 'a')));
    const QByteArray before = contents();
    const Run run = runCli(arguments, m_folder->path());
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), run.err);
    QCOMPARE(contents(), before);
    QVERIFY(!exists(m_state->path() + "/velmora/journal.sqlite"));
}

QTEST_GUILESS_MAIN(TestCliTextJobs)
#include "tst_cli_textjobs.moc"
