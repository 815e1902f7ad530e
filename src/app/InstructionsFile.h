#pragma once
// Where Help > Instructions finds its text: beside the program in the build tree, or in the data
// folder of an installation, found from the program's own folder so that any prefix works.

#include <QString>
#include <QStringList>

// The program folder followed by "/instructions.txt".
QString instructionsPath(const QString &programFolder);

// The places looked at, in order: beside the program, then the installed data folder.
QStringList instructionsCandidates(const QString &programFolder);

// The instructions are a few pages of text; a larger file in their place is not theirs.
constexpr qint64 MaxInstructionsBytes = 1024 * 1024;

// The first candidate that is a regular file of at most MaxInstructionsBytes; else empty text,
// with *problem, when given, naming each candidate and why it is not used.
QString findInstructions(const QString &programFolder, QString *problem = nullptr);
