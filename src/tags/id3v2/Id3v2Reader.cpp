#include "tags/id3v2/Id3v2Reader.h"

#include "tags/id3v2/Id3v2Frames.h"
#include "tags/id3v2/Id3v2Header.h"

#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/tdebuglistener.h>

#include <string>
#include <utility>
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

// The library hands UTF-16 over as it found it, unpaired surrogates included; those become
// U+FFFD, so that the text is valid wherever it goes.
QString text(const TagLib::String &value)
{
    const std::wstring units = value.toWString();
    QString out;
    out.reserve(qsizetype(units.size()));
    for (const wchar_t unit : units) {
        if (unit > 0xFFFF)
            out += QString::fromUcs4(reinterpret_cast<const char32_t *>(&unit), 1);
        else
            out += QChar(char16_t(unit));
    }
    for (qsizetype i = 0; i < out.size(); ++i) {
        const bool paired = out.at(i).isHighSurrogate() && i + 1 < out.size() && out.at(i + 1).isLowSurrogate();
        if (paired)
            ++i;
        else if (out.at(i).isSurrogate())
            out[i] = QChar::ReplacementCharacter;
    }
    return out;
}

// The frames of a plain tag as the library made them, owned here. The plain tag holds at most one
// frame of each id and one comment, so a value is its frame's text; only the genre goes through
// the library's tag class, which turns genre numbers into names.
class LibraryFrames {
public:
    ~LibraryFrames()
    {
        for (const auto &kept : m_frames)
            delete kept.second;
    }
    LibraryFrames() = default;
    LibraryFrames(const LibraryFrames &) = delete;
    LibraryFrames &operator=(const LibraryFrames &) = delete;

    void add(TagLib::ID3v2::Frame *frame)
    {
        const TagLib::ByteVector id = frame->frameID();
        if (id == "TCON")
            m_genre.addFrame(frame);  // the tag owns it
        else
            m_frames.push_back({std::string(id.data(), id.size()), frame});
    }

    QString text(const char *id) const
    {
        for (const auto &[frameId, frame] : m_frames) {
            if (frameId == id)
                return Id3v2::text(frame->toString());
        }
        return {};
    }

    QString genre() const { return Id3v2::text(m_genre.genre()); }

private:
    std::vector<std::pair<std::string, TagLib::ID3v2::Frame *>> m_frames;  // with their ids
    TagLib::ID3v2::Tag m_genre;
};

}  // namespace

Id3v2Values parsePlain(const QByteArray &plain, QString &problem)
{
    problem.clear();
    if (plain.size() < HeaderSize) {
        problem = QStringLiteral("the ID3v2 tag cannot be read");
        return {};
    }
    silenceLibrary();
    const TagLib::ByteVector bytes(plain.constData(), unsigned(plain.size()));
    const TagLib::ID3v2::Header header(bytes.mid(0, HeaderSize));
    const TagLib::ID3v2::FrameFactory *factory = TagLib::ID3v2::FrameFactory::instance();
    const int major = plain.at(3);
    const int idSize = major == 2 ? 3 : 4, headerSize = major == 2 ? 6 : 10;
    // The plain tag's frames are whole and their sizes right (Id3v2Frames.cpp wrote them): each
    // is handed to the library alone.
    LibraryFrames frames;
    for (qsizetype at = HeaderSize; at + headerSize <= plain.size();) {
        const auto *size = reinterpret_cast<const uchar *>(plain.constData() + at + idSize);
        const qsizetype bodySize = major == 2 ? qsizetype(size[0]) << 16 | qsizetype(size[1]) << 8 | size[2]
                                 : major == 3 ? qsizetype(size[0]) << 24 | qsizetype(size[1]) << 16 | qsizetype(size[2]) << 8 | size[3]
                                              : qsizetype(syncSafe(size));
        const qsizetype whole = headerSize + bodySize;
        if (whole > plain.size() - at)
            break;
        if (TagLib::ID3v2::Frame *frame = factory->createFrame(bytes.mid(unsigned(at), unsigned(whole)), &header))
            frames.add(frame);
        at += whole;
    }
    Id3v2Values values;
    values.version = major;
    values.title = frames.text("TIT2");
    values.artist = frames.text("TPE1");
    values.album = frames.text("TALB");
    values.year = frames.text("TDRC");
    if (values.year.isEmpty())
        values.year = frames.text("TYER");
    values.comment = frames.text("COMM");
    values.genre = frames.genre();
    return values;
}

Id3v2Values parse(const QByteArray &tag, QString &problem)
{
    problem.clear();
    const QByteArray plain = textFramesOf(tag, problem);
    return plain.isEmpty() ? Id3v2Values() : parsePlain(plain, problem);
}

}  // namespace Id3v2
