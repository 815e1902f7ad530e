#include "FileList.h"

#include "FolderEntries.h"

#include <QStringList>

#include <algorithm>
#include <cerrno>

namespace {

char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Glob match over bytes: "*" any run, "?" any one byte, everything else literally.
bool globMatch(const char *name, const char *nameEnd, const char *pat, const char *patEnd)
{
    const char *starPat = nullptr;
    const char *starName = nullptr;
    while (name != nameEnd) {
        if (pat != patEnd && *pat == '*') {
            starPat = ++pat;
            starName = name;
        } else if (pat != patEnd && (*pat == '?' || foldAscii(*pat) == foldAscii(*name))) {
            ++pat;
            ++name;
        } else if (starPat) {
            pat = starPat;
            name = ++starName;
        } else {
            return false;
        }
    }
    while (pat != patEnd && *pat == '*')
        ++pat;
    return pat == patEnd;
}

}  // namespace

FileList::FileList(QObject *parent) : QObject(parent) {}

bool FileList::matches(const QByteArray &name, const QString &pattern)
{
    const QStringList parts = pattern.split(u';', Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QByteArray p = part.trimmed().toUtf8();
        if (p.isEmpty())
            continue;
        if (p == "*.*")  // the traditional "every file", names without a dot included
            return true;
        if (globMatch(name.constData(), name.constData() + name.size(), p.constData(),
                      p.constData() + p.size()))
            return true;
    }
    return false;
}

FileStatus FileList::refresh()
{
    const bool hadSelection = m_selected >= 0;
    m_entries.clear();
    m_selected = -1;

    const FileStatus status = m_path.isEmpty()
        ? FileStatus::fromErrno(ENOENT)
        : forEachVisibleEntry(m_path, [this](const FolderEntry &entry) {
              const QByteArray name = entry.name();
              if (!matches(name, m_pattern) || !entry.isRegularFile())
                  return;
              Entry e{name, QString::fromUtf8(name), {}};
              e.folded = e.display.toCaseFolded();
              m_entries.push_back(std::move(e));
          });

    if (!status.ok()) {
        m_entries.clear();
    } else {
        std::sort(m_entries.begin(), m_entries.end(), [](const Entry &a, const Entry &b) {
            const int c = a.folded.compare(b.folded);
            return c != 0 ? c < 0 : a.name < b.name;
        });
    }
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
