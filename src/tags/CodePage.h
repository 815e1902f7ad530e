#pragma once
// The system's single-byte code page, in which the trailer's text fields are stored. Every byte
// maps to exactly one character and back, so any stored text round-trips unchanged.

#include <QByteArray>
#include <QChar>
#include <QHash>
#include <QLocale>
#include <QString>

class CodePage {
public:
    // Chosen from the language of the user's locale (1252 for the C locale and unlisted languages).
    static const CodePage &system();
    static const CodePage &forLanguage(QLocale::Language language);
    // 874 or 1250..1258; any other number gives 1252.
    static const CodePage &byNumber(int number);

    int number() const { return m_number; }
    QChar toChar(quint8 byte) const { return m_chars[byte]; }
    // One character per byte.
    QString decode(const QByteArray &bytes) const;
    bool canEncode(QChar c) const;
    bool canEncode(const QString &text) const;
    // One byte per character; a character the page cannot store (a surrogate pair counts as one
    // character) becomes '?'.
    QByteArray encode(const QString &text) const;

    CodePage(const CodePage &) = delete;
    CodePage &operator=(const CodePage &) = delete;

private:
    CodePage(int number, const char16_t *upper);

    int m_number;
    QChar m_chars[256];
    QHash<char16_t, quint8> m_bytes;  // characters 0x80 and above -> byte
};
