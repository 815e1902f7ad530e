#pragma once
// An editable box of file-name patterns that offers the last five applied again, newest first,
// kept in the settings file under the given entry (RecentTexts). Enter neither adds an entry nor
// applies.

#include "tags/settings/SettingsKeys.h"

#include <QComboBox>

class RecentPatternBox : public QComboBox {
    Q_OBJECT
public:
    static constexpr int Kept = 5;

    // application: the settings file; entry: the numbered keys that keep the patterns.
    RecentPatternBox(const QString &application, const SettingsKeys::Entry &entry, QWidget *parent = nullptr);

    // The text shown is applied: it goes first in the list kept and offered. Only its offer is lost
    // when the settings file cannot be written, which is said in a message.
    void remember();

private:
    QString m_application;
    SettingsKeys::Entry m_entry;
};
