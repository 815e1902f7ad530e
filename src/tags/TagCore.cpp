#include "TagCore.h"

#include "FileRename.h"
#include "RawTrailer.h"
#include "TagFile.h"

#include <cerrno>
#include <fcntl.h>

namespace {

QByteArray folderPrefixOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray() : path.left(slash + 1);
}

TagSaveResult failed(const FileStatus &status, bool written, const QByteArray &path)
{
    TagSaveResult result;
    result.status = status;
    result.written = written;
    result.path = path;
    return result;
}

}  // namespace

TagReading readTagFile(const QByteArray &path)
{
    if (path.isEmpty() || path.contains('\0')) {
        TagReading reading;
        // A path holding NUL would name a shorter one to the system.
        reading.status = FileStatus::fromErrno(path.isEmpty() ? ENOENT : EINVAL);
        return reading;
    }
    RawTrailer raw;
    readRawTrailer(AT_FDCWD, path.constData(), EntryKind::Unknown, raw);
    return tagReadingOf(raw);
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

TagSaveResult saveTagFile(const TagSave &request)
{
    const QByteArray &path = request.path;
    // The open makes a read-only file writable once it knows the file is the one that was read;
    // a missing file is reported there, never created.
    TagFile file;
    FileStatus status = file.openForSaving(path, request.folder, request.expected);
    if (!status)
        return failed(status, false, path);
    QByteArray trailer;
    status = file.readTrailer(trailer);
    if (status) {
        const bool hadTag = trailer.size() == Id3v1::TrailerSize && Id3v1::hasMarker(trailer);
        status = file.writeTrailer(Id3v1::build(request.fields), hadTag);
    }
    if (!status) {
        file.putReadOnlyBack();  // the protection is kept when nothing was saved
        return failed(status, false, path);
    }
    file.close();

    if (request.newName.isEmpty())
        return failed(status, true, path);
    const QString problem = newNameProblem(request.newName);
    if (!problem.isEmpty())
        return failed(FileStatus::failure(EINVAL, problem), true, path);
    const QByteArray newPath = folderPrefixOf(path) + request.newName;
    status = renameNoReplace(path, newPath);
    return failed(status, true, status ? newPath : path);
}

QString newNameProblem(const QByteArray &name)
{
    const QString shown = QString::fromUtf8(name);
    if (name.isEmpty())
        return QStringLiteral("The new file name cannot be used: it is empty.");
    if (name.contains('/'))
        return QStringLiteral("The new file name \"%1\" cannot be used: a file name cannot contain \"/\".").arg(shown);
    if (name.contains('\0'))
        return QStringLiteral("The new file name cannot be used: it contains a NUL character.");
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
