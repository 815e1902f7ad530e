#include "app/InstructionsFile.h"

#include <QDir>
#include <QFileInfo>

// The build passes the data folder as seen from the installed executable's folder, e.g.
// "../share/velmora" for the usual layout.
#ifndef VELMORA_DATA_FROM_BIN
#define VELMORA_DATA_FROM_BIN "../share/velmora"
#endif

QString instructionsPath(const QString &programFolder)
{
    return programFolder + QStringLiteral("/instructions.txt");
}

QStringList instructionsCandidates(const QString &programFolder)
{
    const QString dataFolder = QDir::cleanPath(programFolder + u'/' + QStringLiteral(VELMORA_DATA_FROM_BIN));
    return {instructionsPath(programFolder), dataFolder + QStringLiteral("/instructions.txt")};
}

QString findInstructions(const QString &programFolder)
{
    for (const QString &candidate : instructionsCandidates(programFolder)) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}
