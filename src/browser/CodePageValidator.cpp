#include "browser/CodePageValidator.h"

#include "tags/CodePage.h"

CodePageValidator::CodePageValidator(QObject *parent)
    : CodePageValidator(CodePage::system(), parent)
{
}

CodePageValidator::CodePageValidator(const CodePage &codePage, QObject *parent)
    : QValidator(parent), m_codePage(codePage)
{
}

QValidator::State CodePageValidator::validate(QString &input, int &pos) const
{
    if (m_codePage.canEncode(input))
        return Acceptable;
    QString kept;
    kept.reserve(input.size());
    int newPos = 0;
    for (qsizetype i = 0; i < input.size(); ++i) {
        const QChar c = input.at(i);
        // A character outside the basic plane is a surrogate pair: both halves go together.
        const qsizetype width =
            (c.isHighSurrogate() && i + 1 < input.size() && input.at(i + 1).isLowSurrogate()) ? 2 : 1;
        const bool keep = width == 1 && m_codePage.canEncode(c);
        if (keep)
            kept.append(c);
        if (i < pos && keep)
            ++newPos;
        i += width - 1;
    }
    input = kept;
    pos = newPos;
    return Acceptable;
}

void CodePageValidator::fixup(QString &input) const
{
    int pos = int(input.size());
    validate(input, pos);
}
