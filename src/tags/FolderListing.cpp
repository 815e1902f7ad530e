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

// The parts of a pattern such as "*.mp3;*.mp2", each as bytes; empty parts dropped.
std::vector<QByteArray> patternParts(const QString &pattern)
{
    std::vector<QByteArray> parts;
    for (const QString &part : pattern.split(u';', Qt::SkipEmptyParts)) {
        const QByteArray p = part.trimmed().toUtf8();
        if (!p.isEmpty())
            parts.push_back(p);
    }
    return parts;
}

bool matchesAnyPart(const QByteArray &name, const std::vector<QByteArray> &parts)
{
    for (const QByteArray &p : parts) {
        if (p == "*.*")  // the traditional "every file", names without a dot included
            return true;
        if (globMatch(name.constData(), name.constData() + name.size(), p.constData(),
                      p.constData() + p.size()))
            return true;
    }
    return false;
}

// The sort key: the name case-folded. Most names are ASCII, whose folding is plain lower case;
// the Unicode tables are needed only for the others.
QString sortKey(const QString &display)
{
    QString key = display;
    char16_t *c = reinterpret_cast<char16_t *>(key.data());
    for (char16_t *end = c + key.size(); c != end; ++c) {
        if (*c >= 0x80)
            return display.toCaseFolded();
        if (*c >= u'A' && *c <= u'Z')
            *c += u'a' - u'A';
    }
    return key;
}

}  // namespace

bool matchesFilePattern(const QByteArray &name, const QString &pattern)
{
    return matchesAnyPart(name, patternParts(pattern));
}

FileStatus listFolderFiles(const QByteArray &folder, const QString &pattern, std::vector<ListedFile> &files)
{
    files.clear();
    struct Sortable {
        ListedFile file;
        QString folded;  // sort key
    };
    std::vector<Sortable> found;
    const std::vector<QByteArray> parts = patternParts(pattern);
    const FileStatus status = folder.isEmpty()
        ? FileStatus::fromErrno(ENOENT)
        : forEachVisibleEntry(folder, [&](const FolderEntry &entry) {
              const QByteArray name = entry.name();
              if (!matchesAnyPart(name, parts) || !entry.isRegularFile())
                  return;
              Sortable s{{name, QString::fromUtf8(name)}, {}};
              s.folded = sortKey(s.file.display);
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
