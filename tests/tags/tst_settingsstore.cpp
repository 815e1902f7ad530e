// The settings store on a real INI file in a private config folder, including a second process
// reading what this one wrote and a writer that may not write the folder; the small-file read
// under it; the code page choice read through it.

#include "tags/codepage/CodePage.h"
#include "tags/settings/CodePageChoice.h"
#include "tags/settings/SettingsStore.h"
#include "tags/files/SmallFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString app = QStringLiteral("Quorrel");
const QString section = QStringLiteral("Startup");

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void putFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The child side: "read APP SECTION KEY" prints the value (exit 0) or exits 3 when absent;
// "write APP SECTION KEY VALUE" exits 0 when stored, 1 with the error on standard error.
int storeChild(int argc, char **argv)
{
    if (argc == 6 && qstrcmp(argv[2], "read") == 0) {
        const auto value = SettingsStore::readBytes(QString::fromUtf8(argv[3]),
                                                    QString::fromUtf8(argv[4]),
                                                    QString::fromUtf8(argv[5]));
        if (!value)
            return 3;
        std::fwrite(value->constData(), 1, size_t(value->size()), stdout);
        return 0;
    }
    if (argc == 7 && qstrcmp(argv[2], "write") == 0) {
        QString error;
        if (SettingsStore::write(QString::fromUtf8(argv[3]), QString::fromUtf8(argv[4]),
                                 QString::fromUtf8(argv[5]), QString::fromUtf8(argv[6]), &error))
            return 0;
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 2;
}

}  // namespace

class TstSettingsStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_config;  // the XDG_CONFIG_HOME of the current test

    QString storeFile() const { return m_config + QStringLiteral("/quorrel.ini"); }

    // Runs this program's store side in a child. As root, the child runs as user nobody, so that
    // permissions count; nobody may not be able to reach the build folder, so it runs a copy of
    // this program in the test's own folder.
    int runChild(const QStringList &arguments, QByteArray *out, QByteArray *err, bool dropRoot)
    {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config);
        child.setProcessEnvironment(env);
        QString program = QCoreApplication::applicationFilePath();
        if (dropRoot && ::geteuid() == 0) {
            program = m_root.path() + QStringLiteral("/store-child");
            if (!QFileInfo::exists(program) && !QFile::copy(QCoreApplication::applicationFilePath(), program))
                return -2;
            child.setChildProcessModifier([] {
                if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                    ::_exit(97);
            });
        }
        child.start(program, QStringList{QStringLiteral("--store-child")} + arguments);
        if (!child.waitForFinished(30000))
            return -1;
        if (out)
            *out = child.readAllStandardOutput();
        if (err)
            *err = child.readAllStandardError();
        return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    }

    // Whether user nobody can run the copy at all (the temporary folder may lie on a mount it
    // cannot reach or that forbids running programs).
    QString childCannotRun()
    {
        if (::geteuid() != 0)
            return QString();
        QByteArray err;
        const int code = runChild({QStringLiteral("read"), app, section, QStringLiteral("Path")}, nullptr, &err, true);
        if (code == 0 || code == 3)
            return QString();
        return QStringLiteral("user nobody cannot run a copy of this test in %1 (exit %2): %3")
            .arg(m_root.path()).arg(code).arg(QString::fromLocal8Bit(err));
    }

