#include "Escape.h"

#include "tags/CodePage.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

const char hexDigits[] = "0123456789ABCDEF";

// Writes one character of the printable form; inside a JSON string '\\' and '"' get a backslash.
char *put(char *out, char c, bool json)
{
    if (json && (c == '\\' || c == '"'))
        *out++ = '\\';
    *out++ = c;
    return out;
}

// An escape: a backslash and what follows it.
char *putEscape(char *out, char kind, bool json)
{
    out = put(out, '\\', json);
    return put(out, kind, json);
}

char *putHexEscape(char *out, uchar byte, bool json)
{
    out = putEscape(out, 'x', json);
    *out++ = hexDigits[byte >> 4];
    *out++ = hexDigits[byte & 15];
    return out;
}

bool isContinuation(uchar b)
{
    return (b & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at p (overlong forms, surrogates and code points above
// U+10FFFF are not valid), or 0 when p starts none.
int validSequenceLength(const uchar *p, const uchar *end)
{
    const uchar b = p[0];
    if (b < 0x80)
        return 1;
    const qsizetype left = end - p;
    if (b >= 0xC2 && b <= 0xDF)
        return left >= 2 && isContinuation(p[1]) ? 2 : 0;
    if (b >= 0xE0 && b <= 0xEF) {
        const uchar low = b == 0xE0 ? 0xA0 : 0x80, high = b == 0xED ? 0x9F : 0xBF;
        return left >= 3 && p[1] >= low && p[1] <= high && isContinuation(p[2]) ? 3 : 0;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        const uchar low = b == 0xF0 ? 0x90 : 0x80, high = b == 0xF4 ? 0x8F : 0xBF;
        return left >= 4 && p[1] >= low && p[1] <= high && isContinuation(p[2]) && isContinuation(p[3]) ? 4 : 0;
    }
    return 0;
}

bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// The byte written as two hexadecimal digits at p, or -1.
int hexByte(const char *p)
{
    unsigned value = 0;
    const std::from_chars_result r = std::from_chars(p, p + 2, value, 16);
    return r.ec == std::errc() && r.ptr == p + 2 ? int(value) : -1;
}

// Walks text, handing literal runs and escaped bytes to the two callbacks in order.
template <typename Literal, typename Byte>
bool forEachPiece(QByteArrayView text, Literal onLiteral, Byte onByte, QString &problem)
{
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\\')
            continue;
        if (i > runStart)
            onLiteral(text.sliced(runStart, i - runStart));
        const char kind = i + 1 < text.size() ? text[i + 1] : '\0';
        if (kind == '\\' || kind == 't' || kind == 'n') {
            onByte(kind == 't' ? '\t' : kind == 'n' ? '\n' : '\\');
            i += 1;
        } else if (kind == 'x' && i + 3 < text.size() && hexByte(text.data() + i + 2) >= 0) {
            onByte(char(hexByte(text.data() + i + 2)));
            i += 3;
        } else {
            problem = QStringLiteral("\"%1\": a backslash must begin \\\\, \\t, \\n or \\xNN (two hexadecimal digits)")
                          .arg(QString::fromLocal8Bit(text));
            return false;
        }
        runStart = i + 1;
    }
    if (runStart < text.size())
        onLiteral(text.sliced(runStart));
    return true;
}

}  // namespace

namespace Escape {

char *writeName(char *out, QByteArrayView name, bool json)
{
    const uchar *p = reinterpret_cast<const uchar *>(name.data());
    const uchar *end = p + name.size();
    while (p < end) {
        if (*p >= 0x20 && *p < 0x7F && *p != '\\' && !(json && *p == '"')) {
            *out++ = char(*p++);  // the common case: printable ASCII
            continue;
        }
        const int length = validSequenceLength(p, end);
        if (length == 0) {
            out = putHexEscape(out, *p++, json);
        } else if (length == 1) {
            const uchar c = *p++;
            if (c == '\\')
                out = putEscape(out, '\\', json);
            else if (c == '\t')
                out = putEscape(out, 't', json);
            else if (c == '\n')
                out = putEscape(out, 'n', json);
            else if (isControl(c))
                out = putHexEscape(out, c, json);
            else
                out = put(out, char(c), json);
        } else if (length == 2 && p[0] == 0xC2 && p[1] < 0xA0) {
            // A C1 control character: terminals act on some of them.
            out = putHexEscape(out, p[0], json);
            out = putHexEscape(out, p[1], json);
            p += 2;
        } else {
            out = std::copy(p, p + length, out);
            p += length;
        }
    }
    return out;
}

void appendName(QByteArray &out, QByteArrayView name)
{
    const qsizetype start = out.size();
    out.resize(start + mostBytes(name.size(), false));
    out.truncate(writeName(out.data() + start, name) - out.constData());
}

QByteArray name(QByteArrayView name)
{
    QByteArray out;
    appendName(out, name);
    return out;
}

bool unescapeName(QByteArrayView text, QByteArray &bytes, QString &problem)
{
    bytes.clear();
    return forEachPiece(
        text, [&](QByteArrayView literal) { bytes.append(literal); }, [&](char byte) { bytes.append(byte); },
        problem);
}

bool unescapeField(QByteArrayView text, const CodePage &page, QByteArray &bytes, QString &problem)
{
    bytes.clear();
    QString unstorable;
    const bool wellFormed = forEachPiece(
        text,
        [&](QByteArrayView literal) {
            const QString decoded = QString::fromLocal8Bit(literal);
            if (!page.canEncode(decoded))
                unstorable = decoded;
            bytes.append(page.encode(decoded));
        },
        [&](char byte) { bytes.append(byte); }, problem);
    if (wellFormed && !unstorable.isNull()) {
        problem = QStringLiteral("\"%1\" holds characters that code page %2 cannot store")
                      .arg(QString::fromLocal8Bit(text))
                      .arg(page.number());
        return false;
    }
    return wellFormed;
}

FieldPrinter::FieldPrinter(const CodePage &page, bool json)
{
    for (int byte = 0; byte < 256; ++byte) {
        char text[8];
        char *end = text;
        const char16_t c = page.toChar(quint8(byte)).unicode();
        if (byte == '\\')
            end = putEscape(end, '\\', json);
        else if (byte == '\t')
            end = putEscape(end, 't', json);
        else if (byte == '\n')
            end = putEscape(end, 'n', json);
        else if (isControl(c))
            end = putHexEscape(end, uchar(byte), json);
        else if (c < 0x80)
            end = put(end, char(c), json);
        else
            end = std::ranges::copy(QString(QChar(c)).toUtf8(), end).out;
        Piece &piece = m_pieces[byte];
        piece.size = quint8(end - text);
        std::copy(text, end, piece.bytes);
    }
}

char *FieldPrinter::write(char *out, QByteArrayView field) const
{
    qsizetype end = field.indexOf('\0');
    if (end < 0)
        end = field.size();
    while (end > 0 && field[end - 1] == ' ')
        --end;
    for (qsizetype i = 0; i < end; ++i) {
        // A whole piece is copied, only its size counts: the caller's room covers the rest.
        const Piece &piece = m_pieces[uchar(field[i])];
        std::memcpy(out, piece.bytes, sizeof piece.bytes);
        out += piece.size;
    }
    return out;
}

}  // namespace Escape
