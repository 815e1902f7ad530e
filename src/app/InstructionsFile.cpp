#include "app/InstructionsFile.h"

#include "tags/files/SmallFile.h"

#include <QDir>

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

QString findInstructions(const QString &programFolder, QString *problem)
{
    // Read through the one small-file read, as the settings are: a FIFO, a device or a file far
    // larger than any instructions is not handed on.
    QStringList reasons;
    for (const QString &candidate : instructionsCandidates(programFolder)) {
        const SmallFile file = readSmallFile(candidate, MaxInstructionsBytes);
        if (file.status)
            return candidate;
        reasons << QStringLiteral("%1 (%2)").arg(candidate, file.status.description());
    }
    if (problem)
        *problem = QStringLiteral("The instructions file cannot be opened: %1.").arg(reasons.join(QStringLiteral(", ")));
    return {};
}
