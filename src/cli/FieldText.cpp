#include "FieldText.h"

#include "tags/CodePage.h"
#include "tags/TextEscape.h"

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

FieldPrinter::FieldPrinter(const CodePage &page, bool json)
{
    const unsigned options = json ? TextEscape::Json : TextEscape::Plain;
    for (int byte = 0; byte < 256; ++byte) {
        char text[8];
        char *end = text;
        const char16_t c = page.toChar(quint8(byte)).unicode();
        const char single = char(byte);
        if (single == '\\' || single == '\t' || single == '\n')
            end = TextEscape::write(end, QByteArrayView(&single, 1), options);
        else if (TextEscape::isControl(c))
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
    for (qsizetype i = 0; i < end; ++i) {
        // A whole piece is copied, only its size counts: the caller's room covers the rest.
        const Piece &piece = m_pieces[uchar(field[i])];
        std::memcpy(out, piece.bytes, sizeof piece.bytes);
        out += piece.size;
    }
    return out;
}

}  // namespace FieldText
