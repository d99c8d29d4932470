#pragma once

#include <QString>
#include <optional>

class Database;
class Transaction;

// The settings of this database, by name (table NASTROIKI: NAME, ZNACH).
namespace settings {

// The olympiad's name and year as the organisers typed it ("Областная олимпиада школьников 2026").
inline const QString kOlympiad = QStringLiteral("OLIMPIADA");
// The prefix of the diplomas' numbers ("Ф" gives "Ф-17").
inline const QString kDiplomaPrefix = QStringLiteral("DIPLOM_PREFIX");

// The value; none when the setting is not there.
std::optional<QString> value(Database& db, Transaction& tr, const QString& name);
// Writes the value in the caller's action (no commit here).
void setValue(Database& db, Transaction& tr, const QString& name, const QString& value);

}  // namespace settings
