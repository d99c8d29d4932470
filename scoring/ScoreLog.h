#pragma once

#include "Score.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

class Database;
class Transaction;

// The history of every task score: who changed which slot, from what to what, and when. A round
// counts as entered for a participant once a save of it is written here, so an empty box is no
// longer the same as a typed 0.
namespace scorelog {

// The name this computer writes into the history.
QString station();

struct Change {
    int slot = 0;                    // 0..23 as BAL01..BAL24
    std::optional<Score> oldValue;  // none: nothing was stored
    std::optional<Score> newValue;
    int appeal = 0;  // the key of the appeal whose decision made the change; 0: none
};
struct Entry {
    QDateTime at;
    QString station;
    Change change;
    int appealNumber = 0;  // the number of that appeal
};

// Appends the changes of one participant, in the caller's action (no commit here).
void append(Database& db, Transaction& tr, int idChild, const QList<Change>& changes,
            const QString& station = station());
// Writes, for every score row of the subject that holds a value in the slot (0..23), its removal:
// a value other than 0, or a 0 whose history ends in it. Before the slot is emptied, in the
// caller's action.
void logRemoval(Database& db, Transaction& tr, int idPredmet, int slot, const QString& station = station());
// The slots (0..23) of a participant whose history ends in a score (a score removed, with the move
// to another subject or a task that went, leaves its slot without one).
QSet<int> loggedSlots(Database& db, Transaction& tr, int idChild);
// A participant's history, the latest change first.
QList<Entry> history(Database& db, Transaction& tr, int idChild);

// The participants of a subject and grade whose every round in use (or the given round, 1..4)
// has been entered (a task of it holds a score the history wrote); none when the subject has no rounds.
QSet<int> entered(Database& db, Transaction& tr, int idPredmet, int idKlass, int round = 0);
// How many participants the subject and grade has.
int participants(Database& db, Transaction& tr, int idPredmet, int idKlass);

}  // namespace scorelog
