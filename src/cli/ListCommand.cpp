#include "cli/ListCommand.h"

#include "tags/CodePage.h"
#include "cli/CommandLine.h"
#include "cli/FieldText.h"
#include "tags/PatternListing.h"
#include "tags/BulkTrailerReader.h"
#include "tags/GenreList.h"
#include "tags/TagCore.h"
#include "tags/TextEscape.h"

#include <array>
#include <vector>

namespace {

const char *const columnNames[] = {"file", "title", "artist", "album", "year", "comment", "genre", "genre_number"};
constexpr int TextColumns = 5;  // title to comment

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
            m_genres[number] = json ? ",\"genre\":\"" + name + "\",\"genre_number\":" + QByteArray::number(number) + "}"
                                    : "\t" + name + '\t' + QByteArray::number(number) + '\n';
        }
        m_untaggedGenre = json ? ",\"genre\":\"\",\"genre_number\":null}" : "\t\t\n";
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
            b += column == columnNames[7] ? '\n' : '\t';
        }
    }

    void row(const QByteArray &name, const TagReading &reading)
    {
        const Id3v1::Fields &f = reading.fields;
        const QByteArrayView texts[TextColumns] = {f.title, f.artist, f.album, f.year, f.comment};
        const QByteArrayView genre = reading.tagged ? m_genres[f.genre] : m_untaggedGenre;
        qsizetype most = TextEscape::mostBytes(name.size(), m_json) + genre.size() + 96;
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
        b.truncate(out - b.constData());
        m_out.written();
    }

    void end()
    {
        if (m_json)
            m_out.buffer() += m_rows == 0 ? "]\n" : "\n]\n";
    }

private:
    Output &m_out;
    bool m_json;
    FieldText::FieldPrinter m_fields;
    std::array<QByteArray, 256> m_genres;  // everything after the comment, for each genre byte
    QByteArray m_untaggedGenre;
    qsizetype m_rows = 0;
};

QByteArray folderPrefix(const QByteArray &folder)
{
    return folder.endsWith('/') ? folder : folder + '/';
}

}  // namespace

int listFolder(const ListRequest &request, Output &out, Console &console)
{
    std::vector<ListedFile> files;
    const FileStatus listed = listFolderFiles(request.folder, mp3Pattern(), files);
    if (!listed) {
        console.fileFailed(request.folder, listed.description());
        return ExitSomeFailed;
    }
    RowWriter writer(out, request.json, request.page ? *request.page : CodePage::system());
    writer.begin();
    const QByteArray prefix = folderPrefix(request.folder);
    console.startProgress("list", qsizetype(files.size()));
    // The same folder reader as the window's scan: reads overlap when the disk makes them wait.
    readFolderTrailers(request.folder, files, [&](int i, const RawTrailer &raw) {
        const ListedFile &file = files[size_t(i)];
        const TagReading reading = tagReadingOf(raw);
        if (reading.status)
            writer.row(file.name, reading);
        else
            console.fileFailed(prefix + file.name, reading.status.description());
        console.progress(qsizetype(i + 1));
    });
    console.endProgress();
    writer.end();
    const FileStatus written = out.finish();
    if (!written)
        console.fileFailed("standard output", written.description());
    return console.anyFailed() ? ExitSomeFailed : ExitDone;
}
