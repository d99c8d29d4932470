#include "Atomic.h"

#include "Database.h"
#include "DbError.h"

#include <QElapsedTimer>

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
    // A lock waits Transaction::kLockTimeoutSeconds at most; the action is tried again only while
    // that leaves the whole within about twice as long, so an operator never waits much longer.
    QElapsedTimer spent;
    spent.start();
    for (int attempt = 1;; ++attempt) {
        try {
            action();
            tr.commitRetaining();
            return;
        } catch (const DbError& e) {
            undo(tr);
            const bool worth = retry ? retry(e) : e.isConflict();
            if (worth && attempt < kAttempts && spent.elapsed() < Transaction::kLockTimeoutSeconds * 1000) continue;
            throw;
        } catch (...) {
            undo(tr);
            throw;
        }
    }
}
