// Reading trailers the fast way (relative to the folder, many files at a time) gives exactly what
// reading one file through the file slot gives, for every kind of entry a folder can hold.

#include "support/Id3v2Files.h"

#include "tags/files/PatternListing.h"
#include "tags/trailer/BulkTrailerReader.h"
#include "tags/id3v1/Id3v1.h"
#include "tags/trailer/TagCore.h"
#include "tags/trailer/RawTrailer.h"
#include "tags/files/PseudoFileSystem.h"
#include "tags/files/RegularFile.h"
#include "tags/trailer/SaveChecks.h"

#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray trailerFor(const QByteArray &title)
{
    Id3v1::Fields f;
    f.title = title;
    f.artist = "Artist ";
    f.genre = 200;
    return Id3v1::build(f);
}

void writeFile(const QByteArray &path, const QByteArray &bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    QVERIFY2(fd >= 0, path.constData());
    QCOMPARE(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    ::close(fd);
}

// The reference the fast paths must agree with, written out plainly with the system's calls.
TagReading slotReading(const QByteArray &path)
{
    TagReading r;
    struct stat st;
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        r.status = FileStatus::fromLastError();
        return r;
    }
    if (::fstat(fd, &st) != 0)
        r.status = FileStatus::fromLastError();
    else if (!S_ISREG(st.st_mode))
        r.status = notRegularFileStatus(st.st_mode);
    else if (st.st_size >= Id3v1::TrailerSize) {
        r.trailer.resize(Id3v1::TrailerSize);
        if (::pread(fd, r.trailer.data(), Id3v1::TrailerSize, st.st_size - Id3v1::TrailerSize) != Id3v1::TrailerSize)
            r.status = FileStatus::fromErrno(EIO);
    }
    ::close(fd);
    if (!r.status) {
        r.trailer.clear();
        return r;
    }
    r.identity = SaveChecks::identityOf(st);
    if (r.trailer.size() == Id3v1::TrailerSize && Id3v1::hasMarker(r.trailer)) {
        r.tagged = true;
        r.fields = Id3v1::parse(r.trailer);
    }
    return r;
}

void compareReadings(const TagReading &actual, const TagReading &expected, const QByteArray &name)
{
    const QByteArray where = "file " + name;
    QVERIFY2(actual.status.code() == expected.status.code(), where.constData());
    QCOMPARE(actual.status.description(), expected.status.description());
    QVERIFY2(actual.tagged == expected.tagged, where.constData());
    QCOMPARE(actual.fields, expected.fields);
    QCOMPARE(actual.trailer, expected.trailer);
    QVERIFY2(actual.identity == expected.identity, where.constData());
}

std::vector<ListedFile> listed(const QList<QByteArray> &names)
{
    std::vector<ListedFile> files;
    for (const QByteArray &name : names)
        files.push_back({name, QString::fromUtf8(name)});
    return files;
}

std::vector<TagReading> readAll(const QByteArray &folder, const std::vector<ListedFile> &files, ReadAhead readAhead,
                                Id3v2Read id3v2 = Id3v2Read::Version, std::vector<Id3v2Reading> *tags = nullptr)
{
    std::vector<TagReading> out;
    readFolderTrailers(folder, files, [&](int index, const RawTrailer &raw) {
        QCOMPARE(index, int(out.size()));  // in order, each once
        out.push_back(tagReadingOf(raw));
        if (tags)
            tags->push_back(Id3v2::readingOf(raw));
    }, readAhead, id3v2);
    return out;
}

}  // namespace

class TestFolderRead : public QObject {
    Q_OBJECT
private slots:
    void everyKindOfEntryReadsAsTheFileSlotReadsIt();
    void aLargeFolderComesBackInOrder();
    void aFolderThatCannotBeOpenedFailsEveryFile();
    void listingSortsAsciiAndOtherNamesAlike();
    void aFolderOnAPseudoFileSystemIsAskedAboutOnceAndNothingIsRead();
    void aFolderOnANormalFileSystemIsAskedAboutOnceAndALinkOutOnItsOwn();
    void cleanupTestCase();

private:
    QByteArray folder() const { return QFile::encodeName(m_dir.path()); }
    QTemporaryDir m_dir;
};

void TestFolderRead::cleanupTestCase()
{
    // QTemporaryDir leaves FIFOs behind.
    std::error_code ignored;
    std::filesystem::remove_all(folder().toStdString(), ignored);
}

