#include "FileList.h"

#include "FolderListing.h"

FileList::FileList(QObject *parent) : QObject(parent) {}

bool FileList::matches(const QByteArray &name, const QString &pattern)
{
    return matchesFilePattern(name, pattern);
}

FileStatus FileList::refresh()
{
    const bool hadSelection = m_selected >= 0;
    m_entries.clear();
    m_selected = -1;

    const FileStatus status = listFolderFiles(m_path, m_pattern, m_entries);
    if (hadSelection)
        emit click();
    return status;
}

QByteArray FileList::name(int index) const
{
    return index >= 0 && index < count() ? m_entries[size_t(index)].name : QByteArray();
}

QString FileList::displayName(int index) const
{
    return index >= 0 && index < count() ? m_entries[size_t(index)].display : QString();
}

void FileList::select(int index)
{
    if (index < 0 || index >= count()) {
        clearSelection();
        return;
    }
    m_selected = index;
    emit click();
}

void FileList::clearSelection()
{
    if (m_selected < 0)
        return;
    m_selected = -1;
    emit click();
}
