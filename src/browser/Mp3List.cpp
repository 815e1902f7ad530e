#include "browser/Mp3List.h"

#include "browser/Id3v2Badge.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScopedValueRollback>

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
        return m_rows[size_t(index.row())].id3v2Version ? m_id3v2Icon : m_icon;
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
    if (r.id3v2Version)
        lines << QStringLiteral("ID3v2.%1 tag").arg(r.id3v2Version);
    if (r.track)
        lines << QStringLiteral("Track %1").arg(r.track);
    return lines.join(QLatin1Char('\n'));
}

Mp3List::Mp3List(QWidget *parent) : QTreeView(parent), m_model(new Mp3ListModel(this))
{
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);  // needed to stay fast with 100,000 rows
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    for (int c = 0; c < Mp3ListModel::ColumnCount; ++c)
        header()->resizeSection(c, qRound(Columns[c].twips / 15.0));
    // Whatever moves the highlight (keys, a drag, wheel and modifiers, code) reports it, so the
    // highlighted row is always the file that is loaded.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &selected, const QItemSelection &deselected) {
                if (!m_quiet && !(selected.isEmpty() && deselected.isEmpty()))
                    emit rowClicked();
            });
}

void Mp3List::setRowIcon(const QIcon &icon) { m_model->setRowIcon(icon); }
void Mp3List::clear() { m_model->clear(); }
void Mp3List::appendRow(const QString &fileName, const char *trailer, const CodePage &page, QStringView genre,
                        int id3v2Version)
{
    m_model->appendRow(fileName, trailer, page, genre, id3v2Version);
}
void Mp3List::redecode(const CodePage &page) { m_model->redecode(page); }
void Mp3List::addFieldsTo(CodePageGuess &guess) const { m_model->addFieldsTo(guess); }
void Mp3List::beginRebuild() { m_model->beginRebuild(); }
void Mp3List::endRebuild() { m_model->endRebuild(); }
int Mp3List::rowCount() const { return m_model->rowCount(); }
QString Mp3List::text(int row, int column) const { return m_model->text(row, column); }
QString Mp3List::notes(int row) const { return m_model->notes(row); }

int Mp3List::selectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void Mp3List::selectRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    showRow(row);
    emit rowClicked();
}

void Mp3List::showRow(int row)
{
    const QScopedValueRollback quiet(m_quiet, true);
    if (row < 0 || row >= rowCount()) {
        selectionModel()->clear();
        return;
    }
    const QModelIndex index = m_model->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

void Mp3List::mousePressEvent(QMouseEvent *event)
{
    // Nor does a click below the last row take the highlight away.
    if (event->button() != Qt::LeftButton || !indexAt(event->position().toPoint()).isValid()) {
        event->accept();
        return;
    }
    {
        // A press on the row already highlighted reloads it too, so it is reported below.
        const QScopedValueRollback quiet(m_quiet, true);
        QTreeView::mousePressEvent(event);
    }
    emit rowClicked();
}

void Mp3List::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QTreeView::mouseReleaseEvent(event);
}

void Mp3List::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
    if (indexAt(event->position().toPoint()).isValid())
        emit rowDoubleClicked();
}