void TestFolderRead::everyKindOfEntryReadsAsTheFileSlotReadsIt()
{
    const QByteArray d = folder() + "/kinds";
    QCOMPARE(::mkdir(d.constData(), 0755), 0);
    writeFile(d + "/tagged.mp3", QByteArray(5000, 'x') + trailerFor("Tagged"));
    writeFile(d + "/only-tag.mp3", trailerFor("Only"));
    writeFile(d + "/untagged.mp3", QByteArray(4000, 'y'));
    writeFile(d + "/short.mp3", QByteArray(127, 'T'));
    writeFile(d + "/empty.mp3", QByteArray());
    writeFile(d + "/caf\xE9.mp3", QByteArray(300, 'z') + trailerFor("Raw name"));
    QCOMPARE(::symlink((d + "/tagged.mp3").constData(), (d + "/link.mp3").constData()), 0);
    QCOMPARE(::symlink((d + "/gone").constData(), (d + "/broken.mp3").constData()), 0);
    QCOMPARE(::mkfifo((d + "/fifo.mp3").constData(), 0644), 0);
    QCOMPARE(::mkdir((d + "/folder.mp3").constData(), 0755), 0);
    // The listing never offers these last ones; a name can still change into one after it.
    const QList<QByteArray> names = {"tagged.mp3", "only-tag.mp3", "untagged.mp3", "short.mp3",
                                     "empty.mp3", "caf\xE9.mp3", "link.mp3", "broken.mp3",
                                     "fifo.mp3", "folder.mp3", "missing.mp3", "/dev/null"};
    const std::vector<ListedFile> files = listed(names);

    for (ReadAhead readAhead : {ReadAhead::Never, ReadAhead::Always}) {
        const std::vector<TagReading> batch = readAll(d, files, readAhead);
        QCOMPARE(batch.size(), files.size());
        for (int i = 0; i < names.size(); ++i) {
            const QByteArray path = names[i].startsWith('/') ? names[i] : d + '/' + names[i];
            const TagReading expected = slotReading(path);
            compareReadings(readTagFile(path), expected, names[i]);
            // The batch opens relative to the folder, so an absolute name is its own path.
            compareReadings(batch[size_t(i)], expected, names[i]);
        }
    }
    const TagReading tagged = readTagFile(d + "/link.mp3");
    QVERIFY(tagged.status && tagged.tagged);
    QCOMPARE(tagged.fields.title, QByteArray("Tagged"));
    QCOMPARE(tagged.fields.artist, QByteArray("Artist"));
    QCOMPARE(tagged.fields.genre, quint8(200));
    QCOMPARE(readTagFile(d + "/fifo.mp3").status.description(), QStringLiteral("Not a regular file"));
    QCOMPARE(readTagFile(d + "/folder.mp3").status.code(), EISDIR);
    QCOMPARE(readTagFile(QByteArray()).status.code(), ENOENT);
    QCOMPARE(readTagFile(d + QByteArray("/tagged.mp3\0x", 13)).status.code(), EINVAL);
}

void TestFolderRead::aLargeFolderComesBackInOrder()
{
    // More files than the reader holds results for at once, so its ring of slots turns over. Every
    // third file opens with an ID3v2 tag whose artist repeats, as an album's does, while its title
    // does not: each reading thread decodes the tags it reads, remembering the frames it has seen.
    const QByteArray d = folder() + "/large";
    QCOMPARE(::mkdir(d.constData(), 0755), 0);
    const int count = 2500;
    const auto artist = [](int i) { return "Band " + QByteArray::number(i % 5); };
    for (int i = 0; i < count; ++i) {
        const QByteArray number = QByteArray::number(i);
        const QByteArray tag = i % 3 ? QByteArray()
            : Id3v2Files::tag(3, {{"TIT2", Id3v2Files::latin1(number)}, {"TPE1", Id3v2Files::latin1(artist(i))}});
        writeFile(d + "/" + number + ".mp3", tag + (i % 7 == 0 ? QByteArray(200, 'u') : trailerFor(number)));
    }
    std::vector<ListedFile> files;
    QVERIFY(listFolderFiles(d, QStringLiteral("*.mp3"), files).ok());
    QCOMPARE(int(files.size()), count);

    const std::pair<ReadAhead, Id3v2Read> passes[] = {{ReadAhead::Never, Id3v2Read::Version},
                                                      {ReadAhead::WhenReadsWait, Id3v2Read::Version},
                                                      {ReadAhead::Always, Id3v2Read::Tag},
                                                      {ReadAhead::WithEveryProcessor, Id3v2Read::Tag}};
    for (const auto &[readAhead, id3v2] : passes) {
        std::vector<Id3v2Reading> tags;
        const std::vector<TagReading> readings = readAll(d, files, readAhead, id3v2, &tags);
        QCOMPARE(int(readings.size()), count);
        for (int i = 0; i < count; ++i) {
            const QByteArray number = files[size_t(i)].name.chopped(4);
            const TagReading &r = readings[size_t(i)];
            QVERIFY(r.status);
            QCOMPARE(r.tagged, number.toInt() % 7 != 0);
            if (r.tagged)
                QCOMPARE(r.fields.title, number);
            QCOMPARE(r.id3v2Version, number.toInt() % 3 ? 0 : 3);
            const Id3v2Values &values = tags[size_t(i)].values;
            const bool read = id3v2 == Id3v2Read::Tag && number.toInt() % 3 == 0;
            QCOMPARE(values.title, read ? QString::fromLatin1(number) : QString());
            QCOMPARE(values.artist, read ? QString::fromLatin1(artist(number.toInt())) : QString());
        }
    }
}

