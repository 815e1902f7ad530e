#include "cli/ListCommand.h"

#include "tags/codepage/CodePage.h"
#include "cli/CommandLine.h"
#include "cli/FieldText.h"
#include "tags/files/AlbumFolders.h"
#include "tags/files/PatternListing.h"
#include "tags/trailer/BulkTrailerReader.h"
#include "tags/id3v1/GenreList.h"
#include "tags/trailer/TagCore.h"
#include "tags/text/TextEscape.h"
#include "tags/id3v2/Id3v2Reader.h"

#include <array>
#include <charconv>
#include <functional>
#include <vector>

namespace {

const char *const columnNames[] = {"file", "title", "artist", "album", "year", "comment", "genre", "genre_number",
                                   "v2", "track"};
constexpr int TextColumns = 5;  // title to comment
constexpr int LastColumn = 9;

char *put(char *out, QByteArrayView text)
{
    return std::copy(text.begin(), text.end(), out);
}

// Writes the rows of one listing in text or JSON, each straight into the output buffer.
class RowWriter {
public:
    RowWriter(Output &out, bool json, const CodePage &page) : m_out(out), m_json(json), m_fields(page, json)
    {
        const QStringList genres = Genres::buildGenreList();
        for (int number = 0; number < 256; ++number) {
            const QByteArray name = Genres::nameOf(genres, number).toUtf8();  // plain ASCII
            m_genres[number] = json ? ",\"genre\":\"" + name + "\",\"genre_number\":" + QByteArray::number(number)
                                    : "\t" + name + '\t' + QByteArray::number(number);
        }
        m_untaggedGenre = json ? ",\"genre\":\"\",\"genre_number\":null" : "\t\t";
    }

    void begin()
    {
        QByteArray &b = m_out.buffer();
        if (m_json) {
            b += "[\n";
            return;
        }
        for (const char *column : columnNames) {
            b += column;
            b += column == columnNames[LastColumn] ? '\n' : '\t';
        }
    }

    // v2: in JSON, the ID3v2 tag's values as a JSON object (or "null"); in text, unused.
    void row(const QByteArray &name, const TagReading &reading, const QByteArray &v2Json = {})
    {
        const Id3v1::Fields &f = reading.fields;
        const QByteArrayView texts[TextColumns] = {f.title, f.artist, f.album, f.year, f.comment};
        const QByteArrayView genre = reading.tagged ? m_genres[f.genre] : m_untaggedGenre;
        qsizetype most = TextEscape::mostBytes(name.size(), m_json) + genre.size() + v2Json.size() + 128;
        for (const QByteArrayView text : texts)
            most += TextEscape::mostBytes(text.size(), m_json);

        QByteArray &b = m_out.buffer();
        const qsizetype start = b.size();
        b.resize(start + most);
        char *out = b.data() + start;
        if (m_json) {
            out = put(out, m_rows++ == 0 ? "{\"file\":\"" : ",\n{\"file\":\"");
            out = TextEscape::write(out, name, TextEscape::Json);
            for (int i = 0; i < TextColumns; ++i) {
                out = put(out, "\",\"");
                out = put(out, columnNames[i + 1]);
                out = put(out, "\":\"");
                out = m_fields.write(out, texts[i]);
            }
            *out++ = '"';
        } else {
            out = TextEscape::write(out, name);
            for (const QByteArrayView text : texts) {
                *out++ = '\t';
                out = m_fields.write(out, text);
            }
        }
        out = put(out, genre);
        out = m_json ? putJsonEnd(out, reading, v2Json) : putTextEnd(out, reading);
        b.truncate(out - b.constData());
        m_out.written();
    }

    void end()
    {
        if (m_json)
            m_out.buffer() += m_rows == 0 ? "]\n" : "\n]\n";
    }

private:
    // The columns after the genre, written straight into the row (no text built per row).
    static char *putTrack(char *out, const TagReading &reading, const char *none)
    {
        const int track = reading.track();
        return track ? std::to_chars(out, out + 16, track).ptr : put(out, none);
    }

    static char *putTextEnd(char *out, const TagReading &reading)
    {
        *out++ = '\t';
        if (reading.id3v2Version) {
            out = put(out, "2.");
            out = std::to_chars(out, out + 16, reading.id3v2Version).ptr;
        }
        *out++ = '\t';
        out = putTrack(out, reading, "");
        *out++ = '\n';
        return out;
    }

    static char *putJsonEnd(char *out, const TagReading &reading, const QByteArray &v2Json)
    {
        out = put(out, ",\"track\":");
        out = putTrack(out, reading, "null");
        out = put(out, ",\"id3v2\":");
        out = put(out, v2Json.isEmpty() ? QByteArrayView("null") : QByteArrayView(v2Json));
        *out++ = '}';
        return out;
    }

