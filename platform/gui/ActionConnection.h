#pragma once

#include "CordalisApplication.h"

#include <QObject>
#include <functional>
#include <type_traits>

// Connects a control's signal to one of the program's actions (a member function of the
// receiver or a function object). An exception escaping the action is shown by the
// application's standard exception display as soon as the action ends, before it can
// unwind through Qt's own code: a button's click handling does not expect exceptions, and
// unwinding through it skips its clean-up (the button stays half pressed, its guards leak).
// The action receives the signal's arguments when it takes them (toggled(bool) gives the
// new state), nothing otherwise (clicked(bool) calls a handler without parameters).
template <typename Sender, typename Signal, typename Receiver, typename Action>
QMetaObject::Connection ConnectAction(Sender* sender, Signal signal, Receiver* receiver,
                                      Action action)
{
    return QObject::connect(sender, signal, receiver, [receiver, action](auto... args) {
        try {
            if constexpr (std::is_member_function_pointer_v<Action>) {
                if constexpr (std::is_invocable_v<Action, Receiver*, decltype(args)...>)
                    std::invoke(action, receiver, args...);
                else
                    std::invoke(action, receiver);
            } else {
                (void)receiver;
                if constexpr (std::is_invocable_v<Action, decltype(args)...>)
                    std::invoke(action, args...);
                else
                    std::invoke(action);
            }
        } catch (...) {
            CordalisApplication::ShowCurrentException();
        }
    });
}
