// The trailer on its own: any 128 bytes beginning "TAG" parse and build back to the same bytes,
// parsing is stable on any input, and every code page turns any bytes into text and back.

#include "tags/codepage/CodePage.h"
#include "FuzzCheck.h"
#include "tags/id3v1/Id3v1.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzzBytes(data, size);

    // Whatever the length, parsing then building then parsing again gives the same fields.
    const Id3v1::Fields parsed = Id3v1::parse(input);
    const QByteArray built = Id3v1::build(parsed);
    FUZZ_CHECK(built.size() == Id3v1::TrailerSize);
    FUZZ_CHECK(Id3v1::hasMarker(built));
    FUZZ_CHECK(Id3v1::parse(built) == parsed);

    // A full trailer with the marker comes back byte for byte.
    QByteArray trailer = "TAG" + input.left(Id3v1::TrailerSize - 3);
    trailer.append(QByteArray(Id3v1::TrailerSize - trailer.size(), ' '));
    FUZZ_CHECK(Id3v1::build(Id3v1::parse(trailer)) == trailer);

    // Each code page turns any bytes into text and back: one character per byte in a single-byte
    // page, one per byte or pair in a double-byte page.
    for (int number : CodePage::numbers()) {
        const CodePage &page = CodePage::byNumber(number);
        const QString text = page.decode(input);
        FUZZ_CHECK(page.isDoubleByte() ? text.size() <= input.size() : text.size() == input.size());
        FUZZ_CHECK(page.canEncode(text));
        FUZZ_CHECK(page.encode(text) == input);
        FUZZ_CHECK(page.encodedLength(text) == input.size());
    }
    return 0;
}