    Output &m_out;
    bool m_json;
    FieldText::FieldPrinter m_fields;
    std::array<QByteArray, 256> m_genres;  // everything after the comment, for each genre byte
    QByteArray m_untaggedGenre;
    qsizetype m_rows = 0;
};

// Appends text to json as a JSON string, quotes included.
void appendJsonString(QByteArray &json, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    const qsizetype start = json.size();
    json.resize(start + TextEscape::mostBytes(utf8.size(), true) + 2);
    char *end = json.data() + start;
    *end++ = '"';
    end = TextEscape::write(end, utf8, TextEscape::Json);
    *end++ = '"';
    json.truncate(end - json.constData());
}

// The ID3v2 tag of a file as a JSON object: its version and values, or why it could not be read.
// Built in one buffer: this runs for every file of a listing.
QByteArray id3v2Json(const Id3v2Reading &v2, int version)
{
    const Id3v2Values &values = v2.values;
    QByteArray json;
    json.reserve(256);
    json += "{\"version\":\"2.";
    json += char('0' + version);  // 2, 3 or 4
    json += '"';
    if (!v2.problem.isEmpty()) {
        json += ",\"problem\":";
        appendJsonString(json, v2.problem);
        return json += '}';
    }
    const std::pair<const char *, const QString &> texts[] = {{",\"title\":", values.title},  {",\"artist\":", values.artist},
                                                               {",\"album\":", values.album},  {",\"year\":", values.year},
                                                               {",\"comment\":", values.comment}, {",\"genre\":", values.genre}};
    for (const auto &[key, text] : texts) {
        json += key;
        appendJsonString(json, text);
    }
    return json += '}';
}

}  // namespace

namespace {

// The rows of a folder's files, each named by its name; done(i) after each.
void listFiles(const QByteArray &folder, const std::vector<ListedFile> &files, bool json, RowWriter &writer,
               Console &console, const std::function<void(int)> &done)
{
    const QByteArray prefix = folderPrefix(folder);
    // The same folder reader as the window's scan: reads overlap when the disk makes them wait.
    // Only the JSON listing reads the ID3v2 tag itself, in the same open; the text one names its
    // version.
    readFolderTrailers(folder, files, [&](int i, const RawTrailer &raw) {
        const ListedFile &file = files[size_t(i)];
        const TagReading reading = tagReadingOf(raw);
        if (!reading.status)
            console.fileFailed(prefix + file.name, reading.status.description());
        else if (json && reading.id3v2Version)
            writer.row(file.name, reading, id3v2Json(Id3v2::readingOf(raw), reading.id3v2Version));
        else
            writer.row(file.name, reading);
        done(i);
    }, ReadAhead::WithEveryProcessor, json ? Id3v2Read::Tag : Id3v2Read::Version);
}

int finishListing(RowWriter &writer, Output &out, Console &console)
{
    writer.end();
    const FileStatus written = out.finish();
    if (!written)
        console.fileFailed("standard output", written.description());
    return console.anyFailed() ? ExitSomeFailed : ExitDone;
}

// Every folder of the tree, one after another into the same listing: the files of them all read
// as one listing of the given folder ("Album/01.mp3"), so that the reads overlap across albums as
// they do in one large folder.
int listTree(const ListRequest &request, Output &out, Console &console)
{
    const AlbumFolders tree = walkAlbumFolders(request.folder);
    if (!tree.status) {
        console.fileFailed(request.folder, tree.status.description());
        return ExitSomeFailed;
    }
    if (const QString passed = passedOverText(tree); !passed.isEmpty())
        console.fileNote(request.folder, passed);
    for (const auto &[path, status] : tree.unreadable)
        console.fileFailed(path, status.description());
    std::vector<ListedFile> all, files;
    std::vector<size_t> folderEnds;  // where each folder's files end in all
    for (const AlbumFolder &folder : tree.folders) {
        if (const FileStatus listed = listFolderFiles(folder.path, mp3Pattern(), files); !listed)
            console.fileFailed(folder.path, listed.description());
        const QByteArray below = folder.relative.isEmpty() ? QByteArray() : folder.relative + '/';
        const QString shownBelow = QString::fromUtf8(below);
        for (ListedFile &file : files)
            all.push_back({below + file.name, shownBelow + file.display});
        folderEnds.push_back(all.size());
    }
    RowWriter writer(out, request.json, request.page ? *request.page : CodePage::system());
    writer.begin();
    console.startTreeProgress(qsizetype(tree.folders.size()));
    size_t foldersDone = 0;
    listFiles(request.folder, all, request.json, writer, console, [&](int i) {
        while (foldersDone < folderEnds.size() && folderEnds[foldersDone] <= size_t(i) + 1)
            ++foldersDone;
        console.treeProgress(qsizetype(foldersDone), -1);
    });
    console.endProgress();
    return finishListing(writer, out, console);
}

}  // namespace

int listFolder(const ListRequest &request, Output &out, Console &console)
{
    if (request.recursive)
        return listTree(request, out, console);
    std::vector<ListedFile> files;
    const FileStatus listed = listFolderFiles(request.folder, mp3Pattern(), files);
    if (!listed) {
        console.fileFailed(request.folder, listed.description());
        return ExitSomeFailed;
    }
    RowWriter writer(out, request.json, request.page ? *request.page : CodePage::system());
    writer.begin();
    console.startProgress("list", qsizetype(files.size()));
    listFiles(request.folder, files, request.json, writer, console, [&console](int i) { console.progress(qsizetype(i + 1)); });
    console.endProgress();
    return finishListing(writer, out, console);
}
