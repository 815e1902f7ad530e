#include "tags/id3v2/Id3v2Writer.h"

#include "tags/id3v2/Id3v2Frames.h"
#include "tags/id3v2/Id3v2Header.h"
#include "tags/id3v2/Id3v2Text.h"

#include <array>
#include <cstring>

namespace Id3v2 {

namespace {

constexpr quint8 KnownFlags3 = 0xE0, KnownFlags4 = 0xF0;
constexpr quint8 ExtendedCrc3 = 0x80, ExtendedCrc4 = 0x20;
constexpr quint8 FrameUnsynchronised4 = 0x02;
constexpr qint64 MostBodyBytes = (qint64(1) << 28) - 1;  // what four bytes of seven bits hold

enum Slot { Title, Artist, Album, Year, Comment, Genre, Track, SlotCount };

// The frame id of each slot in a version's terms.
const char *idOf(Slot slot, int major)
{
    static const char *const ids[SlotCount] = {"TIT2", "TPE1", "TALB", "TYER", "COMM", "TCON", "TRCK"};
    return slot == Year && major == 4 ? "TDRC" : ids[slot];
}

// The new text of each slot the update writes; unset: the slot's frame stays.
std::array<std::optional<QString>, SlotCount> textsOf(const TagUpdate &update)
{
    std::array<std::optional<QString>, SlotCount> texts{update.title, update.artist, update.album, update.year,
                                                        update.comment, update.genre, std::nullopt};
    if (update.track)
        texts[Track] = *update.track > 0 ? QString::number(*update.track) : QString();
    for (std::optional<QString> &text : texts) {
        if (text && text->contains(QChar(0)))
            text->truncate(text->indexOf(QChar(0)));  // a NUL would end the value for every reader
    }
    return texts;
}

// The encoding byte and bytes of text, as every reader reads them alike.
QByteArray encoded(int major, const QString &text, bool terminated)
{
    bool latin1 = true;
    for (QChar c : text)
        latin1 = latin1 && c.unicode() <= 0xFF;
    QByteArray out;
    if (latin1) {
        out.append('\0').append(text.toLatin1());
        if (terminated)
            out.append('\0');
    } else if (major == 3) {
        out.append('\1').append("\xFF\xFE", 2);
        for (QChar c : text)
            out.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        if (terminated)
            out.append("\0\0", 2);
    } else {
        out.append('\3').append(text.toUtf8());
        if (terminated)
            out.append('\0');
    }
    return out;
}

// A comment's contents: the encoding, the language, an empty description, the text.
QByteArray commentContents(int major, const QByteArray &language, const QString &text)
{
    QByteArray contents = encoded(major, text, false);
    const char encoding = contents[0];
    QByteArray head(1, encoding);
    head.append(language);
    if (encoding == '\1')
        head.append("\xFF\xFE\0\0", 4);  // an empty description has its byte-order mark too
    else
        head.append('\0');
    return head + contents.mid(1);
}

// A 0x00 after every 0xFF that a false sync could follow (0xE0 and up, or 0x00), and after a last 0xFF.
QByteArray unsynchronised(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + 8);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out.append(bytes[i]);
        if (quint8(bytes[i]) == 0xFF && (i + 1 == bytes.size() || quint8(bytes[i + 1]) >= 0xE0 || bytes[i + 1] == '\0'))
            out.append('\0');
    }
    return out;
}

// A new frame; in a version 4 tag that says all its frames are unsynchronised, this one is too.
QByteArray frame(const Header &header, const char *id, const QByteArray &contents)
{
    const bool unsync = header.major == 4 && (header.flags & UnsynchronisedFlag);
    const QByteArray stored = unsync ? unsynchronised(contents) : contents;
    QByteArray out;
    appendFrameHeader(out, header.major, id, stored.size());
    if (unsync)
        out[9] = char(FrameUnsynchronised4);
    return out + stored;
}

