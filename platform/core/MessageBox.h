#pragma once

#include <QString>
#include <functional>

// The program's one way to tell the user something: a simple modal message with an OK
// button. The application installs the handler that shows a real message box; tests
// install a recorder (tests/main) so that nothing blocks on a modal loop.
using MessageHandler = std::function<void(const QString& text)>;

// Shows the text through the installed handler (without one, it goes to qWarning).
void ShowMessage(const QString& text);

// Shows the exception being handled through ShowMessage: its text, or withoutText when it
// carries none.
void ShowCurrentException(const QString& withoutText = {});

// Installs a handler and returns the previous one.
MessageHandler SetMessageHandler(MessageHandler handler);
