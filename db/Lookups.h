#pragma once

#include <QString>
#include <QStringList>

class Database;
class Query;
class Transaction;

// Dictionary lookups shared by many windows: a name (a grade's text) to its key, 0 when no row
// has that name, and back; the lists the windows offer.
namespace lookup {

int komandKey(Database& db, Transaction& tr, const QString& komand);
int predmetKey(Database& db, Transaction& tr, const QString& predmet);
int klassKey(Database& db, Transaction& tr, const QString& klass);
// A school is known by its team and its name.
int schoolKey(Database& db, Transaction& tr, int idKomand, const QString& school);

// The subjects that have registered participants, alphabetical (or in key order).
enum class Order { ByName, ByKey };
QStringList subjectsWithParticipants(Database& db, Transaction& tr, Order order = Order::ByName);
// The teams that have registered participants, in key order (or alphabetical).
QStringList teamsWithParticipants(Database& db, Transaction& tr, Order order = Order::ByKey);
// The subjects in which a team (by name) has participants, in key order (or alphabetical).
QStringList subjectsOfTeam(Database& db, Transaction& tr, const QString& komand, Order order = Order::ByKey);
// The grades of a subject (by name) that have score rows, in grade key order.
QStringList gradesWithResults(Database& db, Transaction& tr, const QString& predmet);
// The grades of a subject's participants, one per grade, in grade key order.
QStringList gradesOfSubject(Database& db, Transaction& tr, const QString& predmet);

// A team's schools, alphabetical.
QStringList schoolsOfTeam(Database& db, Transaction& tr, int idKomand);
// A whole dictionary, in key order.
enum class Dictionary { Teams, Subjects, Grades };
QStringList dictionary(Database& db, Transaction& tr, Dictionary which);
// The name of a key in a dictionary; empty when it names nothing.
QString dictionaryName(Database& db, Transaction& tr, Dictionary which, int key);

// Statements several windows and reports run, set on their query with their parameters.
// The participants of a subject (by name) and grade by surname: ID_CHILD, ID_PREDMET, KLASS, the
// three names and SCHOOL of SPISOK S, and the `more` columns; with a group, that group's only.
void selectParticipants(Query& q, const QString& predmet, int idKlass, const QString& more = {}, int group = 0);
// The teachers of a participant in the order they were registered (every column of TEACHERS).
void selectTeachers(Query& q, qint64 idChild);

}  // namespace lookup
