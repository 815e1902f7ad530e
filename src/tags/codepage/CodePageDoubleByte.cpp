// Double-byte code pages, built at first use from the C library's converters: what each single
// byte and each lead/trail pair decodes to, kept only where the character encodes back to the
// same bytes, so that decoding and encoding are exact inverses. A pair that fails that (one of
// two spellings of the same character, or a character in the marks' range) is read as a lead
// byte kept as it is, followed by its trail read on its own.

#include "tags/codepage/CodePagePairs.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

enum class Decoded { Character, Incomplete, Invalid };

class Converter {
public:
    Converter(const char *to, const char *from) : m_cd(::iconv_open(to, from)) {}
    ~Converter()
    {
        if (ok())
            ::iconv_close(m_cd);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;
    bool ok() const { return m_cd != iconv_t(-1); }

    // Converts all of in; false when the converter refuses it. Incomplete input sets incomplete.
    bool convert(const char *in, size_t inSize, char *out, size_t &outSize, bool &incomplete)
    {
        ::iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char buffer[8];
        std::memcpy(buffer, in, inSize);
        char *ip = buffer;
        char *op = out;
        size_t left = inSize;
        size_t room = outSize;
        const size_t result = ::iconv(m_cd, &ip, &left, &op, &room);
        incomplete = result == size_t(-1) && errno == EINVAL;
        // A conversion the converter calls irreversible does not count either.
        if (result != 0 || left != 0 || ::iconv(m_cd, nullptr, nullptr, &op, &room) == size_t(-1))
            return false;
        outSize -= room;
        return true;
    }

private:
    iconv_t m_cd;
};

bool storable(char16_t c)
{
    // Above ASCII (which is stored as itself), one UTF-16 unit, and not a kept-byte mark.
    return c >= 0x80 && !QChar::isSurrogate(c) && !CodePage::isKeptByte(QChar(c));
}

class PageReader {
public:
    explicit PageReader(const char *name) : m_decoder("UTF-16LE", name), m_encoder(name, "UTF-16LE") {}
    bool ok() const { return m_decoder.ok() && m_encoder.ok(); }

    Decoded decode(const char *bytes, size_t size, char16_t &c)
    {
        char out[16];
        size_t outSize = sizeof out;
        bool incomplete = false;
        if (!m_decoder.convert(bytes, size, out, outSize, incomplete))
            return incomplete ? Decoded::Incomplete : Decoded::Invalid;
        if (outSize != 2)
            return Decoded::Invalid;
        c = char16_t(quint8(out[0]) | quint8(out[1]) << 8);
        return storable(c) && encodesBackTo(c, bytes, size) ? Decoded::Character : Decoded::Invalid;
    }

private:
    bool encodesBackTo(char16_t c, const char *bytes, size_t size)
    {
        const char in[2] = {char(c & 0xFF), char(c >> 8)};
        char out[8];
        size_t outSize = sizeof out;
        bool incomplete = false;
        return m_encoder.convert(in, 2, out, outSize, incomplete) && outSize == size
               && std::memcmp(out, bytes, size) == 0;
    }

    Converter m_decoder;
    Converter m_encoder;
};

}  // namespace

std::unique_ptr<CodePage> CodePageBuilder::doubleByte(int number, const char *converterName)
{
    PageReader reader(converterName);
    if (!reader.ok())
        return nullptr;
    std::unique_ptr<CodePage> page(new CodePage(number));
    page->m_doubleByte = true;
    page->m_pairs = std::make_unique<CodePage::Pairs>();
    CodePage::Pairs &pairs = *page->m_pairs;
    for (int b = 0x80; b < 0x100; ++b) {
        const char byte = char(b);
        char16_t c = 0;
        const Decoded decoded = reader.decode(&byte, 1, c);
        page->m_single[b] = decoded == Decoded::Character ? c : char16_t(CodePage::KeptByteBase + b);
        if (decoded == Decoded::Character)
            page->addEncoding(c, quint16(b));
        pairs.lead[b] = decoded == Decoded::Incomplete;
    }
    for (int lead = 0x80; lead < 0x100; ++lead) {
        if (!pairs.lead[lead])
            continue;
        for (int trail = 0; trail < 0x100; ++trail) {
            const char bytes[2] = {char(lead), char(trail)};
            char16_t c = 0;
            if (reader.decode(bytes, 2, c) == Decoded::Character && page->m_encode[c] == 0) {
                pairs.chars[lead - 0x80][trail] = c;
                page->addEncoding(c, quint16(lead << 8 | trail));
            }
        }
    }
    // Every byte's mark stores that byte again.
    for (int b = 0x80; b < 0x100; ++b)
        page->addEncoding(char16_t(CodePage::KeptByteBase + b), quint16(b));
    return page;
}
