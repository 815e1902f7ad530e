#include "tags/settings/RecentTexts.h"

#include "tags/settings/SettingsStore.h"

namespace {

bool usable(const QString &text)
{
    if (text.trimmed().isEmpty() || text.size() > RecentTexts::MaxLength)
        return false;
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control)
            return false;
    return true;
}

QString keyOf(const SettingsKeys::Entry &entry, int n) { return entry.key + QString::number(n); }

}  // namespace

namespace RecentTexts {

QStringList read(const QString &application, const SettingsKeys::Entry &entry, int count)
{
    QStringList texts;
    for (int n = 1; n <= count; ++n) {
        const QString text = SettingsStore::read(application, entry.section, keyOf(entry, n), QString());
        if (usable(text) && !texts.contains(text))
            texts << text;
    }
    return texts;
}

bool remember(const QString &application, const SettingsKeys::Entry &entry, int count, const QString &text,
              QString *error)
{
    QStringList texts = read(application, entry, count);
    texts.removeAll(text);
    texts.prepend(text);
    QList<std::pair<QString, QByteArray>> entries;
    for (int n = 1; n <= count && n <= texts.size(); ++n)
        entries.append({keyOf(entry, n), texts[n - 1].toUtf8()});
    return SettingsStore::writeEntries(application, entry.section, entries, error);
}

}  // namespace RecentTexts
