#pragma once

#include <functional>

class Transaction;

// One action's writes as a whole: the action runs, then its work is committed with
// commit-retaining. When another station holds or changed the same rows, the action is rolled back
// and run again, a few times. On any failure everything the action wrote is rolled back with
// rollback-retaining and the exception goes on to the caller.
void atomically(Transaction& tr, const std::function<void()>& action);
