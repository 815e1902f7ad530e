#include "browser/EditSession.h"

#include "tags/CodePage.h"

EditSession::EditSession(QObject *parent) : QObject(parent), m_page(&CodePage::system()) {}

void EditSession::setCodePage(const CodePage &page)
{
    if (&page == m_page)
        return;
    const CodePage &previous = *m_page;
    m_page = &page;
    emit codePageChanged(previous);
}
