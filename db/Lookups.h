#pragma once

#include <QString>
#include <QStringList>

class Database;
class Transaction;

// Dictionary lookups shared by many windows: a name (a grade's text) to its key, 0 when no row
// has that name; and a grade key back to its text.
namespace lookup {

int komandKey(Database& db, Transaction& tr, const QString& komand);
int predmetKey(Database& db, Transaction& tr, const QString& predmet);
int klassKey(Database& db, Transaction& tr, const QString& klass);
QString klassText(Database& db, Transaction& tr, int idKlass);
// A school is known by its team and its name.
int schoolKey(Database& db, Transaction& tr, int idKomand, const QString& school);

// The subjects that have registered participants, alphabetical.
QStringList subjectsWithParticipants(Database& db, Transaction& tr);
// The grades of a subject's participants, one per grade, in grade key order.
QStringList gradesOfSubject(Database& db, Transaction& tr, const QString& predmet);

}  // namespace lookup