// Issue 30: the file system is asked about once for a folder, and that answer serves every file on
// the folder's device; a file on another device is asked about on its own.
void TestFolderRead::aFolderOnAPseudoFileSystemIsAskedAboutOnceAndNothingIsRead()
{
    const std::vector<ListedFile> files = listed({"status", "cmdline", "environ", "stat"});
    for (ReadAhead readAhead : {ReadAhead::Never, ReadAhead::Always}) {
        const long before = fileSystemChecks();
        const std::vector<TagReading> readings = readAll("/proc/self", files, readAhead);
        QCOMPARE(fileSystemChecks() - before, 1L);
        QCOMPARE(readings.size(), files.size());
        for (const TagReading &r : readings) {
            QCOMPARE(r.status.description(), pseudoFileSystemRefusal().description());
            QVERIFY(!r.tagged && r.trailer.isEmpty());
        }
    }
    // A single read asks about its own file.
    const long before = fileSystemChecks();
    QCOMPARE(readTagFile("/proc/self/status").status.description(), pseudoFileSystemRefusal().description());
    QCOMPARE(fileSystemChecks() - before, 1L);
}

void TestFolderRead::aFolderOnANormalFileSystemIsAskedAboutOnceAndALinkOutOnItsOwn()
{
    const QByteArray d = folder() + "/normal";
    QCOMPARE(::mkdir(d.constData(), 0755), 0);
    QList<QByteArray> names;
    for (int i = 0; i < 100; ++i) {
        names += QByteArray::number(i) + ".mp3";
        writeFile(d + '/' + names.last(), QByteArray(300, 'x') + trailerFor(QByteArray::number(i)));
    }
    QCOMPARE(::symlink("/proc/self/status", (d + "/out.mp3").constData()), 0);
    names += "out.mp3";
    const std::vector<ListedFile> files = listed(names);
    for (ReadAhead readAhead : {ReadAhead::Never, ReadAhead::Always}) {
        const long before = fileSystemChecks();
        const std::vector<TagReading> readings = readAll(d, files, readAhead);
        QCOMPARE(fileSystemChecks() - before, 2L);  // the folder, and the link's target
        for (int i = 0; i < 100; ++i) {
            QVERIFY(readings[size_t(i)].status);
            QCOMPARE(readings[size_t(i)].fields.title, QByteArray::number(i));
        }
        QCOMPARE(readings.back().status.description(), pseudoFileSystemRefusal().description());
    }
}

void TestFolderRead::aFolderThatCannotBeOpenedFailsEveryFile()
{
    const std::vector<ListedFile> files = listed({"a.mp3", "b.mp3"});
    for (const QByteArray &bad : {folder() + "/no-such-folder", QByteArray("/tmp\0/x", 7)}) {
        const std::vector<TagReading> readings = readAll(bad, files, ReadAhead::Always);
        QCOMPARE(readings.size(), files.size());
        for (const TagReading &r : readings)
            QCOMPARE(r.status.code(), bad.contains('\0') ? EINVAL : ENOENT);
    }
}

void TestFolderRead::listingSortsAsciiAndOtherNamesAlike()
{
    // Names that are not ASCII fold through Unicode (the Kelvin sign folds to "k"), the others
    // byte by byte; both must land in one order.
    const QByteArray d = folder() + "/order";
    QCOMPARE(::mkdir(d.constData(), 0755), 0);
    const QList<QByteArray> expected = {"ezra.mp3", "Ka.mp3", "\xE2\x84\xAA" "b.mp3", "kc.mp3",
                                        "Zed.mp3", "\xC3\xA9" "a.mp3", "\xC3\x89" "mile.mp3"};
    for (const QByteArray &name : expected)
        writeFile(d + "/" + name, "x");
    std::vector<ListedFile> files;
    QVERIFY(listFolderFiles(d, QStringLiteral(" *.MP2 ; *.mp3 "), files).ok());
    QList<QByteArray> names;
    for (const ListedFile &file : files)
        names.append(file.name);
    QCOMPARE(names, expected);
    QCOMPARE(files[2].display, QString::fromUtf8("\xE2\x84\xAA" "b.mp3"));
}

QTEST_GUILESS_MAIN(TestFolderRead)
#include "tst_folderread.moc"
