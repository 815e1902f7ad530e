#pragma once
// A short list of texts the user last used, newest first, kept in the settings file under one
// section as numbered keys (KEY1, KEY2, ...). What is read back is only offered, so a value that
// is empty, too long or holds a control character is dropped, and so are repeats.

#include "tags/settings/SettingsKeys.h"

#include <QStringList>

namespace RecentTexts {

constexpr int MaxLength = 255;

QStringList read(const QString &application, const SettingsKeys::Entry &entry, int count);
// text first, then the others as read, count at most; false when the file could not be written.
bool remember(const QString &application, const SettingsKeys::Entry &entry, int count, const QString &text,
              QString *error = nullptr);

}  // namespace RecentTexts
