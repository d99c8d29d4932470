#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class Database;
class Transaction;

// The status of the results of a subject and grade: "Предварительные" until the jury makes them
// final ("Итоговые"), which they stay until reopened. Each decision is kept (who, when); the latest
// holds. While final, nothing that changes a score, a place or a degree of that subject and grade is
// written: the refusal names the status.
namespace status {

inline const QString kPreliminary = QStringLiteral("Предварительные");
inline const QString kFinal = QStringLiteral("Итоговые");

struct State {
    bool final = false;
    QDateTime at;  // of the decision in force; invalid when none was ever made
    QString who;
};
State of(Database& db, Transaction& tr, int idPredmet, int idKlass);
// "Предварительные результаты" / "Итоговые результаты на 07.12.2026".
QString heading(const State& s);
QString heading(Database& db, Transaction& tr, int idPredmet, int idKlass);
// The same, the subject and grade named as the windows and reports name them.
QString heading(Database& db, Transaction& tr, const QString& predmet, const QString& klass);

// The status of several grades of a subject, as a list over them states it: final only when every
// one of them is, on the date of the latest decision; preliminary for none.
QString heading(Database& db, Transaction& tr, int idPredmet, const QList<int>& grades);

// Who decides, as the record keeps it: "user@computer".
QString who();
// Records a decision, in the caller's action (no commit here).
void set(Database& db, Transaction& tr, int idPredmet, int idKlass, bool final, const QString& by = who());

// The refusal while results are final; throws DbError with it. In the caller's action, so that a
// decision taken meanwhile at another station is seen.
QString refusalText(Database& db, Transaction& tr, int idPredmet, int idKlass);
void refuseIfFinal(Database& db, Transaction& tr, int idPredmet, int idKlass);
// The same for the grade a participant's score row is in (none: nothing to refuse).
void refuseIfFinalFor(Database& db, Transaction& tr, int idChild);

// What is still open in a subject and grade before its results are made final.
struct Open {
    QStringList undecided;  // appeals without a decision: "№ 3 (шифр А-12)"
    int notEntered = 0;     // participants with a round in use not entered
    int participants = 0;
};
Open open(Database& db, Transaction& tr, int idPredmet, int idKlass);
// A subject and grade with an undecided appeal cannot become final: the refusal, or empty.
QString finalRefusal(const Open& o);

}  // namespace status
