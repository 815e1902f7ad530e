#include "tags/CodePageChoice.h"

#include "tags/CodePage.h"

#include <QDir>
#include <QFile>

namespace CodePageChoice {

int storedNumber(const QByteArray &settingsText)
{
    bool inTags = false;
    for (const QByteArray &entry : settingsText.split('\n')) {
        const QByteArrayView line = QByteArrayView(entry).trimmed();
        if (line.startsWith('[')) {
            inTags = line.compare("[Tags]", Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inTags || equals < 0 || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.first(equals).trimmed().compare("CodePage", Qt::CaseInsensitive) != 0)
            continue;
        bool ok = false;
        const int number = line.sliced(equals + 1).trimmed().toInt(&ok);
        return ok && CodePage::find(number) ? number : 0;
    }
    return 0;
}

QString settingsFile()
{
    // Only an absolute XDG_CONFIG_HOME counts; a relative one would depend on the current folder.
    QString folder = QFile::decodeName(qgetenv("XDG_CONFIG_HOME"));
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder))
        folder = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(folder) + QStringLiteral("/quorrel.ini");
}

int storedNumber()
{
    QFile file(settingsFile());
    // A settings file is a few lines; anything much bigger is not one.
    if (!file.open(QIODevice::ReadOnly) || file.size() > 1024 * 1024)
        return 0;
    return storedNumber(file.readAll());
}

const CodePage &pageOf(int number)
{
    const CodePage *page = CodePage::find(number);
    return page ? *page : CodePage::system();
}

}  // namespace CodePageChoice
