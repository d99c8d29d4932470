#pragma once

#include "DbError.h"

#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <vector>

class Database;
class Transaction;

// Bringing a database made by an earlier build (or with the bare tables and no rules at all) up to
// this build's schema.sql: missing tables, columns, the alphabetical collation of names, keys the
// database gives, constraints and triggers; identifiers for the children already there, and the
// score history of the scores entered before.
//
// The work is a few steps, each one transaction (the engine must commit a new column before rows
// can be filled in, and a new table before rows can be written into it). Every step is planned
// from what the database holds, so a run that was cut off is finished by the next one. A database
// file of this computer is upgraded on a copy restored from the backup made first, which takes the
// original's place only once it is complete: killed at any moment, the upgrade leaves the database
// as it was. A database on a server (the server goes on when the program is killed) is upgraded
// in place, step by step.
namespace upgrade {

constexpr int kShownProblems = 20;

// What is being done, how far (0 of 0 while that is not known).
using Progress = std::function<void(const QString& phase, int done, int total)>;

// One transaction of the upgrade.
struct Step {
    QString what;
    QStringList statements;
};

// What a database lacks, and the rows of it that break a rule to be added.
struct Plan {
    QStringList lacking;     // what will be added, a line each, in the operator's words
    QStringList problems;    // rows that keep a rule from being added, at most kShownProblems
    int problemCount = 0;    // all of them
    std::vector<Step> steps;
    QStringList undo;        // drops what the steps added, should a later one fail
    bool upToDate() const { return lacking.isEmpty(); }
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

// The last step, the history of the scores entered before, failed after the rest was committed: the
// database works, and the next upgrade writes the history.
class Unfinished : public DbError {
public:
    explicit Unfinished(const DbError& e) : DbError(e) {}
};

// Runs the plan's steps on the database in place, each committed. Throws Refusal (nothing changed)
// when rows break a rule to be added, DbError when the database refuses a change: what the steps
// added is then dropped again (Unfinished when only the history is missing). `progress` is told
// after each step.
void apply(Database& db, const Plan& plan, const Progress& progress = {});

// Whether the record keeps its invariants (the consistency check); what it found goes into
// `findings`.
bool consistent(Database& db, Transaction& tr, QStringList* findings = nullptr);

struct Outcome {
    QStringList added;     // what the database lacked; empty when it was up to date
    QStringList findings;  // what the consistency check found afterwards: empty for a sound record
};

// The whole upgrade of the database `db` names (with its user and password; it may be connected,
// and is connected again by the caller afterwards): the plan, a backup into `backupFile` (which
// must not exist; made only when there is something to do), then the steps, on a copy swapped in
// at the end for a file of this computer, in place on a server; last, the consistency check.
// Throws Refusal or DbError (the database is then as it was), or Unfinished.
Outcome run(const Database& db, const QString& backupFile, const Progress& progress = {});

}  // namespace upgrade
