#include "CordalisApplication.h"

#include "Errors.h"
#include "MessageBox.h"

CordalisApplication::CordalisApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool CordalisApplication::notify(QObject* receiver, QEvent* event)
{
    // Qt does not let exceptions travel through its event loop: catch them here, where the
    // event enters the handlers, and report them.
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowCurrentException();
        return false;
    }
}

void CordalisApplication::ShowCurrentException()
{
    // Showing the message runs a modal loop; an error raised there must not escape either.
    try {
        ::ShowCurrentException();
    } catch (...) {
        qWarning("%s", qUtf8Printable(ExceptionText(std::current_exception())));
    }
}
