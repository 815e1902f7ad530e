#pragma once
// Save History: the saves of the journal, newest first (when, the folder, the old and the new
// name, the fields the save changed, what became of it), from which the selected one is undone
// while it can be. Modal over the main window, so that nothing saves behind it.

#include "tags/journal/JournalRecord.h"

#include <QDialog>

#include <functional>
#include <vector>

class QPushButton;
class QTreeWidget;
class SaveJournal;

class FrmSaveHistory : public QDialog {
    Q_OBJECT
public:
    // undo takes a change back (showing any refusal) and says whether it did.
    using UndoHandler = std::function<bool(const JournalRecord &)>;
    FrmSaveHistory(SaveJournal &journal, UndoHandler undo, QWidget *parent);

    // Lists the journal again; the change selected before stays selected.
    void reload();
    void cmdUndo_Click();

    // The columns' texts for record.
    static QStringList rowTexts(const JournalRecord &record);

    QTreeWidget *lstHistory = nullptr;
    QPushButton *cmdUndo = nullptr, *cmdClose = nullptr;

private:
    const JournalRecord *selectedRecord() const;
    void updateUndoButton();
    void select(qint64 id);

    SaveJournal &m_journal;
    UndoHandler m_undo;
    std::vector<JournalRecord> m_records;  // row r shows m_records[r]
};
