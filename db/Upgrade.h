#pragma once

#include <QString>
#include <QStringList>
#include <exception>

class Database;

// Bringing a database made by an earlier build (or with the bare tables and no rules at all) up to
// this build's schema.sql: missing tables, columns, the alphabetical collation of names, keys the
// database gives, constraints and triggers. Identifiers are made for the children already there.
namespace upgrade {

constexpr int kShownProblems = 20;

// What a database lacks, and the rows of it that break a rule to be added.
struct Plan {
    QStringList lacking;     // what will be added, a line each, in the operator's words
    QStringList problems;    // rows that keep a rule from being added, at most kShownProblems
    int problemCount = 0;    // all of them
    bool upToDate() const { return lacking.isEmpty(); }

    // How: columns and sequences are added first, on their own (rows can be filled from them only
    // once they are committed), then the rows that lack a value get it (the engine checks a new key
    // against rows as they were before the transaction that adds it), then the rest in one
    // transaction. When a step fails, what was added first is dropped again.
    QStringList addFirst;
    QStringList fill;
    QStringList statements;
    QStringList dropAgain;
    // Rows made from those there once the new tables are committed (the score history of the
    // scores already entered), in a transaction of their own.
    QStringList afterwards;
};

// Reads what the database holds; writes nothing.
Plan plan(Database& db);

// The database holds rows that break a rule to be added: the text says so, the detail lists them.
class Refusal : public std::exception {
public:
    Refusal(QString text, QString detail) : m_text(std::move(text)), m_detail(std::move(detail)) {}
    const QString& text() const { return m_text; }
    const QString& detail() const { return m_detail; }
    const char* what() const noexcept override { return "upgrade refused"; }

private:
    QString m_text, m_detail;
};

// Brings the database up to date by its plan. Throws Refusal (nothing changed) when rows break a
// rule to be added, DbError when the database refuses a change (then nothing is changed either).
// Nothing happens for a database that is up to date.
void apply(Database& db, const Plan& plan);

}  // namespace upgrade
