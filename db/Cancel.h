#pragma once

#include <exception>
#include <functional>

// Long work stopped before its end: the operator pressed "Прервать" (or Esc), or the program is
// ending. The work throws it between two of its steps; what it wrote in its action is rolled back
// and what it made (a backup's part, a restore's part) is removed.
class Cancelled : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled"; }
};

// Asked by long work between its steps: true once it is to stop. Empty: it runs to its end.
using CancelAsked = std::function<bool()>;

// Throws Cancelled when `asked` says so.
inline void stopIfAsked(const CancelAsked& asked) {
    if (asked && asked()) throw Cancelled();
}
