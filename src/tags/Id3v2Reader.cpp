#include "tags/Id3v2Reader.h"

#include "tags/Id3v2Frames.h"
#include "tags/Id3v2Header.h"
#include "tags/RawTrailer.h"
#include "tags/RegularFile.h"

#include <QScopeGuard>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tdebuglistener.h>

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

QString frameText(const TagLib::ID3v2::Tag &tag, const char *id)
{
    const TagLib::ID3v2::FrameList frames = tag.frameListMap()[id];
    return frames.isEmpty() ? QString() : text(frames.front()->toString());
}

Id3v2Reading refused(QString problem)
{
    Id3v2Reading reading;
    reading.present = true;
    reading.problem = std::move(problem);
    return reading;
}

}  // namespace

Id3v2Values parse(const QByteArray &tag, QString &problem)
{
    problem.clear();
    const QByteArray plain = textFramesOf(tag, problem);
    if (plain.isEmpty())
        return {};
    silenceLibrary();
    TagLib::ByteVectorStream stream(TagLib::ByteVector(plain.constData(), unsigned(plain.size())));
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    const TagLib::ID3v2::Tag *id3 = file.isValid() ? file.ID3v2Tag(false) : nullptr;
    if (!id3) {
        problem = QStringLiteral("the ID3v2 tag cannot be read");
        return {};
    }
    Id3v2Values values;
    values.version = plain.at(3);
    values.title = text(id3->title());
    values.artist = text(id3->artist());
    values.album = text(id3->album());
    values.year = frameText(*id3, "TDRC");
    if (values.year.isEmpty())
        values.year = frameText(*id3, "TYER");
    values.comment = text(id3->comment());
    values.genre = text(id3->genre());
    return values;
}

Id3v2Reading readFile(const QByteArray &path)
{
    Id3v2Reading reading;
    int fd;
    struct stat st;
    reading.status = openRegularFile(AT_FDCWD, path.constData(), O_RDONLY, true, fd, st);
    if (!reading.status)
        return reading;
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });  // only read: a close error loses nothing
    if (st.st_size < HeaderSize)
        return reading;
    QByteArray head(HeaderSize, Qt::Uninitialized);
    if (!(reading.status = preadBytes(fd, 0, HeaderSize, head.data())))
        return reading;
    const std::optional<Header> header = parseHeader(head.constData());
    if (!header)
        return reading;
    const qint64 size = HeaderSize + header->bodySize;  // a footer repeats the header: not read
    if (header->totalSize() > st.st_size)
        return refused(QStringLiteral("the ID3v2 tag claims %1 bytes, more than the file holds").arg(header->totalSize()));
    if (size > MaxTagBytes)
        return refused(QStringLiteral("the ID3v2 tag is larger than %1 MiB and is not read").arg(MaxTagBytes >> 20));
    QByteArray tag(size, Qt::Uninitialized);
    if (!(reading.status = preadBytes(fd, 0, size, tag.data())))
        return reading;
    reading.present = true;
    reading.values = parse(tag, reading.problem);
    return reading;
}

}  // namespace Id3v2
