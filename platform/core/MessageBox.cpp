#include "MessageBox.h"

#include "Errors.h"

#include <QtGlobal>

namespace {
MessageHandler& handlerSlot()
{
    static MessageHandler handler;
    return handler;
}
} // namespace

void ShowMessage(const QString& text)
{
    // Copy first: a handler may install another one while it runs.
    MessageHandler handler = handlerSlot();
    if (handler)
        handler(text);
    else
        qWarning("%s", qUtf8Printable(text));
}

MessageHandler SetMessageHandler(MessageHandler handler)
{
    MessageHandler previous = std::move(handlerSlot());
    handlerSlot() = std::move(handler);
    return previous;
}

void ShowCurrentException(const QString& withoutText)
{
    const QString text = ExceptionText(std::current_exception());
    ShowMessage(text.isEmpty() ? withoutText : text);
}
