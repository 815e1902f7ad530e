#pragma once
// Guesses the pattern of a folder's file names: candidates from the separators names use (" - ",
// "-", "_", ". ", a leading track number) and the long style of Velmora's own rename
// ("Artist-Song"); the one that matches the most names wins, then the one with more fields, then
// the one with more digit fields, then the one that matches more of each name literally. A part
// that is digits in every name is never text: it is %n, or %x when it is past 255.

#include <QString>
#include <QStringList>

struct PatternGuess {
    QString pattern;  // empty when no candidate matches any name
    int matches = 0;
    int total = 0;
    // "matches 12 of 13 files"
    QString countText() const;
};

// names: file names with their extensions.
PatternGuess guessNamePattern(const QStringList &names, bool underscores = false);

// Every candidate tried, best first when equal (for the window's list of patterns).
QStringList namePatternCandidates();
