#pragma once
// The one way the program tells the user something: a message box titled "Velmora" with an OK
// button, or a question with Yes and No. The shell installs the boxes; tests install recorders so
// that no modal window blocks.

#include <QString>
#include <functional>

namespace Message {

using Handler = std::function<void(const QString &text)>;

// Shows text through the installed handler (standard error when none is installed), its control
// characters other than line breaks in their printable form (\t, \xNN).
void show(const QString &text);

// Installs a handler and returns the one it replaces.
Handler setHandler(Handler handler);

// Asks a yes-or-no question through the installed handler; true for yes. With no handler (no one
// to answer) the question is printed on standard error and the answer is no.
using Question = std::function<bool(const QString &text)>;
bool ask(const QString &text);
Question setQuestionHandler(Question handler);

}  // namespace Message
