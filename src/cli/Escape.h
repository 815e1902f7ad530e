#pragma once
// The printable form of file names and tag text on the command line, and its reverse.
//
// Valid UTF-8 is printed as it is, except: a tab is \t, a newline \n, a backslash \\, and every
// other control character, and every byte that is not part of valid UTF-8, is \xNN (its byte in
// hexadecimal). For a file name the byte is the name's own byte; for tag text it is the byte of
// the tag, in the code page. The same form is accepted back in arguments, so a name that is not
// UTF-8 can be copied from the output into the next command.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class CodePage;

namespace Escape {

// Room that the printable form of size bytes may take at most: 4 bytes each (\xNN), twice that
// inside a JSON string, and 8 to spare for the field printer's whole-piece copies.
constexpr qsizetype mostBytes(qsizetype size, bool json)
{
    return size * (json ? 8 : 4) + 8;
}

// Writes the printable form of a file name's raw bytes at out, which has room for
// mostBytes(name.size(), json); json: as the inside of a JSON string. Returns the end.
char *writeName(char *out, QByteArrayView name, bool json = false);
void appendName(QByteArray &out, QByteArrayView name);
QByteArray name(QByteArrayView name);

// Turns text of the printable form back into raw bytes. Returns false, with problem set, when a
// backslash begins none of the escapes.
bool unescapeName(QByteArrayView text, QByteArray &bytes, QString &problem);

// Turns an argument in the printable form into code-page bytes for a tag field: literal text
// (in the locale's encoding) is encoded in the page, an escape \xNN is the tag byte NN. Returns
// false, with problem set, for a bad escape or a character the page cannot store.
bool unescapeField(QByteArrayView text, const CodePage &page, QByteArray &bytes, QString &problem);

// The printable form of tag text, one table lookup per byte (per character in a double-byte page).
class FieldPrinter {
public:
    FieldPrinter(const CodePage &page, bool json);
    // Writes a field as it is read for a name (up to its first NUL, trailing spaces removed) at
    // out, which has room for mostBytes(field.size(), json). Returns the end.
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

}  // namespace Escape
