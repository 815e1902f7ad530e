#include "tags/files/BatchFlush.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

BatchFlush::~BatchFlush()
{
    release();
}

void BatchFlush::add(size_t item, int fd, quint64 device)
{
    Held &held = m_byKey[m_eachFile ? quint64(item) : device];
    if (held.fd < 0)
        held.fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);  // -1 is said by flush()
    held.items.push_back(item);
}

std::vector<std::pair<size_t, int>> BatchFlush::flush()
{
    std::vector<std::pair<size_t, int>> failed;
    for (auto &[key, held] : m_byKey) {
        if (held.fd >= 0 && (m_eachFile ? ::fsync(held.fd) : ::syncfs(held.fd)) == 0)
            continue;
        const int code = held.fd < 0 ? EBADF : errno;
        for (const size_t item : held.items)
            failed.emplace_back(item, code);
    }
    release();
    return failed;
}

void BatchFlush::release()
{
    for (auto &[key, held] : m_byKey)
        if (held.fd >= 0)
            ::close(held.fd);
    m_byKey.clear();
}