// One frame of the old tag, as the walk finds it.
struct OldFrame {
    qsizetype at = 0, whole = 0;  // in the body, header included
    quint8 formatFlags = 0;
    QByteArrayView id;
    QByteArray plain;  // frameData() of it
};

struct Walk {
    std::vector<OldFrame> frames;
    qsizetype framesEnd = 0;  // where the padding begins
    QString refusal;
};

bool allZero(QByteArrayView bytes)
{
    for (char c : bytes)
        if (c != '\0')
            return false;
    return true;
}

// Every frame of body from start on, each length checked; padding must be zeros to the end.
Walk walkFrames(int major, QByteArrayView body, qsizetype start)
{
    Walk walk;
    qsizetype at = start;
    while (at < body.size()) {
        if (body[at] == '\0' || body.size() - at < HeaderSize) {
            if (!allZero(body.sliced(at))) {
                walk.refusal = QStringLiteral("the ID3v2 tag holds bytes after its padding");
                return walk;
            }
            break;
        }
        const auto *head = reinterpret_cast<const uchar *>(body.data() + at);
        const bool sizeBad = major == 4 && ((head[4] | head[5] | head[6] | head[7]) & 0x80);
        const qint64 size = frameSize(major, head + 4);
        if (!isFrameId(head, 4) || sizeBad || size > body.size() - at - HeaderSize) {
            walk.refusal = QStringLiteral("the ID3v2 tag holds a broken frame");
            return walk;
        }
        OldFrame frame;
        frame.at = at;
        frame.whole = HeaderSize + qsizetype(size);
        frame.formatFlags = head[9];
        frame.id = body.sliced(at, 4);
        frame.plain = frameData(major, frame.formatFlags, body.data() + at + HeaderSize, qsizetype(size));
        walk.frames.push_back(frame);
        at += frame.whole;
    }
    walk.framesEnd = at;
    return walk;
}

bool isCommentWithoutDescription(const OldFrame &frame)
{
    if (frame.id != "COMM" || frame.plain.size() < 4)
        return false;
    return decodeText(quint8(frame.plain[0]), frame.plain.constData() + 4, frame.plain.size() - 4).value(0).isEmpty();
}

// "n/total" keeps its total when the number changes.
QString trackText(const QString &number, const OldFrame *old)
{
    if (!old || old->plain.isEmpty() || number.isEmpty())
        return number;
    const QString before = decodeText(quint8(old->plain[0]), old->plain.constData() + 1, old->plain.size() - 1).value(0);
    const qsizetype slash = before.indexOf(QLatin1Char('/'));
    return slash < 0 ? number : number + before.mid(slash);
}

QString headerRefusal(const Header &header, const QByteArray &tag)
{
    if (header.major == 2)
        return QStringLiteral("the ID3v2 tag is of version 2.2, which Velmora does not write");
    if (header.major == 3 && (header.flags & UnsynchronisedFlag))
        return QStringLiteral("the ID3v2 tag is unsynchronised as a whole");
    if (header.flags & ~(header.major == 3 ? KnownFlags3 : KnownFlags4))
        return QStringLiteral("the ID3v2 tag's header has flags Velmora does not know");
    if (header.totalSize() != tag.size())
        return QStringLiteral("the ID3v2 tag is not as long as its header says");
    if (header.major == 4 && (header.flags & FooterFlag) && !tag.endsWith(QByteArray("3DI") + tag.mid(3, 7)))
        return QStringLiteral("the ID3v2 tag's footer does not match its header");
    return {};
}

// A checksum in the extended header would no longer match the frames.
bool hasChecksum(const Header &header, QByteArrayView body)
{
    if (!(header.flags & ExtendedHeaderFlag))
        return false;
    return header.major == 3 ? quint8(body[4]) & ExtendedCrc3 : body.size() > 5 && (quint8(body[5]) & ExtendedCrc4);
}

}  // namespace

