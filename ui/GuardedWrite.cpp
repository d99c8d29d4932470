#include "GuardedWrite.h"

#include "Database.h"
#include "DbError.h"
#include "Messages.h"

namespace {

constexpr int kAttempts = 3;

// Undoes the action; a connection that is gone has nothing left to undo.
void undo(Transaction& tr) {
    try {
        tr.rollbackRetaining();
    } catch (const DbError&) {
    }
}

}  // namespace

void showRefusal(const QString& failMessage, const DbError& e) {
    const QString why = dberror::explain(e);
    if (why.isEmpty())
        msg::error(failMessage, e.text());
    else
        msg::error(failMessage, why, e.text());
}

bool guardedWrite(Transaction& tr, const QString& failMessage, const std::function<void()>& action) {
    for (int attempt = 1;; ++attempt) {
        try {
            action();
            tr.commitRetaining();
            return true;
        } catch (const DbError& e) {
            undo(tr);
            if (e.isConflict() && attempt < kAttempts) continue;
            showRefusal(failMessage, e);
            return false;
        } catch (...) {
            undo(tr);
            throw;
        }
    }
}
