#pragma once

#include "Score.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

class Database;
class Transaction;

// Appeals as the jury hears them: a participant contests the scores of tasks of one round; each
// task is either rejected (the score stands) or upheld with a new score, up or down within the
// task's greatest score. An appeal may be filed first and decided later; once decided it stays as
// decided. Numbers form one series over the olympiad.
namespace appeals {

inline const QString kRejected = QStringLiteral("отклонена");
inline const QString kUpheld = QStringLiteral("удовлетворена");
inline const QString kUndecided = QStringLiteral("не рассмотрена");

enum Decision { Undecided = -1, Rejected = 0, Upheld = 1 };

struct Task {
    int task = 0;                   // 1..6 of the appeal's round
    std::optional<Score> before;    // the score when the appeal was decided (or is stored now)
    std::optional<Score> after;     // upheld: the new score
    int decision = Undecided;
};

struct Appeal {
    int id = 0;       // 0: not stored yet
    int number = 0;   // given when stored
    int idChild = 0;
    int round = 0;    // 1..4
    QDate filedOn;
    QString reason, members;
    QList<Task> tasks;
    // Once decided: when, and the total and place before and after.
    QDateTime decidedAt;
    Score totalBefore, totalAfter;
    int placeBefore = 0, placeAfter = 0;
    // As lists show the participant.
    QString cipher, name;

    bool decided() const { return decidedAt.isValid(); }
    // Every task has its decision / none has one.
    bool allDecided() const;
    bool noneDecided() const;
    bool upheld() const;  // some task upheld
    // "отклонена", "удовлетворена", "не рассмотрена" for the whole appeal.
    QString decisionText() const;
    // "1, 3" — the tasks appealed.
    QString tasksText() const;
};

// What is wrong with an appeal as typed, before anything is written; empty when nothing. The
// maxima are those of the subject's tasks (by slot 0..23), `tasks` how many the round has.
QString refusal(const Appeal& a, int roundTasks, const std::array<std::optional<Score>, 24>& maxima);

// Stores the appeal in the caller's action (no commit here): a new one gets the next number; one
// not yet decided is written again. When every task has its decision, it is decided: the scores
// are read under the subject's lock, the upheld ones stored through score entry's save (history
// rows marked with the appeal, sums, places), the total and place before and after recorded.
// Refused (DbError): results final, the appeal decided meanwhile, a task its round lacks, a score
// above the task's greatest, a participant without scores. Returns the appeal's key.
int save(Database& db, Transaction& tr, Appeal& a);
// Deletes an appeal not yet decided (a decided one is refused).
void remove(Database& db, Transaction& tr, int idAppeal);

std::optional<Appeal> load(Database& db, Transaction& tr, int idAppeal);
// The appeals of a subject and grade, by number.
QList<Appeal> ofGrade(Database& db, Transaction& tr, int idPredmet, int idKlass);
// The stored task scores of a participant's round, by task (1..6 at 0..5); none where none is stored.
std::array<std::optional<Score>, 6> storedScores(Database& db, Transaction& tr, int idChild, int round);

// Every appeal as a chooser names it, by number: "№ 3: Физика, 9 класс, А-12"; and back, the number
// a title names (0 for none).
QStringList titles(Database& db, Transaction& tr);
int numberOf(const QString& title);

struct Summary {
    int filed = 0, upheld = 0, rejected = 0, undecided = 0, placesChanged = 0;
};
Summary summarize(const QList<Appeal>& list);

// The degrees of a subject and grade against its places now: participants whose degree the award
// rules recorded for it would not give them, and any ranked above someone holding a higher award.
// Empty when all agree. Reads only.
QStringList degreeWarnings(Database& db, Transaction& tr, int idPredmet, int idKlass);

}  // namespace appeals
