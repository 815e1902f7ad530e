#pragma once
// The code page the user chose for the tags, as the settings file stores it: "[Tags]" with
// "CodePage=N". An absent, empty or unknown value means the system's page. The command line only
// reads it; the window writes it with the rest of its settings.

#include <QByteArray>
#include <QString>

class CodePage;

namespace CodePageChoice {

// The number stored in the text of a settings file; 0 ("System") when absent or not one of ours.
// Sections and keys are matched without regard to letter case and the first entry counts.
int storedNumber(const QByteArray &settingsText);

// The settings file: quorrel.ini in $XDG_CONFIG_HOME, or in ~/.config when that is unset, empty
// or relative.
QString settingsFile();

// The number stored in the settings file; 0 when there is none or the file cannot be read.
int storedNumber();

// The page of a stored number: that page, or the system's for 0 and unknown numbers.
const CodePage &pageOf(int number);

}  // namespace CodePageChoice
