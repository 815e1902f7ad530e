#include "browser/CodePageValidator.h"

#include "tags/CodePage.h"

CodePageValidator::CodePageValidator(QObject *parent) : CodePageValidator(CodePage::system(), parent) {}

CodePageValidator::CodePageValidator(const CodePage &codePage, QObject *parent)
    : CodePageValidator(codePage, 0, parent)
{
}

CodePageValidator::CodePageValidator(const CodePage &codePage, int fieldBytes, QObject *parent)
    : QValidator(parent), m_codePage(&codePage), m_fieldBytes(fieldBytes)
{
}

void CodePageValidator::setCodePage(const CodePage &codePage)
{
    if (m_codePage == &codePage)
        return;
    m_codePage = &codePage;
    emit changed();
}

void CodePageValidator::setFieldBytes(int bytes)
{
    if (m_fieldBytes == bytes)
        return;
    m_fieldBytes = bytes;
    emit changed();
}

QValidator::State CodePageValidator::validate(QString &input, int &pos) const
{
    if (m_codePage->canEncode(input) && (m_fieldBytes <= 0 || m_codePage->fits(input, m_fieldBytes)))
        return Acceptable;
    keepStorable(input, pos);
    cutToField(input, pos);
    return Acceptable;
}

void CodePageValidator::fixup(QString &input) const
{
    int pos = int(input.size());
    validate(input, pos);
}

void CodePageValidator::keepStorable(QString &input, int &pos) const
{
    QString kept;
    kept.reserve(input.size());
    int newPos = 0;
    for (qsizetype i = 0; i < input.size(); ++i) {
        const QChar c = input.at(i);
        // A character outside the basic plane is a surrogate pair: both halves go together.
        const qsizetype width =
            (c.isHighSurrogate() && i + 1 < input.size() && input.at(i + 1).isLowSurrogate()) ? 2 : 1;
        const bool keep = width == 1 && m_codePage->canEncode(c);
        if (keep)
            kept.append(c);
        if (i < pos && keep)
            ++newPos;
        i += width - 1;
    }
    input = kept;
    pos = newPos;
}

void CodePageValidator::cutToField(QString &input, int &pos) const
{
    if (m_fieldBytes <= 0)
        return;
    qsizetype over = m_codePage->encodedLength(input) - m_fieldBytes;
    // The characters just before the cursor came last; the rest of the text was there before.
    while (over > 0 && pos > 0) {
        over -= m_codePage->byteWidth(input.at(pos - 1));
        input.remove(pos - 1, 1);
        --pos;
    }
    while (over > 0 && !input.isEmpty()) {
        over -= m_codePage->byteWidth(input.back());
        input.chop(1);
    }
}
