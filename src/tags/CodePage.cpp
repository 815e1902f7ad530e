#include "tags/CodePage.h"

#include "tags/CodePageTables.h"

#include <memory>
#include <vector>

namespace {

struct Registry {
    std::vector<std::unique_ptr<CodePage>> pages;
    const CodePage *fallback = nullptr;
};

}  // namespace

CodePage::CodePage(int number, const char16_t *upper) : m_number(number)
{
    for (int b = 0; b < 0x80; ++b)
        m_chars[b] = QChar(char16_t(b));
    for (int b = 0x80; b < 0x100; ++b) {
        m_chars[b] = QChar(upper[b - 0x80]);
        m_bytes.insert(upper[b - 0x80], quint8(b));
    }
}

const CodePage &CodePage::byNumber(int number)
{
    // Built once, on first use; the pages live as long as the program.
    struct Pages : Registry {
        Pages()
        {
            for (int i = 0; i < CodePageTables::tableCount; ++i) {
                const auto &t = CodePageTables::tables[i];
                pages.push_back(std::unique_ptr<CodePage>(new CodePage(t.number, t.upper)));
                if (t.number == 1252)
                    fallback = pages.back().get();
            }
        }
    };
    static const Pages registry;
    for (const auto &page : registry.pages) {
        if (page->number() == number)
            return *page;
    }
    return *registry.fallback;
}

const CodePage &CodePage::forLanguage(QLocale::Language language)
{
    switch (language) {
    case QLocale::Russian:
    case QLocale::Ukrainian:
    case QLocale::Belarusian:
    case QLocale::Bulgarian:
    case QLocale::Serbian:
    case QLocale::Macedonian:
        return byNumber(1251);
    case QLocale::Czech:
    case QLocale::Polish:
    case QLocale::Hungarian:
    case QLocale::Slovak:
    case QLocale::Slovenian:
    case QLocale::Croatian:
    case QLocale::Romanian:
    case QLocale::Albanian:
        return byNumber(1250);
    case QLocale::Greek:
        return byNumber(1253);
    case QLocale::Turkish:
    case QLocale::Azerbaijani:
        return byNumber(1254);
    case QLocale::Hebrew:
        return byNumber(1255);
    case QLocale::Arabic:
    case QLocale::Persian:
    case QLocale::Urdu:
        return byNumber(1256);
    case QLocale::Estonian:
    case QLocale::Latvian:
    case QLocale::Lithuanian:
        return byNumber(1257);
    case QLocale::Vietnamese:
        return byNumber(1258);
    case QLocale::Thai:
        return byNumber(874);
    default:
        return byNumber(1252);
    }
}

const CodePage &CodePage::system()
{
    // Asked once per file during a scan; the user's locale does not change while the program runs.
    static const CodePage &page = forLanguage(QLocale::system().language());
    return page;
}

QString CodePage::decode(const QByteArray &bytes) const
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = m_chars[quint8(bytes.at(i))];
    return text;
}

bool CodePage::canEncode(QChar c) const
{
    return c.unicode() < 0x80 || m_bytes.contains(c.unicode());
}

bool CodePage::canEncode(const QString &text) const
{
    for (QChar c : text) {
        if (!canEncode(c))
            return false;
    }
    return true;
}

QByteArray CodePage::encode(const QString &text) const
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x80) {
            bytes.append(char(c.unicode()));
            continue;
        }
        const auto found = m_bytes.constFind(c.unicode());
        if (found != m_bytes.constEnd()) {
            bytes.append(char(found.value()));
            continue;
        }
        // A character outside the page; a surrogate pair is one character and one '?'.
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        bytes.append('?');
    }
    return bytes;
}
