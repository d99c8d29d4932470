#pragma once

#include "Score.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class Database;
class Transaction;

// The results of subjects and grades as they are published: read from the record, nothing private.
namespace publish {

// "По шифрам": the cipher of the last round, no names (the only form while results are
// preliminary). "С фамилиями": surname and initials, and the school (final results only).
enum class Form { Ciphers, Names };

// What is published: a subject and a grade (empty: all of them) and the form.
struct Choice {
    QString subject, grade;
    Form form = Form::Ciphers;
};

// A participant's line, nothing more than it shows.
struct Line {
    int place = 0;                       // 0: none yet
    QString who;                         // the cipher, or "Петрова А. С."
    QString school;                      // the names form only
    QString grade;
    QList<std::optional<Score>> rounds;  // each round's sum, in round order
    std::optional<Score> total;
    int degree = 0;                      // 1 to 3, 4 an honourable mention, 0 none
};

// One subject and grade: its status and its participants in place order (those without a place
// last). Participants marked "не публиковать" are left out of every form.
struct Table {
    int idPredmet = 0, idKlass = 0;
    QString subject, grade;
    bool final = false;
    QString status;        // "Предварительные результаты" / "Итоговые результаты на 07.12.2026"
    QStringList rounds;    // the names of the rounds in use
    QList<Line> lines;
};

// The subjects and grades the choice names that have participants, by subject and grade, with
// their lines in the choice's form.
QList<Table> tables(Database& db, Transaction& tr, const Choice& choice);

// Why the choice cannot be published: the names form over results not yet final (the subjects
// and grades named); empty when it can.
QString refusal(const QList<Table>& tables, Form form);

}  // namespace publish
