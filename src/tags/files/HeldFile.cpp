#include "tags/files/HeldFile.h"

#include <sys/stat.h>

HeldFile::HeldFile(const QByteArray &path)
{
    struct stat st;
    if (path.isEmpty() || ::stat(path.constData(), &st) != 0)
        return;
    m_held = true;
    m_device = quint64(st.st_dev);
    m_inode = quint64(st.st_ino);
}
