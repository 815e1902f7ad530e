// The two functions every tag goes through, on real files: what a read finds, what a save writes,
// how it renames and what it refuses. The trailers are built byte by byte by the test helpers,
// independently of the program's own builder.

#include "support/TestFiles.h"

#include "tags/codepage/CodePage.h"
#include "tags/id3v1/GenreList.h"
#include "tags/files/FileLock.h"
#include "tags/trailer/TagCore.h"
#include "tags/trailer/TagRecord.h"

#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <future>
#include <memory>
#include <thread>

using namespace TestFiles;

namespace {

Id3v1::Fields fields(const QByteArray &title, const QByteArray &artist = {}, quint8 genre = 0)
{
    Id3v1::Fields f;
    f.title = title;
    f.artist = artist;
    f.genre = genre;
    return f;
}

}  // namespace

class TestTagCore : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempFolder> m_dir;
    QByteArray file(const QByteArray &name) const { return m_dir->file(name); }

private slots:
    void init()
    {
        m_dir = std::make_unique<TempFolder>();
        QVERIFY(m_dir->isValid());
    }

    void reads_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("tagged");
        QTest::addColumn<QStringList>("record");
        const QByteArray spaces(30, ' ');
        QTest::newRow("tagged") << song(4872, trailer("Alpha", "Ann", "First", "1999", "c", 17)) << true
                                << QStringList({"Alpha", "Ann", "First", "1999", "c", "Rock"});
        QTest::newRow("exactly a trailer") << trailer("Solo") << true << QStringList({"Solo", "", "", "", "", "Blues"});
        // Trailing spaces go; leading spaces, a NUL and what follows it stay; the code page decodes.
        QTest::newRow("trimmed") << song(300, trailer(spaces, "  Lead", QByteArray("Ab\0cd", 5), "99 ", "Caf\xe9", 200))
                                 << true
                                 << QStringList({"", "  Lead", QString::fromLatin1("Ab\0cd", 5), "99", "Caf\u00e9", ""});
        // The last 127 bytes begin with "TAG": without a whole trailer the file is untagged.
        QTest::newRow("127 bytes") << trailer("Delta").left(127) << false << QStringList(6, QString());
        QTest::newRow("empty") << QByteArray() << false << QStringList(6, QString());
        QTest::newRow("no marker") << song(500) << false << QStringList(6, QString());
        QTest::newRow("lower-case marker") << "tag" + trailer("x").mid(3) << false << QStringList(6, QString());
    }

    void reads()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, tagged);
        QFETCH(QStringList, record);
        QVERIFY(writeFile(file("a.mp3"), bytes));
        const TagReading reading = readTagFile(file("a.mp3"));
        QVERIFY2(reading.status, qPrintable(reading.status.description()));
        QCOMPARE(reading.tagged, tagged);
        QCOMPARE(reading.trailer, bytes.size() >= 128 ? bytes.right(128) : QByteArray());
        const TagRecord tag = tagRecordOf(reading, Genres::buildGenreList(), CodePage::system());
        QCOMPARE(QStringList({tag.Title, tag.Artist, tag.Album, tag.Year, tag.Comment, tag.Genre}), record);
        struct stat st;
        QCOMPARE(::stat(file("a.mp3").constData(), &st), 0);
        QCOMPARE(reading.identity.inode, quint64(st.st_ino));
        QCOMPARE(reading.identity.size, qint64(bytes.size()));
    }

    void aTrailerBeyond4GiBIsRead()
    {
        // A sparse file whose trailer lies beyond 32-bit offsets.
        QVERIFY(writeFile(file("big.mp3"), QByteArray()));
        const int fd = ::open(file("big.mp3").constData(), O_WRONLY);
        QVERIFY(fd >= 0);
        QCOMPARE(::pwrite(fd, trailer("Far").constData(), 128, qint64(5) << 30), ssize_t(128));
        ::close(fd);
        const TagReading reading = readTagFile(file("big.mp3"));
        QVERIFY(reading.tagged);
        QCOMPARE(reading.fields.title, QByteArray("Far"));
    }

    void readFailures()
    {
        m_dir->subfolder("folder.mp3");
        QVERIFY(writeFile(file("locked.mp3"), trailer("Locked")));
        ::chmod(file("locked.mp3").constData(), 0);
        QCOMPARE(readTagFile(file("gone.mp3")).status.code(), ENOENT);
        QCOMPARE(readTagFile(file("folder.mp3")).status.code(), EISDIR);
        ActAsUser user;
        const TagReading locked = readTagFile(file("locked.mp3"));
        QCOMPARE(locked.status.code(), EACCES);
        QVERIFY(!locked.tagged);
        QVERIFY(locked.trailer.isEmpty());
    }

    void savesWriteOnlyTheTrailer_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("kept");  // bytes before the new trailer
        QTest::newRow("tagged: overwritten") << song(4872, trailer("Old", "Old Artist", "", "", "", 17)) << 4872;
        QTest::newRow("untagged: appended") << song(5000) << 5000;
        QTest::newRow("100 bytes: appended") << song(100) << 100;
        QTest::newRow("empty: appended") << QByteArray() << 0;
    }

    void savesWriteOnlyTheTrailer()
    {
        QFETCH(QByteArray, before);
        QFETCH(int, kept);
        QVERIFY(writeFile(file("s.mp3"), before));
        TagSave request;
        request.path = file("s.mp3");
        request.fields = {"New Title", "New Artist", "New Album", "2024", "  spaced", 8};
        const TagSaveResult saved = saveTagFile(request);
        QVERIFY2(saved.status, qPrintable(saved.status.description()));
        QVERIFY(saved.written);
        QCOMPARE(saved.path, file("s.mp3"));
        QCOMPARE(readFile(file("s.mp3")),
                 before.left(kept) + trailer("New Title", "New Artist", "New Album", "2024", "  spaced", 8));
    }

    void anUneditedNulPaddedTrailerIsWrittenBackByteForByte()
    {
        const QByteArray before = song(700, nulPaddedTrailer());
        QVERIFY(writeFile(file("nul.mp3"), before));
        const TagReading reading = readTagFile(file("nul.mp3"));
        QVERIFY(reading.tagged);
        TagSave request;
        request.path = file("nul.mp3");
        request.fields = reading.fields;
        QVERIFY(saveTagFile(request).status);
        QCOMPARE(readFile(file("nul.mp3")), before);
    }

    void aReadOnlyFileIsSavedAndLeftWritable()
    {
        QVERIFY(writeFile(file("ro.mp3"), song(2000, trailer("Read only"))));
        ActAsUser::giveAway(file("ro.mp3"));
        ::chmod(file("ro.mp3").constData(), 0444);
        TagSave request;
        request.path = file("ro.mp3");
        request.fields = fields("Writable now");
        ActAsUser user;
        QVERIFY(saveTagFile(request).status);
        QCOMPARE(readFile(file("ro.mp3")).right(128), trailer("Writable now"));
        QVERIFY(isOwnerWritable(file("ro.mp3")));
    }

    void aMissingFileIsNotCreated()
    {
        TagSave request;
        request.path = file("gone.mp3");
        request.fields = fields("Never");
        const TagSaveResult saved = saveTagFile(request);
        QCOMPARE(saved.status.code(), ENOENT);
        QVERIFY(!saved.written);
        QVERIFY(!exists(file("gone.mp3")));
    }

    void aWriteStoppedByTheFileSizeLimitLeavesTheFileAsItWas_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::newRow("append") << song(5000);
        QTest::newRow("overwrite") << song(4872, trailer("Old"));
    }

    void aWriteStoppedByTheFileSizeLimitLeavesTheFileAsItWas()
    {
        QFETCH(QByteArray, before);
        QVERIFY(writeFile(file("full.mp3"), before));
        TagSave request;
        request.path = file("full.mp3");
        request.fields = fields("Does not fit");

        struct rlimit saved;
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = saved;
        limit.rlim_cur = 4872 + 50;  // room for part of the trailer only
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        const TagSaveResult result = saveTagFile(request);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QCOMPARE(result.status.code(), EFBIG);
        QVERIFY(!result.written);
        QCOMPARE(readFile(file("full.mp3")), before);
    }

    void renames_data()
    {
        QTest::addColumn<QByteArray>("newName");
        QTest::newRow("long name") << QByteArray("Red Kettle-Morning Walk.MP3");
        QTest::newRow("not UTF-8") << QByteArray("r\xe9sum\xe9.mp3");
        QTest::newRow("its own name") << QByteArray("old.mp3");
    }

    void renames()
    {
        QFETCH(QByteArray, newName);
        QVERIFY(writeFile(file("old.mp3"), song(700, trailer("Old"))));
        TagSave request;
        request.path = file("old.mp3");
        request.fields = fields("Morning Walk", "Red Kettle");
        request.newName = newName;
        const TagSaveResult saved = saveTagFile(request);
        QVERIFY2(saved.status, qPrintable(saved.status.description()));
        QCOMPARE(saved.path, file(newName));
        QCOMPARE(readFile(file(newName)), song(700, trailer("Morning Walk", "Red Kettle")));
        QCOMPARE(namesIn(m_dir->path()).size(), 1);
    }

    void refusedRenamesKeepTheWrittenTag_data()
    {
        QTest::addColumn<QByteArray>("newName");
        QTest::addColumn<QString>("message");
        QTest::newRow("existing file") << QByteArray("taken.mp3") << FileStatus::fromErrno(EEXIST).description();
        QTest::newRow("slash") << QByteArray("A/B Unit-X.MP3") << "\"/\"";
        QTest::newRow("hidden") << QByteArray(".MP3") << "\".\"";
        QTest::newRow("NUL") << QByteArray("a\0b.MP3", 7) << "NUL";
        // A name is quoted in its printable form: a crafted tag cannot act on a terminal.
        QTest::newRow("slash after escapes") << QByteArray("evil-\x1B]0;PWN\x07\x1B[2J/x.MP3")
                                             << "\"evil-\\x1B]0;PWN\\x07\\x1B[2J/x.MP3\" cannot be used: a file name cannot contain \"/\"";
        const QString control = QStringLiteral("cannot be used: a file name cannot contain control characters");
        QTest::newRow("tab") << QByteArray("a\tb.MP3") << "\"a\\tb.MP3\" " + control;
        QTest::newRow("newline") << QByteArray("ctl-\x01\n.MP3") << "\"ctl-\\x01\\n.MP3\" " + control;
        QTest::newRow("escape") << QByteArray("\x1B[2J.MP3") << control;
        QTest::newRow("DEL") << QByteArray("a\x7F.MP3") << control;
        QTest::newRow("C1") << QByteArray("a\xC2\x9B" "b.MP3") << "\"a\\xC2\\x9Bb.MP3\" " + control;
    }

    void refusedRenamesKeepTheWrittenTag()
    {
        QFETCH(QByteArray, newName);
        QFETCH(QString, message);
        const QByteArray taken = song(900, trailer("Taken", "Keep me"));
        QVERIFY(writeFile(file("taken.mp3"), taken));
        QVERIFY(writeFile(file("mine.mp3"), song(900, trailer("Mine"))));
        m_dir->subfolder("A");
        TagSave request;
        request.path = file("mine.mp3");
        request.fields = fields("Mine", "Written");
        request.newName = newName;
        const TagSaveResult saved = saveTagFile(request);
        QVERIFY(!saved.status);
        QVERIFY2(saved.status.description().contains(message), qPrintable(saved.status.description()));
        QVERIFY(saved.written);
        QCOMPARE(saved.path, file("mine.mp3"));
        QCOMPARE(readFile(file("mine.mp3")).right(128), trailer("Mine", "Written"));
        QCOMPARE(readFile(file("taken.mp3")), taken);
        QCOMPARE(namesIn(m_dir->path()), QStringList({"A", "mine.mp3", "taken.mp3"}));
        QCOMPARE(namesIn(file("A")), QStringList());
    }

    // A save after a refused rename expects what the first save left; another program's write
    // since is still refused.
    void theNextSaveExpectsWhatTheLastOneLeft()
    {
        QVERIFY(writeFile(file("taken.mp3"), song(900, trailer("Taken"))));
        QVERIFY(writeFile(file("mine.mp3"), song(900)));
        TagSave request;
        request.path = file("mine.mp3");
        request.fields = fields("Mine", "First");
        request.newName = "taken.mp3";
        request.expected = readTagFile(request.path).identity;
        const TagSaveResult first = saveTagFile(request);
        QCOMPARE(first.status.code(), EEXIST);
        QCOMPARE(first.identity, readTagFile(file("mine.mp3")).identity);

        request.expected = first.identity;
        request.newName = "free.mp3";
        const TagSaveResult second = saveTagFile(request);
        QVERIFY2(second.status, qPrintable(second.status.description()));
        QCOMPARE(second.identity, readTagFile(file("free.mp3")).identity);

        QVERIFY(writeFile(file("free.mp3"), song(1000)));  // another program's change
        request.path = file("free.mp3");
        request.expected = second.identity;
        request.newName.clear();
        QCOMPARE(saveTagFile(request).status.code(), ESTALE);
    }

    // Two saves within one tick of the file system's clock leave size and times alike: the trailer
    // read under the lock tells the other's write. A save of some fields plans anew from it.
    void aTrailerWrittenSinceTheReadIsRefusedOrPlannedAnew()
    {
        QVERIFY(writeFile(file("f.mp3"), song(900, trailer("Old", "Artist"))));
        const TagReading read = readTagFile(file("f.mp3"));
        const QByteArray other = trailer("Theirs", "Artist");
        QVERIFY(writeFile(file("f.mp3"), song(900, other)));
        QVERIFY(setTimes(file("f.mp3"), {read.identity.modifiedNs, read.identity.modifiedNs}));
        TagSave request;
        request.path = file("f.mp3");
        request.fields = fields("Old", "Mine");
        request.expected = read.identity;
        request.expectedTrailer = read.trailer;
        const TagSaveResult refused = saveTagFile(request);
        QCOMPARE(refused.status.code(), ESTALE);
        QVERIFY(!refused.status.description().contains(QStringLiteral("Select the file")));
        QCOMPARE(readFile(file("f.mp3")).right(128), other);

        request.replan = [](const QByteArray &now, Id3v1::Fields &planned) {
            planned = Id3v1::parse(now);
            planned.artist = "Mine";
            return true;
        };
        QVERIFY(saveTagFile(request).written);
        const QByteArray now = readFile(file("f.mp3")).right(128);
        QCOMPARE(now.mid(3, 30), other.mid(3, 30));  // their title kept
        QVERIFY(now.mid(33, 30).startsWith("Mine"));
    }

    // A file another thread or process holds is waited for, then given up with a message; the
    // file is left as it was.
    void aFileHeldElsewhereIsNotWritten()
    {
        QVERIFY(writeFile(file("f.mp3"), song(900, trailer("Held"))));
        std::promise<void> taken, done;
        std::thread holder([&] {
            const int fd = ::open(file("f.mp3").constData(), O_RDONLY);
            struct stat st;
            ::fstat(fd, &st);
            FileLock lock;
            QVERIFY(lock.take(fd, st));
            taken.set_value();
            done.get_future().wait();
            ::close(fd);
        });
        taken.get_future().wait();
        const int limit = FileLock::waitLimitMs();
        FileLock::setWaitLimitMs(50);
        TagSave request;
        request.path = file("f.mp3");
        request.fields = fields("Mine");
        const TagSaveResult result = saveTagFile(request);
        FileLock::setWaitLimitMs(limit);
        done.set_value();
        holder.join();
        QCOMPARE(result.status.code(), EBUSY);
        QCOMPARE(readFile(file("f.mp3")).right(128), trailer("Held"));
        QVERIFY(saveTagFile(request).written);  // let go of, it is saved
    }

    void aReadOnlyFolderRefusesTheRenameOnly()
    {
        QVERIFY(writeFile(file("f.mp3"), song(2000, trailer("Folder"))));
        ActAsUser::giveAway(file("f.mp3"));  // writable by its owner, in a folder it cannot change
        if (!ActAsUser::needed())
            ::chmod(m_dir->path().constData(), 0555);
        TagSave request;
        request.path = file("f.mp3");
        request.fields = fields("Renamed", "Nowhere");
        request.newName = "Nowhere-Renamed.MP3";
        TagSaveResult saved;
        {
            ActAsUser user;
            saved = saveTagFile(request);
        }
        ::chmod(m_dir->path().constData(), 0755);
        QCOMPARE(saved.status.code(), EACCES);
        QVERIFY(saved.written);
        QCOMPARE(readFile(file("f.mp3")).right(128), trailer("Renamed", "Nowhere"));
        QCOMPARE(namesIn(m_dir->path()), QStringList({"f.mp3"}));
    }

    void newNamesAndTheirExtension_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("withExtension");
        QTest::addColumn<bool>("usable");
        QTest::newRow("upper case") << "Song.MP3" << "Song.MP3" << true;
        QTest::newRow("lower case kept") << "Song.mp3" << "Song.mp3" << true;
        QTest::newRow("mixed case kept") << "Song.Mp3" << "Song.Mp3" << true;
        QTest::newRow("none") << "Plain" << "Plain.MP3" << true;
        QTest::newRow("spaces") << "  Artist - Song" << "  Artist - Song.MP3" << true;
        QTest::newRow("backslash") << "back\\slash" << "back\\slash.MP3" << true;
        QTest::newRow("non-ASCII") << "Gr\u00fc\u00dfe" << "Gr\u00fc\u00dfe.MP3" << true;
        QTest::newRow("trailing dot") << "a." << "a..MP3" << true;
        QTest::newRow("empty") << "" << ".MP3" << false;
        QTest::newRow("sub folder") << "sub/Song.mp3" << "sub/Song.mp3" << false;
        QTest::newRow("parent") << "../Song.mp3" << "../Song.mp3" << false;
        QTest::newRow("absolute") << "/tmp/Song.mp3" << "/tmp/Song.mp3" << false;
        QTest::newRow("dot dot") << ".." << "...MP3" << false;
    }

    void newNamesAndTheirExtension()
    {
        QFETCH(QString, typed);
        QFETCH(QString, withExtension);
        QFETCH(bool, usable);
        QCOMPARE(withMp3Extension(typed), withExtension);
        QCOMPARE(newNameProblem(withExtension.toUtf8()).isEmpty(), usable);
        QVERIFY(!newNameProblem(QByteArray()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTagCore)
#include "tst_tagcore.moc"
