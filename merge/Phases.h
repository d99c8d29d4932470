#pragma once

// The merge's phases over one state, in the order run() calls them: read both databases, translate
// the source's keys, know who is there already, check the codes, plan the rounds and check the scores
// against them, add schools, write the participants, take the rounds, re-rank.

#include "Query.h"
#include "Score.h"
#include "merge/Merge.h"
#include "Tasks.h"
#include "scoring/Scores.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <array>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <vector>

namespace merge {

constexpr int kSlots = scores::kSlots;

struct Child {
    int id = 0, komand = 0, predmet = 0, klass = 0;
    QString surname, name, second, sity, school;
    QString uid;  // the identifier as text; empty in a source without identifiers
    bool hidden = false;  // "не публиковать" (a source of an earlier build has no such mark)
};

struct Scores {
    int mesto = 0;
    std::optional<int> dipl;  // empty: no degree given
    std::array<Score, kSlots> slots{};
    std::array<Score, 4> sums{};
    Score summ;
};

struct Cipher {
    int tur = 0;
    QString code;
};

struct Teacher {
    QString surname, name, second;
    QString full() const { return surname + u' ' + name + u' ' + second; }
};

struct Round {
    int id = 0, predmet = 0, tur = 0, count = 0;
    QString name;
    QList<Score> maxima;  // of its tasks, in order; empty where none were given
};

// A row of a participant's score history.
struct LogRow {
    int slot = 0;  // 1..24
    std::optional<Score> oldValue, newValue;
    std::optional<Query::Timestamp> at;  // to the fraction of a second; none: the moment it is written
    QString station;
    int appeal = 0;  // the source's key of the appeal that made the change; 0: none
};

// An appeal of the source, with its tasks; known by its identifier.
struct AppealRow {
    struct TaskRow {
        int task = 0;
        std::optional<Score> oldValue, newValue;
        std::optional<int> decision;
    };
    int id = 0, number = 0, round = 0;
    QString uid, filedOn, reason, members, decidedAt, station;
    std::optional<Score> totalBefore, totalAfter;
    std::optional<int> placeBefore, placeAfter;
    QList<TaskRow> tasks;
};

// A decision on the status of results of a subject and grade.
struct StatusRow {
    int predmet = 0, klass = 0, final = 0;
    QString at, who;
};

// A diploma printed at the source (its number kept wherever it goes).
struct Diploma {
    QString number, prefix, printed;  // printed: "2026-12-07"
    int n = 0, child = 0, degree = 0, status = 0, nominative = 0;
};

// Everything of the source, read once, by the source's own keys.
struct Source {
    bool hasIdentifiers = false;
    QHash<int, QString> komand, predmet, klass;
    std::vector<std::pair<int, QString>> schools;
    std::vector<Child> children;
    QHash<int, Scores> scores;                 // the first row of a participant
    QHash<int, int> groups;                    // the first row of a participant
    std::multimap<int, Cipher> ciphers;        // one per participant and round, in round order
    std::multimap<int, Teacher> teachers;      // in the order they were entered
    std::vector<Round> rounds;
    // The score history, where the source keeps one (a database of an earlier build does not).
    bool hasLog = false;
    std::multimap<int, LogRow> log;            // oldest first
    std::vector<Diploma> diplomas;             // where the source keeps them
    // Appeals and results status, where the source keeps them.
    std::multimap<int, AppealRow> appeals;     // by the participant's key, by number
    std::vector<StatusRow> statuses;           // by the source's keys, oldest first
};
// The appeals and status decisions of a database that keeps them (the source's or the working one's).
void readAppeals(Database& db, Transaction& tr, std::multimap<int, AppealRow>& appeals);
void readStatuses(Database& db, Transaction& tr, std::vector<StatusRow>& statuses);
Source readSource(Database& db, Transaction& tr);

// A code as the merge compares it: subject, grade, round and the code as it reads on paper.
using CodeKey = std::tuple<int, int, int, QString>;
// Who holds a code: a working participant (by key) or a source participant about to be copied (by
// his place in the source's list).
struct CodeHolder {
    enum class Side { Working, Source };
    Side side = Side::Working;
    int index = 0;
    bool operator==(const CodeHolder&) const = default;
};

// What the working database holds, by its keys.
struct Working {
    QHash<QString, int> byUid;
    QHash<QString, QList<int>> byName;          // team, subject, grade, full name and school -> keys
    QHash<int, std::pair<int, int>> placeOf;    // key -> subject and grade
    QHash<int, Scores> scores;
    QHash<int, int> groups;
    std::map<std::pair<int, int>, QString> ciphers;  // (participant, round) -> code
    std::map<CodeKey, CodeHolder> codes;
    QHash<int, QSet<QString>> teachers;         // full names
    QHash<QString, int> diplomas;               // number -> participant
    QSet<int> standing;                         // participants with a standing diploma
    QHash<QString, int> appealByUid;            // identifier -> key
    QSet<int> appealNumbers;
    std::vector<StatusRow> statuses;
};
Working readWorking(Database& db, Transaction& tr);

// A source participant in the working database's keys, and whom he is there already (0: nobody).
struct Arrival {
    Child child;
    int existing = 0;
    int key = 0;  // his key in the working database, once written
};

// Working keys of the source's names; a name the working database lacks is added.
class Dictionary {
public:
    using Add = void (*)(Database&, Transaction&, const QString&);
    using Key = int (*)(Database&, Transaction&, const QString&);
    Dictionary(Database& db, Transaction& tr, Add add, Key key, QString unnamed)
        : m_db(db), m_tr(tr), m_add(add), m_key(key), m_unnamed(std::move(unnamed)) {}
    // The working key of a source key; `unnamed` is set when it names nothing in the source.
    int key(const QHash<int, QString>& sourceNames, int sourceKey, bool* unnamed = nullptr);
    int added() const { return m_added; }

private:
    Database& m_db;
    Transaction& m_tr;
    Add m_add;
    Key m_key;
    QString m_unnamed;
    int m_added = 0;
    QHash<QString, int> m_keys;
};

// The rounds of a working subject as the merge leaves them.
struct RoundsAfter {
    tasks::Counts counts{};
    std::array<std::optional<Score>, kSlots> maxima{};
};
// A source round the merge takes: its slot (inserted or updated), or only its maxima.
struct RoundChange {
    int predmet = 0;  // working key
    Round round;
    bool write = false, insert = false, takeMaxima = false;
};

struct State {
    State(Database& work, Transaction& tr);
    Database& work;
    Transaction& tr;
    Source src;
    Working have;
    Dictionary teams, subjects, grades;
    std::vector<Arrival> arrivals;  // in the order of the source's participants
    std::set<int> ranked;           // subjects that received score rows
    std::map<int, RoundsAfter> roundsAfter;  // by working subject
    std::vector<RoundChange> roundChanges;
    std::vector<const Diploma*> newDiplomas;  // source diplomas the working database lacks
    std::vector<const Diploma*> cancelledThere;  // numbers both hold for one child that the source cancelled
    QHash<int, int> appealKey;      // source appeal key -> working key
    Result result;
    // The subject and grade that a participant's rows are written under: a participant who is
    // there already keeps his own.
    std::pair<int, int> placeOf(const Arrival& a) const;
    // A participant both hold who is in another subject here than there (moved since): what the
    // source holds of that subject (scores, codes, group, their history) is not his here.
    bool movedAway(const Arrival& a) const;
};

// The participant identity by name, for sources without identifiers.
QString nameKey(const Child& c);

void translate(State& s);
void identify(State& s);
void checkCodes(State& s);  // throws Refusal, naming the codes
void checkDiplomas(State& s);  // throws Refusal, naming the numbers
void planRounds(State& s);
void checkScores(State& s);  // throws Refusal, naming subject and round
void addSchools(State& s);
void writeParticipants(State& s, const Progress& progress);
// The appeals of one participant (working key `id`) that the working database lacks, before his
// history rows that name them; a number another appeal holds here is replaced by the next free one.
void writeAppeals(State& s, const Arrival& a, int id);
// The status decisions the working database lacks; the latest decision holds on both sides.
void mergeStatuses(State& s);
void mergeRounds(State& s);
void mergeDiplomas(State& s);
void rerank(State& s);

}  // namespace merge
