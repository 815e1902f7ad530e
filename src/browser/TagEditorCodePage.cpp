// The tags' code page in the editor: switched live from the bytes already read, and suggested
// for the folder after each scan.

#include "session/EditSession.h"
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

void TagEditor::codePageSwitched(const CodePage &previous)
{
    c.lv1->redecode(m_session.codePage());
    bool boxesChanged = false;
    {
        const QScopedValueRollback quiet(m_quietNames, true);
        boxesChanged = m_panel.redecode(previous);
    }
    if (!boxesChanged || m_selection.entry() < 0)
        return;
    // The proposal follows the boxes as it does when they are typed in; the player's label, taken
    // from the proposal when the file was clicked, was read in the old page too.
    const bool labelIsProposal = m_session.CurrentName() == m_session.proposedName();
    UpdateFileName();
    if (labelIsProposal) {
        m_session.setLabel(m_session.proposedName());
    }
}