RewrittenTag rewriteTag(const QByteArray &oldTag, const TagUpdate &update)
{
    RewrittenTag result;
    const std::optional<Header> header = oldTag.size() >= HeaderSize ? parseHeader(oldTag.constData()) : std::nullopt;
    if (!header) {
        result.refusal = QStringLiteral("the file has no ID3v2 tag");
        return result;
    }
    result.refusal = headerRefusal(*header, oldTag);
    if (!result.refusal.isEmpty())
        return result;
    const int major = header->major;
    const QByteArrayView body(oldTag.constData() + HeaderSize, qsizetype(header->bodySize));
    const qsizetype start = framesStart(*header, body);
    if (start < 0 || (start > 0 && start < (major == 3 ? 10 : 6))) {
        result.refusal = QStringLiteral("the ID3v2 tag's extended header is broken");
        return result;
    }
    if (hasChecksum(*header, body)) {
        result.refusal = QStringLiteral("the ID3v2 tag's extended header holds a checksum");
        return result;
    }
    const Walk walk = walkFrames(major, body, start);
    if (!walk.refusal.isEmpty()) {
        result.refusal = walk.refusal;
        return result;
    }

    const std::array<std::optional<QString>, SlotCount> texts = textsOf(update);
    // The old frame each written slot replaces: the first of its id (for the comment, the first
    // without a description).
    std::array<const OldFrame *, SlotCount> replaced{};
    for (const OldFrame &old : walk.frames) {
        for (int slot = 0; slot < SlotCount; ++slot) {
            if (!texts[slot] || replaced[slot] || old.id != idOf(Slot(slot), major))
                continue;
            if (slot == Comment && isSealed(major, old.formatFlags)) {
                result.refusal = QStringLiteral("a comment frame of the ID3v2 tag is compressed or encrypted");
                return result;
            }
            if (slot == Comment && !isCommentWithoutDescription(old))
                continue;
            if (isSealed(major, old.formatFlags)) {
                result.refusal = QStringLiteral("the ID3v2 tag's %1 frame is compressed or encrypted")
                                     .arg(QString::fromLatin1(old.id));
                return result;
            }
            replaced[slot] = &old;
        }
    }
    auto newFrame = [&](int slot) -> QByteArray {
        const QString &text = *texts[slot];
        if (text.isEmpty())
            return {};  // an empty field drops its frame
        if (slot == Comment)
            return frame(*header, "COMM",
                         commentContents(major, replaced[slot] ? replaced[slot]->plain.mid(1, 3) : QByteArray("eng"), text));
        const QString value = slot == Track ? trackText(text, replaced[slot]) : text;
        return frame(*header, idOf(Slot(slot), major), encoded(major, value, false));
    };

    QByteArray frames(body.data(), start);  // the extended header as it is
    for (const OldFrame &old : walk.frames) {
        int slot = 0;
        while (slot < SlotCount && replaced[slot] != &old)
            ++slot;
        frames += slot < SlotCount ? newFrame(slot) : QByteArray(body.data() + old.at, old.whole);
    }
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (texts[slot] && !replaced[slot])
            frames += newFrame(slot);
    }

    const bool footer = major == 4 && (header->flags & FooterFlag);
    qint64 bodySize = header->bodySize;
    if (frames.size() > bodySize || (footer && frames.size() != bodySize))
        bodySize = frames.size() + (footer ? 0 : GrowthPadding);  // a tag with a footer has no padding
    if (bodySize > MostBodyBytes) {
        result.refusal = QStringLiteral("the ID3v2 tag would grow past its largest size");
        return result;
    }
    const qint64 padding = bodySize - frames.size();
    if (major == 3 && start >= 10) {
        // A version 3 extended header counts the padding.
        for (int i = 0; i < 4; ++i)
            frames[6 + i] = char(padding >> (8 * (3 - i)) & 0xFF);
    }
    QByteArray tag = oldTag.left(6) + syncSafeBytes(bodySize) + frames + QByteArray(qsizetype(padding), '\0');
    if (footer)
        tag += QByteArray("3DI") + tag.mid(3, 7);
    result.inPlace = tag.size() == oldTag.size();
    result.tag = std::move(tag);
    return result;
}

}  // namespace Id3v2
