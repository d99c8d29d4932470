#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Database;

namespace schema {

// The statements of schema.sql (or of another script written the same way), in order, without
// their terminators.
QStringList statements();
QStringList statements(const QString& script);
// Creates a new database with the given name (a file, or host:/path on a server) and its tables
// (those of schema.sql, or the given statements). Throws DbError; the half-made file of a failed
// create is left to the caller.
void createDatabase(Database& db, const QString& name);
void createDatabase(Database& db, const QString& name, const QStringList& statements);

// What schema.sql declares, read from its statements: what a database of this build must have.
struct Column {
    QString name;
    QString type;       // as written, without COLLATE, identity and NOT NULL: "VARCHAR(50)", "CHAR(16) CHARACTER SET OCTETS"
    QString collation;  // "PXW_CYRL", or empty
    bool identity = false;
    bool notNull = false;
    int length = 0;     // characters of a text column
};

struct Table {
    QString name;
    bool temporary = false;  // a global temporary table
    QList<Column> columns;
    QString create;          // its CREATE statement
};

struct Constraint {
    enum Kind { PrimaryKey, Unique, ForeignKey, Check };
    Kind kind = PrimaryKey;
    QString table, name;
    QStringList columns;
    QString refTable;
    QStringList refColumns;
    QString condition;  // of a check
    QString statement;  // the ALTER TABLE that adds it
};

struct Trigger {
    QString name, table;
    QString statement;
};

struct Model {
    QList<Table> tables;
    QList<Constraint> constraints;
    QList<Trigger> triggers;
    QStringList sequences;  // CREATE SEQUENCE: numbers given once in a database
    const Table* table(const QString& name) const;
};

const Model& model();

}  // namespace schema
