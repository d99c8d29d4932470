#pragma once

#include <QString>

class Database;
class Transaction;

// Writes to the dictionaries. None of them commits: each is one user action's write.
namespace dict {

void addKomand(Database& db, Transaction& tr, const QString& komand);
void addPredmet(Database& db, Transaction& tr, const QString& predmet);
void addKlass(Database& db, Transaction& tr, const QString& klass);
void addSchool(Database& db, Transaction& tr, int idKomand, const QString& school);
void renameSchool(Database& db, Transaction& tr, int idKomand, int idSchool, const QString& school);
void deleteKomand(Database& db, Transaction& tr, const QString& komand);
void deletePredmet(Database& db, Transaction& tr, const QString& predmet);
// Only the given team's school of that name.
void deleteSchool(Database& db, Transaction& tr, int idKomand, const QString& school);

}  // namespace dict
