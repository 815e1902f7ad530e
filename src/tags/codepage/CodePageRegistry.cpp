// Which code pages there are, their names, and the page of the user's locale. Each page is built
// on its first use and lives as long as the program.

#include "tags/codepage/CodePage.h"
#include "tags/codepage/CodePagePairs.h"
#include "tags/codepage/CodePageTables.h"

#include <array>
#include <mutex>

namespace {

struct PageInfo {
    int number;
    const char *name;       // the usual name, as menus show it
    const char *converter;  // the C library's converter of a double-byte page; nullptr: compiled in
    const char *aliases;    // other names, lower case, separated by spaces
};

constexpr std::array<PageInfo, 14> pageInfos = {{
    {874, "Thai", nullptr, "tis-620 windows-874"},
    {1250, "Central European", nullptr, ""},
    {1251, "Cyrillic", nullptr, ""},
    {1252, "Western European", nullptr, "latin1"},
    {1253, "Greek", nullptr, ""},
    {1254, "Turkish", nullptr, ""},
    {1255, "Hebrew", nullptr, ""},
    {1256, "Arabic", nullptr, ""},
    {1257, "Baltic", nullptr, ""},
    {1258, "Vietnamese", nullptr, ""},
    {932, "Japanese", "CP932", "shift_jis shift-jis sjis ms932 windows-31j"},
    {936, "Chinese Simplified", "CP936", "gbk gb2312 ms936"},
    {949, "Korean", "CP949", "uhc euc-kr ks_c_5601-1987"},
    {950, "Chinese Traditional", "CP950", "big5 ms950"},
}};

const PageInfo *infoOf(int number)
{
    for (const PageInfo &info : pageInfos) {
        if (info.number == number)
            return &info;
    }
    return nullptr;
}

std::unique_ptr<CodePage> build(const PageInfo &info)
{
    if (info.converter)
        return CodePageBuilder::doubleByte(info.number, info.converter);
    for (int i = 0; i < CodePageTables::tableCount; ++i) {
        if (CodePageTables::tables[i].number == info.number)
            return CodePageBuilder::singleByte(info.number, CodePageTables::tables[i].upper);
    }
    return nullptr;
}

// lower: a name in lower case.
bool namesPage(const QString &lower, const PageInfo &info)
{
    const QString number = QString::number(info.number);
    if (lower == number || lower == QStringLiteral("cp") + number || lower == QStringLiteral("windows-") + number
        || lower.compare(QLatin1StringView(info.name), Qt::CaseInsensitive) == 0)
        return true;
    for (QLatin1StringView alias : QLatin1StringView(info.aliases).tokenize(QLatin1Char(' '))) {
        if (lower == alias)
            return true;
    }
    return false;
}

}  // namespace

const std::vector<int> &CodePage::numbers()
{
    static const std::vector<int> all = [] {
        std::vector<int> list;
        for (const PageInfo &info : pageInfos)
            list.push_back(info.number);
        return list;
    }();
    return all;
}

const CodePage *CodePage::find(int number)
{
    static std::array<std::once_flag, pageInfos.size()> once;
    static std::array<std::unique_ptr<CodePage>, pageInfos.size()> pages;
    for (size_t i = 0; i < pageInfos.size(); ++i) {
        if (pageInfos[i].number != number)
            continue;
        std::call_once(once[i], [i] { pages[i] = build(pageInfos[i]); });
        return pages[i].get();
    }
    return nullptr;
}

const CodePage &CodePage::byNumber(int number)
{
    if (const CodePage *page = find(number))
        return *page;
    return *find(1252);
}

const CodePage *CodePage::byName(QStringView name)
{
    const QString lower = name.trimmed().toString().toLower();
    for (const PageInfo &info : pageInfos) {
        if (!lower.isEmpty() && namesPage(lower, info))
            return find(info.number);
    }
    return nullptr;
}

QString CodePage::name() const
{
    return QLatin1StringView(infoOf(m_number)->name);
}

QString CodePage::title() const
{
    return QStringLiteral("%1 (%2)").arg(name()).arg(m_number);
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
