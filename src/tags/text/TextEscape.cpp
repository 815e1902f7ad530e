#include "tags/text/TextEscape.h"

#include <algorithm>
#include <charconv>

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

// One ASCII character that is not plain printable text.
char *writeSpecial(char *out, uchar c, unsigned options)
{
    const bool json = options & TextEscape::Json;
    if (c == '\\')
        return options & TextEscape::ControlsOnly ? put(out, '\\', json) : putEscape(out, '\\', json);
    if (c == '\t')
        return putEscape(out, 't', json);
    if (c == '\n')
        return options & TextEscape::LineBreaksKept ? put(out, '\n', json) : putEscape(out, 'n', json);
    if (TextEscape::isControl(c))
        return TextEscape::writeHexByte(out, c, json);
    return put(out, char(c), json);
}

// The byte written as two hexadecimal digits at p, or -1.
int hexByte(const char *p)
{
    unsigned value = 0;
    const std::from_chars_result r = std::from_chars(p, p + 2, value, 16);
    return r.ec == std::errc() && r.ptr == p + 2 ? int(value) : -1;
}

}  // namespace

namespace TextEscape {

char *writeHexByte(char *out, uchar byte, bool json)
{
    out = putEscape(out, 'x', json);
    *out++ = hexDigits[byte >> 4];
    *out++ = hexDigits[byte & 15];
    return out;
}

char *write(char *out, QByteArrayView bytes, unsigned options)
{
    const bool json = options & Json;
    const uchar *p = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *end = p + bytes.size();
    const bool edges = options & EdgeBlanks;
    if (edges && p < end && *p == ' ')
        out = writeHexByte(out, *p++, json);
    const bool blankAtEnd = edges && end > p && end[-1] == ' ';
    if (blankAtEnd)
        --end;
    while (p < end) {
        if (*p >= 0x20 && *p < 0x7F && *p != '\\' && !(json && *p == '"')) {
            *out++ = char(*p++);  // the common case: printable ASCII
            continue;
        }
        const int length = validSequenceLength(p, end);
        if (length == 0) {
            out = writeHexByte(out, *p++, json);
        } else if (length == 1) {
            out = writeSpecial(out, *p++, options);
        } else if (length == 2 && p[0] == 0xC2 && p[1] < 0xA0) {
            // A C1 control character: terminals act on some of them.
            out = writeHexByte(out, p[0], json);
            out = writeHexByte(out, p[1], json);
            p += 2;
        } else {
            out = std::copy(p, p + length, out);
            p += length;
        }
    }
    if (blankAtEnd)
        out = writeHexByte(out, ' ', json);
    return out;
}

void append(QByteArray &out, QByteArrayView bytes, unsigned options)
{
    const qsizetype start = out.size();
    out.resize(start + mostBytes(bytes.size(), options & Json));
    out.truncate(write(out.data() + start, bytes, options) - out.constData());
}

QByteArray escaped(QByteArrayView bytes, unsigned options)
{
    QByteArray out;
    append(out, bytes, options);
    return out;
}

QString shown(QByteArrayView bytes)
{
    return QString::fromUtf8(escaped(bytes));
}

QString visible(const QString &text, bool lineBreaksKept)
{
    return QString::fromUtf8(escaped(text.toUtf8(), ControlsOnly | (lineBreaksKept ? LineBreaksKept : Plain)));
}

bool forEachPiece(QByteArrayView text, const std::function<void(QByteArrayView)> &literal,
                  const std::function<void(char)> &byte, QString &problem, bool lenient)
{
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\\')
            continue;
        const char kind = i + 1 < text.size() ? text[i + 1] : '\0';
        const int hex = kind == 'x' && i + 3 < text.size() ? hexByte(text.data() + i + 2) : -1;
        const bool simple = kind == '\\' || kind == 't' || kind == 'n' || kind == 'r';
        if (!simple && hex < 0) {
            if (lenient)
                continue;  // the backslash stays in the literal run
            problem = QStringLiteral("\"%1\": a backslash must begin \\\\, \\t, \\n, \\r or \\xNN (two hexadecimal digits)")
                          .arg(visible(QString::fromLocal8Bit(text), false));
            return false;
        }
        if (i > runStart)
            literal(text.sliced(runStart, i - runStart));
        if (simple) {
            byte(kind == 't' ? '\t' : kind == 'n' ? '\n' : kind == 'r' ? '\r' : '\\');
            i += 1;
        } else {
            byte(char(hex));
            i += 3;
        }
        runStart = i + 1;
    }
    if (runStart < text.size())
        literal(text.sliced(runStart));
    return true;
}

bool unescape(QByteArrayView text, QByteArray &bytes, QString &problem)
{
    bytes.clear();
    return forEachPiece(
        text, [&](QByteArrayView run) { bytes.append(run); }, [&](char b) { bytes.append(b); }, problem);
}

QByteArray unescapeLenient(QByteArrayView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    QString never;
    forEachPiece(
        text, [&](QByteArrayView run) { bytes.append(run); }, [&](char b) { bytes.append(b); }, never, true);
    return bytes;
}

}  // namespace TextEscape
