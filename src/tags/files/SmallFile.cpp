#include "tags/files/SmallFile.h"

#include "tags/files/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

FileStatus tooLarge(qint64 limit)
{
    return FileStatus::failure(EFBIG, QStringLiteral("File too large: more than %1").arg(sizeText(limit)));
}

// Reads fd to its end into file.bytes, which holds room for what is expected plus one byte: that
// byte tells a file that grew since its size was taken. More than limit bytes is refused.
void readToEnd(int fd, qint64 limit, SmallFile &file)
{
    qsizetype have = 0;
    while (file.status && have < file.bytes.size()) {
        const ssize_t n = ::read(fd, file.bytes.data() + have, size_t(file.bytes.size() - have));
        if (n == 0)
            break;
        if (n > 0)
            have += n;
        else if (errno != EINTR)
            file.status = FileStatus::fromLastError();
        if (have == file.bytes.size() && have <= limit)
            file.bytes.resize(std::min<qint64>(limit + 1, have * 2));  // grown: read on up to the limit
    }
    if (file.status && have > limit)
        file.status = tooLarge(limit);
    file.bytes.resize(file.status ? have : 0);
}

}  // namespace

SmallFile readSmallFile(const QString &path, qint64 limit)
{
    SmallFile file;
    const QByteArray native = QFile::encodeName(path);
    int fd;
    struct stat st;
    // Looked at first: opening a device can do something by itself.
    file.status = openRegularFile(AT_FDCWD, native.constData(), O_RDONLY, true, fd, st);
    if (!file.status)
        return file;
    if (st.st_size > limit) {
        ::close(fd);
        file.status = tooLarge(limit);
        return file;
    }
    file.bytes.resize(qsizetype(st.st_size) + 1);
    readToEnd(fd, limit, file);
    ::close(fd);  // only read: a close error loses nothing
    return file;
}

SmallFile readSmallStream(int fd, qint64 limit)
{
    SmallFile file;
    file.bytes.resize(std::min<qint64>(limit + 1, 64 * 1024));
    readToEnd(fd, limit, file);
    return file;
}

QString sizeText(qint64 bytes)
{
    if (bytes > 0 && bytes % (1 << 20) == 0)
        return QStringLiteral("%1 MiB").arg(bytes >> 20);
    if (bytes > 0 && bytes % 1024 == 0)
        return QStringLiteral("%1 KiB").arg(bytes >> 10);
    return QStringLiteral("%1 bytes").arg(bytes);
}
