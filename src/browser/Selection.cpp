#include "browser/Selection.h"

#include "browser/EditSession.h"
#include "browser/Mp3Files.h"

FileStatus Selection::load(int entry, const QByteArray &folderPrefix)
{
    const QByteArray path = folderPrefix + m_files.name(entry);
    TagReading reading = readTagFile(path);
    if (!reading.status)
        return reading.status;
    m_files.select(entry);
    m_selectedIndex = entry + 1;
    m_path = path;
    m_reading = std::move(reading);
    m_label.clear();
    return FileStatus::success();
}

TagRecord Selection::CurrentTag() const
{
    return tagRecordOf(m_reading, m_genreList, m_session.codePage());
}

void Selection::deselect()
{
    m_files.clearSelection();
}

void Selection::noteWritten(const TagSaveResult &saved)
{
    // The path stays as loaded until the next load, also after a rename: the save deselects.
    if (saved.written)
        m_reading.identity = saved.identity;
}

void Selection::noteReread(const TagReading &reading)
{
    if (reading.status)
        m_reading = reading;
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
