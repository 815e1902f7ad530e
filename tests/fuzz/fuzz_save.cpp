// The save path on a real file of any content with any tag: every byte before the trailer stays,
// the file grows by 0 (it had a tag) or 128 bytes, reading it back gives what was written, and a
// second save of the same tag changes nothing.
//
// The input is the 125 bytes of the tag after "TAG" (shorter inputs pad with spaces), then the
// file's contents.

#include "ScratchFile.h"
#include "tags/trailer/TagCore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzzBytes(data, size);
    QByteArray tag = "TAG" + input.left(Id3v1::TrailerSize - 3);
    tag.append(QByteArray(Id3v1::TrailerSize - tag.size(), ' '));
    const QByteArray before = input.mid(Id3v1::TrailerSize - 3);
    const QByteArray path = scratchFile();
    FUZZ_CHECK(TestFiles::writeFile(path, before));

    const TagReading reading = readTagFile(path);
    FUZZ_CHECK(reading.status.ok());
    TagSave request;
    request.path = path;
    request.folder = scratchFolder();
    request.fields = Id3v1::parse(tag);
    request.expected = reading.identity;
    const TagSaveResult saved = saveTagFile(request);
    FUZZ_CHECK(saved.status.ok() && saved.written && saved.path == path);

    const QByteArray after = TestFiles::readFile(path);
    const qsizetype kept = reading.tagged ? before.size() - Id3v1::TrailerSize : before.size();
    FUZZ_CHECK(after.size() == kept + Id3v1::TrailerSize);
    FUZZ_CHECK(after.left(kept) == before.left(kept));
    FUZZ_CHECK(after.mid(kept) == tag);

    const TagReading reread = readTagFile(path);
    FUZZ_CHECK(reread.status.ok() && reread.tagged && reread.trailer == tag);
    FUZZ_CHECK(reread.fields == request.fields);

    request.expected = reread.identity;
    FUZZ_CHECK(saveTagFile(request).status.ok());
    FUZZ_CHECK(TestFiles::readFile(path) == after);
    return 0;
}
