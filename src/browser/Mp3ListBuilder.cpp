#include "browser/Mp3ListBuilder.h"

#include "browser/Mp3Files.h"
#include "browser/Mp3List.h"
#include "tags/codepage/CodePage.h"
#include "tags/trailer/BulkTrailerReader.h"
#include "tags/id3v1/GenreList.h"

Mp3ListBuilder::Mp3ListBuilder(Mp3List &list, const QStringList &genreList)
    : m_list(list), m_genreList(genreList)
{
    m_id3v2Wanted = QObject::connect(&m_list, &Mp3List::id3v2Wanted, &m_list,
                                     [this](const QList<int> &rows) { readId3v2(rows); });
}

Mp3ListBuilder::~Mp3ListBuilder()
{
    QObject::disconnect(m_id3v2Wanted);
}

Mp3ListBuilder::Result Mp3ListBuilder::fill(const Mp3Files &files, const QByteArray &folderPrefix, const CodePage &page,
                                            const QByteArray &wanted)
{
    Result result;
    const std::vector<ListedFile> &entries = files.entries();
    RawTrailer lastRead;  // of the last file that could be read
    bool anyRead = false;
    m_files = &files;
    m_folderPrefix = folderPrefix;
    m_list.beginRebuild();
    m_list.clear();
    // Each row is decoded straight from the bytes read into the list: no strings of its own. The
    // files' first bytes are left for the rows shown: one read a file fewer in the scan.
    readFolderTrailers(folderPrefix, entries, [&](int i, const RawTrailer &raw) {
        const bool tagged = raw.status && raw.tagged();
        const quint8 genre = tagged ? quint8(raw.bytes[Id3v1::GenreOffset]) : 0;
        // An unreadable file gets an empty row, never the previous file's values.
        m_list.appendRow(entries[size_t(i)].display, tagged ? raw.bytes : nullptr, page,
                         tagged ? Genres::nameOf(m_genreList, genre) : QString(),
                         raw.status ? Mp3ListModel::Id3v2NotRead : 0);
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
    }, ReadAhead::WhenReadsWait, Id3v2Read::None);
    m_list.endRebuild();
    if (anyRead)
        result.lastRead = tagReadingOf(lastRead);
    return result;
}

void Mp3ListBuilder::readId3v2(const QList<int> &rows)
{
    if (!m_files)
        return;
    const std::vector<ListedFile> &entries = m_files->entries();
    QList<int> listed;
    QByteArrayList names;
    for (int row : rows) {
        // Row r is entry r until the files are listed again, and the list is rebuilt right after.
        if (row < int(entries.size()) && entries[size_t(row)].display == m_list.text(row, 0)) {
            listed << row;
            names << entries[size_t(row)].name;
        }
    }
    const std::vector<int> versions = readId3v2Versions(m_folderPrefix, names);
    for (qsizetype i = 0; i < listed.size(); ++i)
        m_list.setId3v2Version(listed[i], versions[size_t(i)]);
}
