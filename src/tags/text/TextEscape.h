#pragma once
// The printable form of bytes that come from files (names, tag text, stored settings) and its
// reverse.
//
// Valid UTF-8 stays as it is, except: a tab is \t, a newline \n, a backslash \\, and every other
// control character (C0, DEL and C1) and every byte that is not part of valid UTF-8 is \xNN (its
// byte in hexadecimal). Nothing in this form can act on a terminal or break a line, and the
// reverse gives back every byte, so a name that is not UTF-8 can be copied from the output.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

namespace TextEscape {

enum Option : unsigned {
    Plain = 0,
    Json = 1,          // as the inside of a JSON string: '\\' and '"' get a further backslash
    EdgeBlanks = 2,    // a blank at either end is \x20: a settings value's outer blanks are trimmed
    ControlsOnly = 4,  // backslashes stay single: for text whose quoted parts are escaped already
    LineBreaksKept = 8,  // newlines stay: for messages of several lines
};

// Room that the printable form of size bytes may take at most: 4 bytes each (\xNN), twice that
// inside a JSON string, and 8 to spare for whole-piece copies.
constexpr qsizetype mostBytes(qsizetype size, bool json)
{
    return size * (json ? 8 : 4) + 8;
}

// Writes the printable form of bytes at out, which has room for mostBytes(bytes.size(), json).
// Returns the end.
char *write(char *out, QByteArrayView bytes, unsigned options = Plain);
void append(QByteArray &out, QByteArrayView bytes, unsigned options = Plain);
QByteArray escaped(QByteArrayView bytes, unsigned options = Plain);

// The printable form as text, for a message that quotes a file name or tag text.
QString shown(QByteArrayView bytes);

// A message made safe to show: its control characters as above (its newlines kept when it may
// have several lines), all else, backslashes included, as it is.
QString visible(const QString &text, bool lineBreaksKept);

// Whether c is a control character: C0, DEL or C1.
constexpr bool isControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// \xNN for one byte (its backslash doubled for JSON). Returns the end.
char *writeHexByte(char *out, uchar byte, bool json);

// Walks text in the printable form, handing its literal runs and escaped bytes to the two
// callbacks in order. \\, \t, \n, \r and \xNN (either letter case) are escapes. A backslash that
// begins none is refused with problem set, or, when lenient, stands for itself (as in a
// hand-written Windows path).
bool forEachPiece(QByteArrayView text, const std::function<void(QByteArrayView)> &literal,
                  const std::function<void(char)> &byte, QString &problem, bool lenient = false);

// Raw bytes back from the printable form; false with problem set for a bad escape.
bool unescape(QByteArrayView text, QByteArray &bytes, QString &problem);
// The same where no text can be refused: a bad escape stands for itself.
QByteArray unescapeLenient(QByteArrayView text);

}  // namespace TextEscape
