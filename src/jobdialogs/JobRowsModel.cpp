#include "jobdialogs/JobRowsModel.h"

#include "tags/codepage/CodePage.h"
#include "tags/id3v1/GenreList.h"
#include "tags/jobs/TextFields.h"

#include <algorithm>

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QTextDocument>

namespace {

// A field's text ends at its first NUL, and trailing spaces are padding too (some taggers pad
// with them), as the command line's preview shows it: a comment that only loses two spaces of
// padding to a track number is not shown as changed.
QByteArray textBytes(const QByteArray &bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    QByteArray text = nul < 0 ? bytes : bytes.left(nul);
    while (text.endsWith(' '))
        text.chop(1);
    return text;
}

}  // namespace

JobRowsModel::JobRowsModel(JobPage &inputs, const CodePage &page, const QStringList &genreList, QObject *parent)
    : QAbstractTableModel(parent), m_inputs(inputs), m_page(page), m_genreList(genreList)
{
}

void JobRowsModel::setRows(std::vector<JobRow> rows, const QList<TagField> &fields)
{
    const bool sameFiles = fields == m_fields && rows.size() == m_rows.size()
        && std::equal(rows.begin(), rows.end(), m_rows.begin(),
                      [](const JobRow &a, const JobRow &b) { return a.file.path == b.file.path; });
    if (sameFiles && !m_rows.empty()) {
        m_rows = std::move(rows);
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
        return;
    }
    beginResetModel();
    m_rows = std::move(rows);
    m_fields = fields;
    endResetModel();
}

int JobRowsModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_rows.size()); }

// The job's own columns come first, so that they stay in view however long the names are; the
// state with its reason follows, the file's name last.
int JobRowsModel::stateColumn() const { return int(m_fields.size()); }

int JobRowsModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : stateColumn() + 2; }

QString JobRowsModel::fieldText(const JobRow &row, TagField field, bool after) const
{
    const Id3v1::Fields &f = after ? row.after : row.before;
    if (const auto bytes = tagField(field).bytes)
        return m_page.decode(textBytes(f.*bytes));
    switch (field) {
    case TagField::Track: {
        const int track = after ? row.trackAfter : row.trackBefore;
        return track ? QString::number(track) : QString();
    }
    case TagField::Genre: return f.genre == Id3v1::NoGenre ? QString() : Genres::nameOf(m_genreList, f.genre);
    case TagField::Name: return after && !row.newName.isEmpty() ? QString::fromUtf8(row.newName) : row.file.display;
    default: break;
    }
    return {};
}

QVariant JobRowsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const JobRow &row = m_rows[size_t(index.row())];
    const int column = index.column();
    if (column == stateColumn() + 1)
        return role == Qt::DisplayRole || role == Qt::ToolTipRole ? QVariant(row.file.display) : QVariant();
    if (column == stateColumn()) {
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        const QString state = QLatin1String(jobStateName(row.state));
        return row.reason.isEmpty() ? state : state + QStringLiteral(": ") + m_inputs.shownReason(row.reason);
    }
    const TagField field = m_fields[column];
    const QString before = fieldText(row, field, false);
    const QString after = fieldText(row, field, true);
    const bool changed = row.state == JobState::WillChange && before != after;
    // A value cut to fit its field says so, and shows the whole value in its tooltip.
    const bool cut = changed && std::find(row.cut.begin(), row.cut.end(), field) != row.cut.end();
    switch (role) {
    case Qt::DisplayRole:
        // A new name alone reads at a glance (the old one is the file's, and in the tooltip).
        if (field == TagField::Name)
            return changed ? after : before;
        return changed ? before + QStringLiteral(" → ") + after + (cut ? QStringLiteral(" (cut)") : QString()) : before;
    case Qt::EditRole:
        return after;
    case Qt::FontRole:
        if (changed) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::BackgroundRole:
        return changed ? QVariant(QBrush(QColor(0xff, 0xf3, 0xc4))) : QVariant();
    case Qt::ToolTipRole:
        if (const std::optional<QString> *whole = editOf(row.edits, field); cut && whole && *whole)
            return Qt::convertFromPlainText(QStringLiteral("cut to fit; the whole value: %1").arg(**whole), Qt::WhiteSpaceNormal);
        if (!changed)
            return isEditable(index) ? QStringLiteral("Type this file's own value (F2)") : QVariant();
        return QStringLiteral("was: %1").arg(before.isEmpty() ? QStringLiteral("(empty)") : before);
    default:
        return {};
    }
}

QVariant JobRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section == stateColumn() + 1)
        return QStringLiteral("File");
    if (section == stateColumn())
        return QStringLiteral("State");
    return QLatin1String(tagField(m_fields.value(section)).column);
}

bool JobRowsModel::isEditable(const QModelIndex &index) const
{
    const std::optional<TagField> editable = m_inputs.editableField();
    return editable && index.isValid() && index.column() < stateColumn() && m_fields.value(index.column()) == *editable;
}

Qt::ItemFlags JobRowsModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    return isEditable(index) ? flags | Qt::ItemIsEditable : flags;
}

bool JobRowsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    // The inputs plan the preview again, which brings the new value to this row.
    return role == Qt::EditRole && isEditable(index) && m_inputs.setCell(index.row(), value.toString());
}
