#pragma once
// Case and Replace: the ticked fields of each file changed as text, decoded in the chosen code
// page: first their letter case, then a replacement, then their spaces. A result the page cannot
// store or that no longer fits its field skips the file (planJobRow decides).

#include "tags/jobs/TextFields.h"

#include <QRegularExpression>

#include <vector>

// The job's name, as its dialog, the journal's batches and Edit > Undo say it.
constexpr char CaseJobTitle[] = "Case and Replace";

enum class LetterCase { Keep, Title, Sentence, Upper, Lower };

struct CaseOptions {
    // The year is never case-changed (it has no letters to speak of), only replaced and trimmed.
    std::vector<TagField> fields{TagField::Title, TagField::Artist, TagField::Album, TagField::Comment};
    LetterCase letterCase = LetterCase::Keep;
    bool trimSpaces = false;  // no spaces at either end, a run of spaces inside becomes one
    QString find;             // empty: nothing is replaced
    QString replaceWith;
    bool regex = false;       // find is a regular expression; \1 .. \99 in replaceWith are its captures
    bool caseSensitive = true;
};

// Title Case: each word's first letter up, the rest down, also after a hyphen ("Jay-Z"), not after
// an apostrophe ("Don't"); small words ("of", "the", "a", ...) all lower unless they open or close
// the text or open a part of it (after ":" or " - ", or in brackets).
QString titleCase(QStringView text);
// The first letter of the text and of each sentence up, the rest down.
QString sentenceCase(QStringView text);

// The options made ready once for many texts.
class TextChange {
public:
    explicit TextChange(const CaseOptions &options);

    // Why the options cannot be used (a regular expression that does not compile, a reference to a
    // group it does not have, a control character in the replacement); empty if they can.
    const QString &problem() const { return m_problem; }
    // The text changed; withCase false leaves the letter case alone. What follows a NUL in the
    // field is not text and is kept as it is. A regular expression that the engine gives up on
    // leaves text as it is, with problem set.
    QString apply(const QString &text, bool withCase = true, QString *problem = nullptr) const;

private:
    CaseOptions m_options;
    QRegularExpression m_regex;
    QString m_problem;
};

// The planner of previewJob: the ticked fields of each file as TextChange gives them. With options
// that cannot be used, every file is skipped with the problem.
JobPlanner casePlanner(const CaseOptions &options, const CodePage &page);
