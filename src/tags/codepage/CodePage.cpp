#include "tags/codepage/CodePage.h"

#include "tags/codepage/CodePagePairs.h"
#include "tags/codepage/CodePageTables.h"

CodePage::CodePage(int number) : m_number(number), m_encode(0x10000, 0)
{
    for (int b = 0; b < 0x80; ++b) {
        m_single[b] = char16_t(b);
        m_encode[size_t(b)] = quint16(b);
    }
}

CodePage::CodePage(int number, const char16_t *upper) : CodePage(number)
{
    for (int b = 0x80; b < 0x100; ++b) {
        m_single[b] = upper[b - 0x80];
        addEncoding(upper[b - 0x80], quint16(b));
    }
}

CodePage::~CodePage() = default;

void CodePage::addEncoding(char16_t c, quint16 bytes)
{
    // The first byte sequence of a character is the one it is stored as.
    if (m_encode[c] == 0)
        m_encode[c] = bytes;
}

QString CodePage::decode(QByteArrayView bytes) const
{
    QString text(bytes.size(), Qt::Uninitialized);
    text.truncate(decodeInto(bytes.data(), bytes.size(), text.data()));
    return text;
}

qsizetype CodePage::decodeInto(const char *bytes, qsizetype n, QChar *out) const
{
    const auto *in = reinterpret_cast<const quint8 *>(bytes);
    if (!m_pairs) {
        for (qsizetype i = 0; i < n; ++i)
            out[i] = QChar(m_single[in[i]]);
        return n;
    }
    qsizetype written = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const quint8 b = in[i];
        char16_t c = m_single[b];
        // A lead byte without its trail, or with one the page leaves undefined, keeps its mark
        // and the next byte is read on its own.
        if (m_pairs->lead[b] && i + 1 < n) {
            if (const char16_t pair = m_pairs->chars[b - 0x80][in[i + 1]]) {
                c = pair;
                ++i;
            }
        }
        out[written++] = QChar(c);
    }
    return written;
}

bool CodePage::canEncode(QStringView text) const
{
    for (QChar c : text) {
        if (!canEncode(c))
            return false;
    }
    return true;
}

namespace {

// Calls put(bytes, width) for each character of the text; a character outside the page, a
// surrogate pair included, is one '?'.
template <typename Put>
void encodeEach(QStringView text, const std::vector<quint16> &table, Put put)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x80) {
            put(quint16(c), 1);
            continue;
        }
        if (const quint16 bytes = table[c]) {
            put(bytes, bytes >= 0x100 ? 2 : 1);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        put(quint16('?'), 1);
    }
}

}  // namespace

QByteArray CodePage::encode(QStringView text) const
{
    QByteArray bytes;
    bytes.reserve(text.size() * (m_doubleByte ? 2 : 1));
    encodeEach(text, m_encode, [&](quint16 value, int width) {
        if (width == 2)
            bytes.append(char(value >> 8));
        bytes.append(char(value & 0xFF));
    });
    return bytes;
}

qsizetype CodePage::encodedLength(QStringView text) const
{
    qsizetype length = 0;
    encodeEach(text, m_encode, [&](quint16, int width) { length += width; });
    return length;
}

QString CodePage::shown(QStringView text)
{
    QString out = text.toString();
    for (QChar &c : out) {
        if (isKeptByte(c))
            c = QChar::ReplacementCharacter;
    }
    return out;
}
