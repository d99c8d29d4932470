#pragma once

#include <QStringList>

class Database;
class Transaction;

// The rules the whole record keeps, checked over the database as it stands: each score row's round
// sums and total are the sums of the tasks its subject's rounds have (tasks::has); no score in a task
// a round lacks, below 0 or above the task's greatest score; places are the dense rank of the total
// within subject and grade; score, code and group rows carry their child's subject and grade; no code
// twice in a subject, grade and round (look-alike letters folded); every child has his identifier;
// degrees are 0 to 4; every key names a row; an appeal is decided exactly when each of its tasks is,
// its tasks are its round's, an upheld task has its new score. Reads only.
namespace check {

constexpr int kShown = 20;

struct Findings {
    int total = 0;      // broken rules found
    QStringList shown;  // the first kShown of them, each a line a person reads
    bool clean() const { return total == 0; }
    // The lines shown, and a last line "… и ещё N" for those left out.
    QStringList lines() const;
};

Findings run(Database& db, Transaction& tr);

}  // namespace check
