#include "GuardedWrite.h"

#include "Atomic.h"
#include "DbError.h"
#include "Messages.h"

void showRefusal(const QString& failMessage, const DbError& e) {
    const QString why = dberror::explain(e);
    if (why.isEmpty())
        msg::error(failMessage, e.text());
    else
        msg::error(failMessage, why, e.text());
}

bool guardedWrite(Transaction& tr, const QString& failMessage, const std::function<void()>& action) {
    try {
        atomically(tr, action);
        return true;
    } catch (const DbError& e) {
        showRefusal(failMessage, e);
        return false;
    }
}
