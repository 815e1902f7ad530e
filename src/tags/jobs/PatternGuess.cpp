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

PatternGuess guessNamePattern(const QStringList &names, bool underscores)
{
    std::vector<QString> bases;
    bases.reserve(size_t(names.size()));
    for (const QString &name : names)
        bases.push_back(baseNameOf(name));
    PatternGuess best;
    best.total = int(names.size());
    // Ranked by matches, then fields, then digit fields ("01" is a track, not an artist), then
    // literal characters (" - " over "-" when both split the same names).
    std::array<int, 4> bestRank = {0, 0, 0, 0};
    for (const QString &candidate : namePatternCandidates()) {
        const NamePattern pattern(candidate);
        int matches = 0;
        for (const QString &base : bases)
            matches += pattern.match(base, underscores).has_value();
        const std::array<int, 4> rank = {matches, pattern.fieldCount(), pattern.digitFieldCount(),
                                         pattern.literalLength()};
        if (matches > 0 && rank > bestRank) {
            best.pattern = candidate;
            best.matches = matches;
            bestRank = rank;
        }
    }
    return best;
}
