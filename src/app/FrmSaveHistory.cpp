#include "app/FrmSaveHistory.h"

#include "tags/journal/JournalText.h"
#include "tags/journal/SaveJournal.h"
#include "tags/text/TextEscape.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

using State = JournalRecord::State;

QString nameText(const JournalRecord &record)
{
    const QString old = TextEscape::shown(record.oldName);
    return record.renames() ? old + QStringLiteral(" → ") + TextEscape::shown(record.newName) : old;
}

QString fieldsText(const JournalRecord &record)
{
    QStringList names;
    for (const QByteArray &name : JournalText::changedFields(record)) {
        QString text = QString::fromLatin1(name);
        text[0] = text[0].toUpper();
        names << text;
    }
    return names.join(QStringLiteral(", "));
}

QString stateText(const JournalRecord &record)
{
    QString state;
    switch (record.state) {
    case State::Begun: state = QStringLiteral("In progress or cut short"); break;
    case State::Bytes: state = QStringLiteral("Tag written, in progress or cut short"); break;
    case State::Mode: state = QStringLiteral("Tag and permissions written, in progress or cut short"); break;
    case State::Nothing: state = QStringLiteral("Nothing written"); break;
    case State::KeptName: state = QStringLiteral("Tag written, name kept"); break;
    case State::Done: break;
    case State::Left: state = QStringLiteral("Cut short or refused, left as found"); break;
    }
    const auto join = [&](const QString &more) { state = state.isEmpty() ? more : state + QStringLiteral("; ") + more; };
    if (record.undoes)
        join(QStringLiteral("Undoes no. %1").arg(record.undoes));
    if (record.undoneBy)
        join(QStringLiteral("Undone by no. %1").arg(record.undoneBy));
    return state;
}

}  // namespace

FrmSaveHistory::FrmSaveHistory(SaveJournal &journal, UndoHandler undo, QWidget *parent)
    : QDialog(parent), m_journal(journal), m_undo(std::move(undo))
{
    setObjectName(QStringLiteral("FrmSaveHistory"));
    setWindowTitle(QStringLiteral("Save History"));
    setWindowModality(Qt::ApplicationModal);
    resize(820, 380);

    lstHistory = new QTreeWidget(this);
    lstHistory->setObjectName(QStringLiteral("lstHistory"));
    lstHistory->setHeaderLabels({QStringLiteral("No."), QStringLiteral("Time"), QStringLiteral("Folder"),
                                 QStringLiteral("Name"), QStringLiteral("Changed"), QStringLiteral("State")});
    lstHistory->setRootIsDecorated(false);
    lstHistory->setUniformRowHeights(true);
    lstHistory->setAllColumnsShowFocus(true);
    lstHistory->header()->setStretchLastSection(true);
    cmdUndo = new QPushButton(QStringLiteral("&Undo"), this);
    cmdUndo->setObjectName(QStringLiteral("cmdUndo"));
    cmdUndo->setToolTip(QStringLiteral("Undo the selected change"));
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdUndo);
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lstHistory);
    layout->addLayout(buttons);

    connect(lstHistory, &QTreeWidget::currentItemChanged, this, &FrmSaveHistory::updateUndoButton);
    connect(cmdUndo, &QPushButton::clicked, this, &FrmSaveHistory::cmdUndo_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    reload();
}

QStringList FrmSaveHistory::rowTexts(const JournalRecord &record)
{
    return {QString::number(record.id),
            JournalText::localTime(record.whenMs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            TextEscape::shown(record.folder), nameText(record), fieldsText(record), stateText(record)};
}

void FrmSaveHistory::reload()
{
    const JournalRecord *before = selectedRecord();
    const qint64 selected = before ? before->id : 0;
    m_records = m_journal.records();  // newest first
    lstHistory->clear();
    QList<QTreeWidgetItem *> items;
    items.reserve(qsizetype(m_records.size()));
    for (const JournalRecord &record : m_records)
        items << new QTreeWidgetItem(rowTexts(record));
    lstHistory->addTopLevelItems(items);
    for (int column = 0; column < lstHistory->columnCount() - 1; ++column)
        lstHistory->resizeColumnToContents(column);
    select(selected);
    updateUndoButton();
}

void FrmSaveHistory::select(qint64 id)
{
    const auto found = std::find_if(m_records.begin(), m_records.end(), [id](const JournalRecord &r) { return r.id == id; });
    const int row = found == m_records.end() ? 0 : int(found - m_records.begin());
    if (QTreeWidgetItem *item = lstHistory->topLevelItem(row))
        lstHistory->setCurrentItem(item);
}

const JournalRecord *FrmSaveHistory::selectedRecord() const
{
    const int row = lstHistory->indexOfTopLevelItem(lstHistory->currentItem());
    return row >= 0 && row < int(m_records.size()) ? &m_records[size_t(row)] : nullptr;
}

void FrmSaveHistory::updateUndoButton()
{
    const JournalRecord *record = selectedRecord();
    cmdUndo->setEnabled(record && record->undoable());
}

void FrmSaveHistory::cmdUndo_Click()
{
    const JournalRecord *record = selectedRecord();
    if (!record || !record->undoable())
        return;
    const JournalRecord chosen = *record;
    m_undo(chosen);
    reload();
}
