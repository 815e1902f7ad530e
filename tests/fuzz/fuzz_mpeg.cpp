// The MPEG frame walk on any bytes: it never reads past what it is given and never gives a
// negative length, whatever headers, VBR headers or encoder extensions the bytes pretend to hold.

#include "FuzzCheck.h"
#include "tags/mpeg/MpegStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Given as its own allocation, so that AddressSanitizer sees any read past its end.
    const QByteArray input = fuzzBytes(data, size);
    const QByteArray head(input.constData(), input.size());
    for (const qint64 audioBytes : {qint64(head.size()), qint64(0), qint64(1) << 40}) {
        const auto length = MpegStream::lengthMsOf(head, audioBytes);
        FUZZ_CHECK(!length || *length >= 0);
    }
    return 0;
}
