#include "tags/settings/CodePageChoice.h"

#include "tags/codepage/CodePage.h"
#include "tags/text/TextEscape.h"
#include "tags/settings/SettingsKeys.h"
#include "tags/settings/SettingsStore.h"

namespace CodePageChoice {

int numberOf(const std::optional<QByteArray> &value, QString *problem)
{
    if (!value || value->isEmpty())
        return 0;
    bool digits = value->size() <= 9;
    for (char c : *value)
        digits = digits && c >= '0' && c <= '9';
    const int number = digits ? value->toInt() : -1;
    if (number == 0 || CodePage::find(number))
        return number;
    if (problem)
        *problem = QStringLiteral("The code page \"%1\" in the settings ([%2] %3) is not one Velmora knows; "
                                  "the system's page is used.")
                       .arg(TextEscape::shown(*value), SettingsKeys::codePage.section, SettingsKeys::codePage.key);
    return 0;
}

int storedNumber(QStringList &problems)
{
    const QString fileProblem = SettingsStore::problem(SettingsKeys::application);
    if (!fileProblem.isEmpty()) {
        problems << fileProblem;
        return 0;
    }
    QString valueProblem;
    const int number = numberOf(SettingsStore::readBytes(SettingsKeys::application, SettingsKeys::codePage.section,
                                                         SettingsKeys::codePage.key),
                                &valueProblem);
    if (!valueProblem.isEmpty())
        problems << valueProblem;
    return number;
}

const CodePage &pageOf(int number)
{
    const CodePage *page = CodePage::find(number);
    return page ? *page : CodePage::system();
}

}  // namespace CodePageChoice
