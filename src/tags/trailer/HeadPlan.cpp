#include "tags/trailer/HeadPlan.h"

#include "tags/files/RegularFile.h"
#include "tags/id3v2/Id3v2Fill.h"
#include "tags/id3v2/Id3v2Header.h"
#include "tags/id3v2/Id3v2Reader.h"
#include "tags/id3v2/Id3v2Writer.h"

#include <fcntl.h>
#include <unistd.h>

QString planHeadChange(const QByteArray &tag, const QByteArray &trailerBefore, const QByteArray &trailerAfter,
                       const CodePage &page, quint32 fields, HeadChange &change, const WholeTexts *whole)
{
    change = {};
    if (tag.isEmpty() || !fields)
        return {};
    QString problem;
    const Id3v2Values values = Id3v2::parse(tag, problem);
    if (!problem.isEmpty())
        return problem;
    const Id3v2::TagUpdate update = id3v2Update(trailerBefore, trailerAfter, values, page, fields, whole);
    if (update.isEmpty())
        return {};
    Id3v2::RewrittenTag written = Id3v2::rewriteTag(tag, update);
    if (!written.refusal.isEmpty() || written.tag == tag)
        return written.refusal;
    change.before = tag;
    change.after = std::move(written.tag);
    change.inPlace = written.inPlace;
    return {};
}

QString planHeadChangeOf(const QByteArray &path, const QByteArray &trailerBefore, const QByteArray &trailerAfter,
                         const CodePage &page, quint32 fields, HeadChange &change, const WholeTexts *whole)
{
    change = {};
    int fd = -1;
    struct stat st;
    const FileStatus opened = openRegularFile(AT_FDCWD, path.constData(), O_RDONLY, true, fd, st);
    if (!opened)
        return opened.description();
    QByteArray tag(Id3v2::HeaderSize, Qt::Uninitialized);
    QString problem;
    if (::pread(fd, tag.data(), size_t(tag.size()), 0) != tag.size() || !Id3v2::parseHeader(tag.constData())) {
        tag.clear();  // no tag: nothing to write
    } else {
        const qint64 size = Id3v2::parseHeader(tag.constData())->totalSize();
        if (size > MostHeadBytes || size > st.st_size) {
            problem = QStringLiteral("the ID3v2 tag is larger than the file or than %1 MB").arg(MostHeadBytes >> 20);
        } else {
            tag.resize(qsizetype(size));
            if (::pread(fd, tag.data(), size_t(size), 0) != size)
                problem = QStringLiteral("the ID3v2 tag could not be read");
        }
    }
    ::close(fd);
    return problem.isEmpty() ? planHeadChange(tag, trailerBefore, trailerAfter, page, fields, change, whole) : problem;
}
