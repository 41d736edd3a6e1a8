#include "DialogKeys.h"

#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>

namespace {

// Presses the focused button on Enter. Qt's dialogs do it only for "auto default" buttons,
// and an auto default button becomes the dialog's default button as soon as it has had the
// focus once, which brings back the Enter that presses it from an edit.
class EnterPressesFocusedButton : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        auto* button = qobject_cast<QPushButton*>(watched);
        if (!enter || modifiers != Qt::NoModifier || !button || !button->isEnabled())
            return false;
        button->click();
        return true;
    }
};

} // namespace

void NoDefaultButton(QDialog& dialog)
{
    auto* filter = new EnterPressesFocusedButton(&dialog);
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
        button->installEventFilter(filter);
    }
}
