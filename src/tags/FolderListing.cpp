#include "FolderListing.h"

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

bool matchesFilePattern(const QByteArray &name, const QString &pattern)
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

FileStatus listFolderFiles(const QByteArray &folder, const QString &pattern, std::vector<ListedFile> &files)
{
    files.clear();
    struct Sortable {
        ListedFile file;
        QString folded;  // sort key
    };
    std::vector<Sortable> found;
    const FileStatus status = folder.isEmpty()
        ? FileStatus::fromErrno(ENOENT)
        : forEachVisibleEntry(folder, [&](const FolderEntry &entry) {
              const QByteArray name = entry.name();
              if (!matchesFilePattern(name, pattern) || !entry.isRegularFile())
                  return;
              Sortable s{{name, QString::fromUtf8(name)}, {}};
              s.folded = s.file.display.toCaseFolded();
              found.push_back(std::move(s));
          });
    if (!status.ok())
        return status;
    std::sort(found.begin(), found.end(), [](const Sortable &a, const Sortable &b) {
        const int c = a.folded.compare(b.folded);
        return c != 0 ? c < 0 : a.file.name < b.file.name;
    });
    files.reserve(found.size());
    for (Sortable &s : found)
        files.push_back(std::move(s.file));
    return status;
}
