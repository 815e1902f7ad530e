#include "Escape.h"

#include "CodePage.h"

namespace {

const char hexDigits[] = "0123456789ABCDEF";

void appendHexEscape(QByteArray &out, uchar byte)
{
    const char escape[4] = {'\\', 'x', hexDigits[byte >> 4], hexDigits[byte & 15]};
    out.append(escape, 4);
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

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
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
        } else if (kind == 'x' && i + 3 < text.size() && hexValue(text[i + 2]) >= 0 && hexValue(text[i + 3]) >= 0) {
            onByte(char(hexValue(text[i + 2]) * 16 + hexValue(text[i + 3])));
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

void appendName(QByteArray &out, QByteArrayView name)
{
    const uchar *p = reinterpret_cast<const uchar *>(name.data());
    const uchar *end = p + name.size();
    while (p < end) {
        const int length = validSequenceLength(p, end);
        if (length == 0) {
            appendHexEscape(out, *p++);
        } else if (length == 1) {
            const uchar c = *p++;
            if (c == '\\')
                out.append("\\\\", 2);
            else if (c == '\t')
                out.append("\\t", 2);
            else if (c == '\n')
                out.append("\\n", 2);
            else if (isControl(c))
                appendHexEscape(out, c);
            else
                out.append(char(c));
        } else if (length == 2 && p[0] == 0xC2 && p[1] < 0xA0) {
            // A C1 control character: terminals act on some of them.
            appendHexEscape(out, p[0]);
            appendHexEscape(out, p[1]);
            p += 2;
        } else {
            out.append(reinterpret_cast<const char *>(p), length);
            p += length;
        }
    }
}

QByteArray name(QByteArrayView name)
{
    QByteArray out;
    out.reserve(name.size());
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

FieldPrinter::FieldPrinter(const CodePage &page)
{
    for (int byte = 0; byte < 256; ++byte) {
        QByteArray text;
        const char16_t c = page.toChar(quint8(byte)).unicode();
        if (byte == '\\')
            text = "\\\\";
        else if (byte == '\t')
            text = "\\t";
        else if (byte == '\n')
            text = "\\n";
        else if (isControl(c))
            appendHexEscape(text, uchar(byte));
        else
            text = QString(QChar(c)).toUtf8();
        Piece &piece = m_pieces[byte];
        piece.size = quint8(text.size());
        std::copy(text.cbegin(), text.cend(), piece.bytes);
    }
}

void FieldPrinter::append(QByteArray &out, QByteArrayView field) const
{
    qsizetype end = field.indexOf('\0');
    if (end < 0)
        end = field.size();
    while (end > 0 && field[end - 1] == ' ')
        --end;
    for (qsizetype i = 0; i < end; ++i) {
        const Piece &piece = m_pieces[uchar(field[i])];
        out.append(piece.bytes, piece.size);
    }
}

void appendJsonText(QByteArray &out, QByteArrayView text)
{
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '"' && c != '\\')
            continue;
        out.append(text.sliced(runStart, i - runStart));
        out.append('\\');
        out.append(c);
        runStart = i + 1;
    }
    out.append(text.sliced(runStart));
}

}  // namespace Escape
