#include "tags/jobs/CaseJob.h"

#include <QSet>

namespace {

bool isSmallWord(QStringView word)
{
    static const QSet<QString> small = {
        "a",  "an", "and", "as",  "at",  "but", "by",  "for",  "from", "in", "into",
        "nor", "of", "on", "onto", "or", "per", "the", "to", "via", "vs", "vs.", "with",
    };
    return small.contains(word.toString().toLower());
}

bool isDash(QStringView word)
{
    return word == u"-" || word == u"\u2013" || word == u"\u2014";
}

enum class Starts { Words, Sentences };

// The text lowered, its first letter raised and again each first letter after a hyphen (Words:
// "Jay-Z") or after a sentence's end before a space (Sentences). A digit takes the first letter's
// place ("4th"); an apostrophe, a bracket or a quote does not ("Don't", "(Live)").
QString raisedFirstLetters(QStringView text, Starts starts)
{
    QString out = text.toString().toLower();
    bool atStart = true;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out.at(i);
        if (c.isLetter()) {
            if (atStart)
                out[i] = c.toTitleCase();
            atStart = false;
        } else if (c.isDigit()) {
            atStart = false;
        } else if (starts == Starts::Words ? c == u'-'
                                           : (c == u'.' || c == u'!' || c == u'?') && i + 1 < out.size()
                                                 && out.at(i + 1).isSpace()) {
            atStart = true;
        }
    }
    return out;
}

// Each run of spaces trimmed at both ends and made one space.
QString collapsedSpaces(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u' ' && (out.isEmpty() || out.back() == u' '))
            continue;
        out += c;
    }
    if (out.endsWith(u' '))
        out.chop(1);
    return out;
}

}  // namespace

QString titleCase(QStringView text)
{
    // Words are the runs between spaces; the spaces stay as they were.
    QList<QStringView> words;
    for (QStringView word : text.split(u' ', Qt::SkipEmptyParts))
        words += word;
    QString out;
    out.reserve(text.size());
    qsizetype at = 0;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QStringView word = words.at(i);
        const qsizetype start = word.data() - text.data();
        out += text.mid(at, start - at);
        at = start + word.size();
        const bool opensPart = i == 0 || words.at(i - 1).endsWith(u':') || isDash(words.at(i - 1))
                               || word.startsWith(u'(') || word.startsWith(u'[');
        const bool last = i == words.size() - 1;
        out += !opensPart && !last && isSmallWord(word) ? word.toString().toLower() : raisedFirstLetters(word, Starts::Words);
    }
    out += text.mid(at);
    return out;
}

QString sentenceCase(QStringView text)
{
    return raisedFirstLetters(text, Starts::Sentences);
}

TextChange::TextChange(const CaseOptions &options) : m_options(options)
{
    if (options.find.isEmpty())
        return;
    // Replacing is the way to take control characters out of tags, never to put them in.
    if (const QString problem = controlCharacterProblem(options.replaceWith); !problem.isEmpty()) {
        m_problem = QStringLiteral("the replacement text ") + problem;
        return;
    }
    if (!options.regex)
        return;
    QRegularExpression::PatternOptions flags = QRegularExpression::UseUnicodePropertiesOption;
    if (!options.caseSensitive)
        flags |= QRegularExpression::CaseInsensitiveOption;
    m_regex = QRegularExpression(options.find, flags);
    if (!m_regex.isValid()) {
        m_problem = QStringLiteral("the regular expression \"%1\" is not valid: %2 (at character %3)")
                        .arg(options.find, m_regex.errorString())
                        .arg(m_regex.patternErrorOffset() + 1);
        return;
    }
    // A reference past the groups would be written as it stands, backslash and all.
    const int groups = m_regex.captureCount();
    const QString &with = options.replaceWith;
    for (qsizetype i = 0; i + 1 < with.size(); ++i) {
        if (with.at(i) == u'\\' && with.at(i + 1).digitValue() > groups) {
            m_problem = QStringLiteral("the replacement's \"\\%1\" names a group the regular expression \"%2\" "
                                       "does not have (it has %3)")
                            .arg(with.at(i + 1), options.find)
                            .arg(groups);
            return;
        }
    }
}

namespace {

// Whether the engine gave up (its match limit, on too much backtracking) on one of the searches a
// replace makes in text: the replace stops there as if nothing more matched.
bool givesUp(const QRegularExpression &regex, const QString &text)
{
    QRegularExpressionMatchIterator matches = regex.globalMatch(text);
    qsizetype from = 0;
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        from = match.capturedEnd();
        if (match.capturedLength() == 0 && from < text.size())  // the next search starts a character on
            from += text.at(from).isHighSurrogate() && from + 1 < text.size() ? 2 : 1;
    }
    return !regex.match(text, from).isValid();
}

}  // namespace

QString TextChange::apply(const QString &text, bool withCase, QString *problem) const
{
    const qsizetype nul = text.indexOf(QChar(0));
    QString head = nul < 0 ? text : text.left(nul);
    if (withCase) {
        switch (m_options.letterCase) {
        case LetterCase::Keep: break;
        case LetterCase::Title: head = titleCase(head); break;
        case LetterCase::Sentence: head = sentenceCase(head); break;
        case LetterCase::Upper: head = head.toUpper(); break;
        case LetterCase::Lower: head = head.toLower(); break;
        }
    }
    if (!m_options.find.isEmpty() && m_problem.isEmpty()) {
        if (m_options.regex && givesUp(m_regex, head)) {
            if (problem)
                *problem = QStringLiteral("the regular expression \"%1\" went past the engine's match limit "
                                          "(too much backtracking)").arg(m_options.find);
            return text;
        }
        if (m_options.regex)
            head.replace(m_regex, m_options.replaceWith);
        else
            head.replace(m_options.find, m_options.replaceWith,
                         m_options.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
    }
    if (m_options.trimSpaces)
        head = collapsedSpaces(head);
    return nul < 0 ? head : head + text.mid(nul);
}

JobPlanner casePlanner(const CaseOptions &options, const CodePage &page)
{
    return [change = TextChange(options), fields = options.fields, page = &page](
               const JobFile &, const TagReading &reading, FieldEdits &edits, QString &reason) {
        if (!change.problem().isEmpty()) {
            reason = change.problem();
            return false;
        }
        for (TagField field : fields) {
            const QString before = fieldText(reading, field, *page);
            QString problem;
            const QString after = change.apply(before, field != TagField::Year, &problem);
            if (!problem.isEmpty()) {
                reason = QLatin1String(fieldName(field)) + QStringLiteral(": ") + problem;
                return false;
            }
            std::optional<QString> *edit = editOf(edits, field);
            if (edit && after != before)
                *edit = after;
        }
        return true;
    };
}
