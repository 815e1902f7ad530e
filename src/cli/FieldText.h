#pragma once
// Tag text on the command line: printed in the printable form of tags/TextEscape.h, and read back
// from it. For tag text an escaped byte is the tag's own byte, in the code page.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class CodePage;

namespace FieldText {

// Turns an argument in the printable form into code-page bytes for a tag field: literal text
// (in the locale's encoding) is encoded in the page, an escape \xNN is the tag byte NN. Returns
// false, with problem set, for a bad escape or a character the page cannot store.
bool unescapeField(QByteArrayView text, const CodePage &page, QByteArray &bytes, QString &problem);

// The printable form of tag text, one table lookup per byte (per character in a double-byte page).
class FieldPrinter {
public:
    FieldPrinter(const CodePage &page, bool json);
    // Writes a field as it is read for a name (up to its first NUL, trailing spaces removed) at
    // out, which has room for TextEscape::mostBytes(field.size(), json). Returns the end.
    char *write(char *out, QByteArrayView field) const;

private:
    char *writeDecoded(char *out, QByteArrayView field) const;

    struct Piece {
        char bytes[7];
        quint8 size;
    };
    Piece m_pieces[256];
    const CodePage &m_page;
    bool m_json;
};

}  // namespace FieldText
