#include "browser/Selection.h"

#include "session/EditSession.h"
#include "browser/Mp3Files.h"

FileStatus Selection::load(int entry, const QByteArray &folderPrefix)
{
    const QByteArray path = folderPrefix + m_files.name(entry);
    // One open reads both tags: the trailer for the panel, the ID3v2 tag for its marks.
    const FileTags tags = readFileTags(path);
    if (!tags.trailer.status)
        return tags.trailer.status;
    m_files.select(entry);
    m_session.setCurrentFile(path, tags, entry + 1);
    return FileStatus::success();
}

TagRecord Selection::CurrentTag() const
{
    return tagRecordOf(m_session.reading(), m_genreList, m_session.codePage());
}

void Selection::deselect()
{
    m_files.clearSelection();
}

int Selection::entry() const
{
    return m_files.selectedIndex();
}

QString Selection::fileName() const
{
    return m_files.displayName(entry());
}

QByteArray Selection::nameBytes(const QString &name) const
{
    const int selected = entry();
    if (selected >= 0) {
        const QString shown = m_files.displayName(selected);
        if (name == shown)
            return m_files.name(selected);
        if (name.startsWith(shown) && name.size() == shown.size() + 4)
            return m_files.name(selected) + name.mid(shown.size()).toUtf8();
    }
    return name.toUtf8();
}
