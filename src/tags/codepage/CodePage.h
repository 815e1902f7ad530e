#pragma once
// The code page in which the trailer's text fields are stored: the single-byte pages 874 and
// 1250..1258 and the double-byte pages 932, 936, 949 and 950.
//
// Every byte sequence decodes to text that encodes back to the same bytes. A single-byte page
// maps every byte to its own character. In a double-byte page a byte that stands for nothing on
// its own (a lead byte cut off by the end of a field, a pair the page leaves undefined, a byte
// the page does not use) decodes to a kept-byte mark: the private-use character U+EF80..U+EFFF
// of its value, which encodes back to that byte. The pages' own private-use characters (their
// user-defined areas) lie outside that range. shown() puts U+FFFD in the marks' place for reading.

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

class CodePage {
public:
    // Chosen from the language of the user's locale (1252 for the C locale and unlisted languages).
    static const CodePage &system();
    static const CodePage &forLanguage(QLocale::Language language);
    // One of numbers(); any other number gives 1252.
    static const CodePage &byNumber(int number);
    // nullptr when the number is not one of ours.
    static const CodePage *find(int number);
    // A number ("1251"), a Windows or IANA name ("cp1251", "windows-1251", "shift_jis", "gbk",
    // "big5", "euc-kr") or a usual name ("Cyrillic", "Japanese"); letter case does not matter.
    static const CodePage *byName(QStringView name);
    // Every page, in the order a menu lists them: 874, 1250..1258, 932, 936, 949, 950.
    static const std::vector<int> &numbers();

    int number() const { return m_number; }
    // "Cyrillic", "Japanese".
    QString name() const;
    // "Cyrillic (1251)".
    QString title() const;
    bool isDoubleByte() const { return m_doubleByte; }

    // The character of a byte on its own (a lead byte of a double-byte page gives its mark).
    QChar toChar(quint8 byte) const { return QChar(m_single[byte]); }
    QString decode(QByteArrayView bytes) const;
    // Decodes n bytes into out, which has room for n characters; returns the characters written.
    qsizetype decodeInto(const char *bytes, qsizetype n, QChar *out) const;

    bool canEncode(QChar c) const { return c.unicode() < 0x80 || m_encode[c.unicode()] != 0; }
    bool canEncode(QStringView text) const;
    // A character the page cannot store (a surrogate pair counts as one character) becomes '?'.
    QByteArray encode(QStringView text) const;
    // The bytes encode() gives for the text.
    qsizetype encodedLength(QStringView text) const;
    bool fits(QStringView text, qsizetype bytes) const { return encodedLength(text) <= bytes; }
    // The bytes one character takes: 1 or 2 (1 for a character the page cannot store: its '?').
    int byteWidth(QChar c) const { return m_encode[c.unicode()] >= 0x100 ? 2 : 1; }

    static constexpr char16_t KeptByteBase = 0xEF00;  // + the byte (0x80..0xFF)
    static bool isKeptByte(QChar c) { return c.unicode() >= KeptByteBase + 0x80 && c.unicode() <= KeptByteBase + 0xFF; }
    // The text for reading: kept-byte marks become U+FFFD.
    static QString shown(QStringView text);

    CodePage(const CodePage &) = delete;
    CodePage &operator=(const CodePage &) = delete;
    ~CodePage();

private:
    struct Pairs;
    CodePage(int number, const char16_t *upper);
    explicit CodePage(int number);
    void addEncoding(char16_t c, quint16 bytes);
    friend struct CodePageBuilder;

    int m_number;
    bool m_doubleByte = false;
    char16_t m_single[256];                // a byte on its own; a lead byte gives its mark
    std::unique_ptr<Pairs> m_pairs;        // double-byte pages: lead and trail -> character
    std::vector<quint16> m_encode;         // character -> byte, or lead << 8 | trail; 0: none
};
