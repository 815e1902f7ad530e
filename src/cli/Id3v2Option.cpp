#include "cli/Id3v2Option.h"

#include "cli/CommandLine.h"
#include "tags/settings/Id3v2Choice.h"
#include "tags/settings/SettingsKeys.h"

bool writesId3v2(const CommandLine &line, bool &on, QString &problem)
{
    const bool yes = line.has("--write-v2"), no = line.has("--no-write-v2");
    if (yes && no) {
        problem = QStringLiteral("--write-v2 and --no-write-v2 exclude each other");
        return false;
    }
    on = yes || (!no && Id3v2Choice::stored(SettingsKeys::application));
    return true;
}
