#include "Atomic.h"

#include "Database.h"
#include "DbError.h"

namespace {

constexpr int kAttempts = 4;

// Undoes the action; a connection that is gone has nothing left to undo.
void undo(Transaction& tr) {
    try {
        tr.rollbackRetaining();
    } catch (const DbError&) {
    }
}

}  // namespace

void atomically(Transaction& tr, const std::function<void()>& action,
                const std::function<bool(const DbError&)>& retry) {
    for (int attempt = 1;; ++attempt) {
        try {
            action();
            tr.commitRetaining();
            return;
        } catch (const DbError& e) {
            undo(tr);
            if ((retry ? retry(e) : e.isConflict()) && attempt < kAttempts) continue;
            throw;
        } catch (...) {
            undo(tr);
            throw;
        }
    }
}
