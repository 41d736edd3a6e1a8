#pragma once

#include "CordalisApplication.h"

#include <QObject>
#include <type_traits>

// Connects a control's signal to one of the program's actions: a member function of the
// receiver, or a function object, taking no parameters. An exception escaping the action is
// shown by the application's standard exception display as soon as the action ends, before
// it can unwind through Qt's own code: a button's click handling does not expect exceptions,
// and unwinding through it skips its clean-up (the button's guards leak).
template <typename Sender, typename Signal, typename Receiver, typename Action>
QMetaObject::Connection ConnectAction(Sender* sender, Signal signal, Receiver* receiver,
                                      Action action)
{
    return QObject::connect(sender, signal, receiver, [receiver, action] {
        try {
            if constexpr (std::is_member_function_pointer_v<Action>)
                (receiver->*action)();
            else
                action();
        } catch (...) {
            CordalisApplication::ShowCurrentException();
        }
    });
}
