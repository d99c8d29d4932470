#pragma once

#include <QString>

class Database;
class Transaction;

namespace awards {

inline const QString kBadDegree = QStringLiteral("Степень должна быть 0, 1, 2, 3 или 4!");

// The degree a text names: 0 (none), 1 to 3 (a diploma of that degree) or 4 (an honourable
// mention); -1 for anything else.
int degree(const QString& text);
// Writes a participant's degree. False when he has no score row (deleted at another station).
// Refused (DbError, naming the status) while the results of his subject and grade are final.
bool give(Database& db, Transaction& tr, int idChild, int degree);
// Whether anyone of the subject holds a degree above 0.
bool anyGiven(Database& db, Transaction& tr, int idPredmet);
// Said after the totals of a subject with degrees changed without a new award.
inline const QString kDegreesOnOldTotals =
    QStringLiteral("Степени дипломов были выставлены по прежним суммам баллов. Проверьте награждение.");

}  // namespace awards
