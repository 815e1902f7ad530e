#include "tags/settings/Id3v2Choice.h"

#include "tags/settings/SettingsKeys.h"
#include "tags/settings/SettingsStore.h"

namespace Id3v2Choice {

bool stored(const QString &application)
{
    const SettingsKeys::Entry &entry = SettingsKeys::writeId3v2;
    return parseSupportLfn(SettingsStore::read(application, entry.section, entry.key, QString())).value_or(false);
}

bool store(const QString &application, bool on, QString *failure)
{
    const SettingsKeys::Entry &entry = SettingsKeys::writeId3v2;
    if (!on && !SettingsStore::readBytes(application, entry.section, entry.key))
        return true;
    return SettingsStore::write(application, entry.section, entry.key, on ? QStringLiteral("1") : QStringLiteral("0"),
                                failure);
}

}  // namespace Id3v2Choice
