#include "FolderListing.h"

#include "FolderEntries.h"

#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>

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

// A pattern such as "*.mp3;*.mp2", split once for a whole folder.
class FilePattern {
public:
    explicit FilePattern(const QString &pattern)
    {
        for (const QString &part : pattern.split(u';', Qt::SkipEmptyParts)) {
            const QByteArray p = part.trimmed().toUtf8();
            if (p == "*.*")  // the traditional "every file", names without a dot included
                m_everyFile = true;
            else if (!p.isEmpty())
                m_parts.push_back(p);
        }
    }

    bool matches(const char *name, qsizetype length) const
    {
        if (m_everyFile)
            return true;
        for (const QByteArray &p : m_parts)
            if (globMatch(name, name + length, p.constData(), p.constData() + p.size()))
                return true;
        return false;
    }

private:
    std::vector<QByteArray> m_parts;
    bool m_everyFile = false;
};

// The name without regard to case, as bytes that sort in the order of the case-folded text. Most
// names are ASCII, whose folding is a byte-wise lowering; only the others go through Unicode.
QByteArray sortKey(const char *name, qsizetype length)
{
    QByteArray key(name, length);
    for (char &c : key) {
        if (uchar(c) >= 0x80)
            return QString::fromUtf8(name, length).toCaseFolded().toUtf8();
        c = foldAscii(c);
    }
    return key;
}

}  // namespace

bool matchesFilePattern(const QByteArray &name, const QString &pattern)
{
    return FilePattern(pattern).matches(name.constData(), name.size());
}

FileStatus listFolderFiles(const QByteArray &folder, const QString &pattern, std::vector<ListedFile> &files)
{
    files.clear();
    if (folder.isEmpty())
        return FileStatus::fromErrno(ENOENT);
    const FilePattern filePattern(pattern);
    std::vector<QByteArray> names;
    std::vector<std::pair<QByteArray, int>> order;  // sort key, index into names
    const FileStatus status = forEachVisibleEntry(folder, [&](const FolderEntry &entry) {
        const char *name = entry.rawName();
        const qsizetype length = qsizetype(std::strlen(name));
        if (!filePattern.matches(name, length) || !entry.isRegularFile())
            return;
        order.emplace_back(sortKey(name, length), int(names.size()));
        names.emplace_back(name, length);
    });
    if (!status.ok())
        return status;
    std::sort(order.begin(), order.end(), [&names](const auto &a, const auto &b) {
        const int c = a.first.compare(b.first);
        return c != 0 ? c < 0 : names[size_t(a.second)] < names[size_t(b.second)];
    });
    files.reserve(order.size());
    for (const auto &[key, index] : order) {
        QByteArray &name = names[size_t(index)];
        QString display = QString::fromUtf8(name);
        files.push_back({std::move(name), std::move(display)});
    }
    return status;
}
