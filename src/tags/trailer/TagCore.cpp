#include "tags/trailer/TagCore.h"

#include "tags/trailer/FileRename.h"
#include "tags/trailer/RawTrailer.h"
#include "tags/trailer/SaveChecks.h"
#include "tags/journal/SaveJournal.h"
#include "tags/trailer/TagFile.h"
#include "tags/text/TestStop.h"
#include "tags/text/TextEscape.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>

namespace {

QByteArray folderPrefixOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray() : path.left(slash + 1);
}

TagSaveResult failed(const FileStatus &status, const QByteArray &path)
{
    TagSaveResult result;
    result.status = status;
    result.path = path;
    return result;
}

// The trailer is on disk: identity is what the file is now, so the next save of it expects that.
TagSaveResult writtenThen(const FileStatus &status, const FileIdentity &identity, const QByteArray &trailer,
                          const QByteArray &path)
{
    TagSaveResult result = failed(status, path);
    result.written = true;
    result.identity = identity;
    result.trailer = trailer;
    return result;
}

// The journal's record of a save of the checked, open file.
JournalRecord recordOf(const TagSave &request, const TagFile &file, const QByteArray &oldTail,
                       const QByteArray &newTrailer, bool overwrite)
{
    JournalRecord record;
    const qsizetype slash = request.path.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : request.path.left(slash);
    if (char *real = ::realpath(folder.constData(), nullptr)) {
        record.folder = real;
        std::free(real);
    }
    record.oldName = request.path.mid(slash + 1);
    // A name that cannot be used is refused after the trailer is written: the file keeps its own.
    const bool renames = !request.newName.isEmpty() && newNameProblem(request.newName).isEmpty();
    record.newName = renames ? request.newName : record.oldName;
    record.op = overwrite ? JournalRecord::Op::Write : JournalRecord::Op::Append;
    FileIdentity identity;
    file.identity(identity);
    record.lengthBefore = identity.size;
    record.device = identity.device;
    record.inode = identity.inode;
    record.mode = file.mode();
    record.oldTail = oldTail;
    record.newTail = newTrailer;
    return record;
}

FileStatus timesNotKept(const FileStatus &reason)
{
    return FileStatus::failure(reason.code(),
                               QStringLiteral("The tag is written, but the file's times could not be kept: %1")
                                   .arg(reason.description()));
}

// Whether name holds a control character (C0, DEL, or C1 as UTF-8): in a file name it breaks
// lines and listings, and a terminal may act on it.
bool holdsControlCharacter(const QByteArray &name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        const uchar c = uchar(name[i]);
        if (TextEscape::isControl(c) && c < 0x80)
            return true;
        if (c == 0xC2 && i + 1 < name.size() && TextEscape::isControl(uchar(name[i + 1])))
            return true;
    }
    return false;
}


// The file at path read as the single reads do: looked at before the open. A path holding NUL
// would name a shorter one to the system, and is refused.
void readPath(const QByteArray &path, RawTrailer &raw, const RawReadOptions &options = {})
{
    if (path.isEmpty() || path.contains('\0'))
        raw.status = FileStatus::fromErrno(path.isEmpty() ? ENOENT : EINVAL);
    else
        readRawTrailer(AT_FDCWD, path.constData(), EntryKind::Unknown, raw, options);
}

}  // namespace

TagReading readTagFile(const QByteArray &path)
{
    RawTrailer raw;
    readPath(path, raw);
    return tagReadingOf(raw);
}

FileTags readFileTags(const QByteArray &path)
{
    RawTrailer raw;
    RawReadOptions options;
    options.id3v2 = Id3v2Read::Tag;
    readPath(path, raw, options);
    return {tagReadingOf(raw), Id3v2::readingOf(raw)};
}

TagReading tagReadingOf(const RawTrailer &raw)
{
    TagReading reading;
    reading.status = raw.status;
    if (!raw.status)
        return reading;
    reading.identity = raw.identity;
    reading.id3v2Version = raw.id3v2Version;
    if (raw.complete)
        reading.trailer = QByteArray(raw.bytes, Id3v1::TrailerSize);
    if (raw.tagged()) {
        reading.tagged = true;
        reading.fields = Id3v1::parse(raw.bytes);
    }
    return reading;
}

namespace {

// Whether two records of one save describe the same change of the same file.
bool sameChange(const JournalRecord &a, const JournalRecord &b)
{
    return a.folder == b.folder && a.oldName == b.oldName && a.newName == b.newName && a.op == b.op
           && a.lengthBefore == b.lengthBefore && a.oldTail == b.oldTail && a.newTail == b.newTail && a.device == b.device
           && a.inode == b.inode && (a.mode & 0777) == (b.mode & 0777);
}

// What a save finds once the file is open and locked: its trailer, and the fields to write.
struct OpenedSave {
    QByteArray trailer;
    bool hadTag = false;
    Id3v1::Fields fields;
    bool nothingToDo = false;  // planned anew, the file already holds what the save would write
};

// Opens and locks the file for a save, with every check, and reads its trailer as it is. A trailer
// other than the one expected is planned anew (replan) or refused.
FileStatus openForSave(const TagSave &request, TagFile &file, OpenedSave &opened)
{
    std::optional<FileIdentity> expected = request.expected;
    if (expected && request.replan)
        expected->size = -1;  // another save may have appended a tag meanwhile: planned anew below
    FileStatus status = file.openChecked(request.path, request.folder, expected);
    if (status)
        status = file.readTrailer(opened.trailer);
    opened.hadTag = opened.trailer.size() == Id3v1::TrailerSize && Id3v1::hasMarker(opened.trailer);
    opened.fields = request.fields;
    if (!status || !request.expectedTrailer || *request.expectedTrailer == opened.trailer)
        return status;
    if (!request.replan)
        return SaveChecks::changedOnDiskRefusal();
    opened.nothingToDo = !request.replan(opened.trailer, opened.fields)
                         || (opened.hadTag && Id3v1::build(opened.fields) == opened.trailer);
    return status;
}

}  // namespace

