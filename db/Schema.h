#pragma once

#include <QString>
#include <QStringList>

class Database;

namespace schema {

// The statements of schema.sql, in order.
QStringList statements();
// Creates a new database with the given name (a file, or host:/path on a server) and its tables.
// Throws DbError; the half-made file of a failed create is left to the caller.
void createDatabase(Database& db, const QString& name);

}  // namespace schema
