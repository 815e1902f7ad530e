// How often the suggested code page is the one a folder's tags were written in, on real text:
// the translated names of languages, countries and their parts in iso-codes, encoded in each
// language's page and cut at 30 bytes as a tagger stores them. Each simulated folder holds 5, 12
// or 50 files with a title, an artist and an album drawn at random from one page's strings.
// Prints a Markdown table: right / cannot tell / wrong, in percent of the folders.

#include "tags/codepage/CodePage.h"
#include "tags/codepage/CodePageGuess.h"

#include <QFile>
#include <QtEndian>

#include <cstdio>
#include <map>
#include <random>
#include <vector>

namespace {

struct Language {
    const char *locale;
    int page;
};

const Language languages[] = {
    {"ru", 1251}, {"uk", 1251}, {"bg", 1251}, {"cs", 1250}, {"pl", 1250}, {"hu", 1250},
    {"fr", 1252}, {"de", 1252}, {"el", 1253}, {"tr", 1254}, {"he", 1255}, {"ar", 1256},
    {"fa", 1256}, {"lt", 1257}, {"lv", 1257}, {"vi", 1258}, {"th", 874},  {"ja", 932},
    {"zh_CN", 936}, {"ko", 949}, {"zh_TW", 950},
};

const char *const catalogs[] = {"iso_639-2", "iso_3166-1", "iso_3166-2", "iso_15924"};

// The translations of a gettext catalog (the header entry left out).
QStringList translationsIn(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray mo = file.readAll();
    auto word = [&](qsizetype at) { return at + 4 <= mo.size() ? qFromLittleEndian<quint32>(mo.constData() + at) : 0u; };
    if (word(0) != 0x950412DE)
        return {};
    const quint32 count = word(8), table = word(16);
    QStringList texts;
    for (quint32 i = 1; i < count; ++i) {
        const quint32 length = word(table + i * 8), offset = word(table + i * 8 + 4);
        if (qsizetype(offset) + length <= mo.size())
            texts << QString::fromUtf8(mo.constData() + offset, length);
    }
    return texts;
}

// The page's strings as a tagger stores them: encoded (text the page cannot store is left out)
// and cut at 30 bytes.
std::vector<QByteArray> fieldsOf(int number)
{
    const CodePage &page = CodePage::byNumber(number);
    std::vector<QByteArray> fields;
    for (const Language &language : languages) {
        if (language.page != number)
            continue;
        for (const char *catalog : catalogs) {
            const QString path = QStringLiteral("/usr/share/locale/%1/LC_MESSAGES/%2.mo").arg(language.locale, catalog);
            for (const QString &text : translationsIn(path)) {
                const QString composed = text.normalized(QString::NormalizationForm_C);
                if (page.canEncode(composed))
                    fields.push_back(page.encode(composed).left(30));
            }
        }
    }
    return fields;
}

struct Tally {
    int right = 0, none = 0, wrong = 0;
};

Tally tally(const std::vector<QByteArray> &fields, int number, int files, int folders, std::mt19937 &random)
{
    Tally t;
    std::uniform_int_distribution<size_t> pick(0, fields.size() - 1);
    for (int f = 0; f < folders; ++f) {
        CodePageGuess guess;
        for (int i = 0; i < files * 3; ++i)
            guess.addField(fields[pick(random)]);
        const int suggested = guess.suggestion();
        (suggested == number ? t.right : suggested == 0 ? t.none : t.wrong)++;
    }
    return t;
}

}  // namespace

int main()
{
    constexpr int Folders = 200;
    const int sizes[] = {5, 12, 50};
    std::mt19937 random(19);
    std::printf("| Page | Strings | 5 files | 12 files | 50 files |\n|---|---|---|---|---|\n");
    for (int number : CodePage::numbers()) {
        const std::vector<QByteArray> fields = fieldsOf(number);
        std::printf("| %s | %zu |", qPrintable(CodePage::byNumber(number).title()), fields.size());
        for (int files : sizes) {
            if (fields.empty()) {
                std::printf(" - |");
                continue;
            }
            const Tally t = tally(fields, number, files, Folders, random);
            std::printf(" %d / %d / %d |", t.right * 100 / Folders, t.none * 100 / Folders, t.wrong * 100 / Folders);
        }
        std::printf("\n");
    }
    std::printf("\nright / cannot tell / wrong, %% of %d folders per cell\n", Folders);
    return 0;
}
