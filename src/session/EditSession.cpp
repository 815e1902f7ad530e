#include "session/EditSession.h"

#include "tags/codepage/CodePage.h"

EditSession::EditSession(QObject *parent) : QObject(parent), m_page(&CodePage::system()) {}

void EditSession::chooseCodePage(int number)
{
    if (!CodePage::find(number))
        number = 0;
    if (number == m_choice)
        return;
    m_choice = number;
    const CodePage &previous = *m_page;
    m_page = number == 0 ? &CodePage::system() : CodePage::find(number);
    // The system's page chosen by its number changes the choice, not the page.
    if (m_page != &previous)
        emit codePageChanged(previous);
    emit codePageChoiceChanged();
}

void EditSession::setCurrentFile(const QByteArray &path, const FileTags &tags, int selectedIndex)
{
    m_path = path;
    m_reading = tags.trailer;
    m_id3v2 = tags.id3v2;
    m_selectedIndex = selectedIndex;
    m_label.clear();
}

void EditSession::setLabel(const QString &label)
{
    m_label = label;
    emit currentFileChanged();
}

void EditSession::setProposedName(const QString &name)
{
    if (name == m_proposedName)
        return;
    m_proposedName = name;
    emit proposalChanged();
}

void EditSession::noteReread(const TagReading &reading)
{
    if (reading.status)
        m_reading = reading;
}

void EditSession::setPlayerFile(const QByteArray &path)
{
    if (path == m_playerFile)
        return;
    m_playerFile = path;
    emit playerFileChanged();
}
