#pragma once

#include <QList>
#include <QString>
#include <optional>

class Database;
class Query;
class Transaction;

// Division of the participants of a subject and grade into numbered groups. The counts wanted
// per group are typed into GROUP_TEMP, one row "Группа k" per group; the participants, taken in
// registration order, then fill group 1, group 2, ... with exactly the count typed for each.
// Nothing here commits: each call is part of one user action.
namespace groups {

// The keys of the participants of a subject (by name) and grade, in registration order.
QList<int> participants(Database& db, Transaction& tr, const QString& predmet, int idKlass);
// Empties GROUP_TEMP and gives it one row per group, "Группа 1" to "Группа n", with no count.
void prepareCounts(Database& db, Transaction& tr, int groupCount);
// Sets the statement that reads GROUP_TEMP (NAME, KOL) in group order.
void selectCounts(Query& q);
// The names and counts of GROUP_TEMP in group order; an empty count is 0.
struct Count {
    QString name;
    int kol = 0;
};
QList<Count> counts(Database& db, Transaction& tr);
// Stores the count typed for one group; none for an empty count.
void setCount(Database& db, Transaction& tr, const QString& name, std::optional<int> kol);
// The counts can be given out: none is negative and together they are at most the participants.
bool countsFit(const QList<Count>& counts, int participants);
// Replaces the groups of the subject and grade with a distribution by the counts, over the
// participants as they are now. Writes nothing and returns false when the counts do not fit.
bool distribute(Database& db, Transaction& tr, const QString& predmet, int idPredmet, int idKlass,
                const QList<Count>& counts);

}  // namespace groups
