#pragma once

#include "Cancel.h"

#include <QString>
#include <functional>

class Database;

// The engine's own backup and restore (what gbak does), through the services API: the embedded
// engine's for a database file, the Firebird server's for "host:/path". The backup file is always
// on this computer: a server streams the copy back here, and a restore streams it to the server.
namespace backup {

// A database name split into its server ("host" or "host/port"; empty for the embedded engine) and
// the path of the database there. A Windows drive ("C:\...") is a local file.
struct Location {
    QString server;
    QString path;
};
Location locate(const QString& databaseName);

// Steps done and their number. The number is 0 while the engine does not say how far it is.
using Progress = std::function<void(int done, int total)>;

// Writes a backup of the database that `db` names (with its user and password; it need not be
// connected) into `file`, which must not exist. The copy is written under a temporary name
// ("FILE.part", held while it is written) and renamed when it is complete, so a failed backup leaves
// no file; parts that a backup cut off left in the folder are removed first. Throws DbError, or
// Cancelled (within a second of `cancel` saying so; no file is left).
void save(const Database& db, const QString& file, const Progress& progress = {}, const CancelAsked& cancel = {});

// Makes the database that `db` names from a backup file. An existing database is refused, never
// replaced. A database file of this computer is made as "PATH.part" and renamed at the end, so a
// restore that fails, is cancelled or is cut off leaves nothing at PATH (and the next one removes its
// part). Throws DbError, or Cancelled as save() does.
void restore(const QString& file, const Database& db, const Progress& progress = {}, const CancelAsked& cancel = {});

}  // namespace backup
