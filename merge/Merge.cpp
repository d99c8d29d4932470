#include "merge/Merge.h"

#include "Batch.h"
#include "Lookups.h"
#include "Query.h"
#include "Rows.h"
#include "merge/Phases.h"
#include "participants/Ciphers.h"
#include "reference/Dictionaries.h"
#include "scoring/Places.h"
#include "scoring/ScoreLog.h"
#include "scoring/Scores.h"

#include <future>

namespace merge {

namespace {

using scores::slotField;
using scores::sumField;

// Reads a whole table once.
template <class F>
void readAll(Database& db, Transaction& tr, const QString& sql, F row) {
    forEachRow(db, tr, sql, row);
}

// The first N columns of a statement's list, in its order: a read of many rows names them where
// the statement is written rather than looking each name up on every row.
template <size_t N>
constexpr std::array<Query::Column, N> columns() {
    std::array<Query::Column, N> c{};
    for (size_t i = 0; i < N; ++i) c[i].index = int(i);
    return c;
}

// A score row's columns, the key first: ID_CHILD, MESTO, DIPL_STEP, BAL01..BAL24, B1..B4, SUMM.
const QString& scoreList() {
    static const QString list = [] {
        QStringList c{"ID_CHILD", "MESTO", "DIPL_STEP"};
        for (int i = 0; i < kSlots; ++i) c << slotField(i);
        for (int k = 0; k < 4; ++k) c << sumField(k);
        return (c << "SUMM").join(QStringLiteral(", "));
    }();
    return list;
}

Scores readScores(const Query& q) {
    const Query::Column mesto{1}, dipl{2};
    Scores s;
    s.mesto = int(q.fieldInt(mesto));
    if (!q.fieldIsNull(dipl)) s.dipl = int(q.fieldInt(dipl));
    for (int i = 0; i < kSlots; ++i) s.slots[size_t(i)] = q.fieldScore(Query::Column{3 + i});
    for (int k = 0; k < 4; ++k) s.sums[size_t(k)] = q.fieldScore(Query::Column{3 + kSlots + k});
    s.summ = q.fieldScore(Query::Column{3 + kSlots + 4});
    return s;
}

// How many of the values people entered differ: the task scores and the degree. Sums and places
// follow from the scores and are made anew.
int differences(const Scores& a, const Scores& b) {
    int n = a.dipl != b.dipl;
    for (int i = 0; i < kSlots; ++i) n += a.slots[size_t(i)] != b.slots[size_t(i)];
    return n;
}

// A participant's columns in this order, his identifier as text last where there is one.
const char* const kChildColumns = "ID_CHILD, ID_KOMAND, ID_PREDMET, KLASS, SURNAME, NAME, SECONDNAME, SITY, SCHOOL";

Child readChild(const Query& q, bool withUid) {
    const auto [id, komand, predmet, klass, surname, name, second, sity, school, uid] = columns<10>();
    return {int(q.fieldInt(id)), int(q.fieldInt(komand)), int(q.fieldInt(predmet)), int(q.fieldInt(klass)),
            q.fieldText(surname), q.fieldText(name), q.fieldText(second), q.fieldText(sity), q.fieldText(school),
            withUid ? q.fieldText(uid) : QString()};
}

QString databaseName(Database& db, Transaction& tr) {
    Query q(db, tr, {"SELECT MON$DATABASE_NAME AS N FROM MON$DATABASE"});
    q.open();
    return q.fieldText("N");
}

// One merge at a time into a database: two stations merging the same data at once would both add
// its names and children. The turn is a row of the settings written and taken away again in the
// merge's own action: its key stays held until the action ends, so the other station's merge waits
// for it (as long as a lock is waited for) and is then refused, and nothing is left behind.
void takeTurn(Database& db, Transaction& tr) {
    Query take(db, tr, {"INSERT INTO NASTROIKI (NAME, ZNACH) VALUES ('OBYEDINENIE', :ZNACH)"});
    take.setText("ZNACH", scorelog::station().left(200));
    try {
        take.execute();
    } catch (const DbError& e) {
        // Waited for as long as a lock is: the other's key is still there, uncommitted.
        if (e.isConflict() || e.isUniqueViolation()) throw Refusal(kBusy);
        throw;
    }
    Query leave(db, tr, {"DELETE FROM NASTROIKI WHERE NAME = 'OBYEDINENIE'"});
    leave.execute();
}

}  // namespace

Source readSource(Database& db, Transaction& tr) {
    Source src;
    src.hasIdentifiers = hasColumn(db, tr, "SPISOK", "UID_CHILD");
    readAll(db, tr, "SELECT ID_KOMAND, KOMAND FROM S_KOMAND",
            [&](Query& q) { src.komand.insert(int(q.fieldInt("ID_KOMAND")), q.fieldText("KOMAND")); });
    readAll(db, tr, "SELECT ID_PREDMET, PREDMET FROM S_PREDMET",
            [&](Query& q) { src.predmet.insert(int(q.fieldInt("ID_PREDMET")), q.fieldText("PREDMET")); });
    readAll(db, tr, "SELECT ID_KLASS, KLASS FROM S_KLASS",
            [&](Query& q) { src.klass.insert(int(q.fieldInt("ID_KLASS")), q.fieldText("KLASS")); });
    readAll(db, tr, "SELECT ID_KOMAND, SCHOOL FROM S_SCHOOL ORDER BY ID_SCHOOL",
            [&](Query& q) { src.schools.emplace_back(int(q.fieldInt("ID_KOMAND")), q.fieldText("SCHOOL")); });
    const QString children = QStringLiteral("SELECT %1%2 FROM SPISOK ORDER BY ID_CHILD")
                                 .arg(QString::fromLatin1(kChildColumns),
                                      src.hasIdentifiers ? QStringLiteral(", UUID_TO_CHAR(UID_CHILD) AS UID_TEXT") : QString());
    readAll(db, tr, children, [&](Query& q) { src.children.push_back(readChild(q, src.hasIdentifiers)); });
    if (hasColumn(db, tr, "SPISOK", "NE_PUBL")) {
        QSet<int> hidden;
        readAll(db, tr, "SELECT ID_CHILD FROM SPISOK WHERE NE_PUBL = 1", [&](Query& q) { hidden.insert(int(q.fieldInt("ID_CHILD"))); });
        for (Child& c : src.children) c.hidden = hidden.contains(c.id);
    }
    readAll(db, tr, "SELECT " + scoreList() + " FROM BAL", [&](Query& q) {
        const int id = int(q.fieldInt(Query::Column{0}));
        if (!src.scores.contains(id)) src.scores.insert(id, readScores(q));
    });
    readAll(db, tr, "SELECT ID_CHILD, N_GROUP FROM GRUP", [&](Query& q) {
        const auto [child, group] = columns<2>();
        const int id = int(q.fieldInt(child));
        if (!src.groups.contains(id)) src.groups.insert(id, int(q.fieldInt(group)));
    });
    std::set<std::pair<int, int>> coded;
    readAll(db, tr, "SELECT ID_CHILD, ID_TUR, SHIFR FROM SHIFR ORDER BY ID_CHILD, ID_TUR", [&](Query& q) {
        const auto [child, round, code] = columns<3>();
        const int id = int(q.fieldInt(child)), tur = int(q.fieldInt(round));
        if (coded.emplace(id, tur).second) src.ciphers.emplace(id, Cipher{tur, q.fieldText(code)});
    });
    readAll(db, tr, "SELECT ID_CHILD, SURNAME, NAME, SECONDNAME FROM TEACHERS ORDER BY ID_CHILD, ID_TEACHER", [&](Query& q) {
        const auto [child, surname, name, second] = columns<4>();
        src.teachers.emplace(int(q.fieldInt(child)), Teacher{q.fieldText(surname), q.fieldText(name), q.fieldText(second)});
    });
    readAll(db, tr, "SELECT ID, ID_PREDMET, ID_TUR, KOL_ZAD, NAME_TUR FROM TUR ORDER BY ID_PREDMET, ID", [&](Query& q) {
        src.rounds.push_back({int(q.fieldInt("ID")), int(q.fieldInt("ID_PREDMET")), int(q.fieldInt("ID_TUR")),
                              int(q.fieldInt("KOL_ZAD")), q.fieldText("NAME_TUR"), {}});
    });
    if (hasTable(db, tr, "TUR_MAX")) {
        std::map<std::pair<int, int>, std::map<int, Score>> maxima;  // (subject, slot) -> task -> maximum
        readAll(db, tr, "SELECT ID_PREDMET, ID, N_ZAD, MAX_BAL FROM TUR_MAX", [&](Query& q) {
            maxima[{int(q.fieldInt("ID_PREDMET")), int(q.fieldInt("ID"))}][int(q.fieldInt("N_ZAD"))] = q.fieldScore("MAX_BAL");
        });
        for (Round& r : src.rounds) {
            const auto m = maxima.find({r.predmet, r.id});
            if (m == maxima.end() || int(m->second.size()) != r.count) continue;  // only a whole set is taken
            for (const auto& [task, max] : m->second) r.maxima << max;
        }
    }
    src.hasLog = hasTable(db, tr, "BAL_LOG");
    const bool logsAppeals = hasTable(db, tr, "APPEAL");  // and its mark in the history
    if (src.hasLog) {
        QString station;  // most rows name the station of the row before: one text for them all
        readAll(db, tr,
                QStringLiteral("SELECT ID_CHILD, SLOT, OLD_BAL, NEW_BAL, CHANGED_AT, STATION, %1 AS ID_APPEAL FROM BAL_LOG "
                               "ORDER BY ID_LOG")
                    .arg(logsAppeals ? QStringLiteral("ID_APPEAL") : QStringLiteral("CAST(NULL AS INTEGER)")),
                [&](Query& q) {
                    const auto [child, slot, oldBal, newBal, at, by, appeal] = columns<7>();
                    LogRow r;
                    r.slot = int(q.fieldInt(slot));
                    if (!q.fieldIsNull(oldBal)) r.oldValue = q.fieldScore(oldBal);
                    if (!q.fieldIsNull(newBal)) r.newValue = q.fieldScore(newBal);
                    if (!q.fieldIsNull(at)) r.at = q.fieldTimestamp(at);
                    if (const QString s = q.fieldText(by); s != station) station = s;
                    r.station = station;
                    r.appeal = int(q.fieldInt(appeal));
                    src.log.emplace(int(q.fieldInt(child)), std::move(r));
                });
    }
    if (hasTable(db, tr, "DIPLOM"))
        readAll(db, tr,
                "SELECT NOMER, PREFIX, N, ID_CHILD, DIPL_STEP, CAST(PRINTED AS VARCHAR(10)) AS PRINTED, STATUS, NOMINATIVE "
                "FROM DIPLOM ORDER BY N",
                [&](Query& q) {
                    src.diplomas.push_back({q.fieldText("NOMER"), q.fieldText("PREFIX"), q.fieldText("PRINTED"),
                                            int(q.fieldInt("N")), int(q.fieldInt("ID_CHILD")), int(q.fieldInt("DIPL_STEP")),
                                            int(q.fieldInt("STATUS")), int(q.fieldInt("NOMINATIVE"))});
                });
    readAppeals(db, tr, src.appeals);
    readStatuses(db, tr, src.statuses);
    return src;
}

QString nameKey(const Child& c) {
    return QStringList{QString::number(c.komand), QString::number(c.predmet), QString::number(c.klass), c.surname,
                       c.name, c.second, c.school}
        .join(QChar(0x1f));
}

Working readWorking(Database& db, Transaction& tr) {
    Working w;
    readAll(db, tr, QStringLiteral("SELECT %1, UUID_TO_CHAR(UID_CHILD) AS UID_TEXT FROM SPISOK").arg(QLatin1String(kChildColumns)),
            [&](Query& q) {
                const Child c = readChild(q, true);
                w.byUid.insert(c.uid, c.id);
                w.byName[nameKey(c)].append(c.id);
                w.placeOf.insert(c.id, {c.predmet, c.klass});
            });
    readAll(db, tr, "SELECT " + scoreList() + " FROM BAL",
            [&](Query& q) { w.scores.insert(int(q.fieldInt(Query::Column{0})), readScores(q)); });
    readAll(db, tr, "SELECT ID_CHILD, N_GROUP FROM GRUP", [&](Query& q) {
        const auto [child, group] = columns<2>();
        w.groups.insert(int(q.fieldInt(child)), int(q.fieldInt(group)));
    });
    readAll(db, tr, "SELECT ID_CHILD, ID_PREDMET, KLASS, ID_TUR, SHIFR FROM SHIFR", [&](Query& q) {
        const auto [child, predmet, klass, round, code] = columns<5>();
        const int id = int(q.fieldInt(child)), tur = int(q.fieldInt(round));
        const QString text = q.fieldText(code);
        w.ciphers[{id, tur}] = text;
        w.codes[{int(q.fieldInt(predmet)), int(q.fieldInt(klass)), tur, ciphers::lookalike(text)}] = {CodeHolder::Side::Working, id};
    });
    readAll(db, tr, "SELECT ID_CHILD, SURNAME, NAME, SECONDNAME FROM TEACHERS", [&](Query& q) {
        const auto [child, surname, name, second] = columns<4>();
        w.teachers[int(q.fieldInt(child))].insert(Teacher{q.fieldText(surname), q.fieldText(name), q.fieldText(second)}.full());
    });
    readAll(db, tr, "SELECT NOMER, ID_CHILD, STATUS FROM DIPLOM", [&](Query& q) {
        w.diplomas.insert(q.fieldText("NOMER"), int(q.fieldInt("ID_CHILD")));
        if (q.fieldInt("STATUS") == 1) w.standing.insert(int(q.fieldInt("ID_CHILD")));
    });
    readAll(db, tr, "SELECT ID_APPEAL, N_APPEAL, UUID_TO_CHAR(UID_APPEAL) AS UID_TEXT FROM APPEAL", [&](Query& q) {
        w.appealByUid.insert(q.fieldText("UID_TEXT"), int(q.fieldInt("ID_APPEAL")));
        w.appealNumbers.insert(int(q.fieldInt("N_APPEAL")));
    });
    readStatuses(db, tr, w.statuses);
    return w;
}

int Dictionary::key(const QHash<int, QString>& sourceNames, int sourceKey, bool* unnamed) {
    QString name = sourceNames.value(sourceKey).trimmed();
    if (name.isEmpty()) {
        name = m_unnamed;
        if (unnamed) *unnamed = true;
    }
    if (auto it = m_keys.constFind(name); it != m_keys.constEnd()) return *it;
    int k = m_key(m_db, m_tr, name);
    if (k == 0) {
        m_add(m_db, m_tr, name);
        k = m_key(m_db, m_tr, name);
        ++m_added;
    }
    m_keys.insert(name, k);
    return k;
}

State::State(Database& work_, Transaction& tr_)
    : work(work_),
      tr(tr_),
      teams(work_, tr_, dict::addKomand, lookup::komandKey, kUnnamedTeam),
      subjects(work_, tr_, dict::addPredmet, lookup::predmetKey, kUnnamed),
      grades(work_, tr_, dict::addKlass, lookup::klassKey, kUnnamed) {}

std::pair<int, int> State::placeOf(const Arrival& a) const {
    return a.existing ? have.placeOf.value(a.existing) : std::pair{a.child.predmet, a.child.klass};
}

bool State::movedAway(const Arrival& a) const {
    return a.existing && have.placeOf.value(a.existing).first != a.child.predmet;
}

// Every source participant in working keys.
void translate(State& s) {
    s.arrivals.reserve(s.src.children.size());
    for (const Child& c : s.src.children) {
        Arrival a{c, 0};
        bool unnamed = false;
        a.child.komand = s.teams.key(s.src.komand, c.komand, &unnamed);
        a.child.predmet = s.subjects.key(s.src.predmet, c.predmet, &unnamed);
        a.child.klass = s.grades.key(s.src.klass, c.klass, &unnamed);
        s.result.unnamed += unnamed;
        s.arrivals.push_back(std::move(a));
    }
}

// Who of the source the working database has already: by identifier; in a source without them,
// by name, only where the name leaves no doubt on either side.
void identify(State& s) {
    QHash<QString, int> sourceNames;
    for (const Arrival& a : s.arrivals)
        if (a.child.uid.isEmpty()) ++sourceNames[nameKey(a.child)];
    QSet<QString> seen;
    for (Arrival& a : s.arrivals) {
        if (!a.child.uid.isEmpty()) {
            if (seen.contains(a.child.uid))
                throw Refusal(QStringLiteral("Объединение не выполнено: в базе данных другого рабочего места у двух "
                                             "участников один идентификатор."),
                              QStringLiteral("%1 %2 %3").arg(a.child.surname, a.child.name, a.child.second));
            seen.insert(a.child.uid);
            a.existing = s.have.byUid.value(a.child.uid, 0);
        } else {
            const QString key = nameKey(a.child);
            const QList<int> namesakes = s.have.byName.value(key);
            if (namesakes.size() == 1 && sourceNames.value(key) == 1) {
                a.existing = namesakes.first();
                ++s.result.matchedByName;
            }
        }
    }
}

// Codes another participant holds in the same subject, grade and round refuse the merge.
void checkCodes(State& s) {
    QStringList clashes;
    for (size_t i = 0; i < s.arrivals.size(); ++i) {
        const Arrival& a = s.arrivals[i];
        if (s.movedAway(a)) continue;
        const auto [predmet, klass] = s.placeOf(a);
        const CodeHolder self = a.existing ? CodeHolder{CodeHolder::Side::Working, a.existing}
                                           : CodeHolder{CodeHolder::Side::Source, int(i)};
        auto [from, to] = s.src.ciphers.equal_range(a.child.id);
        for (auto it = from; it != to; ++it) {
            const Cipher& c = it->second;
            if (a.existing && s.have.ciphers.count({a.existing, c.tur})) continue;  // his own stays
            const CodeKey key{predmet, klass, c.tur, ciphers::lookalike(c.code)};
            const auto holder = s.have.codes.find(key);
            if (holder != s.have.codes.end() && !(holder->second == self))
                clashes << QStringLiteral("%1, класс %2, тур %3: %4")
                               .arg(s.src.predmet.value(s.src.children[i].predmet, kUnnamed),
                                    s.src.klass.value(s.src.children[i].klass, kUnnamed))
                               .arg(c.tur)
                               .arg(c.code);
            else
                s.have.codes[key] = self;
        }
    }
    if (clashes.isEmpty()) return;
    const qsizetype shown = qMin<qsizetype>(clashes.size(), 20);
    QString detail = QStringLiteral("Эти шифры уже есть у других участников:\n") + clashes.mid(0, shown).join(u'\n');
    if (clashes.size() > shown) detail += QStringLiteral("\nи ещё %1").arg(clashes.size() - shown);
    throw Refusal(QStringLiteral("Объединение не выполнено: шифры совпадают."),
                  detail + QStringLiteral("\nИсправьте шифры на одном из рабочих мест и повторите объединение."));
}

// Schools of the teams, by name.
void addSchools(State& s) {
    std::set<std::pair<int, QString>> have;
    readAll(s.work, s.tr, "SELECT ID_KOMAND, SCHOOL FROM S_SCHOOL",
            [&](Query& q) { have.emplace(int(q.fieldInt("ID_KOMAND")), q.fieldText("SCHOOL")); });
    for (const auto& [k, school] : s.src.schools) {
        const std::pair<int, QString> entry{s.teams.key(s.src.komand, k), school};
        if (have.insert(entry).second) {
            dict::addSchool(s.work, s.tr, entry.first, entry.second);
            ++s.result.dictionaryAdded;
        }
    }
}

namespace {

using Col = BatchInsert::Column;

// The writes of the participants and their rows, many rows per statement. Each table's columns
// are set by their position in the list given, named beside it.
struct Writers {
    static constexpr int kChildren = 50;
    enum { cKomand, cPredmet, cKlass, cSurname, cName, cSecond, cSity, cSchool, cUid, cHidden };
    enum { gChild, gPredmet, gKlass, gGroup };
    enum { shChild, shPredmet, shTur, shKlass, shCode };
    enum { tChild, tSurname, tName, tSecond };
    enum { lChild, lSlot, lOld, lNew, lAt, lStation, lAppeal };
    // BAL: ID_CHILD, ID_PREDMET, KLASS, the slots, the sums, SUMM, MESTO, DIPL_STEP.
    static constexpr int bChild = 0, bPredmet = 1, bKlass = 2, bSlots = 3, bSums = bSlots + kSlots, bSumm = bSums + 4,
                         bMesto = bSumm + 1, bDipl = bMesto + 1;
    BatchInsert child, scores, group, cipher, teacher, log;
    explicit Writers(State& s)
        : child(s.work, s.tr, "SPISOK",
                {{"ID_KOMAND", "INTEGER"}, {"ID_PREDMET", "INTEGER"}, {"KLASS", "INTEGER"}, {"SURNAME", "VARCHAR(50)"},
                 {"NAME", "VARCHAR(50)"}, {"SECONDNAME", "VARCHAR(50)"}, {"SITY", "VARCHAR(50)"},
                 {"SCHOOL", "VARCHAR(500)"}, {"UID_CHILD", "VARCHAR(36)", "CHAR_TO_UUID(%1)"},
                 {"NE_PUBL", "SMALLINT"}},
                kChildren, "ID_CHILD"),
          scores(s.work, s.tr, "BAL", scoreColumns(), 50),
          group(s.work, s.tr, "GRUP", {{"ID_CHILD", "INTEGER"}, {"ID_PREDMET", "INTEGER"}, {"KLASS", "INTEGER"},
                                       {"N_GROUP", "INTEGER"}}, 100),
          cipher(s.work, s.tr, "SHIFR",
                 {{"ID_CHILD", "INTEGER"}, {"ID_PREDMET", "INTEGER"}, {"ID_TUR", "INTEGER"}, {"KLASS", "INTEGER"},
                  {"SHIFR", "VARCHAR(15)"}},
                 100),
          teacher(s.work, s.tr, "TEACHERS",
                  {{"ID_CHILD", "INTEGER"}, {"SURNAME", "VARCHAR(50)"}, {"NAME", "VARCHAR(50)"},
                   {"SECONDNAME", "VARCHAR(50)"}},
                  100),
          log(s.work, s.tr, "BAL_LOG",
              {{"ID_CHILD", "INTEGER"}, {"SLOT", "INTEGER"}, {"OLD_BAL", "NUMERIC(9,2)"}, {"NEW_BAL", "NUMERIC(9,2)"},
               {"CHANGED_AT", "TIMESTAMP", "COALESCE(%1, CURRENT_TIMESTAMP)"}, {"STATION", "VARCHAR(63)"},
               {"ID_APPEAL", "INTEGER"}},
              200) {
        for (const Round& r : s.src.rounds)
            if (r.tur != 0 && r.id >= 1 && r.id <= 4) roundsOf[s.subjects.key(s.src.predmet, r.predmet)].append(r);
    }
    QHash<int, QList<Round>> roundsOf;  // the source's rounds in use, by the working key of their subject
    static QList<Col> scoreColumns() {
        QList<Col> c{{"ID_CHILD", "INTEGER"}, {"ID_PREDMET", "INTEGER"}, {"KLASS", "INTEGER"}};
        for (int k = 0; k < kSlots; ++k) c.append({slotField(k), "NUMERIC(9,2)"});
        for (int k = 0; k < 4; ++k) c.append({sumField(k), "NUMERIC(9,2)"});
        c.append({{"SUMM", "NUMERIC(9,2)"}, {"MESTO", "INTEGER"}, {"DIPL_STEP", "INTEGER"}});
        return c;
    }
    void flush() {
        for (BatchInsert* b : {&scores, &group, &cipher, &teacher, &log}) b->flush();
    }
};

// The history of the scores a participant receives: the source's own rows as they are, or, from a
// database that keeps none, one row per task of the source subject's rounds with a score above 0,
// marked as brought by the merge, so that those rounds count as entered.
void writeLog(State& s, Writers& w, const Arrival& a, int id, const Scores& sc) {
    const auto add = [&](const LogRow& r) {
        w.log.setInt(w.lChild, id);
        w.log.setInt(w.lSlot, r.slot);
        if (r.oldValue) w.log.setScore(w.lOld, *r.oldValue);
        if (r.newValue) w.log.setScore(w.lNew, *r.newValue);
        if (r.at) w.log.setTimestamp(w.lAt, *r.at);
        w.log.setText(w.lStation, r.station);
        if (const int appeal = s.appealKey.value(r.appeal); appeal) w.log.setInt(w.lAppeal, appeal);
        w.log.add();
    };
    if (s.src.hasLog) {
        auto [from, to] = s.src.log.equal_range(a.child.id);
        for (auto it = from; it != to; ++it) add(it->second);
        return;
    }
    static const QString station = QStringLiteral("%1 (объединение)").arg(scorelog::station()).left(63);
    for (const Round& r : w.roundsOf.value(a.child.predmet)) {
        for (int j = 0; j < qMin(r.count, 6); ++j) {
            const int slot = 6 * (r.id - 1) + j;
            if (sc.slots[size_t(slot)] == Score()) continue;  // a zero there may be a task never entered
            add({slot + 1, std::nullopt, sc.slots[size_t(slot)], std::nullopt, station});
        }
    }
}

// The teachers of one participant the working database lacks.
void writeTeachers(State& s, Writers& w, int source, int id) {
    auto [tf, tt] = s.src.teachers.equal_range(source);
    QSet<QString>& had = s.have.teachers[id];
    for (auto it = tf; it != tt; ++it) {
        if (had.contains(it->second.full())) continue;
        had.insert(it->second.full());
        w.teacher.setInt(w.tChild, id);
        w.teacher.setText(w.tSurname, it->second.surname);
        w.teacher.setText(w.tName, it->second.name);
        w.teacher.setText(w.tSecond, it->second.second);
        w.teacher.add();
    }
}

// The rows of one participant: those the working database lacks are queued, the differing values
// of those it has counted.
void writeRows(State& s, Writers& w, const Arrival& a, int id) {
    const int source = a.child.id;
    writeTeachers(s, w, source, id);
    if (s.movedAway(a)) {
        s.result.leftOut += s.src.scores.contains(source) || s.src.groups.contains(source) || s.src.ciphers.count(source);
        return;
    }
    const auto [predmet, klass] = s.placeOf(a);
    if (auto sc = s.src.scores.constFind(source); sc != s.src.scores.constEnd()) {
        if (auto have = s.have.scores.constFind(id); have != s.have.scores.constEnd()) {
            s.result.keptDifferent += differences(*have, *sc);
        } else {
            w.scores.setInt(w.bChild, id);
            w.scores.setInt(w.bPredmet, predmet);
            w.scores.setInt(w.bKlass, klass);
            // The sums are those of the tasks the rounds have here, whatever the source stored.
            const tasks::Counts& counts = s.roundsAfter[predmet].counts;
            const std::array<Score, 4> sums = scores::roundSums(sc->slots, counts);
            for (int k = 0; k < kSlots; ++k) w.scores.setScore(w.bSlots + k, sc->slots[size_t(k)]);
            for (int k = 0; k < 4; ++k) w.scores.setScore(w.bSums + k, sums[size_t(k)]);
            w.scores.setScore(w.bSumm, scores::total(sc->slots, counts));
            w.scores.setInt(w.bMesto, sc->mesto);
            if (sc->dipl) w.scores.setInt(w.bDipl, *sc->dipl);
            w.scores.add();
            s.ranked.insert(predmet);
            writeLog(s, w, a, id, *sc);
        }
    }
    if (auto g = s.src.groups.constFind(source); g != s.src.groups.constEnd()) {
        if (auto have = s.have.groups.constFind(id); have != s.have.groups.constEnd()) {
            s.result.keptDifferent += *have != *g;
        } else {
            w.group.setInt(w.gChild, id);
            w.group.setInt(w.gPredmet, predmet);
            w.group.setInt(w.gKlass, klass);
            w.group.setInt(w.gGroup, *g);
            w.group.add();
        }
    }
    auto [cf, ct] = s.src.ciphers.equal_range(source);
    for (auto it = cf; it != ct; ++it) {
        const Cipher& c = it->second;
        if (auto have = s.have.ciphers.find({id, c.tur}); have != s.have.ciphers.end()) {
            s.result.keptDifferent += have->second != c.code;
            continue;
        }
        w.cipher.setInt(w.shChild, id);
        w.cipher.setInt(w.shPredmet, predmet);
        w.cipher.setInt(w.shTur, c.tur);
        w.cipher.setInt(w.shKlass, klass);
        w.cipher.setText(w.shCode, c.code);
        w.cipher.add();
    }
}

void hide(State& s, int id) {
    Query q(s.work, s.tr, {"UPDATE SPISOK SET NE_PUBL = 1 WHERE ID_CHILD = :ID_CHILD AND NE_PUBL = 0"});
    q.setInt("ID_CHILD", id);
    q.execute();
}

}  // namespace

// The participants a chunk at a time: the new ones are inserted and get their keys, then the rows
// of every one of the chunk are queued under his key.
void writeParticipants(State& s, const Progress& progress) {
    Writers w(s);
    const int total = int(s.arrivals.size());
    for (int from = 0; from < total; from += Writers::kChildren) {
        const int to = qMin(total, from + Writers::kChildren);
        for (int i = from; i < to; ++i) {
            const Arrival& a = s.arrivals[size_t(i)];
            if (a.existing) continue;
            const Child& c = a.child;
            w.child.setInt(w.cKomand, c.komand);
            w.child.setInt(w.cPredmet, c.predmet);
            w.child.setInt(w.cKlass, c.klass);
            w.child.setText(w.cSurname, c.surname);
            w.child.setText(w.cName, c.name);
            w.child.setText(w.cSecond, c.second);
            w.child.setText(w.cSity, c.sity);
            w.child.setText(w.cSchool, c.school);
            if (!c.uid.isEmpty()) w.child.setText(w.cUid, c.uid);  // else the database makes one
            w.child.setInt(w.cHidden, c.hidden ? 1 : 0);
            w.child.add();
        }
        w.child.flush();
        const std::vector<qint64> keys = w.child.takeReturned();
        size_t next = 0;
        for (int i = from; i < to; ++i) {
            const Arrival& a = s.arrivals[size_t(i)];
            int id = a.existing;
            if (id) {
                ++s.result.alreadyThere;
                // Marked "не публиковать" at either station, he stays unpublished.
                if (a.child.hidden) hide(s, id);
            } else {
                id = int(keys.at(next++));
                ++s.result.copied;
            }
            s.arrivals[size_t(i)].key = id;
            if (!s.movedAway(a)) writeAppeals(s, a, id);  // before the history rows that name them
            writeRows(s, w, a, id);
        }
        if (progress) progress(to, total);
    }
    w.flush();
}

// Rounds: a slot held in use stays; one missing or empty is taken from the source, with its task
// maxima. A slot held without maxima takes the source's when both have as many tasks.
void planRounds(State& s) {
    std::map<std::pair<int, int>, int> held;  // (subject, slot) -> ID_TUR of the row held
    readAll(s.work, s.tr, "SELECT ID, ID_PREDMET, ID_TUR, KOL_ZAD FROM TUR", [&](Query& q) {
        const int predmet = int(q.fieldInt("ID_PREDMET")), slot = int(q.fieldInt("ID"));
        held[{predmet, slot}] = int(q.fieldInt("ID_TUR"));
        if (slot >= 1 && slot <= 4)
            s.roundsAfter[predmet].counts[size_t(slot - 1)] = tasks::ofRound(q.fieldInt("ID_TUR"), q.fieldInt("KOL_ZAD"));
    });
    readAll(s.work, s.tr, "SELECT ID_PREDMET, ID, N_ZAD, MAX_BAL FROM TUR_MAX", [&](Query& q) {
        const qint64 slot = 6 * (q.fieldInt("ID") - 1) + q.fieldInt("N_ZAD") - 1;
        if (slot >= 0 && slot < kSlots) s.roundsAfter[int(q.fieldInt("ID_PREDMET"))].maxima[size_t(slot)] = q.fieldScore("MAX_BAL");
    });
    const auto hasMaxima = [&](int predmet, int slot) {
        const auto& m = s.roundsAfter[predmet].maxima;
        return std::any_of(m.begin() + 6 * (slot - 1), m.begin() + 6 * slot, [](const auto& v) { return v.has_value(); });
    };
    for (const Round& r : s.src.rounds) {
        if (r.id < 1 || r.id > 4) continue;  // not a slot of this program
        const int predmet = s.subjects.key(s.src.predmet, r.predmet);
        RoundsAfter& after = s.roundsAfter[predmet];
        const auto row = held.find({predmet, r.id});
        RoundChange change{predmet, r, false, row == held.end(), r.tur != 0};
        if (row != held.end() && (row->second != 0 || r.tur == 0)) {  // the held slot stays
            change.takeMaxima = row->second != 0 && r.tur != 0 && !r.maxima.isEmpty() && !hasMaxima(predmet, r.id) &&
                                after.counts[size_t(r.id - 1)] == r.count;
            if (!change.takeMaxima) continue;
        } else {
            change.write = true;
            held[{predmet, r.id}] = r.tur;
            after.counts[size_t(r.id - 1)] = tasks::ofRound(r.tur, r.count);
        }
        if (change.takeMaxima)
            for (int j = 0; j < tasks::kMaxPerRound; ++j)
                after.maxima[size_t(6 * (r.id - 1) + j)] = j < r.maxima.size() ? std::optional<Score>(r.maxima[j]) : std::nullopt;
        s.roundChanges.push_back(change);
    }
}

// The scores the merge brings must fit the rounds it leaves: a score in a task a round will not have,
// or above a task's greatest score, refuses the merge, naming subject and round.
void checkScores(State& s) {
    std::map<std::pair<int, int>, std::pair<QSet<QString>, QSet<QString>>> broken;  // (subject, round) -> outside, above
    const auto fits = [&](int predmet, const Scores& sc, const QString& who) {
        const RoundsAfter& after = s.roundsAfter[predmet];
        for (int i = 0; i < kSlots; ++i) {
            const Score v = sc.slots[size_t(i)];
            if (!tasks::has(after.counts, i)) {
                if (v != Score()) broken[{predmet, i / 6 + 1}].first.insert(who);
            } else if (after.maxima[size_t(i)] && v > *after.maxima[size_t(i)]) {
                broken[{predmet, i / 6 + 1}].second.insert(who);
            }
        }
    };
    for (const Arrival& a : s.arrivals) {
        const auto sc = s.src.scores.constFind(a.child.id);
        if (sc != s.src.scores.constEnd() && !s.movedAway(a) && !(a.existing && s.have.scores.contains(a.existing)))
            fits(s.placeOf(a).first, *sc, a.child.uid.isEmpty() ? nameKey(a.child) : a.child.uid);
    }
    for (const RoundChange& c : s.roundChanges)  // the maxima taken hold for the working scores too
        if (c.takeMaxima)
            for (auto it = s.have.scores.constBegin(); it != s.have.scores.constEnd(); ++it)
                if (s.have.placeOf.value(it.key()).first == c.predmet) fits(c.predmet, *it, QString::number(it.key()));
    QStringList lines;
    for (const auto& [where, who] : broken) {
        const QString round = QStringLiteral("«%1», тур %2").arg(lookup::dictionaryName(s.work, s.tr, lookup::Dictionary::Subjects, where.first)).arg(where.second);
        const int count = s.roundsAfter[where.first].counts[size_t(where.second - 1)];
        if (!who.first.isEmpty())
            lines << QStringLiteral("%1: у участников (%2) есть баллы по задачам, которых нет (%3)")
                         .arg(round)
                         .arg(who.first.size())
                         .arg(count == 0 ? QStringLiteral("тура нет") : QStringLiteral("задач в туре: %1").arg(count));
        if (!who.second.isEmpty())
            lines << QStringLiteral("%1: у участников (%2) баллы больше наибольшего балла задачи").arg(round).arg(who.second.size());
    }
    if (!lines.isEmpty())
        throw Refusal(QStringLiteral("Объединение не выполнено: баллы не подходят к турам."),
                      lines.join(u'\n') + QStringLiteral("\nИсправьте туры или баллы на одном из рабочих мест и повторите объединение."));
}

void mergeRounds(State& s) {
    Query clearMaxima(s.work, s.tr, {"DELETE FROM TUR_MAX WHERE ID_PREDMET = :ID_PREDMET AND ID = :ID"});
    Query addMaximum(s.work, s.tr,
                     {"INSERT INTO TUR_MAX (ID_PREDMET, ID, N_ZAD, MAX_BAL) VALUES (:ID_PREDMET, :ID, :N_ZAD, :MAX_BAL)"});
    Query insert(s.work, s.tr,
                 {"INSERT INTO TUR ( ID, ID_PREDMET, ID_TUR, KOL_ZAD, NAME_TUR)",
                  "VALUES (:ID, :ID_PREDMET, :ID_TUR, :KOL_ZAD, :NAME_TUR);"});
    Query update(s.work, s.tr,
                 {"UPDATE TUR", "SET  ID_TUR=:ID_TUR, KOL_ZAD=:KOL_ZAD, NAME_TUR=:NAME_TUR",
                  "WHERE ID_PREDMET= :ID_PREDMET AND ID=:ID;"});
    for (const RoundChange& c : s.roundChanges) {
        const Round& r = c.round;
        if (c.write) {
            Query& write = c.insert ? insert : update;
            write.setInt("ID", r.id);
            write.setInt("ID_PREDMET", c.predmet);
            write.setInt("ID_TUR", r.tur);
            write.setInt("KOL_ZAD", r.count);
            write.setText("NAME_TUR", r.name);
            write.execute();
        }
        if (!c.takeMaxima) continue;
        clearMaxima.setInt("ID_PREDMET", c.predmet);
        clearMaxima.setInt("ID", r.id);
        clearMaxima.execute();
        for (int j = 0; j < r.maxima.size(); ++j) {
            addMaximum.setInt("ID_PREDMET", c.predmet);
            addMaximum.setInt("ID", r.id);
            addMaximum.setInt("N_ZAD", j + 1);
            addMaximum.setScore("MAX_BAL", r.maxima[j]);
            addMaximum.execute();
        }
    }
}

// Every grade of each subject that received score rows, in one statement a subject.
void rerank(State& s) {
    for (int predmet : s.ranked) RecomputeSubjectPlaces(s.work, s.tr, predmet);
}

Result run(Database& work, Transaction& workTr, Database& source, Transaction& sourceTr, const Progress& progress) {
    QString sourceName;
    try {
        sourceName = databaseName(source, sourceTr);
    } catch (const DbError& e) {
        throw SourceError(e);
    }
    if (databaseName(work, workTr) == sourceName)
        throw Refusal(QStringLiteral("Нельзя объединить базу данных саму с собой."),
                      QStringLiteral("Выберите файл базы данных другого рабочего места."));
    takeTurn(work, workTr);
    State s(work, workTr);
    // The source is read on a second thread while the working database is read here.
    auto sourceRead = std::async(std::launch::async, [&] {
        try {
            return readSource(source, sourceTr);
        } catch (const DbError& e) {
            throw SourceError(e);
        }
    });
    s.have = readWorking(work, workTr);
    s.src = sourceRead.get();
    translate(s);
    identify(s);
    checkCodes(s);
    checkDiplomas(s);
    planRounds(s);
    checkScores(s);
    if (progress) progress(0, int(s.arrivals.size()));  // read and checked: a long work may stop here
    addSchools(s);
    writeParticipants(s, progress);
    mergeRounds(s);
    mergeDiplomas(s);
    mergeStatuses(s);
    rerank(s);
    s.result.dictionaryAdded += s.teams.added() + s.subjects.added() + s.grades.added();
    return s.result;
}

QString summary(const Result& r) {
    QString text = QStringLiteral("Скопировано участников: %1; уже были в базе: %2; оставлено различающихся значений: %3; "
                                  "добавлено в справочники: %4.")
                       .arg(r.copied)
                       .arg(r.alreadyThere)
                       .arg(r.keptDifferent)
                       .arg(r.dictionaryAdded);
    if (r.diplomas > 0) text += QStringLiteral("\nДобавлено номеров дипломов: %1.").arg(r.diplomas);
    if (r.appealsAdded > 0)
        text += QStringLiteral("\nСкопировано апелляций: %1.").arg(r.appealsAdded);
    if (r.appealsRenumbered > 0)
        text += QStringLiteral("\nАпелляциям, номера которых здесь уже были заняты, даны новые номера: %1.").arg(r.appealsRenumbered);
    if (r.statusConflicts > 0)
        text += QStringLiteral("\nСтатус результатов (предварительные или итоговые) различался по предметам и классам: %1; "
                               "действует более позднее решение.")
                    .arg(r.statusConflicts);
    if (r.matchedByName > 0)
        text += QStringLiteral("\nВ той базе нет идентификаторов участников: узнаны по имени, команде, предмету, "
                               "классу и учреждению: %1.")
                    .arg(r.matchedByName);
    if (r.unnamed > 0)
        text += QStringLiteral("\nУчастников без команды, предмета или класса в той базе: %1; вместо названия у них "
                               "записано «%2» или «%3».")
                    .arg(r.unnamed)
                    .arg(kUnnamedTeam, kUnnamed);
    if (r.leftOut > 0)
        text += QStringLiteral("\nУчастников, переведённых на другой предмет, чьи баллы, шифры и группа по прежнему предмету "
                               "не перенесены: %1.")
                    .arg(r.leftOut);
    return text;
}

bool worthRetrying(const DbError& e) { return e.isConflict() || e.isUniqueViolation(); }

}  // namespace merge