FileStatus journalRecordOf(const TagSave &request, JournalRecord &record)
{
    TagFile file;
    OpenedSave opened;
    const FileStatus status = openForSave(request, file, opened);
    if (status)
        record = recordOf(request, file, opened.trailer, Id3v1::build(opened.fields), opened.hadTag);
    return status;
}

TagSaveResult saveTagFile(const TagSave &request)
{
    const QByteArray &path = request.path;
    // A record committed ahead whose file is not written is closed: nothing changed.
    const auto refused = [&](const FileStatus &status) {
        if (request.journal && request.committed)
            request.journal->finish(*request.committed, JournalRecord::State::Nothing);
        return failed(status, path);
    };
    // The checks first, with the file open for reading only: a missing file is reported there,
    // never created, and nothing changes before the journal holds the record. The file's lock is
    // held from here to the end, so the record's old trailer is the one this save overwrites.
    TagFile file;
    OpenedSave opened;
    FileStatus status = openForSave(request, file, opened);
    if (!status)
        return refused(status);
    if (opened.nothingToDo)
        return refused(FileStatus::success());
    const QByteArray &trailer = opened.trailer;
    const bool hadTag = opened.hadTag;
    const QByteArray newTrailer = Id3v1::build(opened.fields);
    const QString problem = request.newName.isEmpty() ? QString() : newNameProblem(request.newName);
    JournalRecord record;
    if (request.journal) {
        record = recordOf(request, file, trailer, newTrailer, hadTag);
        if (request.committed) {
            if (!sameChange(record, *request.committed))
                return refused(SaveChecks::changedOnDiskRefusal());
            record = *request.committed;
        } else if (status = request.journal->begin(record); !status) {
            return failed(status, path);
        }
    }
    const auto finish = [&](JournalRecord::State outcome) {
        if (request.journal && record.id)
            request.journal->finish(record, outcome);
    };
    TestStop::at("journal");

    status = file.prepareToWrite();  // a read-only file is made writable once it is known
    if (status)
        status = file.writeTrailer(newTrailer, hadTag);
    if (!status) {
        file.putReadOnlyBack();  // the protection is kept when nothing was saved
        if (request.journal && record.id)
            request.journal->leaveOpen();  // the next start checks what the failure left
        return failed(status, path);
    }
    if (request.keepTimes)
        status = file.restoreTimes();
    FileIdentity written;
    file.identity(written);  // taken after the write and the times; a rename leaves it as it is
    if (!status)
        return writtenThen(timesNotKept(status), written, newTrailer, path);
    file.close();
    if (request.journal && record.id && !request.newName.isEmpty())
        request.journal->step(record, JournalRecord::State::Bytes);
    TestStop::at("trailer");

    if (request.newName.isEmpty()) {
        finish(JournalRecord::State::Done);
        return writtenThen(status, written, newTrailer, path);
    }
    if (!problem.isEmpty()) {
        finish(JournalRecord::State::KeptName);
        return writtenThen(FileStatus::failure(EINVAL, problem), written, newTrailer, path);
    }
    const QByteArray newPath = folderPrefixOf(path) + request.newName;
    status = renameNoReplace(path, newPath);
    TestStop::at("renamed");
    finish(status ? JournalRecord::State::Done : JournalRecord::State::KeptName);
    return writtenThen(status, written, newTrailer, status ? newPath : path);
}

QString newNameProblem(const QByteArray &name)
{
    const QString shown = TextEscape::shown(name);
    if (name.isEmpty())
        return QStringLiteral("The new file name cannot be used: it is empty.");
    if (name.contains('/'))
        return QStringLiteral("The new file name \"%1\" cannot be used: a file name cannot contain \"/\".").arg(shown);
    if (name.contains('\0'))
        return QStringLiteral("The new file name cannot be used: it contains a NUL character.");
    if (holdsControlCharacter(name))
        return QStringLiteral("The new file name \"%1\" cannot be used: a file name cannot contain control characters "
                              "(such as a tab or a line break).")
            .arg(shown);
    if (name.startsWith('.'))
        return QStringLiteral("The new file name \"%1\" cannot be used: a name beginning with \".\" would hide the file.")
            .arg(shown);
    return QString();
}

QString withMp3Extension(const QString &name)
{
    if (name.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive))
        return name;
    return name + QLatin1String(".MP3");
}

namespace Id3v2 {

Id3v2Reading readingOf(const RawTrailer &raw)
{
    Id3v2Reading reading;
    reading.status = raw.status;
    reading.present = raw.status && raw.id3v2Version != 0;
    if (!reading.present)
        return reading;
    reading.problem = raw.id3v2Problem;
    if (reading.problem.isEmpty())
        reading.values = raw.id3v2Values;
    return reading;
}

Id3v2Reading readFile(const QByteArray &path)
{
    return readFileTags(path).id3v2;
}

}  // namespace Id3v2
