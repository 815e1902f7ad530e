// The list's rows as stored: the trailer bytes each tagged file had, and their text decoded in
// the current code page, all in two shared buffers so that a large folder stays small.

#include "browser/Mp3List.h"

#include "tags/CodePage.h"
#include "tags/CodePageGuess.h"
#include "tags/Id3v1.h"

#include <algorithm>
#include <utility>

namespace {

// The five text fields, as offsets into the trailer; a row keeps the bytes from the first field's
// start to the genre byte.
constexpr int Fields[5][2] = {{Id3v1::TitleOffset, Id3v1::TitleWidth},     {Id3v1::ArtistOffset, Id3v1::ArtistWidth},
                              {Id3v1::AlbumOffset, Id3v1::AlbumWidth},     {Id3v1::YearOffset, Id3v1::YearWidth},
                              {Id3v1::CommentOffset, Id3v1::CommentWidth}};
constexpr int RawStart = Id3v1::TitleOffset;
constexpr int RawSize = Id3v1::GenreOffset - RawStart;

}  // namespace

void Mp3ListModel::clear()
{
    if (!m_rebuilding)
        beginResetModel();
    m_rows.clear();
    m_text.clear();
    m_raw.clear();
    if (!m_rebuilding)
        endResetModel();
}

void Mp3ListModel::appendText(Row &row, int column, QStringView text)
{
    // A field is at most thirty characters and a genre name a few more; the cap only guards the
    // length's type.
    const qsizetype n = std::min<qsizetype>(text.size(), 0xFFFF);
    row.length[size_t(column - 1)] = quint16(n);
    m_text.append(text.first(n));
}

void Mp3ListModel::appendDecoded(Row &row, int column, const char *bytes, int width, const CodePage &page)
{
    const int n = Id3v1::trimmedLength(bytes, width);
    const qsizetype at = m_text.size();
    m_text.resize(at + n);
    QChar *out = m_text.data() + at;
    // A double-byte page gives fewer characters than bytes; a byte kept on its own is shown as
    // the replacement mark.
    const qsizetype written = page.decodeInto(bytes, n, out);
    if (page.isDoubleByte())
        std::replace_if(out, out + written, &CodePage::isKeptByte, QChar(QChar::ReplacementCharacter));
    m_text.resize(at + written);
    row.length[size_t(column - 1)] = quint16(written);
}

void Mp3ListModel::appendFields(Row &row, const char *raw, const CodePage &page)
{
    for (int f = 0; f < 5; ++f)
        appendDecoded(row, f + 1, raw + Fields[f][0] - RawStart, Fields[f][1], page);
}

void Mp3ListModel::addRow(const Row &row)
{
    if (!m_rebuilding)
        beginInsertRows({}, rowCount(), rowCount());
    m_rows.push_back(row);
    if (!m_rebuilding)
        endInsertRows();
}

void Mp3ListModel::appendRow(const QString &fileName, const char *trailer, const CodePage &page, QStringView genre,
                             int id3v2Version)
{
    Row row{fileName, m_text.size(), {}, quint8(id3v2Version), 0};
    if (trailer) {
        row.track = quint8(Id3v1::trackNumber(QByteArray::fromRawData(trailer, Id3v1::TrailerSize)));
        row.raw = qint32(m_raw.size());
        m_raw.append(trailer + RawStart, RawSize);
        appendFields(row, m_raw.constData() + row.raw, page);
        appendText(row, 6, genre);
    }
    addRow(row);
}

void Mp3ListModel::redecode(const CodePage &page)
{
    QString old = std::exchange(m_text, QString());
    m_text.reserve(old.size());
    for (Row &row : m_rows) {
        const qsizetype start = std::exchange(row.start, m_text.size());
        if (row.raw < 0)
            continue;
        qsizetype genreAt = start;
        for (int c = 0; c < 5; ++c)
            genreAt += row.length[size_t(c)];
        appendFields(row, m_raw.constData() + row.raw, page);
        m_text.append(QStringView(old).sliced(genreAt, row.length[TagColumns - 1]));
    }
    if (!m_rows.empty())
        emit dataChanged(index(0, 1), index(rowCount() - 1, TagColumns), {Qt::DisplayRole, Qt::ToolTipRole});
}

void Mp3ListModel::addFieldsTo(CodePageGuess &guess) const
{
    for (const Row &row : m_rows) {
        if (row.raw < 0)
            continue;
        for (const auto &field : Fields) {
            const char *bytes = m_raw.constData() + row.raw + field[0] - RawStart;
            guess.addField(QByteArrayView(bytes, Id3v1::trimmedLength(bytes, field[1])));
        }
    }
}

void Mp3ListModel::beginRebuild()
{
    if (m_rebuilding)
        return;
    beginResetModel();
    m_rebuilding = true;
}

void Mp3ListModel::endRebuild()
{
    if (!m_rebuilding)
        return;
    m_rebuilding = false;
    m_text.squeeze();
    m_raw.squeeze();
    endResetModel();
}
