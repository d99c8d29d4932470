#pragma once

#include "Query.h"

#include <QString>

// Walking the rows of a statement, and asking what tables a database has: what the check, the
// merge and the upgrade all do.

// Runs the SELECT and calls `row` with the query standing on each of its rows in turn.
template <class F>
void forEachRow(Database& db, Transaction& tr, const QString& sql, F row) {
    Query q(db, tr);
    q.setSql(QStringList{sql});
    q.open();
    for (q.first(); !q.eof(); q.next()) row(q);
}

// Whether the database has a table of that name (a database of an earlier build may lack it).
bool hasTable(Database& db, Transaction& tr, const QString& table);
// Whether a table of the database has a column of that name.
bool hasColumn(Database& db, Transaction& tr, const QString& table, const QString& column);
