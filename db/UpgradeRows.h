#pragma once

// Private to the upgrade: the rows of a database that keep a rule of this build from being added,
// found in one pass over each table (never a look-up per row: the tables of an earlier build may
// have no index at all) and described as a person knows them (subject, grade, the child's name, a
// code), not by keys.

#include "Schema.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

class Database;
class Query;
class Transaction;

namespace upgrade {

// What was found: the first ones described, and how many there are.
struct Found {
    QStringList shown;
    int count = 0;
    void add(const QString& line);
};

class BreakingRows {
public:
    // `tables`: the tables the database has.
    BreakingRows(Database& db, Transaction& tr, const QSet<QString>& tables);

    // Rows that break a key, a unique rule, a reference or a check.
    void breaking(const schema::Constraint& c, Found& out);
    // Rows whose column is empty where it must hold a value.
    void empty(const QString& table, const QString& column, Found& out);

private:
    QString child(const QString& id) const;
    QString ofChild(const QString& id) const;
    QString row(const QString& table, const Query& q) const;
    QString value(const QString& column, const QString& text) const;
    static QStringList described(const QString& table);
    const QSet<QString>& keysOf(const QString& table, const QStringList& columns);

    Database& m_db;
    Transaction& m_tr;
    QHash<QString, QString> m_komand, m_predmet, m_klass, m_child;  // key -> name
    QHash<QString, QSet<QString>> m_keys;  // "TABLE(COLUMNS)" -> the keys it holds
};

}  // namespace upgrade
