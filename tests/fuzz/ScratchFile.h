#pragma once
// One scratch file per fuzzing process, in $TMPDIR (or /tmp), removed when the process ends.

#include "FuzzCheck.h"

#include <fcntl.h>
#include <unistd.h>

inline QByteArray scratchFolder()
{
    static const QByteArray folder = [] {
        QByteArray base = qgetenv("TMPDIR");
        if (base.isEmpty())
            base = "/tmp";
        QByteArray name = base + "/velmora-fuzz-XXXXXX";
        FUZZ_CHECK(::mkdtemp(name.data()) != nullptr);
        return name;
    }();
    return folder;
}

inline QByteArray scratchFile()
{
    static const QByteArray path = [] {
        const QByteArray name = scratchFolder() + "/song.mp3";
        std::atexit([] {
            ::unlink((scratchFolder() + "/song.mp3").constData());
            ::rmdir(scratchFolder().constData());
        });
        return name;
    }();
    return path;
}

inline void replaceContents(const QByteArray &path, const QByteArray &bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size());
    ::close(fd);
}

inline QByteArray contentsOf(const QByteArray &path)
{
    QByteArray bytes;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    FUZZ_CHECK(fd >= 0);
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, n);
    ::close(fd);
    return bytes;
}
