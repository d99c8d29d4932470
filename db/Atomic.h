#pragma once

#include <functional>

class DbError;
class Transaction;

// One action's writes as a whole: the action runs, then its work is committed with
// commit-retaining. When another station holds or changed the same rows, the action is rolled back
// and run again, a few times. On any failure everything the action wrote is rolled back with
// rollback-retaining and the exception goes on to the caller. `retry` says which failures are worth
// running the action again for (by default: another station's lock or change).
void atomically(Transaction& tr, const std::function<void()>& action,
                const std::function<bool(const DbError&)>& retry = {});
