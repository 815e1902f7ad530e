#pragma once
// The one way the program tells the user something: a message box titled "Velmora" with an OK
// button. The shell installs the box; tests install a recorder so that no modal window blocks.

#include <QString>
#include <functional>

namespace Message {

using Handler = std::function<void(const QString &text)>;

// Shows text through the installed handler (standard error when none is installed), its control
// characters other than line breaks in their printable form (\t, \xNN).
void show(const QString &text);

// Installs a handler and returns the one it replaces.
Handler setHandler(Handler handler);

}  // namespace Message
