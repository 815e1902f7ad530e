#include "tags/id3v2/Id3v2Text.h"

#include <QStringDecoder>

namespace Id3v2 {

namespace {

enum Encoding : quint8 { Latin1 = 0, Utf16 = 1, Utf16BigEndian = 2, Utf8 = 3 };

// Enough bytes for MaxTextUnits code units in any encoding (UTF-8 takes at most three a unit).
constexpr qsizetype LookedAtBytes = 4 * qsizetype(MaxTextUnits);

QList<QByteArray> splitAtZero(QByteArrayView bytes)
{
    QList<QByteArray> pieces;
    qsizetype from = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\0') {
            pieces.append(bytes.sliced(from, i - from).toByteArray());
            from = i + 1;
        }
    }
    pieces.append(bytes.sliced(from).toByteArray());
    return pieces;
}

bool isValidUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder(bytes);
    Q_UNUSED(text);
    return !decoder.hasError();
}

// Without a byte-order mark: big-endian when more zero bytes fall on even offsets (Latin letters
// written high byte first), else little-endian.
bool guessBigEndian(QByteArrayView bytes)
{
    qsizetype even = 0, odd = 0;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        even += bytes[i] == '\0' && bytes[i + 1] != '\0';
        odd += bytes[i + 1] == '\0' && bytes[i] != '\0';
    }
    return even > odd;
}

// UTF-16 values, each maybe after its own byte-order mark; a mark holds for the values after it.
QStringList decodeUtf16(QByteArrayView bytes, bool bigEndian)
{
    QStringList values;
    QString value;
    bool atStart = true;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const uchar a = uchar(bytes[i]), b = uchar(bytes[i + 1]);
        if (atStart && ((a == 0xFE && b == 0xFF) || (a == 0xFF && b == 0xFE))) {
            bigEndian = a == 0xFE;
            continue;
        }
        atStart = false;
        const char16_t unit = bigEndian ? char16_t(a << 8 | b) : char16_t(b << 8 | a);
        if (unit == 0) {
            values.append(value);
            value.clear();
            atStart = true;
        } else {
            value.append(QChar(unit));
        }
    }
    values.append(value);
    return values;
}

QStringList decodeBytes(QByteArrayView bytes, bool utf8)
{
    QStringList values;
    for (const QByteArray &piece : splitAtZero(bytes))
        values.append(utf8 ? QString::fromUtf8(piece) : QString::fromLatin1(piece));
    return values;
}

// The bytes looked at: at most LookedAtBytes, never ending inside a character of the encoding.
QByteArrayView lookedAt(quint8 encoding, const char *text, qsizetype size)
{
    qsizetype end = qMin(size, LookedAtBytes);
    if (encoding == Utf16 || encoding == Utf16BigEndian)
        end &= ~qsizetype(1);
    else if (end < size && encoding != Latin1) {
        while (end > 0 && (uchar(text[end]) & 0xC0) == 0x80)
            --end;
    }
    return QByteArrayView(text, end);
}

// At most MaxTextUnits code units in all: the values that fit whole, or the first one cut (a
// surrogate pair never split).
void cut(QStringList &values)
{
    qsizetype left = MaxTextUnits;
    for (qsizetype i = 0; i < values.size(); ++i) {
        QString &value = values[i];
        if (value.size() > left) {
            if (i > 0) {
                values.resize(i);
                return;
            }
            qsizetype keep = left;
            if (value.at(keep - 1).isHighSurrogate() && value.at(keep).isLowSurrogate())
                --keep;
            value.truncate(keep);
            values.resize(1);
            return;
        }
        left -= value.size();
    }
}

void appendUtf16(QByteArray &out, const QString &text)
{
    if (text.isEmpty())
        return;  // nothing at all, not a lone mark: a library keeps no empty value then
    out.append("\xFF\xFE", 2);
    for (const QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
}

}  // namespace

QStringList decodeText(quint8 encoding, const char *text, qsizetype size)
{
    const QByteArrayView bytes = lookedAt(encoding, text, size);
    QStringList values;
    if (encoding == Utf16)
        values = decodeUtf16(bytes, guessBigEndian(bytes));
    else if (encoding == Utf16BigEndian)
        values = decodeUtf16(bytes, true);
    else
        values = decodeBytes(bytes, encoding == Utf8 || (encoding > Utf8 && isValidUtf8(bytes)));
    for (QString &value : values) {
        while (value.startsWith(QChar(0xFEFF)))
            value.remove(0, 1);
    }
    cut(values);
    return values;
}

QByteArray textFrameContents(const QStringList &values)
{
    QByteArray out(1, char(Utf16));
    bool first = true;
    for (const QString &value : values) {
        if (value.isEmpty())
            continue;
        if (!first)
            out.append("\0\0", 2);
        first = false;
        appendUtf16(out, value);
    }
    return out;
}

QByteArray commentFrameContents(const QByteArray &language, const QString &description, const QString &text)
{
    QByteArray out(1, char(Utf16));
    out.append(language.left(3).leftJustified(3, 'X'));
    appendUtf16(out, description);
    out.append("\0\0", 2);
    appendUtf16(out, text);
    return out;
}

}  // namespace Id3v2
