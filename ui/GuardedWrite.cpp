#include "GuardedWrite.h"

#include "Database.h"
#include "DbError.h"
#include "Messages.h"

bool guardedWrite(Transaction& tr, const QString& failMessage, const std::function<void()>& action) {
    try {
        action();
        tr.commitRetaining();
        return true;
    } catch (const DbError& e) {
        tr.rollbackRetaining();
        msg::error(failMessage, e.text());
        return false;
    } catch (...) {
        tr.rollbackRetaining();
        throw;
    }
}
