#include "cli/Output.h"

#include <cerrno>
#include <unistd.h>

namespace {

constexpr qsizetype BlockSize = 64 * 1024;

}  // namespace

Output::Output(int fd) : m_fd(fd)
{
    m_buffer.reserve(BlockSize + 4096);
}

void Output::written()
{
    if (m_buffer.size() >= BlockSize)
        send();
}

FileStatus Output::finish()
{
    send();
    return m_status;
}

void Output::send()
{
    qsizetype done = 0;
    while (m_status && done < m_buffer.size()) {
        const ssize_t n = ::write(m_fd, m_buffer.constData() + done, size_t(m_buffer.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            m_status = FileStatus::fromLastError();
        else if (n == 0)
            m_status = FileStatus::fromErrno(EIO);
        else
            done += n;
    }
    m_buffer.truncate(0);  // keeps the capacity
}
