#pragma once
// The code page the user chose for the tags, as the settings file stores it ([Tags] CodePage=N,
// see tags/settings/SettingsKeys.h). An absent or empty value, or 0, means the system's page; a
// value that names no page means it too, and the user is told once, naming the value. The window
// and the command line both read the choice through the settings store; only the window writes it.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class CodePage;

namespace CodePageChoice {

// The page number of a stored value: 0 for none, an empty one or "0"; the number of one of our
// pages written in decimal digits; else 0 with *problem, when given, set to a message that names
// the value in its printable form.
int numberOf(const std::optional<QByteArray> &value, QString *problem);

// The number stored in the settings file, with what the user is to be told about it in problems:
// why the file cannot be read, or that its value names no page.
int storedNumber(QStringList &problems);

// The page of a stored number: that page, or the system's for 0 and unknown numbers.
const CodePage &pageOf(int number);

}  // namespace CodePageChoice
