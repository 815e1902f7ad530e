#include "browser/Mp3List.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScrollBar>

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
        header()->resizeSection(c, qRound(Mp3ListModel::columnTwips(c) / 15.0));
    // Whatever moves the highlight (keys, a drag, wheel and modifiers, code) reports it, so the
    // highlighted row is always the file that is loaded.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &selected, const QItemSelection &deselected) {
                if (!m_quiet && !(selected.isEmpty() && deselected.isEmpty()))
                    emit rowClicked();
            });
    m_shownRowsCheck.setSingleShot(true);
    m_shownRowsCheck.setInterval(0);
    connect(&m_shownRowsCheck, &QTimer::timeout, this, &Mp3List::askForShownId3v2);
    const auto rowsMayShow = [this] { m_shownRowsCheck.start(); };
    connect(m_model, &QAbstractItemModel::modelReset, this, rowsMayShow);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, rowsMayShow);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, rowsMayShow);
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
void Mp3List::setId3v2Version(int row, int version) { m_model->setId3v2Version(row, version); }

void Mp3List::askForShownId3v2()
{
    if (!isVisible())
        return;
    const QModelIndex top = indexAt(QPoint(0, 0));
    if (!top.isValid())
        return;
    const QModelIndex bottom = indexAt(QPoint(0, viewport()->height() - 1));
    const QList<int> rows = m_model->rowsWithoutId3v2(top.row(), bottom.isValid() ? bottom.row() : rowCount() - 1);
    if (!rows.isEmpty())
        emit id3v2Wanted(rows);
}

void Mp3List::showEvent(QShowEvent *event)
{
    QTreeView::showEvent(event);
    m_shownRowsCheck.start();
}

void Mp3List::resizeEvent(QResizeEvent *event)
{
    QTreeView::resizeEvent(event);
    m_shownRowsCheck.start();
}

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
