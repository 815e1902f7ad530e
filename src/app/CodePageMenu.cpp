#include "app/CodePageMenu.h"

#include "session/EditSession.h"

#include "tags/codepage/CodePage.h"
#include "tags/settings/CodePageChoice.h"
#include "tags/codepage/CodePageGuess.h"
#include "tags/settings/SettingsKeys.h"
#include "tags/settings/SettingsStore.h"

#include <QActionGroup>
#include <QMenu>

namespace {

const QString &kSection = SettingsKeys::codePage.section;
const QString &kKey = SettingsKeys::codePage.key;

QString titleOf(int number)
{
    return number == 0 ? QStringLiteral("System (%1)").arg(CodePage::system().title())
                       : CodePage::byNumber(number).title();
}

}  // namespace

CodePageMenu::CodePageMenu(QMenu &menu, EditSession &session, QObject *parent)
    : QObject(parent), m_session(session), m_menu(menu.addMenu(QStringLiteral("&Code Page"))),
      m_group(new QActionGroup(this))
{
    connect(&session, &EditSession::codePageChoiceChanged, this, &CodePageMenu::tickChoice);
    m_menu->setObjectName(QStringLiteral("mnuCodePage"));
    m_suggestion = m_menu->addAction(QString());
    m_suggestion->setObjectName(QStringLiteral("mnuCodePageSuggestion"));
    m_suggestion->setEnabled(false);
    m_menu->addSeparator();
    m_group->setExclusive(true);
    addPage(0, titleOf(0))->setChecked(true);
    for (int number : CodePage::numbers())
        addPage(number, titleOf(number));
    setSuggestion(0, 0);
}

QAction *CodePageMenu::addPage(int number, const QString &title)
{
    QAction *entry = m_menu->addAction(title);
    entry->setObjectName(number == 0 ? QStringLiteral("mnuCodePageSystem") : QStringLiteral("mnuCodePage%1").arg(number));
    entry->setCheckable(true);
    m_group->addAction(entry);
    m_entries[number] = entry;
    connect(entry, &QAction::triggered, this, [this, number] { choose(number); });
    return entry;
}

int CodePageMenu::chosen() const
{
    return m_session.codePageChoice();
}

void CodePageMenu::choose(int number)
{
    m_session.chooseCodePage(number);
    tickChoice();  // also when the pick was already the choice: the entry clicked stays ticked
}

void CodePageMenu::tickChoice()
{
    m_entries[chosen()]->setChecked(true);
}

void CodePageMenu::setSuggestion(int page, qsizetype nonAsciiBytes)
{
    if (m_suggested != 0)
        m_entries[m_suggested]->setText(titleOf(m_suggested));
    m_suggested = m_entries.count(page) ? page : 0;
    if (m_suggested != 0) {
        m_entries[m_suggested]->setText(titleOf(m_suggested) + QStringLiteral(" \u2014 suggested"));
        m_suggestion->setText(QStringLiteral("Suggested for this folder: %1").arg(titleOf(m_suggested)));
    } else if (nonAsciiBytes == 0) {
        m_suggestion->setText(QStringLiteral("No suggestion for this folder: no text beyond plain ASCII"));
    } else if (nonAsciiBytes < CodePageGuess::MinimumBytes) {
        m_suggestion->setText(QStringLiteral("No suggestion for this folder: too little text to tell"));
    } else {
        m_suggestion->setText(QStringLiteral("No suggestion for this folder: its text reads well in no page"));
    }
}

QString CodePageMenu::suggestionText() const
{
    return m_suggestion->text();
}

int CodePageMenu::storedChoice(const QString &application, QString *problem)
{
    return CodePageChoice::numberOf(SettingsStore::readBytes(application, kSection, kKey), problem);
}

bool CodePageMenu::store(const QString &application, QString *failure) const
{
    if (chosen() == 0 && !SettingsStore::readBytes(application, kSection, kKey))
        return true;
    return SettingsStore::write(application, kSection, kKey, QString::number(chosen()), failure);
}
