// Reading a trailer from a real file of any length and content: the reading says "tagged" exactly
// when the last 128 bytes begin with "TAG", hands back those bytes, and knows the file's size.

#include "ScratchFile.h"
#include "tags/trailer/TagCore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray contents = fuzzBytes(data, size);
    const QByteArray path = scratchFile();
    FUZZ_CHECK(TestFiles::writeFile(path, contents));

    const TagReading reading = readTagFile(path);
    FUZZ_CHECK(reading.status.ok());
    FUZZ_CHECK(reading.identity.size == contents.size());
    const bool longEnough = contents.size() >= 128;
    FUZZ_CHECK(reading.trailer == (longEnough ? contents.right(128) : QByteArray()));
    FUZZ_CHECK(reading.tagged == (longEnough && contents.right(128).startsWith("TAG")));
    if (reading.tagged)
        FUZZ_CHECK(reading.fields == Id3v1::parse(contents.right(128)));
    else
        FUZZ_CHECK(reading.fields == Id3v1::Fields());
    return 0;
}
