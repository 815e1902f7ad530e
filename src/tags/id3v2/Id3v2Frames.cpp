#include "tags/id3v2/Id3v2Frames.h"

#include "tags/id3v2/Id3v2Header.h"
#include "tags/id3v2/Id3v2Text.h"

#include <QList>
#include <QStringList>

#include <cstring>

namespace Id3v2 {

namespace {

constexpr quint8 FrameCompressed3 = 0x80, FrameEncrypted3 = 0x40;
constexpr quint8 FrameGrouped3 = 0x20;
constexpr quint8 FrameCompressed4 = 0x08, FrameEncrypted4 = 0x04;
constexpr quint8 FrameGrouped4 = 0x40, FrameUnsynchronised4 = 0x02, FrameDataLength4 = 0x01;

const char *const wantedFrames[] = {"TT2", "TP1", "TAL", "TYE", "COM", "TCO",
                                    "TIT2", "TPE1", "TALB", "TYER", "TDRC", "COMM", "TCON"};

// The place of id in wantedFrames, or -1.
int wantedIndex(const char *id, int idSize)
{
    for (int i = 0; i < int(std::size(wantedFrames)); ++i) {
        if (int(std::strlen(wantedFrames[i])) == idSize && std::memcmp(wantedFrames[i], id, size_t(idSize)) == 0)
            return i;
    }
    return -1;
}

// Every 0xFF 0x00 back to 0xFF.
QByteArray resynchronised(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out.append(bytes.at(i));
        if (quint8(bytes.at(i)) == 0xFF && i + 1 < bytes.size() && bytes.at(i + 1) == '\0')
            ++i;
    }
    return out;
}

struct FrameLayout {
    int idSize, headerSize;
};

}  // namespace

bool isSealed(int major, quint8 formatFlags)
{
    if (major == 3)
        return formatFlags & (FrameCompressed3 | FrameEncrypted3);
    return major == 4 && (formatFlags & (FrameCompressed4 | FrameEncrypted4));
}

QByteArray frameData(int major, quint8 formatFlags, const char *data, qsizetype size)
{
    qsizetype skip = 0;
    if (major == 3 && (formatFlags & FrameGrouped3))
        skip = 1;
    if (major == 4)
        skip = (formatFlags & FrameGrouped4 ? 1 : 0) + (formatFlags & FrameDataLength4 ? 4 : 0);
    if (skip >= size)
        return {};
    // Only the start of a long frame is ever used: a few bytes more than the text read of it.
    const QByteArray kept(data + skip, qMin(size - skip, qsizetype(8 * MaxTextUnits + 16)));
    return major == 4 && (formatFlags & FrameUnsynchronised4) ? resynchronised(kept) : kept;
}

namespace {

bool isComment(const char *id, int idSize)
{
    return std::memcmp(id, idSize == 3 ? "COM" : "COMM", size_t(idSize)) == 0;
}

// The frames kept for the library, each rewritten plain (see Id3v2Text.h): the first frame of
// each text id, and of the comments the first with an empty description, else the first.
class KeptFrames {
public:
    KeptFrames(int major, qsizetype mostBytes) : m_major(major) { m_frames.reserve(mostBytes); }

    // wanted: the place of id in wantedFrames.
    void add(const char *id, int idSize, int wanted, const QByteArray &data)
    {
        if (data.isEmpty())
            return;
        if (!isComment(id, idSize)) {
            if (m_seen & (1u << wanted))
                return;
            m_seen |= 1u << wanted;
            appendFrame(m_frames, id, passesAsItIs(data, 1) ? data
                                      : textFrameContents(decodeText(quint8(data[0]), data.constData() + 1, data.size() - 1)));
            return;
        }
        if (m_plainComment || data.size() < 4)
            return;
        if (passesAsItIs(data, 4)) {
            const bool plain = data.size() == 4 || data[4] == '\0';
            if (m_comment.isEmpty() || plain) {
                m_plainComment = plain;
                m_comment.clear();
                appendFrame(m_comment, id, data);
            }
            return;
        }
        const QStringList parts = decodeText(quint8(data[0]), data.constData() + 4, data.size() - 4);
        const QString description = parts.value(0);
        if (!m_comment.isEmpty() && !description.isEmpty())
            return;
        m_plainComment = description.isEmpty();
        m_comment.clear();
        appendFrame(m_comment, id, commentFrameContents(data.mid(1, 3), description, parts.value(1)));
    }

