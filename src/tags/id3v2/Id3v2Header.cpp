#include "tags/id3v2/Id3v2Header.h"

namespace Id3v2 {

quint32 syncSafe(const uchar *bytes)
{
    return quint32(bytes[0]) << 21 | quint32(bytes[1]) << 14 | quint32(bytes[2]) << 7 | quint32(bytes[3]);
}

QByteArray syncSafeBytes(qint64 value)
{
    QByteArray out(4, '\0');
    for (int i = 3; i >= 0; --i, value >>= 7)
        out[i] = char(value & 0x7F);
    return out;
}

qint64 frameSize(int major, const uchar *sizeBytes)
{
    if (major == 2)
        return qint64(sizeBytes[0]) << 16 | qint64(sizeBytes[1]) << 8 | sizeBytes[2];
    if (major == 3)
        return qint64(sizeBytes[0]) << 24 | qint64(sizeBytes[1]) << 16 | qint64(sizeBytes[2]) << 8 | sizeBytes[3];
    return syncSafe(sizeBytes);
}

bool isFrameId(const uchar *id, int idSize)
{
    for (int i = 0; i < idSize; ++i) {
        if (!((id[i] >= 'A' && id[i] <= 'Z') || (id[i] >= '0' && id[i] <= '9')))
            return false;
    }
    return true;
}

qsizetype framesStart(const Header &header, QByteArrayView body)
{
    if (!(header.flags & ExtendedHeaderFlag))
        return 0;
    if (body.size() < 4)
        return -1;
    const auto *size = reinterpret_cast<const uchar *>(body.constData());
    const qint64 skip = header.major == 3
        ? 4 + (qint64(size[0]) << 24 | qint64(size[1]) << 16 | qint64(size[2]) << 8 | size[3])
        : qint64(syncSafe(size));
    return skip < 4 || skip > body.size() ? -1 : qsizetype(skip);
}

void appendFrameHeader(QByteArray &to, int major, const char *id, qsizetype size)
{
    to.append(id, major == 2 ? 3 : 4);
    if (major == 2) {
        to.append(char(size >> 16 & 0xFF)).append(char(size >> 8 & 0xFF)).append(char(size & 0xFF));
        return;
    }
    if (major == 3) {
        for (int shift = 24; shift >= 0; shift -= 8)
            to.append(char(size >> shift & 0xFF));
    } else {
        to.append(syncSafeBytes(size));
    }
    to.append("\0\0", 2);
}

std::optional<Header> parseHeader(const char *head)
{
    const auto *bytes = reinterpret_cast<const uchar *>(head);
    if (bytes[0] != 'I' || bytes[1] != 'D' || bytes[2] != '3')
        return std::nullopt;
    if (bytes[3] < 2 || bytes[3] > 4 || bytes[4] == 0xFF)
        return std::nullopt;
    for (int i = 6; i < HeaderSize; ++i) {
        if (bytes[i] & 0x80)
            return std::nullopt;
    }
    Header header;
    header.major = bytes[3];
    header.revision = bytes[4];
    header.flags = bytes[5];
    header.bodySize = syncSafe(bytes + 6);
    return header;
}

}  // namespace Id3v2