private slots:
    void initTestCase()
    {
        // The child that runs as nobody must reach its copy of this program here.
        QVERIFY(QFile::setPermissions(m_root.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                      | QFileDevice::ExeOwner | QFileDevice::ReadOther | QFileDevice::ExeOther));
    }

    void init()
    {
        QVERIFY(m_root.isValid());
        static int counter = 0;
        m_config = m_root.path() + QStringLiteral("/config%1").arg(++counter);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config));
    }

    void fileFollowsConfigHomeAndIgnoresCase()
    {
        QCOMPARE(SettingsStore::filePath(QStringLiteral("Quorrel")), storeFile());
        QCOMPARE(SettingsStore::filePath(QStringLiteral("quorrel")), storeFile());
        QCOMPARE(SettingsStore::filePath(QStringLiteral("QUORREL")), storeFile());

        // Names that would leave the config folder or name it are refused everywhere.
        for (const QString &bad : {QString(), QStringLiteral("."), QStringLiteral(".."),
                                   QStringLiteral("../escape"), QStringLiteral("a/b")}) {
            QVERIFY2(SettingsStore::filePath(bad).isEmpty(), qPrintable(bad));
            QVERIFY(!SettingsStore::write(bad, section, QStringLiteral("Path"), QStringLiteral("x")));
            QCOMPARE(SettingsStore::read(bad, section, QStringLiteral("Path"), QStringLiteral("d")),
                     QStringLiteral("d"));
            QVERIFY(!SettingsStore::remove(bad));
        }
        QVERIFY(!QFileInfo::exists(m_root.path() + QStringLiteral("/escape.ini")));

        // A relative or empty XDG_CONFIG_HOME is not a location; the home folder's .config is.
        const QString home = QDir::homePath() + QStringLiteral("/.config/quorrel.ini");
        qputenv("XDG_CONFIG_HOME", "relative/config");
        QCOMPARE(SettingsStore::filePath(app), home);
        qputenv("XDG_CONFIG_HOME", "");
        QCOMPARE(SettingsStore::filePath(app), home);
    }

    void firstReadGivesDefaultsWithoutCreatingAnything()
    {
        QCOMPARE(SettingsStore::read(app, section, QStringLiteral("Support LFN"), QStringLiteral("True")),
                 QStringLiteral("True"));
        QCOMPARE(SettingsStore::read(app, section, QStringLiteral("Path"), QString()), QString());
        QVERIFY(!SettingsStore::readBytes(app, section, QStringLiteral("Path")));
        QVERIFY(!QFileInfo::exists(m_config));
    }

    void writeThenReadBackInThisAndAnotherProcess()
    {
        QString error;
        QVERIFY2(SettingsStore::write(app, section, QStringLiteral("Path"),
                                      QStringLiteral("/home/ann/Music"), &error), qPrintable(error));
        QVERIFY(SettingsStore::write(app, section, QStringLiteral("Support LFN"), supportLfnText(false)));

        QCOMPARE(SettingsStore::read(app, section, QStringLiteral("Path"), QString()),
                 QStringLiteral("/home/ann/Music"));
        // The key with its blank, and any letter case of application, section and key.
        QCOMPARE(SettingsStore::read(QStringLiteral("quorrel"), QStringLiteral("startup"),
                                     QStringLiteral("support lfn"), QStringLiteral("True")),
                 QStringLiteral("False"));
        QCOMPARE(fileBytes(storeFile()),
                 QByteArray("[Startup]\nPath=/home/ann/Music\nSupport LFN=False\n"));

        QByteArray out;
        QCOMPARE(runChild({QStringLiteral("read"), QStringLiteral("quorrel"), section,
                           QStringLiteral("Support LFN")}, &out, nullptr, false), 0);
        QCOMPARE(out, QByteArray("False"));
        QCOMPARE(runChild({QStringLiteral("read"), app, section, QStringLiteral("Missing")},
                          nullptr, nullptr, false), 3);

        // And what another process writes is seen here at once.
        QCOMPARE(runChild({QStringLiteral("write"), app, section, QStringLiteral("Path"),
                           QStringLiteral("/media/usb")}, nullptr, nullptr, false), 0);
        QCOMPARE(SettingsStore::read(app, section, QStringLiteral("Path"), QString()),
                 QStringLiteral("/media/usb"));
    }

    void rewritingReplacesInPlaceAndKeepsOtherEntries()
    {
        QVERIFY(QDir().mkpath(m_config));
        putFile(storeFile(), "; kept by hand\n[Other]\nColour=blue\n\n[Startup]\nPath=/old\n"
                             "Support LFN=True\npath=/shadowed duplicate\n");
        QVERIFY(SettingsStore::write(app, section, QStringLiteral("PATH"), QStringLiteral("/new")));
        QCOMPARE(SettingsStore::read(app, QStringLiteral("Other"), QStringLiteral("Colour"), QString()),
                 QStringLiteral("blue"));
        QCOMPARE(SettingsStore::read(app, section, QStringLiteral("Path"), QString()),
                 QStringLiteral("/new"));
        const QByteArray written = fileBytes(storeFile());
        QCOMPARE(written.count("/new"), 1);
        QVERIFY(!written.contains("shadowed"));
        QVERIFY(written.contains("Support LFN=True\n"));
    }

    void valuesRoundTripByteForByte_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("outer blanks") << QByteArray("  /home/a folder/ ");
        QTest::newRow("only a blank") << QByteArray(" ");
        QTest::newRow("backslashes") << QByteArray("C:\\Music\\x41\\\\");
        QTest::newRow("line breaks") << QByteArray("/a\nb\r\n[Startup]\nPath=/evil");
        QTest::newRow("ini punctuation") << QByteArray("=;#[x]=y");
        QTest::newRow("utf-8") << QByteArray("/home/\xc3\xa5sa/M\xc3\xbasica/\xe2\x99\xab");
        QTest::newRow("not utf-8") << QByteArray("/srv/caf\xe9/\xff\xfe/\xc3");
        QTest::newRow("controls") << QByteArray("a\tb\x01\x7f" "c", 6);
    }

    void valuesRoundTripByteForByte()
    {
        QFETCH(QByteArray, value);
        QVERIFY(SettingsStore::writeBytes(app, section, QStringLiteral("Path"), value));
        QVERIFY(SettingsStore::write(app, section, QStringLiteral("Support LFN"), QStringLiteral("True")));
        QCOMPARE(SettingsStore::readBytes(app, section, QStringLiteral("Path")).value_or("<absent>"), value);
        // Nothing in the value can break the file apart into other entries.
        QCOMPARE(SettingsStore::read(app, section, QStringLiteral("Support LFN"), QString()),
                 QStringLiteral("True"));
        QCOMPARE(fileBytes(storeFile()).count('\n'), 3);
        if (QString::fromUtf8(value).toUtf8() == value)
            QCOMPARE(SettingsStore::read(app, section, QStringLiteral("Path"), QStringLiteral("x")),
                     QString::fromUtf8(value));
    }

    void handWrittenFileIsRead()
    {
        QVERIFY(QDir().mkpath(m_config));
        putFile(storeFile(), "\xef\xbb\xbf# made by hand\r\n  [ STARTUP ]  \r\n  support lfn =  false \r\n"
                             "Path = C:\\Music\\Old \r\n");
        QCOMPARE(SettingsStore::read(app, section, QStringLiteral("Support LFN"), QString()),
                 QStringLiteral("false"));
        QCOMPARE(SettingsStore::read(app, section, QStringLiteral("Path"), QString()),
                 QStringLiteral("C:\\Music\\Old"));
    }

    void garbledAndEmptyFilesGiveDefaultsAndCanBeRewritten_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("binary") << QByteArray("\x00\x01\xff\xfe[\x00]=\x80\n\x1a", 10);
        QTest::newRow("no section") << QByteArray("Path=/nowhere\nSupport LFN=False\n");
        QTest::newRow("open section") << QByteArray("[Startup\nPath=/nowhere\nSupport LFN=False\n");
        QTest::newRow("no equals") << QByteArray("[Startup]\nPath /nowhere\n=False\n");
    }

    void garbledAndEmptyFilesGiveDefaultsAndCanBeRewritten()
    {
        QFETCH(QByteArray, content);
        QVERIFY(QDir().mkpath(m_config));
        putFile(storeFile(), content);
        QCOMPARE(SettingsStore::read(app, section, QStringLiteral("Path"), QStringLiteral("dflt")),
                 QStringLiteral("dflt"));
        QCOMPARE(SettingsStore::read(app, section, QStringLiteral("Support LFN"), QStringLiteral("True")),
                 QStringLiteral("True"));
        QVERIFY(SettingsStore::write(app, section, QStringLiteral("Path"), QStringLiteral("/fresh")));
        QCOMPARE(SettingsStore::read(app, section, QStringLiteral("Path"), QString()),
                 QStringLiteral("/fresh"));
    }

    void writeReplacesTheFileAtomically()
    {
        QVERIFY(SettingsStore::write(app, section, QStringLiteral("Path"), QStringLiteral("/first")));
        // A second name for the old file: an in-place rewrite would change what it shows.
        const QString oldLink = m_root.path() + QStringLiteral("/old-store-link");
        QFile::remove(oldLink);
        QVERIFY(::link(QFile::encodeName(storeFile()).constData(), QFile::encodeName(oldLink).constData()) == 0);
        QVERIFY(SettingsStore::write(app, section, QStringLiteral("Path"), QStringLiteral("/second")));
        QCOMPARE(fileBytes(oldLink), QByteArray("[Startup]\nPath=/first\n"));
        QCOMPARE(fileBytes(storeFile()), QByteArray("[Startup]\nPath=/second\n"));
        QCOMPARE(QDir(m_config).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("quorrel.ini")});
    }

    void everyLineItDidNotWriteStaysByteForByte_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");  // once Path is /new and Support LFN False
        QTest::newRow("comments, other sections, unknown keys, CRLF")
            << QByteArray("\xef\xbb\xbf; by hand\r\n\r\n[Other]\r\nColour = blue ; not a comment\r\n\r\n"
                          "# the start\r\n[Startup]\r\nTheme=dark\r\nPath = /old\r\n; last\r\n\r\n[Tail]\r\nx=1")
            << QByteArray("\xef\xbb\xbf; by hand\r\n\r\n[Other]\r\nColour = blue ; not a comment\r\n\r\n"
                          "# the start\r\n[Startup]\r\nTheme=dark\r\nPath = /new\r\nSupport LFN=False\r\n; last\r\n\r\n"
                          "[Tail]\r\nx=1");
        QTest::newRow("no such section, no final line break")
            << QByteArray("# only a comment")
            << QByteArray("# only a comment\n\n[Startup]\nPath=/new\nSupport LFN=False\n");
        QTest::newRow("section ends the file without a line break")
            << QByteArray("[startup]\nTheme=dark")
            << QByteArray("[startup]\nTheme=dark\nPath=/new\nSupport LFN=False\n");
        QTest::newRow("a key in a later section of the same name is changed there")
            << QByteArray("[Startup]\nSupport LFN=True\n[Other]\n[Startup]\nPath=/second\n")
            << QByteArray("[Startup]\nSupport LFN=False\n[Other]\n[Startup]\nPath=/new\n");
    }

    void everyLineItDidNotWriteStaysByteForByte()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QVERIFY(QDir().mkpath(m_config));
        putFile(storeFile(), before);
        QVERIFY(SettingsStore::write(app, section, QStringLiteral("Path"), QStringLiteral("/new")));
        QVERIFY(SettingsStore::write(app, section, QStringLiteral("Support LFN"), supportLfnText(false)));
        QCOMPARE(fileBytes(storeFile()), after);
        // Writing the same again changes nothing.
        QVERIFY(SettingsStore::write(app, section, QStringLiteral("Path"), QStringLiteral("/new")));
        QCOMPARE(fileBytes(storeFile()), after);
    }

    void unreachableFolderNamesTheReason()
    {
        // The config folder lies below a folder the writer may not enter.
        const QString locked = m_root.path() + QStringLiteral("/locked");
        QVERIFY(QDir().mkpath(locked));
        m_config = locked + QStringLiteral("/sub/config");
        if (const QString reason = childCannotRun(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        QVERIFY(QFile::setPermissions(locked, ::geteuid() == 0 ? QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                                   | QFileDevice::ExeOwner
                                                               : QFileDevice::Permissions()));
        QByteArray err;
        const int code = runChild({QStringLiteral("write"), app, section, QStringLiteral("Path"),
                                   QStringLiteral("/x")}, nullptr, &err, true);
        QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        QCOMPARE(code, 1);
        QCOMPARE(err.trimmed(), QString::fromLocal8Bit(std::strerror(EACCES)).toLocal8Bit());
    }

    void readOnlyFolderRefusesWritesAndKeepsTheFile()
    {
        if (const QString reason = childCannotRun(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        QVERIFY(SettingsStore::write(app, section, QStringLiteral("Path"), QStringLiteral("/kept")));
        const QByteArray before = fileBytes(storeFile());
        // The file itself stays writable for the writer: only the folder is read-only, so a
        // writer that fell back to rewriting the file in place would succeed and be caught.
        if (::geteuid() == 0)
            QVERIFY(::chown(QFile::encodeName(storeFile()).constData(), 65534, 65534) == 0);
        QVERIFY(QFile::setPermissions(m_config, QFileDevice::ReadOwner | QFileDevice::ExeOwner
                                      | QFileDevice::ReadOther | QFileDevice::ExeOther));
        QByteArray err;
        const int code = runChild({QStringLiteral("write"), app, section, QStringLiteral("Path"),
                                   QStringLiteral("/lost")}, nullptr, &err, true);
        QVERIFY(QFile::setPermissions(m_config, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                      | QFileDevice::ExeOwner));
        QCOMPARE(code, 1);
        QVERIFY(!err.trimmed().isEmpty());
        QCOMPARE(fileBytes(storeFile()), before);
        QCOMPARE(QDir(m_config).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("quorrel.ini")});
    }

    void configFolderThatIsAFileRefusesWrites()
    {
        putFile(m_config, "not a folder");
        QString error;
        QVERIFY(!SettingsStore::write(app, section, QStringLiteral("Path"), QStringLiteral("/x"), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(fileBytes(m_config), QByteArray("not a folder"));
        QCOMPARE(SettingsStore::read(app, section, QStringLiteral("Path"), QStringLiteral("d")),
                 QStringLiteral("d"));
        QVERIFY(SettingsStore::remove(app));  // nothing is stored there
    }

    void fifoInTheStoresPlaceIsNeverOpened()
    {
        QVERIFY(QDir().mkpath(m_config));
        QVERIFY(::mkfifo(QFile::encodeName(storeFile()).constData(), 0600) == 0);
        // Opening a FIFO with no writer would hang; these calls must return at once.
        QCOMPARE(SettingsStore::read(app, section, QStringLiteral("Path"), QStringLiteral("d")),
                 QStringLiteral("d"));
        QVERIFY(!SettingsStore::write(app, section, QStringLiteral("Path"), QStringLiteral("/x")));
        QVERIFY(QFileInfo(storeFile()).exists() && !QFileInfo(storeFile()).isFile());
        QVERIFY(SettingsStore::remove(app));
        QVERIFY(!QFileInfo::exists(storeFile()));
    }

    // What stands in a small file's place and what the read makes of it: the bytes, or a refusal
    // given at once (a FIFO with no writer would block an open; /dev/zero never ends).
    void smallFileReadRefusesWhatIsNoSmallFile_data()
    {
        QTest::addColumn<QByteArray>("kind");  // "fifo", "zero", "folder" or a file's size
        QTest::addColumn<QString>("reason");   // empty: read whole
        QTest::newRow("at the limit") << QByteArray("1048576") << QString();
        QTest::newRow("over the limit") << QByteArray("1048577") << QStringLiteral("File too large: more than 1 MiB");
        QTest::newRow("FIFO") << QByteArray("fifo") << QStringLiteral("Not a regular file");
        QTest::newRow("link to /dev/zero") << QByteArray("zero") << QStringLiteral("Not a regular file");
        QTest::newRow("folder") << QByteArray("folder") << QString::fromLocal8Bit(std::strerror(EISDIR));
    }

    void smallFileReadRefusesWhatIsNoSmallFile()
    {
        QFETCH(QByteArray, kind);
        QFETCH(QString, reason);
        const QString path = m_config + QStringLiteral("-small");
        const QByteArray native = QFile::encodeName(path), bytes = QByteArray("[Startup]\n").leftJustified(kind.toInt(), ';');
        if (kind == "fifo")
            QVERIFY(::mkfifo(native.constData(), 0600) == 0);
        else if (kind == "zero")
            QVERIFY(::symlink("/dev/zero", native.constData()) == 0);
        else if (kind == "folder")
            QVERIFY(QDir().mkpath(path));
        else
            putFile(path, bytes);
        const SmallFile file = readSmallFile(path, SettingsStore::MaxFileBytes);
        QCOMPARE(file.status.description(), reason);
        QCOMPARE(file.bytes, reason.isEmpty() ? bytes : QByteArray());
    }

    void oversizedFileIsSaidAndNeverWrittenOver()
    {
        QVERIFY(QDir().mkpath(m_config));
        const QByteArray before = QByteArray("[Startup]\nPath=/kept\n").leftJustified(SettingsStore::MaxFileBytes + 1, ';');
        putFile(storeFile(), before);
        QCOMPARE(SettingsStore::read(app, section, QStringLiteral("Path"), QStringLiteral("d")), QStringLiteral("d"));
        QCOMPARE(SettingsStore::problem(app),
                 QStringLiteral("The settings file %1 is not read: File too large: more than 1 MiB. Velmora goes on "
                                "with its default settings and leaves the file as it is.").arg(storeFile()));
        // The window's writes at quit: refused, since a rewrite would drop what the file holds.
        QString error;
        QVERIFY(!SettingsStore::write(app, section, QStringLiteral("Path"), QStringLiteral("/lost"), &error));
        QCOMPARE(error, QStringLiteral("File too large: more than 1 MiB"));
        QCOMPARE(fileBytes(storeFile()), before);
    }

    // [Tags] CodePage as the window and velmora-cli read it: a page, or the system's page with one
    // message naming a value that is none (absent or empty: silence).
    void storedCodePageIsReadFromTheTagsSection_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("shown");  // the value as the message names it; empty: no message
        QTest::newRow("stored") << QByteArray("[Main]\nx=1\n[Tags]\nCodePage=1251\n") << 1251 << QString();
        QTest::newRow("double-byte, blanks, CRLF") << QByteArray("[tags]\r\n  codepage = 932 \r\n") << 932 << QString();
        QTest::newRow("first entry counts") << QByteArray("[Tags]\nCodePage=950\nCodePage=936\n") << 950 << QString();
        QTest::newRow("other section") << QByteArray("[Main]\nCodePage=1251\n") << 0 << QString();
        QTest::newRow("commented out") << QByteArray("[Tags]\n;CodePage=1251\n") << 0 << QString();
        QTest::newRow("empty") << QByteArray("[Tags]\nCodePage=\n") << 0 << QString();
        QTest::newRow("no file text") << QByteArray() << 0 << QString();
        QTest::newRow("unknown page") << QByteArray("[Tags]\nCodePage=437\n") << 0 << QStringLiteral("437");
        QTest::newRow("not a number") << QByteArray("[Tags]\nCodePage=cyrillic\n") << 0 << QStringLiteral("cyrillic");
        QTest::newRow("hexadecimal") << QByteArray("[Tags]\nCodePage=0x4e3\n") << 0 << QStringLiteral("0x4e3");
        QTest::newRow("trailing semicolon") << QByteArray("[Tags]\nCodePage=1251;\n") << 0 << QStringLiteral("1251;");
        QTest::newRow("UTF-8, no page of ours") << QByteArray("[Tags]\nCodePage=65001\n") << 0 << QStringLiteral("65001");
        QTest::newRow("control byte escaped") << QByteArray("[Tags]\nCodePage=12\x1b[2J\n") << 0 << QStringLiteral("12\\x1B[2J");
    }

    void storedCodePageIsReadFromTheTagsSection()
    {
        QFETCH(QByteArray, settings);
        QFETCH(int, number);
        QFETCH(QString, shown);
        QVERIFY(QDir().mkpath(m_config));
        putFile(storeFile(), settings);
        QStringList problems;
        QCOMPARE(CodePageChoice::storedNumber(problems), number);
        QCOMPARE(CodePageChoice::pageOf(number).number(), number ? number : CodePage::system().number());
        const QString said = QStringLiteral("The code page \"%1\" in the settings ([Tags] CodePage) is not one Velmora "
                                            "knows; the system's page is used.").arg(shown);
        QCOMPARE(problems, shown.isEmpty() ? QStringList() : QStringList{said});
    }

    void removeDeletesEverythingUnderTheApplication()
    {
        QVERIFY(SettingsStore::remove(QStringLiteral("quorrel")));  // nothing stored yet
        QVERIFY(SettingsStore::write(app, section, QStringLiteral("Path"), QStringLiteral("/m")));
        QVERIFY(SettingsStore::write(app, QStringLiteral("Other"), QStringLiteral("K"), QStringLiteral("v")));
        QVERIFY(SettingsStore::remove(QStringLiteral("quorrel")));
        QVERIFY(!QFileInfo::exists(storeFile()));
        QCOMPARE(SettingsStore::read(app, section, QStringLiteral("Path"), QStringLiteral("d")),
                 QStringLiteral("d"));

        // A folder in the store's place is not deleted, and the failure is reported.
        QVERIFY(QDir().mkpath(storeFile() + QStringLiteral("/inside")));
        QString error;
        QVERIFY(!SettingsStore::remove(app, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(QFileInfo(storeFile() + QStringLiteral("/inside")).isDir());
        QVERIFY(!SettingsStore::write(app, section, QStringLiteral("Path"), QStringLiteral("/m")));
    }

    void invalidSectionsAndKeysAreRefused()
    {
        for (const auto &[sec, key] : std::initializer_list<std::pair<QString, QString>>{
                 {section, QString()}, {section, QStringLiteral("a=b")}, {section, QStringLiteral("a\nb")},
                 {section, QStringLiteral("[x]")}, {section, QStringLiteral(" Path")},
                 {QString(), QStringLiteral("Path")}, {QStringLiteral("a]b"), QStringLiteral("Path")}}) {
            QVERIFY(!SettingsStore::write(app, sec, key, QStringLiteral("v")));
        }
        QVERIFY(!QFileInfo::exists(storeFile()));
    }

    void parseSupportLfnTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");  // 0 false, 1 true, -1 failure
        QTest::newRow("True") << QStringLiteral("True") << 1;
        QTest::newRow("true") << QStringLiteral("true") << 1;
        QTest::newRow("FALSE") << QStringLiteral("FALSE") << 0;
        QTest::newRow("blanks") << QStringLiteral("  True\t") << 1;
        QTest::newRow("0") << QStringLiteral("0") << 0;
        QTest::newRow("-1") << QStringLiteral("-1") << 1;
        QTest::newRow("1") << QStringLiteral("1") << 1;
        QTest::newRow("1.5") << QStringLiteral("1.5") << 1;
        QTest::newRow("+2") << QStringLiteral("+2") << 1;
        QTest::newRow("exponent") << QStringLiteral("1e3") << 1;
        QTest::newRow("yes") << QStringLiteral("yes") << -1;
        QTest::newRow("empty") << QString() << -1;
        QTest::newRow("blank") << QStringLiteral("  ") << -1;
        QTest::newRow("comma decimal") << QStringLiteral("1,5") << -1;
        QTest::newRow("inf") << QStringLiteral("inf") << -1;
        QTest::newRow("word tail") << QStringLiteral("truex") << -1;
        QTest::newRow("two signs") << QStringLiteral("+-1") << -1;
    }

    void parseSupportLfnTexts()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        const std::optional<bool> parsed = parseSupportLfn(text);
        QCOMPARE(parsed.has_value(), expected != -1);
        if (parsed)
            QCOMPARE(int(*parsed), expected);
    }

    void writtenTextsAreTheWords()
    {
        QCOMPARE(supportLfnText(true), QStringLiteral("True"));
        QCOMPARE(supportLfnText(false), QStringLiteral("False"));
    }
};

int main(int argc, char **argv)
{
    if (argc >= 2 && qstrcmp(argv[1], "--store-child") == 0)
        return storeChild(argc, argv);
    QCoreApplication application(argc, argv);
    TstSettingsStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settingsstore.moc"
