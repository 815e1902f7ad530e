#include "tags/id3v2/Id3v2Header.h"

namespace Id3v2 {

quint32 syncSafe(const uchar *bytes)
{
    return quint32(bytes[0]) << 21 | quint32(bytes[1]) << 14 | quint32(bytes[2]) << 7 | quint32(bytes[3]);
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
