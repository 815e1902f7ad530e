#include "cli/FieldText.h"

#include "tags/codepage/CodePage.h"
#include "tags/id3v1/Id3v1.h"
#include "tags/text/TextEscape.h"

#include <algorithm>
#include <cstring>

namespace FieldText {

bool unescapeField(QByteArrayView text, const CodePage &page, QByteArray &bytes, QString &problem)
{
    bytes.clear();
    QString unstorable;
    const bool wellFormed = TextEscape::forEachPiece(
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
                      .arg(TextEscape::visible(QString::fromLocal8Bit(text), false))
                      .arg(page.number());
        return false;
    }
    return wellFormed;
}

FieldPrinter::FieldPrinter(const CodePage &page, bool json) : m_page(page), m_json(json)
{
    const unsigned options = json ? TextEscape::Json : TextEscape::Plain;
    for (int byte = 0; byte < 256; ++byte) {
        char text[8];
        char *end = text;
        const char16_t c = page.toChar(quint8(byte)).unicode();
        const char single = char(byte);
        if (single == '\\' || single == '\t' || single == '\n')
            end = TextEscape::write(end, QByteArrayView(&single, 1), options);
        else if (TextEscape::isControl(c) || CodePage::isKeptByte(QChar(c)))
            end = TextEscape::writeHexByte(end, uchar(byte), json);  // the tag's byte, not the character's
        else
            end = TextEscape::write(end, QString(QChar(c)).toUtf8(), options);
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
    if (m_page.isDoubleByte())
        return writeDecoded(out, field.first(end));
    for (qsizetype i = 0; i < end; ++i) {
        // A whole piece is copied, only its size counts: the caller's room covers the rest.
        const Piece &piece = m_pieces[uchar(field[i])];
        std::memcpy(out, piece.bytes, sizeof piece.bytes);
        out += piece.size;
    }
    return out;
}

namespace {

// A character of the basic plane above ASCII (a page holds no surrogates): two or three bytes,
// within the room of the \xNN escapes of the one or two bytes it was read from.
char *putUtf8(char *out, char16_t c)
{
    if (c < 0x800) {
        *out++ = char(0xC0 | c >> 6);
    } else {
        *out++ = char(0xE0 | c >> 12);
        *out++ = char(0x80 | (c >> 6 & 0x3F));
    }
    *out++ = char(0x80 | (c & 0x3F));
    return out;
}

}  // namespace

char *FieldPrinter::writeDecoded(char *out, QByteArrayView field) const
{
    QChar text[Id3v1::TrailerSize];
    const qsizetype n = m_page.decodeInto(field.data(), std::min<qsizetype>(field.size(), Id3v1::TrailerSize), text);
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80 || CodePage::isKeptByte(text[i])) {
            // Its byte on its own: ASCII, or a byte that stands for nothing.
            const Piece &piece = m_pieces[c < 0x80 ? c : c - CodePage::KeptByteBase];
            out = std::copy(piece.bytes, piece.bytes + piece.size, out);
        } else if (TextEscape::isControl(c)) {
            for (char byte : m_page.encode(QStringView(&text[i], 1)))
                out = TextEscape::writeHexByte(out, uchar(byte), m_json);
        } else {
            out = putUtf8(out, c);
        }
    }
    return out;
}

}  // namespace FieldText
