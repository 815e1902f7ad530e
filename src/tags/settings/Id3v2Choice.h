#pragma once
// Tags > "Also Write ID3v2" as the settings file keeps it ([Tags] WriteId3v2=1), for the window
// and the command line alike: off unless it says on.

#include <QString>

namespace Id3v2Choice {

// The stored choice of application's settings file; off when absent or unreadable.
bool stored(const QString &application);

// Stores the choice; an off never stored leaves the file as it is. False, with the reason in
// *failure, when the file could not be written.
bool store(const QString &application, bool on, QString *failure = nullptr);

}  // namespace Id3v2Choice
