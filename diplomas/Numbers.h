#pragma once

#include <QDate>
#include <QList>
#include <QString>

class Database;
class Transaction;

// The numbers of the diplomas printed (table DIPLOM): "PREFIX-N", N from the database's sequence
// GEN_DIPLOM, so that two stations printing at once on one server never get the same number and a
// number is never given twice.
namespace diplomanumbers {

// The number of a participant's diploma for `degree`, in the caller's action (no commit here): the
// one he holds when his standing diploma was printed for this degree (its date and mark follow this
// printing); else a standing one for another degree is cancelled and a new number given. `nominative`:
// his name is printed in the nominative.
QString numberFor(Database& db, Transaction& tr, int idChild, int degree, const QString& prefix, const QDate& date,
                  bool nominative);

// A line of the register of diplomas, as printed.
struct Entry {
    QString number, name, subject, grade, school;
    int degree = 0;
    QDate printed;
    bool standing = false;    // "выдан"; else "аннулирован"
    bool nominative = false;  // the name stayed in the nominative
};
// Every diploma printed, by subject, grade and number. A standing diploma whose participant has
// another degree now reads as cancelled.
QList<Entry> entries(Database& db, Transaction& tr);

}  // namespace diplomanumbers
