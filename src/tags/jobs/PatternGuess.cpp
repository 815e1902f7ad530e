#include "tags/jobs/PatternGuess.h"

#include "tags/jobs/NamePattern.h"

#include <array>
#include <vector>

QString PatternGuess::countText() const
{
    return QStringLiteral("matches %1 of %2 files").arg(matches).arg(total);
}

QStringList namePatternCandidates()
{
    // "%a-%t" is the long style of our own rename. Its 8.3 style keeps only four letters of
    // each field, which no pattern can give back, so it is no candidate.
    const QStringList bodies = {
        QStringLiteral("%a - %t"),      QStringLiteral("%a - %l - %t"), QStringLiteral("%a-%t"),
        QStringLiteral("%a_%t"),        QStringLiteral("%a_%l_%t"),     QStringLiteral("%a - %l - %n - %t"),
    };
    const QStringList numberSeparators = {QStringLiteral(" - "), QStringLiteral(". "), QStringLiteral("-"),
                                          QStringLiteral("_"), QStringLiteral("."), QStringLiteral(" ")};
    QStringList candidates;
    for (const QString &body : bodies) {
        if (!body.contains(QLatin1String("%n")))
            candidates += body;
    }
    for (const QString &separator : numberSeparators) {
        candidates += QStringLiteral("%n") + separator + QStringLiteral("%t");
        for (const QString &body : bodies) {
            if (!body.contains(QLatin1String("%n")))
                candidates += QStringLiteral("%n") + separator + body;
        }
    }
    candidates += bodies.last();
    return candidates;
}

namespace {

// Whether a field the pattern fills as text took digits alone from every name it matched: that is
// a running number, never an artist or a title.
bool takesNumbersAsText(const NamePattern &pattern, const std::vector<QString> &bases, bool underscores, int &matches)
{
    std::array<bool, NameFieldCount> digitsOnly;
    digitsOnly.fill(true);
    matches = 0;
    for (const QString &base : bases) {
        const std::optional<NameValues> values = pattern.match(base, underscores);
        if (!values)
            continue;
        ++matches;
        for (size_t i = 0; i < digitsOnly.size(); ++i)
            digitsOnly[i] = digitsOnly[i] && (!values->values[i] || isDigitsOnly(*values->values[i]));
    }
    for (NameField field : pattern.fieldsInOrder()) {
        if (field != NameField::Track && field != NameField::Year && digitsOnly[size_t(field)])
            return matches > 0;
    }
    return false;
}

}  // namespace

PatternGuess guessNamePattern(const QStringList &names, bool underscores)
{
    std::vector<QString> bases;
    bases.reserve(size_t(names.size()));
    for (const QString &name : names)
        bases.push_back(baseNameOf(name));
    PatternGuess best;
    best.total = int(names.size());
    // A leading number that is no track (past 255: "0001" to "5000") is passed over with %x. Such a
    // candidate is tried with %y in its place, which takes digits of any size, so that only names
    // that lead with a number count.
    QStringList candidates = namePatternCandidates();
    for (const QString &candidate : namePatternCandidates()) {
        if (candidate.startsWith(QLatin1String("%n")))
            candidates += QStringLiteral("%y") + candidate.mid(2);
    }
    // Ranked by matches, then fields, then digit fields ("01" is a track, not an artist), then
    // literal characters (" - " over "-" when both split the same names).
    std::array<int, 4> bestRank = {0, 0, 0, 0};
    for (const QString &candidate : candidates) {
        const NamePattern tried(candidate);
        int matches = 0;
        if (takesNumbersAsText(tried, bases, underscores, matches))
            continue;
        const bool skipsNumber = candidate.startsWith(QLatin1String("%y"));
        const NamePattern pattern(skipsNumber ? QStringLiteral("%x") + candidate.mid(2) : candidate);
        const std::array<int, 4> rank = {matches, pattern.fieldCount(), pattern.digitFieldCount(),
                                         pattern.literalLength()};
        if (matches > 0 && rank > bestRank) {
            best.pattern = pattern.text();
            best.matches = matches;
            bestRank = rank;
        }
    }
    return best;
}
