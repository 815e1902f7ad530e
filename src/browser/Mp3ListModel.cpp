// The list's rows as stored: the trailer bytes each tagged file had, and their text decoded in
// the current code page, all in two shared buffers so that a large folder stays small; and what
// the view asks of them.

#include "browser/Mp3ListModel.h"

#include "browser/Id3v2Badge.h"

#include "tags/codepage/CodePage.h"
#include "tags/codepage/CodePageGuess.h"
#include "tags/id3v1/TagFields.h"

#include <algorithm>
#include <utility>

namespace {

// A row keeps the bytes from the first text field's start to the genre byte.
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
    int column = 1;
    for (const TagFieldInfo &field : textFields())
        appendDecoded(row, column++, raw + field.offset - RawStart, field.width, page);
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
    Row row{fileName, m_text.size(), {}, id3v2Version == Id3v2NotRead ? NotRead : quint8(id3v2Version), 0};
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
        for (const TagFieldInfo &field : textFields()) {
            const char *bytes = m_raw.constData() + row.raw + field.offset - RawStart;
            guess.addField(QByteArrayView(bytes, Id3v1::trimmedLength(bytes, field.width)));
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

// ---- what the view asks ----

namespace {

struct ColumnSpec {
    const char *title;
    int twips;
};

constexpr ColumnSpec Columns[Mp3ListModel::ColumnCount] = {
    {"Filename", 2500}, {"Songname", 2500}, {"Artist", 2500}, {"AlbumName", 2500},
    {"Year", 1000},     {"Comment", 1440},  {"Genre", 1440}};

}  // namespace

int Mp3ListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int Mp3ListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant Mp3ListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole)
        return text(index.row(), index.column());
    const bool first = index.column() == 0;
    if (role == Qt::ToolTipRole) {
        const QString notes = this->notes(index.row());
        const QString shown = text(index.row(), index.column());
        return notes.isEmpty() ? shown : shown + QLatin1Char('\n') + notes;
    }
    if (role == Qt::AccessibleDescriptionRole && first)
        return notes(index.row()).replace(QLatin1Char('\n'), QLatin1String(", "));
    if (role == Qt::DecorationRole && first)
        return id3v2Version(index.row()) ? m_id3v2Icon : m_icon;
    return {};
}

QVariant Mp3ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < ColumnCount)
        return QString::fromLatin1(Columns[section].title);
    return {};
}

void Mp3ListModel::setRowIcon(const QIcon &icon)
{
    m_icon = icon;
    m_id3v2Icon = withId3v2Badge(icon);
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DecorationRole});
}


QString Mp3ListModel::text(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= ColumnCount)
        return {};
    const Row &r = m_rows[size_t(row)];
    if (column == 0)
        return r.name;
    qsizetype start = r.start;
    for (int c = 1; c < column; ++c)
        start += r.length[size_t(c - 1)];
    return m_text.mid(start, r.length[size_t(column - 1)]);
}

QString Mp3ListModel::notes(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    const Row &r = m_rows[size_t(row)];
    QStringList lines;
    if (const int version = id3v2Version(row))
        lines << QStringLiteral("ID3v2.%1 tag").arg(version);
    if (r.track)
        lines << QStringLiteral("Track %1").arg(r.track);
    return lines.join(QLatin1Char('\n'));
}

int Mp3ListModel::id3v2Version(int row) const
{
    const quint8 version = m_rows[size_t(row)].id3v2Version;
    return version == NotRead ? 0 : version;
}

QList<int> Mp3ListModel::rowsWithoutId3v2(int first, int last) const
{
    QList<int> rows;
    for (int row = std::max(first, 0); row <= last && row < rowCount(); ++row) {
        if (m_rows[size_t(row)].id3v2Version == NotRead)
            rows << row;
    }
    return rows;
}

void Mp3ListModel::setId3v2Version(int row, int version)
{
    if (row < 0 || row >= rowCount())
        return;
    m_rows[size_t(row)].id3v2Version = quint8(version);
    // The notes are in every column's tooltip.
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1),
                     {Qt::DecorationRole, Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
}

int Mp3ListModel::columnTwips(int column)
{
    return Columns[column].twips;
}