    QByteArray frames() { return std::move(m_frames += m_comment); }

private:
    // Text that reads the same whatever reads it, and needs no cut, goes to the library as it is:
    // Latin-1, or UTF-8 without a byte-order mark, of at most MaxTextUnits bytes after textStart.
    static bool passesAsItIs(const QByteArray &data, qsizetype textStart)
    {
        if (data.size() - textStart > MaxTextUnits)
            return false;
        return data[0] == '\0' || (data[0] == '\3' && !data.contains("\xEF\xBB\xBF"));
    }

    void appendFrame(QByteArray &to, const char *id, const QByteArray &contents) const
    {
        appendFrameHeader(to, m_major, id, contents.size());
        to += contents;
    }

    int m_major;
    quint32 m_seen = 0;  // the text ids kept, one bit for each place in wantedFrames
    QByteArray m_frames, m_comment;
    bool m_plainComment = false;  // the comment kept has an empty description: no other is looked at
};

// The wanted frames of body from start on; the walk ends at padding, at anything that is not a
// frame header, or at a frame longer than what is left.
QByteArray wantedFramesOf(int major, const QByteArray &body, qsizetype start)
{
    const FrameLayout layout = major == 2 ? FrameLayout{3, 6} : FrameLayout{4, 10};
    // Most tags' kept frames fit in what is reserved; a larger one grows as usual.
    KeptFrames kept(major, qMin(body.size() - start, qsizetype(4096)));
    qsizetype at = start;
    while (at + layout.headerSize <= body.size()) {
        const auto *frame = reinterpret_cast<const uchar *>(body.constData() + at);
        if (!isFrameId(frame, layout.idSize))
            break;
        const qint64 size = frameSize(major, frame + layout.idSize);
        if (size > body.size() - at - layout.headerSize)
            break;
        const quint8 formatFlags = major == 2 ? 0 : frame[9];
        const char *id = body.constData() + at;
        const int wanted = size > 0 ? wantedIndex(id, layout.idSize) : -1;
        if (wanted >= 0 && !isSealed(major, formatFlags))
            kept.add(id, layout.idSize, wanted, frameData(major, formatFlags, id + layout.headerSize, qsizetype(size)));
        at += layout.headerSize + qsizetype(size);
    }
    return kept.frames();
}

}  // namespace

QByteArray textFramesOf(const QByteArray &tag, QString &problem)
{
    const std::optional<Header> header = tag.size() >= HeaderSize ? parseHeader(tag.constData()) : std::nullopt;
    if (!header) {
        problem = QStringLiteral("no ID3v2 tag");
        return {};
    }
    if (header->major == 2 && (header->flags & ExtendedHeaderFlag)) {
        problem = QStringLiteral("the ID3v2.2 tag is compressed, which no reader supports");
        return {};
    }
    // Only read: the tag's own bytes, unless they must be resynchronised.
    QByteArray body = QByteArray::fromRawData(tag.constData() + HeaderSize,
                                              qMin(qsizetype(header->bodySize), tag.size() - HeaderSize));
    // A version 4 tag is unsynchronised frame by frame, which the frames themselves say.
    const bool wholeTagUnsynchronised = header->major < 4 && (header->flags & UnsynchronisedFlag);
    if (wholeTagUnsynchronised)
        body = resynchronised(body);
    const qsizetype start = framesStart(*header, body);
    if (start < 0) {
        problem = QStringLiteral("the ID3v2 tag's extended header is longer than the tag");
        return {};
    }
    const QByteArray frames = wantedFramesOf(header->major, body, start);
    QByteArray plain;
    plain.reserve(HeaderSize + frames.size());
    plain.append("ID3");
    plain.append(char(header->major));
    plain.append('\0');
    plain.append('\0');  // every frame is plain now
    plain.append(syncSafeBytes(frames.size()));
    plain.append(frames);
    return plain;
}

}  // namespace Id3v2
