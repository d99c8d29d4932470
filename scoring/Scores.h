#pragma once

#include "Score.h"
#include "Tasks.h"

#include <QList>
#include <QString>
#include <array>
#include <optional>

class Database;
class Transaction;

// A participant's task scores: 24 slots, round k task j in slot 6(k-1)+j (BAL01..BAL24).
namespace scores {

constexpr int kSlots = 24;
using Slots = std::array<Score, kSlots>;
// Which slots the operator was shown (and so typed); the others keep what is stored.
using Shown = std::array<bool, kSlots>;

// The column of a slot (0..23: BAL01..BAL24) and of a round's sum (0..3: B1..B4).
const QString& slotField(int slot);
const QString& sumField(int round);

// The stored scores of a participant; none when he has no score row.
std::optional<Slots> load(Database& db, Transaction& tr, int idChild);
// A participant's whole score row as the awards window shows it.
struct Row {
    Slots slots{};
    std::array<Score, 4> sums{};
    Score total;
    int place = 0;
    int degree = 0;
};
std::optional<Row> loadRow(Database& db, Transaction& tr, int idChild);

// Reads a box as an exact score: either decimal separator, at most two decimals, a value a score
// column can hold. The text of the refusal, naming the round and task, when it is not such a score.
QString refusal(int slot, const QString& text);
// The same, and a score above its task's greatest score is refused too, naming the maximum.
QString refusal(int slot, const QString& text, const std::optional<Score>& maximum);
Score parse(const QString& text);

// The round sums and the total, exact: B1..B4 and SUMM of the slots that are tasks of the rounds.
std::array<Score, 4> roundSums(const Slots& s, const tasks::Counts& counts);
Score total(const Slots& s, const tasks::Counts& counts);

// Stores the scores of the shown slots; the others are taken from the row as it is stored now
// (read under a lock, so that another station's save in between is never undone). Inserts the
// row on the first save, updates it later, with the round sums and the total of the tasks the
// subject's rounds have; then re-ranks the subject and grade. A score other than 0 in a slot that is
// no task of a round is refused (DbError), naming round and task. MESTO is written only by the re-rank, DIPL_STEP never. No commit here.
// The score history gets, in the same action, a row for each shown slot whose value changes and
// for each confirmed slot (a box the operator typed the value it held into) that has no history
// yet, so that its round counts as entered; `idAppeal` marks them as made by that appeal's decision.
// Refused (DbError, naming the status) while the results of the subject and grade are final.
void save(Database& db, Transaction& tr, int idChild, int idPredmet, int idKlass, const Slots& typed,
          const Shown& shown, const Shown& confirmed = Shown{}, int idAppeal = 0);

// A change of a subject's rounds, seen before it is stored.
// Rounds (1..4) that would lose tasks holding scores other than 0: the tasks that go and how many
// participants hold a score in them.
struct Going {
    int round = 0;
    int firstTask = 0, lastTask = 0;
    int participants = 0;
};
QList<Going> goingScores(Database& db, Transaction& tr, int idPredmet, const tasks::Counts& counts);
// Tasks (slots 0..23) whose new greatest score is below a stored score, and how many participants.
struct Above {
    int slot = 0;
    Score maximum;
    int participants = 0;
};
QList<Above> aboveMaxima(Database& db, Transaction& tr, int idPredmet,
                         const std::array<std::optional<Score>, kSlots>& maxima);
// Makes the subject's score rows fit its rounds as stored now: a slot that is no task is emptied (its
// score written to the history as removed), the sums are those of the tasks, and every grade of the
// subject is ranked again. In the caller's action. Refused (DbError) when a slot that goes holds a
// score of a subject and grade whose results are final.
void fitToRounds(Database& db, Transaction& tr, int idPredmet);

}  // namespace scores
