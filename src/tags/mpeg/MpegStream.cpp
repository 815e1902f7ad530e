#include "tags/mpeg/MpegStream.h"

#include "tags/files/RegularFile.h"
#include "tags/id3v1/Id3v1.h"
#include "tags/id3v2/Id3v2Header.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace MpegStream {

namespace {

// Kilobits a second by version row (MPEG 1, MPEG 2 and 2.5) and layer, for the index of bits 12-15;
// index 0 (free format) and 15 are not used.
constexpr int Bitrates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
};

constexpr int SampleRates[3] = {44100, 48000, 32000};  // MPEG 1; halved for 2, quartered for 2.5

// How far a frame found by its sync may lie from the start of the audio: encoders and taggers
// leave some stray bytes or a short junk block there, never this many.
constexpr qint64 HeadBytes = 64 * 1024;

quint32 bigEndian32(const uchar *b)
{
    return (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | quint32(b[3]);
}

bool sameStream(const FrameHeader &a, const FrameHeader &b)
{
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

// The offset in head of the first frame whose successor (when head reaches it) is a frame of the
// same stream, so that a stray 0xFF in junk before the music is not taken for a frame.
std::optional<std::pair<qsizetype, FrameHeader>> firstFrame(const QByteArray &head)
{
    const auto *bytes = reinterpret_cast<const uchar *>(head.constData());
    for (qsizetype i = 0; i + 4 <= head.size(); ++i) {
        if (bytes[i] != 0xFF)
            continue;
        const auto header = parseFrameHeader(bytes + i);
        if (!header)
            continue;
        const qsizetype next = i + header->frameBytes;
        if (next + 4 <= head.size()) {
            const auto following = parseFrameHeader(bytes + next);
            if (!following || !sameStream(*header, *following))
                continue;
        }
        return std::make_pair(i, *header);
    }
    return std::nullopt;
}

// What a VBR header in the first frame says: the stream's frames, and the samples the encoder
// added at the start and the end (the LAME extension, which other encoders write too).
struct VbrHeader {
    quint32 frames = 0;
    int addedSamples = 0;
};

VbrHeader vbrHeader(const uchar *frame, qsizetype available, const FrameHeader &h)
{
    const qsizetype sideInfo = h.version == 10 ? (h.mono ? 17 : 32) : (h.mono ? 9 : 17);
    const qsizetype xing = 4 + sideInfo;
    if (xing + 12 <= available && h.layer == 3) {
        const QByteArray id(reinterpret_cast<const char *>(frame + xing), 4);
        if (id == "Xing" || id == "Info") {
            const quint32 flags = bigEndian32(frame + xing + 4);
            if (!(flags & 1))
                return {};
            VbrHeader vbr{bigEndian32(frame + xing + 8), 0};
            // After the frame count: the byte count, the seek table and the quality, when flagged.
            const qsizetype extension = xing + 12 + ((flags & 2) ? 4 : 0) + ((flags & 4) ? 100 : 0) + ((flags & 8) ? 4 : 0);
            constexpr qsizetype DelayOffset = 21;  // encoder name (9), revision, lowpass, peak, gains, flags, rate
            if (extension + DelayOffset + 3 <= available) {
                const QByteArray encoder(reinterpret_cast<const char *>(frame + extension), 4);
                if (encoder == "LAME" || encoder == "Lavc" || encoder == "Lavf") {
                    const uchar *d = frame + extension + DelayOffset;
                    const int delay = (d[0] << 4) | (d[1] >> 4);
                    const int padding = ((d[1] & 0x0F) << 8) | d[2];
                    vbr.addedSamples = delay + padding;
                }
            }
            return vbr;
        }
    }
    constexpr qsizetype vbri = 4 + 32;
    if (vbri + 18 <= available && QByteArray(reinterpret_cast<const char *>(frame + vbri), 4) == "VBRI")
        return {bigEndian32(frame + vbri + 14), 0};
    return {};
}

}  // namespace

std::optional<FrameHeader> parseFrameHeader(const uchar *b)
{
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0)
        return std::nullopt;
    const int versionBits = (b[1] >> 3) & 3;
    const int layerBits = (b[1] >> 1) & 3;
    const int bitrateIndex = b[2] >> 4;
    const int rateIndex = (b[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return std::nullopt;

    FrameHeader h;
    h.version = versionBits == 3 ? 10 : versionBits == 2 ? 20 : 25;
    h.layer = 4 - layerBits;
    h.bitrateKbps = Bitrates[h.version == 10 ? 0 : 1][h.layer - 1][bitrateIndex];
    h.sampleRate = SampleRates[rateIndex] / (h.version == 10 ? 1 : h.version == 20 ? 2 : 4);
    h.mono = (b[3] >> 6) == 3;
    const int padding = (b[2] >> 1) & 1;
    if (h.layer == 1) {
        h.samplesPerFrame = 384;
        h.frameBytes = (12 * h.bitrateKbps * 1000 / h.sampleRate + padding) * 4;
    } else {
        // Layer III of MPEG 2 and 2.5 holds half the samples of MPEG 1's frame.
        h.samplesPerFrame = (h.layer == 3 && h.version != 10) ? 576 : 1152;
        h.frameBytes = h.samplesPerFrame / 8 * h.bitrateKbps * 1000 / h.sampleRate + padding;
    }
    return h;
}

std::optional<qint64> lengthMsOf(const QByteArray &head, qint64 audioBytes)
{
    const auto found = firstFrame(head);
    if (!found)
        return std::nullopt;
    const auto &[offset, header] = *found;
    const auto *frame = reinterpret_cast<const uchar *>(head.constData()) + offset;
    const VbrHeader vbr = vbrHeader(frame, head.size() - offset, header);
    if (vbr.frames > 0) {
        const qint64 samples = qMax<qint64>(0, qint64(vbr.frames) * header.samplesPerFrame - vbr.addedSamples);
        return samples * 1000 / header.sampleRate;
    }
    // Constant bitrate: bits over kilobits a second are milliseconds.
    const qint64 streamBytes = qMax<qint64>(0, audioBytes - offset);
    return streamBytes * 8 / header.bitrateKbps;
}

std::optional<qint64> lengthMs(const QString &path)
{
    int fd = -1;
    struct stat st {};
    const QByteArray name = QFile::encodeName(path);
    if (!openRegularFile(AT_FDCWD, name.constData(), O_RDONLY, true, fd, st))
        return std::nullopt;

    auto readAt = [fd](qint64 at, qint64 count) {
        QByteArray bytes(count, Qt::Uninitialized);
        qint64 got = 0;
        while (got < count) {
            const ssize_t n = ::pread(fd, bytes.data() + got, size_t(count - got), at + got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += n;
        }
        bytes.truncate(got);
        return bytes;
    };

    const qint64 size = st.st_size;
    qint64 start = 0;
    const QByteArray tagHead = readAt(0, Id3v2::HeaderSize);
    if (tagHead.size() == Id3v2::HeaderSize) {
        if (const auto tag = Id3v2::parseHeader(tagHead.constData()))
            start = qMin(size, tag->totalSize());
    }
    qint64 end = size;
    if (size - start >= Id3v1::TrailerSize && readAt(size - Id3v1::TrailerSize, 3) == "TAG")
        end = size - Id3v1::TrailerSize;
    const QByteArray head = readAt(start, qMin(HeadBytes, end - start));
    ::close(fd);
    return lengthMsOf(head, end - start);
}

}  // namespace MpegStream
