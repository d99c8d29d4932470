#include "GuardedWrite.h"

#include "Atomic.h"
#include "DbError.h"
#include "Messages.h"

#include <QApplication>
#include <QScopeGuard>

void showRefusal(const QString& failMessage, const DbError& e) {
    const QString why = dberror::explain(e);
    if (why.isEmpty())
        msg::error(failMessage, e.text());
    else
        msg::error(failMessage, why, e.text());
}

bool guardedWrite(Transaction& tr, const QString& failMessage, const std::function<void()>& action) {
    try {
        // Another station's lock may keep the action waiting a few seconds: the cursor says so.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        atomically(tr, action);
        return true;
    } catch (const DbError& e) {
        showRefusal(failMessage, e);
        return false;
    }
}
