#pragma once

#include "Score.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

class Database;
class Transaction;

namespace declension {
class Rules;
}

// Diplomas printed from the record: who gets one, what is doubtful before printing, and the PDF.
namespace diplomas {

class Template;

// What "Дипломы…" prints: a subject and a grade (empty: all), the degrees (1 to 3, and 4 for the
// honourable mentions), the date the diplomas carry, and whether they go on pre-printed blanks.
struct Choice {
    QString subject, grade;
    std::array<bool, 4> degrees{true, true, true, false};
    QDate date = QDate::currentDate();
    bool blank = false;
};

struct Winner {
    int idChild = 0, idPredmet = 0, idKlass = 0;
    QString surname, name, secondName;
    QString subject, grade, school, team, teachers;
    bool hasTotal = false;
    Score total;
    int place = 0;
    int degree = 0;
    QString fullName() const;
};

// "I степени", "II степени", "III степени", "Поощрительный отзыв".
QString degreeText(int degree);

// The participants the choice gives a diploma, by subject, grade, degree and name.
QList<Winner> winners(Database& db, Transaction& tr, const Choice& choice);
// What should be looked at before they are printed, a line each: a degree without a total, a
// degree other than the one the subject's recorded award rules give his total (where the jury set
// the cut-offs by hand, than the one the degrees given make of it).
QStringList doubts(Database& db, Transaction& tr, const QList<Winner>& winners);

// The PDF written, its pages, and how many names stayed in the nominative.
struct Printed {
    QString path;
    int pages = 0;
    int nominative = 0;
};
using Tell = std::function<void(int done, int total)>;
// Gives each winner his number (diplomanumbers) and writes one page each into a new PDF in
// `folder`, named "Дипломы" and the time, in the caller's action: the caller commits when this
// returns and rolls back when it throws (FileError when the file cannot be written; no file is
// left then). `prefix` and `olympiad` fill {НОМЕР} and {ОЛИМПИАДА}.
Printed print(Database& db, Transaction& tr, const QList<Winner>& winners, const Choice& choice, const Template& t,
              const declension::Rules& rules, const QString& prefix, const QString& olympiad, const QString& folder,
              const Tell& tell);

}  // namespace diplomas
