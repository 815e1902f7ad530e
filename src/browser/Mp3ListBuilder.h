#pragma once
// The folder scan: one row of the MP3 list per entry of the file list, in the same order, the
// trailers read through the tag core's folder reader. Rows are built from each file's own bytes;
// what the scan leaves behind for the editing panel comes back in the result. The scan reads only
// the trailers; the ID3v2 badge of a row is read when the list shows the row.

#include "tags/trailer/TagCore.h"

#include <QByteArray>
#include <QMetaObject>
#include <QSet>
#include <QStringList>

#include <optional>

class CodePage;
class Mp3Files;
class Mp3List;

class Mp3ListBuilder {
public:
    struct Result {
        QSet<QByteArray> unreadable;         // names of the files that could not be read: empty rows
        std::optional<quint8> lastGenre;     // the genre byte of the last tagged file
        std::optional<TagReading> lastRead;  // the last file that could be read
        std::optional<TagReading> wanted;    // the reading of the entry named wanted, when listed
    };

    Mp3ListBuilder(Mp3List &list, const QStringList &genreList);
    ~Mp3ListBuilder();
    Mp3ListBuilder(const Mp3ListBuilder &) = delete;
    Mp3ListBuilder &operator=(const Mp3ListBuilder &) = delete;

    // Rebuilds the list from the entries of files, which lie in the folder of folderPrefix, the
    // rows' text decoded from page. The reading of the entry named wanted comes back too, so a
    // save need not read its file again.
    Result fill(const Mp3Files &files, const QByteArray &folderPrefix, const CodePage &page,
                const QByteArray &wanted = {});

private:
    void readId3v2(const QList<int> &rows);

    Mp3List &m_list;
    const QStringList &m_genreList;
    const Mp3Files *m_files = nullptr;  // whose entries the rows are, since the last fill
    QByteArray m_folderPrefix;          // where the rows were read, which the shown folder may leave
    QMetaObject::Connection m_id3v2Wanted;
};
