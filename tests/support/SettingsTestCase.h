#pragma once
// A test class whose tests each begin with no settings file, in a settings folder of the test
// program's own (XDG_CONFIG_HOME), and with an empty message log.

#include "support/TestFiles.h"

#include <QObject>
#include <QString>

class SettingsTestCase : public QObject {
    Q_OBJECT

protected:
    TestFiles::TempFolder m_config;
    TestFiles::MessageLog log;

    static QString settingsFile();
    static QString stored(const QString &key);  // the [Startup] value of key; "<absent>" when not stored

protected slots:
    void initTestCase();
    void init();
};
