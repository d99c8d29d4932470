#pragma once

#include <QObject>
#include <exception>
#include <functional>
#include <type_traits>

// Every event handler of the program runs through here: an exception it throws (a database error,
// a text that is not a number) is shown in the application's general error box and goes no
// further, so that it never crosses Qt's own signal and event code.
namespace ui {

// Shows an exception in the general error box: a database error with the client's text and, under
// it, what it means; a conversion error with its text.
void showException(std::exception_ptr e);

void run(const std::function<void()>& handler);

// Connects a signal to a window's handler (a slot without arguments) through run().
template <class Sender, class Signal, class Window>
QMetaObject::Connection connect(Sender* sender, Signal signal, Window* window, void (Window::*handler)()) {
    return QObject::connect(sender, signal, window, [window, handler] { run([&] { (window->*handler)(); }); });
}

// The same for a handler written in place; `context` ends the connection when it is destroyed.
template <class Sender, class Signal, class F>
QMetaObject::Connection connect(Sender* sender, Signal signal, QObject* context, F handler) {
    return QObject::connect(sender, signal, context, [handler](auto&&... args) {
        run([&] {
            if constexpr (std::is_invocable_v<F, decltype(args)...>)
                handler(std::forward<decltype(args)>(args)...);
            else
                handler();
        });
    });
}

}  // namespace ui
