#include "tags/trailer/TagCore.h"

#include "tags/trailer/RawTrailer.h"
#include "tags/text/TextEscape.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>

namespace {

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

TagReading readTagFile(const QByteArray &path, bool withId3v2Version)
{
    RawTrailer raw;
    RawReadOptions options;
    options.id3v2 = withId3v2Version ? Id3v2Read::Version : Id3v2Read::None;
    readPath(path, raw, options);
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
    reading.mode = raw.mode;
    reading.id3v2Version = raw.id3v2Version;
    if (raw.complete)
        reading.trailer = QByteArray(raw.bytes, Id3v1::TrailerSize);
    if (raw.tagged()) {
        reading.tagged = true;
        reading.fields = Id3v1::parse(raw.bytes);
    }
    return reading;
}

TagReading readingAfter(const TagReading &before, const TagSaveResult &written)
{
    TagReading after = before;
    after.trailer = written.trailer;
    after.tagged = true;
    after.fields = Id3v1::parse(written.trailer);
    after.identity = written.identity;
    after.mode = written.mode;
    return after;
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
    if (name.size() > NAME_MAX)
        return QStringLiteral("The new file name \"%1\" cannot be used: it takes %2 bytes, and a file name holds %3 at most.")
            .arg(shown).arg(name.size()).arg(NAME_MAX);
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
