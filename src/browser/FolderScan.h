#pragma once
// The folder scan: one row of the MP3 list per entry of the file list, in the same order, the
// trailers read through the tag core's folder reader. Rows are built from each file's own bytes;
// what the scan leaves behind for the program-wide record comes back in the result.

#include "TagCore.h"
#include "TagRecord.h"

#include <QByteArray>
#include <QSet>
#include <QStringList>

#include <optional>

class FileList;
class Mp3List;

class FolderScan {
public:
    struct Result {
        QSet<QByteArray> unreadable;         // names of the files that could not be read: empty rows
        TagRecord last;                      // the last listed file's record (empty: no tag, unread)
        std::optional<quint8> lastGenre;     // the genre byte of the last tagged file
        std::optional<TagReading> lastRead;  // the last file that could be read
    };

    FolderScan(Mp3List &list, const QStringList &genreList) : m_list(list), m_genreList(genreList) {}

    // Rebuilds the list from the entries of files, which lie in the folder of folderPrefix.
    Result fill(const FileList &files, const QByteArray &folderPrefix);

private:
    Mp3List &m_list;
    const QStringList &m_genreList;
};
