#include "ListCommand.h"

#include "CodePage.h"
#include "CommandLine.h"
#include "Escape.h"
#include "FolderListing.h"
#include "GenreList.h"
#include "TagCore.h"

#include <array>
#include <vector>

namespace {

const char *const columnNames[] = {"file", "title", "artist", "album", "year", "comment", "genre", "genre_number"};

// Writes the rows of one listing in text or JSON.
class RowWriter {
public:
    RowWriter(Output &out, bool json) : m_out(out), m_json(json), m_fields(CodePage::system())
    {
        const QStringList genres = Genres::buildGenreList();
        for (int number = 0; number < 256; ++number) {
            m_genreNames[number] = Genres::nameOf(genres, number).toUtf8();
            m_genreNumbers[number] = QByteArray::number(number);
        }
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
        const QByteArrayView texts[] = {f.title, f.artist, f.album, f.year, f.comment};
        QByteArray &b = m_out.buffer();
        if (m_json) {
            b += m_rows++ == 0 ? "{" : ",\n{";
            m_cell.truncate(0);
            Escape::appendName(m_cell, name);
            jsonText(b, columnNames[0], m_cell);
            for (int i = 0; i < 5; ++i) {
                m_cell.truncate(0);
                m_fields.append(m_cell, texts[i]);
                jsonText(b, columnNames[i + 1], m_cell);
            }
            jsonText(b, columnNames[6], reading.tagged ? m_genreNames[f.genre] : QByteArray());
            b += ",\"genre_number\":";
            b += reading.tagged ? m_genreNumbers[f.genre] : QByteArray("null");
            b += '}';
        } else {
            Escape::appendName(b, name);
            for (const QByteArrayView text : texts) {
                b += '\t';
                m_fields.append(b, text);
            }
            b += '\t';
            if (reading.tagged) {
                b += m_genreNames[f.genre];
                b += '\t';
                b += m_genreNumbers[f.genre];
            } else {
                b += '\t';
            }
            b += '\n';
        }
        m_out.written();
    }

    void end()
    {
        if (m_json)
            m_out.buffer() += m_rows == 0 ? "]\n" : "\n]\n";
    }

private:
    void jsonText(QByteArray &b, const char *key, QByteArrayView text)
    {
        if (key != columnNames[0])
            b += ',';
        b += '"';
        b += key;
        b += "\":\"";
        Escape::appendJsonText(b, text);
        b += '"';
    }

    Output &m_out;
    bool m_json;
    Escape::FieldPrinter m_fields;
    std::array<QByteArray, 256> m_genreNames, m_genreNumbers;
    QByteArray m_cell;
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
    const FileStatus listed = listFolderFiles(request.folder, QStringLiteral("*.mp3"), files);
    if (!listed) {
        console.fileFailed(request.folder, listed.description());
        return ExitSomeFailed;
    }
    RowWriter writer(out, request.json);
    writer.begin();
    const QByteArray prefix = folderPrefix(request.folder);
    QByteArray path;
    console.startProgress("list", qsizetype(files.size()));
    for (size_t i = 0; i < files.size(); ++i) {
        path = prefix + files[i].name;
        const TagReading reading = readTagFile(path);
        if (reading.status)
            writer.row(files[i].name, reading);
        else
            console.fileFailed(path, reading.status.description());
        console.progress(qsizetype(i + 1));
    }
    console.endProgress();
    writer.end();
    const FileStatus written = out.finish();
    if (!written)
        console.fileFailed("standard output", written.description());
    return console.anyFailed() ? ExitSomeFailed : ExitDone;
}
