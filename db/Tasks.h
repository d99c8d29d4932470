#pragma once

#include <QHash>
#include <array>

class Database;
class Transaction;

// The tasks a subject's rounds have: the boxes score entry shows and the only slots of a score row
// that count. Round k (1..4), task j (1..6) is slot 6(k-1)+j-1 (BAL01..BAL24); a round in use
// (ID_TUR not 0) has its first KOL_ZAD tasks (a count outside 1..6 shows no box: none); a slot not
// in use has none.
namespace tasks {

constexpr int kSlots = 24;
constexpr int kMaxPerRound = 6;
using Counts = std::array<int, 4>;  // tasks of rounds 1..4 at 0..3

// The tasks of a round from its TUR row.
int ofRound(qint64 idTur, qint64 kolZad);
// Whether a slot (0..23) is one of the tasks.
inline bool has(const Counts& c, int slot) { return slot % kMaxPerRound < c[size_t(slot / kMaxPerRound)]; }

Counts inUse(Database& db, Transaction& tr, int idPredmet);
// Every subject with rounds, by its key.
QHash<int, Counts> inUseBySubject(Database& db, Transaction& tr);

}  // namespace tasks
