// The tags' code page in the editor: switched live from the bytes already read, and suggested
// for the folder after each scan.

#include "browser/Mp3List.h"
#include "browser/TagEditor.h"
#include "tags/CodePage.h"
#include "tags/CodePageGuess.h"

#include <QScopedValueRollback>

void TagEditor::suggestCodePage()
{
    CodePageGuess guess;
    c.lv1->addFieldsTo(guess);
    emit folderCodePageSuggested(guess.suggestion(), guess.nonAsciiBytes());
}

void TagEditor::setCodePage(const CodePage &page)
{
    m_scan.setCodePage(page);
    c.lv1->redecode(page);
    bool boxesChanged = false;
    {
        const QScopedValueRollback quiet(m_quietNames, true);
        boxesChanged = m_panel.setCodePage(page);
    }
    if (!boxesChanged || m_selection.entry() < 0)
        return;
    // The proposal follows the boxes as it does when they are typed in; the player's label, taken
    // from the proposal when the file was clicked, was read in the old page too.
    const bool labelIsProposal = m_selection.CurrentName() == m_selection.proposedName();
    UpdateFileName();
    if (labelIsProposal) {
        m_selection.setLabel(m_selection.proposedName());
        emit currentFileChanged(m_selection.CurrentPath(), m_selection.CurrentName());
    }
}
