#include "tags/codepage/CodePageGuess.h"

#include "tags/id3v1/TagFields.h"

#include <uchardet.h>

#include <algorithm>
#include <memory>

namespace {

// The detector reads this much at most; a folder's first tags tell as well as all of them.
constexpr qsizetype MostText = 256 * 1024;

struct CharsetPage {
    const char *charset;
    int page;
};

// The detector may answer with a sibling encoding of the same script (KOI8-R for Cyrillic text,
// EUC-KR for Korean); tags are only ever in one of our pages, so the script decides.
constexpr CharsetPage charsetPages[] = {
    {"WINDOWS-1250", 1250}, {"ISO-8859-2", 1250},   {"IBM852", 1250},       {"MAC-CENTRALEUROPE", 1250},
    {"ISO-8859-16", 1250},  {"WINDOWS-1251", 1251}, {"KOI8-R", 1251},       {"KOI8-U", 1251},
    {"IBM855", 1251},       {"IBM866", 1251},       {"ISO-8859-5", 1251},   {"MAC-CYRILLIC", 1251},
    {"WINDOWS-1252", 1252}, {"ISO-8859-1", 1252},   {"ISO-8859-15", 1252},  {"WINDOWS-1253", 1253},
    {"ISO-8859-7", 1253},   {"WINDOWS-1254", 1254}, {"ISO-8859-9", 1254},   {"WINDOWS-1255", 1255},
    {"ISO-8859-8", 1255},   {"WINDOWS-1256", 1256}, {"ISO-8859-6", 1256},   {"WINDOWS-1257", 1257},
    {"ISO-8859-13", 1257},  {"ISO-8859-4", 1257},   {"WINDOWS-1258", 1258}, {"VISCII", 1258},
    {"TIS-620", 874},       {"ISO-8859-11", 874},   {"WINDOWS-874", 874},   {"SHIFT_JIS", 932},
    {"EUC-JP", 932},        {"ISO-2022-JP", 932},   {"GB18030", 936},       {"GB2312", 936},
    {"GBK", 936},           {"HZ-GB-2312", 936},    {"ISO-2022-CN", 936},   {"BIG5", 950},
    {"EUC-TW", 950},        {"EUC-KR", 949},        {"UHC", 949},           {"CP949", 949},
    {"ISO-2022-KR", 949},   {"JOHAB", 949},
};

struct DetectorDeleter {
    void operator()(uchardet *detector) const { uchardet_delete(detector); }
};

}  // namespace

void CodePageGuess::addField(QByteArrayView bytes)
{
    const qsizetype high = std::count_if(bytes.begin(), bytes.end(), [](char b) { return quint8(b) >= 0x80; });
    if (high == 0 || m_text.size() >= MostText)
        return;
    m_nonAscii += high;
    m_text.append(bytes);
    m_text.append('\n');
}

void CodePageGuess::addTrailer(const char *trailer)
{
    for (const TagFieldInfo &field : textFields())
        addField(QByteArrayView(trailer + field.offset, Id3v1::trimmedLength(trailer + field.offset, field.width)));
}

int CodePageGuess::suggestion() const
{
    if (m_nonAscii < MinimumBytes)
        return 0;
    const std::unique_ptr<uchardet, DetectorDeleter> detector(uchardet_new());
    if (!detector || uchardet_handle_data(detector.get(), m_text.constData(), size_t(m_text.size())) != 0)
        return 0;
    uchardet_data_end(detector.get());
    return pageOfCharset(uchardet_get_charset(detector.get()));
}

int CodePageGuess::pageOfCharset(QByteArrayView charset)
{
    for (const CharsetPage &entry : charsetPages) {
        if (charset.compare(QByteArrayView(entry.charset), Qt::CaseInsensitive) == 0)
            return entry.page;
    }
    return 0;
}

