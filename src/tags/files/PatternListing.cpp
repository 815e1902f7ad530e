#include "tags/files/PatternListing.h"

#include "tags/files/DirectoryReader.h"

#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>

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

// A name's place in the order: the name without regard to case, as bytes that sort in the order
// of the case-folded text. Most names are ASCII, whose folding is a byte-wise lowering done as the
// bytes are compared; only the others are folded through Unicode, once. The first 16 folded bytes
// are packed into two numbers, which decide nearly every comparison without touching the heap.
class SortKey {
public:
    SortKey(const QByteArray &name, int index, std::deque<QByteArray> &foldedNames) : m_index(index)
    {
        m_bytes = name.constData();
        m_size = name.size();
        for (qsizetype i = 0; i < m_size; ++i) {
            if (uchar(m_bytes[i]) >= 0x80) {
                foldedNames.push_back(QString::fromUtf8(name).toCaseFolded().toUtf8());
                m_bytes = foldedNames.back().constData();  // kept alive and unmoved: see listFolderFiles
                m_size = foldedNames.back().size();
                m_ascii = false;
                break;
            }
        }
        for (int i = 0; i < 16; ++i)
            m_prefix[i / 8] = (m_prefix[i / 8] << 8) | byteAt(i);
    }

    int index() const { return m_index; }

    // Negative, zero or positive as the folded forms compare.
    int compare(const SortKey &other) const
    {
        if (m_prefix[0] != other.m_prefix[0])
            return m_prefix[0] < other.m_prefix[0] ? -1 : 1;
        if (m_prefix[1] != other.m_prefix[1])
            return m_prefix[1] < other.m_prefix[1] ? -1 : 1;
        for (qsizetype i = 16;; ++i) {
            const uchar a = byteAt(i), b = other.byteAt(i);  // 0 past the end: names hold no NUL
            if (a != b || a == 0)
                return int(a) - int(b);
        }
    }

private:
    uchar byteAt(qsizetype i) const
    {
        if (i >= m_size)
            return 0;
        return uchar(m_ascii ? foldAscii(m_bytes[i]) : m_bytes[i]);
    }

    quint64 m_prefix[2] = {0, 0};
    const char *m_bytes;  // the name (ASCII) or its folded form
    qsizetype m_size;
    int m_index;
    bool m_ascii = true;
};

}  // namespace

QString mp3Pattern()
{
    return QStringLiteral("*.mp3");
}

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
    const FileStatus status = forEachVisibleEntry(folder, [&](const FolderEntry &entry) {
        const char *name = entry.rawName();
        const qsizetype length = qsizetype(std::strlen(name));
        if (filePattern.matches(name, length) && entry.isRegularFile())
            names.emplace_back(name, length);
    });
    if (!status.ok())
        return status;
    // Keys point into names and into foldedNames, neither of which changes while they live.
    std::deque<QByteArray> foldedNames;
    std::vector<SortKey> order;
    order.reserve(names.size());
    for (size_t i = 0; i < names.size(); ++i)
        order.emplace_back(names[i], int(i), foldedNames);
    std::sort(order.begin(), order.end(), [&names](const SortKey &a, const SortKey &b) {
        const int c = a.compare(b);
        return c != 0 ? c < 0 : names[size_t(a.index())] < names[size_t(b.index())];
    });
    files.reserve(order.size());
    for (const SortKey &key : order) {
        QByteArray &name = names[size_t(key.index())];
        QString display = QString::fromUtf8(name);
        files.push_back({std::move(name), std::move(display)});
    }
    return status;
}

QByteArray folderPrefix(const QByteArray &folder)
{
    return folder.endsWith('/') ? folder : folder + '/';
}
