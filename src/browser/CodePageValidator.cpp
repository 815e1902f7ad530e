#include "browser/CodePageValidator.h"

#include "session/EditSession.h"
#include "tags/codepage/CodePage.h"

CodePageValidator::CodePageValidator(const EditSession &session, int fieldBytes, QObject *parent)
    : QValidator(parent), m_session(session), m_fieldBytes(fieldBytes)
{
    connect(&session, &EditSession::codePageChanged, this, [this] { emit changed(); });
}

const CodePage &CodePageValidator::codePage() const
{
    return m_session.codePage();
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
    const CodePage &page = codePage();
    if (page.canEncode(input) && (m_fieldBytes <= 0 || page.fits(input, m_fieldBytes)))
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
    const CodePage &page = codePage();
    QString kept;
    kept.reserve(input.size());
    int newPos = 0;
    for (qsizetype i = 0; i < input.size(); ++i) {
        const QChar c = input.at(i);
        // A character outside the basic plane is a surrogate pair: both halves go together.
        const qsizetype width =
            (c.isHighSurrogate() && i + 1 < input.size() && input.at(i + 1).isLowSurrogate()) ? 2 : 1;
        const bool keep = width == 1 && page.canEncode(c);
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
    const CodePage &page = codePage();
    qsizetype over = page.encodedLength(input) - m_fieldBytes;
    // The characters just before the cursor came last; the rest of the text was there before.
    while (over > 0 && pos > 0) {
        over -= page.byteWidth(input.at(pos - 1));
        input.remove(pos - 1, 1);
        --pos;
    }
    while (over > 0 && !input.isEmpty()) {
        over -= page.byteWidth(input.back());
        input.chop(1);
    }
}
