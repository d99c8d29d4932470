#pragma once

#include <QString>
#include <functional>

class Transaction;

// One user action's writes, made atomic: the action runs; when it succeeds its work is committed
// with commit-retaining. When a database write fails, the short message is shown, everything the
// action wrote is rolled back with rollback-retaining, and false is returned. Any other exception
// (a conversion error) also rolls the action back, then goes on to the general error box.
bool guardedWrite(Transaction& tr, const QString& failMessage, const std::function<void()>& action);

inline const QString kNotDone = QStringLiteral("не получилось");
