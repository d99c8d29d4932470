#pragma once

#include "DbError.h"

#include <QString>
#include <QStringList>
#include <exception>
#include <functional>

class Database;
class Transaction;

// Merging another station's database into the working one: its participants with their scores,
// groups, ciphers and teachers, and the rounds of its subjects.
namespace merge {

// What a merge did.
struct Result {
    int copied = 0;           // participants copied
    int alreadyThere = 0;     // source participants the working database already had
    int matchedByName = 0;    // of those, known by name: the source keeps no identifiers
    int keptDifferent = 0;    // values people entered that both held differently: the working database's stayed
    int dictionaryAdded = 0;  // teams, subjects, grades and schools added by name
    int unnamed = 0;          // source participants whose team, subject or grade named nothing there
    int leftOut = 0;          // participants moved here to another subject: the source's rows of the old one left out
    int diplomas = 0;         // numbers of diplomas printed at the source, added
    int appealsAdded = 0;     // appeals copied
    int appealsRenumbered = 0;  // of those, given another number: theirs was held here by another appeal
    int statusConflicts = 0;  // subjects and grades whose results status differed: the later decision holds
};

// The name a participant's team, subject or grade is given when the source's key names nothing.
inline const QString kUnnamedTeam = QStringLiteral("(не указана)");
inline const QString kUnnamed = QStringLiteral("(не указан)");

// Said when another station is merging into the same database at this moment.
inline const QString kBusy = QStringLiteral("Эти данные сейчас объединяются на другом рабочем месте. Повторите позже.");

// A merge that must not be made: the source is the working database itself, codes of the source are
// held by other participants of the same subject, grade and round, or scores do not fit the rounds. The text says
// which; nothing has been written.
class Refusal : public std::exception {
public:
    Refusal(QString text, QString detail = {}) : m_text(std::move(text)), m_detail(std::move(detail)) {}
    const QString& text() const { return m_text; }
    const QString& detail() const { return m_detail; }
    const char* what() const noexcept override { return "merge refused"; }

private:
    QString m_text, m_detail;
};

// The source could not be read (not a database of this program, a table or column missing): the
// client's own words.
class SourceError : public DbError {
public:
    explicit SourceError(const DbError& e) : DbError(e) {}
};

// Reports progress: participants done and their number (0 of them once both databases are read and
// checked, then after each batch written). May throw (Cancelled) to stop the merge: nothing stays.
using Progress = std::function<void(int done, int total)>;

// Takes the database's merge turn first (another station merging into it now: Refusal kBusy), then
// reads every table of the source once, then writes into the working database in the caller's
// action (no commit here), so that a failure leaves nothing of the merge:
// - dictionary keys are translated by name (a name the working database lacks is added, a team's
//   schools too; a key that names nothing in the source becomes kUnnamedTeam / kUnnamed);
// - a participant is known by his identifier (UID_CHILD), never by his name: one the working
//   database holds is not copied again; his rows it lacks are filled in from the source, and where
//   both hold different values the working database's stay. One moved here to another subject
//   takes nothing of the source's subject (scores, codes, group, their history): counted as left out. A source without identifiers (an
//   earlier build's) has a child known by name only when exactly one child on each side shares
//   team, subject, grade, full name and school;
// - a new participant keeps his identifier, gets his key from the database and his score row,
//   group, every cipher and every teacher are inserted under it;
// - a round slot the working database holds used stays; one it lacks or holds empty is taken;
// - a score it brings in a task the rounds will not have, or above a task's greatest score, refuses
//   the merge, naming subject and round; the round sums and total it brings are made anew from the
//   tasks the rounds have;
// - the numbers of the diplomas printed at the source are kept, each with its participant; a number
//   the working database gives another diploma refuses the merge, naming it; a standing diploma of
//   a participant who holds one here already arrives cancelled; the sequence of numbers goes past
//   every number it brings;
// - an appeal is known by its identifier (UID_APPEAL): one the working database lacks is copied with
//   its tasks (its number kept unless another appeal holds it here: then the next free one), the
//   history rows it wrote keep its mark; the scores it changed follow the rule above;
// - the results status decisions it lacks are added: the later decision holds;
// - every subject that received score rows is re-ranked.
// Throws Refusal before writing anything, SourceError when the source cannot be read, DbError for a
// failed write.
Result run(Database& work, Transaction& workTr, Database& source, Transaction& sourceTr, const Progress& progress = {});

// What a merge did, in the operator's words.
QString summary(const Result& r);

// Whether a failed merge may succeed when run again: another station changed what it read, or
// stored the same participants or names meanwhile (the second of two merges of one file).
bool worthRetrying(const DbError& e);

}  // namespace merge
