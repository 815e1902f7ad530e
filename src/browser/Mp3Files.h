#pragma once
// The folder's MP3 files behind the rows of the MP3 list: a path, a name pattern, the matching
// entries in a stable order and at most one selected entry. Never shown to the user.
//
// Names are the file system's raw bytes, so files whose names are not valid UTF-8 are listed
// and can be opened again; only displayName() decodes them.

#include "tags/text/FileStatus.h"
#include "tags/files/PatternListing.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <vector>

class Mp3Files : public QObject {
    Q_OBJECT
public:
    explicit Mp3Files(QObject *parent = nullptr);

    QByteArray path() const { return m_path; }
    void setPath(const QByteArray &folder) { m_path = folder; }  // takes effect at refresh()
    QString pattern() const { return m_pattern; }
    void setPattern(const QString &pattern) { m_pattern = pattern; }  // e.g. "*.mp3" or "*.mp3;*.mp2"

    // Re-reads the folder: regular files, or links to regular files, whose names match the pattern
    // without regard to case and do not begin with "."; sorted by name without regard to case, ties
    // by bytes. Clears the selection. On failure the list is empty and the error is returned.
    FileStatus refresh();

    int count() const { return int(m_entries.size()); }
    const std::vector<ListedFile> &entries() const { return m_entries; }
    QByteArray name(int index) const;       // raw bytes; empty when out of range
    QString displayName(int index) const;   // decoded, U+FFFD for invalid bytes

    int selectedIndex() const { return m_selected; }
    // Selects an entry; an index out of range clears the selection.
    void select(int index);
    void clearSelection();

    // Whether a name matches a pattern of the kind setPattern takes ("*" and "?", several patterns
    // separated by ";"), ASCII letters compared without regard to case.
    static bool matches(const QByteArray &name, const QString &pattern);


private:
    QByteArray m_path;
    QString m_pattern = QStringLiteral("*.*");
    std::vector<ListedFile> m_entries;
    int m_selected = -1;
};
