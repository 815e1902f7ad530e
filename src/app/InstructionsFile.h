#pragma once
// Where Help > Instructions finds its text: beside the program in the build tree, or in the data
// folder of an installation, found from the program's own folder so that any prefix works.

#include <QString>
#include <QStringList>

// The program folder followed by "/instructions.txt".
QString instructionsPath(const QString &programFolder);

// The places looked at, in order: beside the program, then the installed data folder.
QStringList instructionsCandidates(const QString &programFolder);

// The first candidate that exists, or empty text.
QString findInstructions(const QString &programFolder);
