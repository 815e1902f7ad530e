#pragma once
// The folder scan: one row of the MP3 list per entry of the file list, in the same order, each
// read through the tag core. Rows are built from each file's own reading; what the scan leaves
// behind for the program-wide record comes back in the result.

#include "TagCore.h"
#include "TagRecord.h"

#include <QByteArray>
#include <QStringList>

#include <optional>
#include <vector>

class FileList;
class Mp3List;

class FolderScan {
public:
    struct Result {
        int unreadable = 0;                  // files that could not be read: their rows are empty
        TagRecord last;                      // the last listed file's record (empty: no tag, unread)
        std::optional<quint8> lastGenre;     // the genre byte of the last tagged file
        std::optional<TagReading> lastRead;  // the last file that could be read
    };

    FolderScan(Mp3List &list, const QStringList &genreList) : m_list(list), m_genreList(genreList) {}

    // Rebuilds the list from the entries of files, which lie in the folder of folderPrefix.
    Result fill(const FileList &files, const QByteArray &folderPrefix);

    // Reads the trailers of the entries first .. first + count - 1, in order, into readings: the
    // only place where the scan touches the files.
    static void readBatch(const FileList &files, const QByteArray &folderPrefix, int first, int count,
                          std::vector<TagReading> &readings);

private:
    Mp3List &m_list;
    const QStringList &m_genreList;
};
