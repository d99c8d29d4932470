#pragma once

#include "Score.h"

#include <QList>
#include <QString>
#include <array>
#include <optional>

class Database;
class Transaction;

// The award rules of the olympiad and the degrees they propose for a subject and grade. Degrees
// are those of BAL.DIPL_STEP: 0 none, 1 to 3 a diploma of that degree, 4 an honourable mention.
//
// A proposal is a set of cut-off scores, the lowest total of each degree: a participant gets
// degree 1 when his total reaches the first, else 2 when it reaches the second, and so on, else
// none. Participants with equal totals therefore always get the same degree. The rules give the
// cut-offs as follows (N participants with a score row, totals descending, split into groups of
// equal totals):
//   - at most D = floor(N·P/100) diplomas: the longest run of whole groups from the top that holds
//     at most D participants, each group with a total above 0 and at least Q % of the subject's
//     greatest total (Q is not applied when that total is not known); say m participants;
//   - degree 1 takes the longest run of whole groups from the top with at most floor(m·a/(a+b+c))
//     participants, degrees 1 and 2 together at most floor(m·(a+b)/(a+b+c)), the rest of the m
//     degree 3 (ratio a:b:c); when that leaves degree 1 empty while diplomas are given, it takes the
//     first group all the same (the highest total always has the 1st degree: 1:2:3 over 3 diplomas
//     would give none);
//   - mentions go to the next whole groups, at most floor(N·R/100) participants, totals above 0.
// Where a quota falls inside a group of equal totals the whole group is left out of that degree
// (but the first group, above); such a group is reported, so that the operator sees how the share moved.
namespace awardrules {

constexpr int kMention = 4;

struct Rules {
    int diplomaPercent = 45;             // P
    int minPercent = 50;                 // Q, of the greatest total
    std::array<int, 3> ratio{1, 2, 3};   // degrees 1:2:3
    int mentionPercent = 0;              // R
    bool operator==(const Rules&) const = default;
};

// "1:2:3"; and back: three positive whole numbers separated by colons (blanks allowed), none else.
QString ratioText(const std::array<int, 3>& ratio);
std::optional<std::array<int, 3>> parseRatio(const QString& text);
// A whole percentage from 0 to 100; none else.
std::optional<int> parsePercent(const QString& text);
// A cut-off as typed: none for a blank text, else a score above 0; `ok` false when it is neither.
std::optional<Score> parseCut(const QString& text, bool& ok);

// The lowest total of degree 1, 2, 3 and of a mention; none where the degree is empty.
using Cuts = std::array<std::optional<Score>, 4>;
// The degree a total gets under the cut-offs.
int degreeOf(Score total, const Cuts& cuts);
// Cut-offs must not increase from degree 1 to the mention (empty ones are skipped): the first
// degree (1..4) whose cut-off is above one before it, and that one; {0, 0} when they are in order.
std::pair<int, int> disorder(const Cuts& cuts);

// A quota that fell inside a group of equal totals. `degree` 1 or 2: the quota of that degree; 3:
// the quota of all diplomas; 4: of the mentions. The group is left out: `before` participants have
// that degree (for 3: any diploma), `after` would have with the group.
struct Tie {
    int degree = 0;
    Score total;
    int count = 0;
    int before = 0;
    int after = 0;
};

struct Proposal {
    Cuts cuts;
    QList<Tie> ties;
};
// "15 %", "33,3 %": the share of n among all (one decimal where it is not whole).
QString shareText(int n, int all);

// The cut-offs the rules give for these totals (in any order), the greatest total of the subject
// when it is known.
Proposal propose(QList<Score> totals, const Rules& rules, const std::optional<Score>& maxTotal);

// The rules as this database keeps them (NASTROIKI): those last applied to any subject, the ones
// the assistant starts from. Each value absent or unreadable takes its default. Storing writes all
// four in the caller's action (no commit here).
Rules load(Database& db, Transaction& tr);
void store(Database& db, Transaction& tr, const Rules& rules);

// What "Применить" last used for one subject and grade: the rules, and whether the cut-offs were
// typed over the rules' own. Kept in NASTROIKI under a name of the subject's and grade's keys.
struct Applied {
    Rules rules;
    bool byHand = false;
    std::array<std::optional<Score>, 4> cuts{};  // typed by hand: the cut-offs in force, for the protocol
    bool operator==(const Applied&) const = default;
};
// None when the degrees of the subject and grade were never applied with the assistant (or the
// record cannot be read).
std::optional<Applied> applied(Database& db, Transaction& tr, int idPredmet, int idKlass);
void record(Database& db, Transaction& tr, int idPredmet, int idKlass, const Applied& applied);

// A participant of a subject and grade with a score row.
struct Participant {
    int idChild = 0;
    QString name;    // surname, name, second name
    QString school;
    Score total;     // an empty total counts as 0
    int place = 0;   // as stored; 0 when none
    int degree = 0;  // as stored; none counts as 0
};
// The participants in place order: the highest total first, then by name.
QList<Participant> participants(Database& db, Transaction& tr, int idPredmet, int idKlass);
// How many of them the cut-offs would give another degree.
int changes(const QList<Participant>& list, const Cuts& cuts);
// The cut-offs in force: the lowest total of each degree as given.
Cuts given(const QList<Participant>& list);
// What the degrees as given make of the rules, for the protocol of cut-offs typed by hand: "дипломов
// 57 % при правиле 45 %", the mentions likewise where the rule or the list has any, and the lowest
// total with a diploma where it is below the rule's share of the greatest total.
QString sharesAgainstRules(const QList<Participant>& list, const Rules& rules, const std::optional<Score>& maxTotal);

// Gives the participants of the subject and grade the degrees the cut-offs make, writing only the
// rows whose degree changes, stores the rules and records them for the subject and grade, in the
// caller's action (no commit here). The totals are read again under the subject's lock, so a score
// saved meanwhile at another station is counted. The number of degrees written. Refused (DbError,
// naming the status) while the results of the subject and grade are final.
int apply(Database& db, Transaction& tr, int idPredmet, int idKlass, const Cuts& cuts, const Applied& applied);

}  // namespace awardrules
