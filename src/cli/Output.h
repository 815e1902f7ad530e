#pragma once
// Standard output (or any descriptor), written in large blocks.

#include "tags/text/FileStatus.h"

#include <QByteArray>

class Output {
public:
    explicit Output(int fd);

    // Append to this, then call written().
    QByteArray &buffer() { return m_buffer; }
    // Sends the buffer on once it holds a block's worth.
    void written();
    // Sends what is left; the first write error, if any.
    FileStatus finish();

private:
    void send();

    int m_fd;
    QByteArray m_buffer;
    FileStatus m_status = FileStatus::success();
};
