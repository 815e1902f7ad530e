#include "tags/id3v2/Id3v2Reader.h"

#include "tags/id3v1/TagFields.h"
#include "tags/id3v2/Id3v2Frames.h"
#include "tags/id3v2/Id3v2Header.h"

#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/tdebuglistener.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace Id3v2 {

namespace {

// The library's warnings about odd tags would go to standard error; the reading reports instead.
class QuietListener : public TagLib::DebugListener {
public:
    void printMessage(const TagLib::String &) override {}
};

void silenceLibrary()
{
    static QuietListener listener;
    static const bool once = (TagLib::setDebugListener(&listener), true);
    Q_UNUSED(once);
}

// The library hands UTF-16 over as it found it, one unit a wchar_t, unpaired surrogates included;
// those become U+FFFD, so that the text is valid wherever it goes. Copied unit by unit into the
// string at once: this runs for every frame of every file a listing reads.
static_assert(sizeof(wchar_t) == sizeof(char32_t), "a wchar_t holds one UTF-32 code point");

QString text(const TagLib::String &value)
{
    const wchar_t *units = value.toCWString();
    const qsizetype size = qsizetype(value.size());
    QString out(size, Qt::Uninitialized);
    char16_t *to = reinterpret_cast<char16_t *>(out.data());
    for (qsizetype i = 0; i < size; ++i) {
        if (quint32(units[i]) > 0xFFFF) {  // not from the library's own decoding, but read right all the same
            out = QString::fromUcs4(reinterpret_cast<const char32_t *>(units), size);
            to = reinterpret_cast<char16_t *>(out.data());
            break;
        }
        to[i] = char16_t(units[i]);
    }
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (!QChar::isSurrogate(to[i]))
            continue;
        if (QChar::isHighSurrogate(to[i]) && i + 1 < out.size() && QChar::isLowSurrogate(to[i + 1]))
            ++i;
        else
            to[i] = QChar::ReplacementCharacter;
    }
    return out;
}

// The plain tag as the library takes it, its bytes and header, made once a frame of it needs
// decoding; each frame is handed over as a part that shares those bytes.
struct LibraryTag {
    explicit LibraryTag(const QByteArray &plain)
        : bytes(plain.constData(), unsigned(plain.size())), header(bytes.mid(0, unsigned(HeaderSize)))
    {
    }
    TagLib::ByteVector bytes;
    TagLib::ID3v2::Header header;
};

// One frame as the library reads it: the id it gives the frame (in version 2.4 terms), and its
// text; for the genre, through the library's tag class, which turns genre numbers into names.
FrameMemo::Decoded decodeFrame(const LibraryTag &tag, qsizetype at, qsizetype whole)
{
    std::unique_ptr<TagLib::ID3v2::Frame> frame(TagLib::ID3v2::FrameFactory::instance()->createFrame(
        tag.bytes.mid(unsigned(at), unsigned(whole)), &tag.header));
    FrameMemo::Decoded decoded{};
    if (!frame)
        return decoded;  // no id: a frame the library does not read
    const TagLib::ByteVector id = frame->frameID();
    if (id.size() != decoded.id.size())
        return decoded;
    std::copy_n(id.data(), decoded.id.size(), decoded.id.begin());
    if (id == "TCON") {
        TagLib::ID3v2::Tag genre;
        genre.addFrame(frame.release());  // the tag owns it
        decoded.text = text(genre.genre());
    } else {
        decoded.text = text(frame->toString());
    }
    return decoded;
}

// A title is a file's own: kept in no memo, where it would only push the shared frames out.
bool isTitle(QByteArrayView frame)
{
    return frame.startsWith("TIT2") || frame.startsWith("TT2");
}

// The text of the first frame with the given id.
QString textOf(const std::vector<FrameMemo::Decoded> &frames, const char *id)
{
    for (const FrameMemo::Decoded &frame : frames) {
        if (std::equal(frame.id.begin(), frame.id.end(), id))
            return frame.text;
    }
    return {};
}

}  // namespace

const FrameMemo::Decoded *FrameMemo::find(int major, QByteArrayView frame) const
{
    if (m_slots.empty())
        return nullptr;
    const size_t set = 2 * setOf(major, frame);
    for (const Slot &slot : {std::cref(m_slots[set]), std::cref(m_slots[set + 1])}) {
        if (slot.major == major && QByteArrayView(slot.frame) == frame)
            return &slot.decoded;
    }
    return nullptr;
}

void FrameMemo::keep(int major, QByteArrayView frame, const Decoded &decoded)
{
    if (m_slots.empty())
        m_slots.resize(2 * Sets);
    const size_t set = 2 * setOf(major, frame);
    std::swap(m_slots[set], m_slots[set + 1]);  // the older goes first, to be written over
    Slot &slot = m_slots[set];
    slot.major = major;
    slot.frame.resize(frame.size());  // within the bytes the slot holds already, mostly
    std::copy(frame.begin(), frame.end(), slot.frame.begin());
    slot.decoded = decoded;
}

Id3v2Values parsePlain(const QByteArray &plain, QString &problem, FrameMemo *memo)
{
    problem.clear();
    if (plain.size() < HeaderSize || plain.at(3) < 2 || plain.at(3) > 4) {
        problem = QStringLiteral("the ID3v2 tag cannot be read");
        return {};
    }
    silenceLibrary();
    const int major = plain.at(3);
    const int idSize = major == 2 ? 3 : 4, headerSize = major == 2 ? 6 : 10;
    // The plain tag's frames are whole and their sizes right (Id3v2Frames.cpp wrote them): each
    // is handed to the library alone, unless the memo holds the same bytes decoded already.
    std::vector<FrameMemo::Decoded> frames;
    frames.reserve(8);
    std::optional<LibraryTag> library;
    for (qsizetype at = HeaderSize; at + headerSize <= plain.size();) {
        const auto *size = reinterpret_cast<const uchar *>(plain.constData() + at + idSize);
        const qsizetype bodySize = major == 2 ? qsizetype(size[0]) << 16 | qsizetype(size[1]) << 8 | size[2]
                                 : major == 3 ? qsizetype(size[0]) << 24 | qsizetype(size[1]) << 16 | qsizetype(size[2]) << 8 | size[3]
                                              : qsizetype(syncSafe(size));
        const qsizetype whole = headerSize + bodySize;
        if (whole > plain.size() - at)
            break;
        const QByteArrayView bytes(plain.constData() + at, whole);
        if (const FrameMemo::Decoded *known = memo ? memo->find(major, bytes) : nullptr) {
            frames.push_back(*known);
        } else {
            if (!library)
                library.emplace(plain);
            frames.push_back(decodeFrame(*library, at, whole));
            if (memo && !isTitle(bytes))
                memo->keep(major, bytes, frames.back());
        }
        at += whole;
    }
    Id3v2Values values;
    values.version = major;
    for (const TagFieldInfo &field : tagFields()) {
        if (!field.id3v2)
            continue;
        for (const char *frame : field.frames)
            if (frame && (values.*field.id3v2).isEmpty())
                values.*field.id3v2 = textOf(frames, frame);
    }
    return values;
}

Id3v2Values parse(const QByteArray &tag, QString &problem, FrameMemo *memo)
{
    problem.clear();
    const QByteArray plain = textFramesOf(tag, problem);
    return plain.isEmpty() ? Id3v2Values() : parsePlain(plain, problem, memo);
}

}  // namespace Id3v2
