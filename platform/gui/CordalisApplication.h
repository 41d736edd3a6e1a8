#pragma once

#include <QApplication>
#include <QString>
#include <exception>

// The application object. An exception that escapes an event handler (a button's action, a
// paint, a timer) is shown to the user in a message box with its own text, and the event
// loop goes on: the action stops where the error arose and the windows stay usable.
class CordalisApplication : public QApplication
{
    Q_OBJECT

public:
    CordalisApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the exception being handled: call it from inside a catch block.
    static void ShowCurrentException();
};
