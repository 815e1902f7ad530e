#include "browser/Mp3ListBuilder.h"

#include "browser/Mp3Files.h"
#include "browser/Mp3List.h"
#include "tags/codepage/CodePage.h"
#include "tags/trailer/BulkTrailerReader.h"
#include "tags/id3v1/GenreList.h"

Mp3ListBuilder::Mp3ListBuilder(Mp3List &list, const QStringList &genreList)
    : m_list(list), m_genreList(genreList)
{
}

Mp3ListBuilder::Result Mp3ListBuilder::fill(const Mp3Files &files, const QByteArray &folderPrefix, const CodePage &page,
                                            const QByteArray &wanted)
{
    Result result;
    const std::vector<ListedFile> &entries = files.entries();
    RawTrailer lastRead;  // of the last file that could be read
    bool anyRead = false;
    m_list.beginRebuild();
    m_list.clear();
    // Each row is decoded straight from the bytes read into the list: no strings of its own.
    readFolderTrailers(folderPrefix, entries, [&](int i, const RawTrailer &raw) {
        const bool tagged = raw.status && raw.tagged();
        const quint8 genre = tagged ? quint8(raw.bytes[Id3v1::GenreOffset]) : 0;
        // An unreadable file gets an empty row, never the previous file's values.
        m_list.appendRow(entries[size_t(i)].display, tagged ? raw.bytes : nullptr, page,
                         tagged ? Genres::nameOf(m_genreList, genre) : QString(), raw.status ? raw.id3v2Version : 0);
        if (!wanted.isEmpty() && entries[size_t(i)].name == wanted)
            result.wanted = tagReadingOf(raw);
        if (!raw.status) {
            result.unreadable.insert(entries[size_t(i)].name);
            return;
        }
        if (tagged)
            result.lastGenre = genre;
        lastRead = raw;
        anyRead = true;
    });
    m_list.endRebuild();
    if (anyRead)
        result.lastRead = tagReadingOf(lastRead);
    return result;
}
