#pragma once

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
};
using RoundSlots = std::array<RoundSlot, 4>;

namespace rounds {

constexpr int kMaxTasks = 6;

// Slots as stored; a slot without a row has both texts empty, a stored empty slot shows count "0".
RoundSlots load(Database& db, Transaction& tr, int idPredmet);
// Why slots cannot be stored: the first used slot (1..4) whose task count is not a whole number
// from 1 to 6, or whose name another used slot has already (reports tell rounds apart by name), the
// field to put right and the message; none when they can.
struct SlotProblem {
    int slot = 0;
    bool inName = false;
    QString text;
    explicit operator bool() const { return slot > 0; }
};
SlotProblem problem(const RoundSlots& slots);
// Writes the four slots, each updated in place where its row exists and inserted where it does not.
// Validate first. Does not commit.
void save(Database& db, Transaction& tr, int idPredmet, const RoundSlots& slots);

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
