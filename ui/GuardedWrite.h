#pragma once

#include <QString>
#include <functional>

class DbError;
class Transaction;

// One user action's writes, made atomic: the action runs; when it succeeds its work is committed
// with commit-retaining. When another station holds or changed the same rows, the action is rolled
// back and run again, a few times. When a database write fails, everything the action wrote is
// rolled back with rollback-retaining, the short message is shown with what happened under it, and
// false is returned. Any other exception (a conversion error) also rolls the action back, then goes
// on to the general error box.
bool guardedWrite(Transaction& tr, const QString& failMessage, const std::function<void()>& action);

// The short message with the reason under it: the Russian explanation of a refusal, the client's
// own text behind it.
void showRefusal(const QString& failMessage, const DbError& e);

inline const QString kNotDone = QStringLiteral("не получилось");
