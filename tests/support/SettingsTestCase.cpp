#include "support/SettingsTestCase.h"

#include "tags/settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QtTest>

QString SettingsTestCase::settingsFile()
{
    return SettingsStore::filePath(QStringLiteral("Quorrel"));
}

QString SettingsTestCase::stored(const QString &key)
{
    return SettingsStore::read(QStringLiteral("Quorrel"), QStringLiteral("Startup"), key, QStringLiteral("<absent>"));
}

void SettingsTestCase::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path());
}

void SettingsTestCase::init()
{
    log.clear();
    log.answer = false;
    // A test may leave a folder, a pipe or a link where the file belongs.
    QFile::remove(settingsFile());
    QDir(settingsFile()).removeRecursively();
}
