#pragma once
// The length of an MP3 file's music, read from its MPEG audio frames without decoding them: the
// first frame's header after any ID3v2 tag, then the frame count of a VBR header in that frame
// (Xing or Info as encoders write it, or VBRI), or for a file without one the stream's bytes over
// its constant bitrate. What players show as the length, to within a frame.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace MpegStream {

// One MPEG audio frame header (four bytes): what the length needs of it.
struct FrameHeader {
    int version = 0;  // 10 for MPEG 1, 20 for MPEG 2, 25 for MPEG 2.5
    int layer = 0;    // 1, 2 or 3
    int bitrateKbps = 0;
    int sampleRate = 0;
    int samplesPerFrame = 0;
    int frameBytes = 0;
    bool mono = false;
};

// The header at bytes (four of them), or nothing when they are not one: no sync, a reserved
// version or layer, a free or bad bitrate, a bad sample rate.
std::optional<FrameHeader> parseFrameHeader(const uchar *bytes);

// The length in milliseconds of a stream whose bytes from the first possible frame are head
// (the start of the audio, as much as the caller read: 64 KiB is plenty), given how many bytes
// the audio has in all (up to the ID3v1 trailer). Nothing when no frame is found at the start.
std::optional<qint64> lengthMsOf(const QByteArray &head, qint64 audioBytes);

// The length in milliseconds of the MP3 file at path, or nothing when it cannot be read or holds
// no MPEG audio that we can find.
std::optional<qint64> lengthMs(const QString &path);

}  // namespace MpegStream
