#pragma once

#include "Score.h"
#include "Tasks.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

class Database;
class Transaction;

// The four round slots of a subject as the rounds window shows them: a name and the task count
// as typed. A slot with a name is used; an empty or blank name is an empty slot.
struct RoundSlot {
    QString name;
    QString count;
    QString maxima = {};  // the greatest score of each task, separated by blanks ("10 10 7,5"); may be empty
};
using RoundSlots = std::array<RoundSlot, 4>;

namespace rounds {

constexpr int kMaxTasks = 6;

// Slots as stored; a slot without a row has both texts empty, a stored empty slot shows count "0".
RoundSlots load(Database& db, Transaction& tr, int idPredmet);
// Why slots cannot be stored: the first used slot (1..4) whose task count is not a whole number
// from 1 to 6, whose name another used slot has already (reports tell rounds apart by name), or
// whose maxima are not one positive score per task; the field to put right and the message; none
// when they can.
struct SlotProblem {
    enum Field { Name, Count, Maxima };
    int slot = 0;
    Field field = Count;
    QString text;
    explicit operator bool() const { return slot > 0; }
};
SlotProblem problem(const RoundSlots& slots);
// Writes the four slots, each updated in place where its row exists and inserted where it does not,
// and their task maxima. Validate first. Does not commit.
void save(Database& db, Transaction& tr, int idPredmet, const RoundSlots& slots);

// The greatest score of each task of a subject's rounds, by slot (0..23 as BAL01..BAL24); none
// where the organisers gave none.
using Maxima = std::array<std::optional<Score>, 24>;
Maxima maxima(Database& db, Transaction& tr, int idPredmet);
// The maxima and the tasks of slots as typed (validated by problem()).
Maxima typedMaxima(const RoundSlots& slots);
tasks::Counts typedTasks(const RoundSlots& slots);
// The greatest total of the subject: the sum of the maxima of every task of its rounds; none when
// a task of a round in use has no maximum.
std::optional<Score> maxTotal(Database& db, Transaction& tr, int idPredmet);

// A round of a subject (by name) as the score and award windows show it: its name and number of
// tasks; none when the subject has no such round.
struct Round {
    QString name;
    int tasks = 0;
};
std::optional<Round> describe(Database& db, Transaction& tr, const QString& predmet, int idTur);
// The round names of a subject (by name), the empty slots left out, one per name, by round number.
QStringList names(Database& db, Transaction& tr, const QString& predmet);
// The round numbers of a subject (by name), the empty slots left out, ascending.
QList<int> numbers(Database& db, Transaction& tr, const QString& predmet);

}  // namespace rounds
