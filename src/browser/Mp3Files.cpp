#include "browser/Mp3Files.h"

#include "tags/files/PatternListing.h"

Mp3Files::Mp3Files(QObject *parent) : QObject(parent) {}

bool Mp3Files::matches(const QByteArray &name, const QString &pattern)
{
    return matchesFilePattern(name, pattern);
}

FileStatus Mp3Files::refresh()
{
    m_entries.clear();
    m_selected = -1;
    return listFolderFiles(m_path, m_pattern, m_entries);
}

QByteArray Mp3Files::name(int index) const
{
    return index >= 0 && index < count() ? m_entries[size_t(index)].name : QByteArray();
}

QString Mp3Files::displayName(int index) const
{
    return index >= 0 && index < count() ? m_entries[size_t(index)].display : QString();
}

void Mp3Files::select(int index)
{
    if (index < 0 || index >= count()) {
        clearSelection();
        return;
    }
    m_selected = index;
}

void Mp3Files::clearSelection()
{
    m_selected = -1;
}
