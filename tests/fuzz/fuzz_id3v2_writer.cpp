// The ID3v2 writer on any bytes: no crash, no hang, no large allocation; a tag it refuses comes
// back empty with a reason; a tag it writes has the old header's version and flags, the old size
// when written in place, a footer that matches, reads back (by the reader every listing uses) with
// the values written, and is left as it is when written again with the same values. The seeds are
// the tests' hand-made tags in every layout (VELMORA_FUZZ_SEEDS), the reader's corpus.

#include "support/Id3v2Files.h"

#include "tags/id3v2/Id3v2Header.h"
#include "tags/id3v2/Id3v2Reader.h"
#include "tags/id3v2/Id3v2Writer.h"

#include "FuzzCheck.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const QByteArray seeds = qgetenv("VELMORA_FUZZ_SEEDS");
    if (!seeds.isEmpty())
        FUZZ_CHECK(Id3v2Files::writeSampleSeeds(seeds));
    return 0;
}

namespace {

// The values written, chosen by the input's last byte: plain and wider text, fields dropped.
Id3v2::TagUpdate updateFor(quint8 choice)
{
    Id3v2::TagUpdate update;
    update.title = choice & 1 ? QStringLiteral("Evening Walk") : QStringLiteral("Вечер \U0001F3B5");
    if (choice & 2)
        update.artist = QStringLiteral("Red Kettle");
    if (choice & 4)
        update.album = QString();
    if (choice & 8)
        update.comment = QStringLiteral("Recorded live");
    if (choice & 16)
        update.track = choice >> 5;
    if (choice & 32)
        update.genre = QStringLiteral("Rock");
    return update;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray tag = fuzzBytes(data, size);
    const Id3v2::TagUpdate update = updateFor(size ? data[size - 1] : 0);
    const Id3v2::RewrittenTag written = Id3v2::rewriteTag(tag, update);
    FUZZ_CHECK(written.tag.isEmpty() != written.refusal.isEmpty());
    if (written.tag.isEmpty())
        return 0;
    const std::optional<Id3v2::Header> before = Id3v2::parseHeader(tag.constData());
    const std::optional<Id3v2::Header> after = Id3v2::parseHeader(written.tag.constData());
    FUZZ_CHECK(before && after);
    FUZZ_CHECK(after->major == before->major && after->revision == before->revision && after->flags == before->flags);
    FUZZ_CHECK(after->totalSize() == written.tag.size());
    FUZZ_CHECK(written.inPlace == (written.tag.size() == tag.size()));
    if (after->flags & Id3v2::FooterFlag && after->major == 4)
        FUZZ_CHECK(written.tag.endsWith("3DI" + written.tag.mid(3, 7)));

    QString problem;
    const Id3v2Values values = Id3v2::parse(written.tag, problem);
    FUZZ_CHECK(problem.isEmpty());
    FUZZ_CHECK(values.title == *update.title);
    if (update.artist)
        FUZZ_CHECK(values.artist == *update.artist);

    const Id3v2::RewrittenTag again = Id3v2::rewriteTag(written.tag, update);
    FUZZ_CHECK(again.tag == written.tag);
    return 0;
}
