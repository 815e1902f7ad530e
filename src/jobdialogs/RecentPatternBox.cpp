#include "jobdialogs/RecentPatternBox.h"

#include "tags/settings/RecentTexts.h"
#include "tags/text/Message.h"

RecentPatternBox::RecentPatternBox(const QString &application, const SettingsKeys::Entry &entry, QWidget *parent)
    : QComboBox(parent), m_application(application), m_entry(entry)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);  // Enter neither adds an entry nor applies
    addItems(RecentTexts::read(m_application, m_entry, Kept));
}

void RecentPatternBox::remember()
{
    const QString text = currentText();
    // The job is done either way; only the offer of the pattern next time is lost.
    if (QString error; !RecentTexts::remember(m_application, m_entry, Kept, text, &error))
        Message::show(QStringLiteral("The pattern could not be kept in the settings file: ") + error);
    const QSignalBlocker quiet(this);
    clear();
    addItems(RecentTexts::read(m_application, m_entry, Kept));
    setEditText(text);
}
