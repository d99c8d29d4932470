// The merge's phases for appeals and the results status (merge/Phases.h).

#include "Query.h"
#include "Rows.h"
#include "merge/Phases.h"

#include <algorithm>

namespace merge {

namespace {

template <class F>
void readAll(Database& db, Transaction& tr, const char* sql, F row) {
    forEachRow(db, tr, QString::fromLatin1(sql), row);
}

std::optional<Score> scoreOf(const Query& q, const char* field) {
    const QString f = QString::fromLatin1(field);
    return q.fieldIsNull(f) ? std::nullopt : std::optional<Score>(q.fieldScore(f));
}
std::optional<int> intOf(const Query& q, const char* field) {
    const QString f = QString::fromLatin1(field);
    return q.fieldIsNull(f) ? std::nullopt : std::optional<int>(int(q.fieldInt(f)));
}
void setScore(Query& q, const char* field, const std::optional<Score>& v) {
    if (v) q.setScore(QString::fromLatin1(field), *v); else q.setNull(QString::fromLatin1(field));
}
void setInt(Query& q, const char* field, const std::optional<int>& v) {
    if (v) q.setInt(QString::fromLatin1(field), *v); else q.setNull(QString::fromLatin1(field));
}

}  // namespace

void readAppeals(Database& db, Transaction& tr, std::multimap<int, AppealRow>& appeals) {
    if (!hasTable(db, tr, "APPEAL")) return;
    std::vector<std::pair<int, AppealRow>> rows;  // by number
    readAll(db, tr,
            "SELECT A.ID_APPEAL, A.N_APPEAL, A.ID_CHILD, A.ID_TUR, A.REASON, A.MEMBERS, A.DECIDED_AT, A.SUMM_BEFORE, "
            "A.SUMM_AFTER, A.MESTO_BEFORE, A.MESTO_AFTER, A.STATION, UUID_TO_CHAR(A.UID_APPEAL) AS UID_TEXT, CAST(A.FILED_ON AS VARCHAR(10)) AS FILED_TEXT, "
            "CAST(A.DECIDED_AT AS VARCHAR(24)) AS DECIDED_TEXT FROM APPEAL A ORDER BY A.N_APPEAL",
            [&](Query& q) {
                AppealRow a;
                a.id = int(q.fieldInt("ID_APPEAL"));
                a.number = int(q.fieldInt("N_APPEAL"));
                a.round = int(q.fieldInt("ID_TUR"));
                a.uid = q.fieldText("UID_TEXT");
                a.filedOn = q.fieldText("FILED_TEXT");
                a.reason = q.fieldText("REASON");
                a.members = q.fieldText("MEMBERS");
                if (!q.fieldIsNull("DECIDED_AT")) a.decidedAt = q.fieldText("DECIDED_TEXT");
                a.station = q.fieldText("STATION");
                a.totalBefore = scoreOf(q, "SUMM_BEFORE");
                a.totalAfter = scoreOf(q, "SUMM_AFTER");
                a.placeBefore = intOf(q, "MESTO_BEFORE");
                a.placeAfter = intOf(q, "MESTO_AFTER");
                rows.emplace_back(int(q.fieldInt("ID_CHILD")), a);
            });
    QHash<int, QList<AppealRow::TaskRow>> tasks;
    readAll(db, tr, "SELECT * FROM APPEAL_TASK ORDER BY ID_APPEAL, N_ZAD", [&](Query& q) {
        tasks[int(q.fieldInt("ID_APPEAL"))].append(
            {int(q.fieldInt("N_ZAD")), scoreOf(q, "OLD_BAL"), scoreOf(q, "NEW_BAL"), intOf(q, "DECISION")});
    });
    for (auto& [child, a] : rows) {
        a.tasks = tasks.value(a.id);
        appeals.emplace(child, a);
    }
}

void readStatuses(Database& db, Transaction& tr, std::vector<StatusRow>& statuses) {
    if (!hasTable(db, tr, "ITOGI")) return;
    readAll(db, tr,
            "SELECT ID_PREDMET, KLASS, FINAL, CAST(CHANGED_AT AS VARCHAR(24)) AS CHANGED_TEXT, WHO FROM ITOGI "
            "ORDER BY CHANGED_AT, ID_ITOGI",
            [&](Query& q) {
                statuses.push_back({int(q.fieldInt("ID_PREDMET")), int(q.fieldInt("KLASS")), int(q.fieldInt("FINAL")),
                                    q.fieldText("CHANGED_TEXT"), q.fieldText("WHO")});
            });
}

void writeAppeals(State& s, const Arrival& a, int id) {
    auto [from, to] = s.src.appeals.equal_range(a.child.id);
    if (from == to) return;
    Query appeal(s.work, s.tr,
                 {"INSERT INTO APPEAL (UID_APPEAL, N_APPEAL, ID_CHILD, ID_TUR, FILED_ON, REASON, MEMBERS, DECIDED_AT,",
                  "SUMM_BEFORE, SUMM_AFTER, MESTO_BEFORE, MESTO_AFTER, STATION)",
                  "VALUES (CHAR_TO_UUID(:UID), :N_APPEAL, :ID_CHILD, :ID_TUR, CAST(:FILED_ON AS DATE), :REASON, :MEMBERS,",
                  "CAST(:DECIDED_AT AS TIMESTAMP), :SB, :SA, :MB, :MA, :STATION) RETURNING ID_APPEAL"});
    Query task(s.work, s.tr,
               {"INSERT INTO APPEAL_TASK (ID_APPEAL, N_ZAD, OLD_BAL, NEW_BAL, DECISION)",
                "VALUES (:ID_APPEAL, :N_ZAD, :OLD_BAL, :NEW_BAL, :DECISION)"});
    for (auto it = from; it != to; ++it) {
        const AppealRow& r = it->second;
        if (const auto have = s.have.appealByUid.constFind(r.uid); have != s.have.appealByUid.constEnd()) {
            s.appealKey.insert(r.id, *have);
            continue;
        }
        int number = r.number;
        if (s.have.appealNumbers.contains(number)) {
            number = *std::max_element(s.have.appealNumbers.begin(), s.have.appealNumbers.end()) + 1;
            ++s.result.appealsRenumbered;
        }
        appeal.setText("UID", r.uid);
        appeal.setInt("N_APPEAL", number);
        appeal.setInt("ID_CHILD", id);
        appeal.setInt("ID_TUR", r.round);
        appeal.setText("FILED_ON", r.filedOn);
        appeal.setText("REASON", r.reason);
        appeal.setText("MEMBERS", r.members);
        if (r.decidedAt.isEmpty()) appeal.setNull("DECIDED_AT"); else appeal.setText("DECIDED_AT", r.decidedAt);
        setScore(appeal, "SB", r.totalBefore);
        setScore(appeal, "SA", r.totalAfter);
        setInt(appeal, "MB", r.placeBefore);
        setInt(appeal, "MA", r.placeAfter);
        appeal.setText("STATION", r.station);
        appeal.execute();
        const int key = int(appeal.fieldInt("ID_APPEAL"));
        for (const AppealRow::TaskRow& t : r.tasks) {
            task.setInt("ID_APPEAL", key);
            task.setInt("N_ZAD", t.task);
            setScore(task, "OLD_BAL", t.oldValue);
            setScore(task, "NEW_BAL", t.newValue);
            setInt(task, "DECISION", t.decision);
            task.execute();
        }
        s.have.appealByUid.insert(r.uid, key);
        s.have.appealNumbers.insert(number);
        s.appealKey.insert(r.id, key);
        ++s.result.appealsAdded;
    }
}

namespace {
// The decision in force of each subject and grade: the last of the rows, oldest first.
std::map<std::pair<int, int>, int> inForce(const std::vector<StatusRow>& rows) {
    std::map<std::pair<int, int>, int> out;
    for (const StatusRow& r : rows) out[{r.predmet, r.klass}] = r.final;
    return out;
}
}  // namespace

void mergeStatuses(State& s) {
    std::vector<StatusRow> arriving;
    for (StatusRow r : s.src.statuses) {
        r.predmet = s.subjects.key(s.src.predmet, r.predmet);
        r.klass = s.grades.key(s.src.klass, r.klass);
        arriving.push_back(r);
    }
    const auto had = inForce(s.have.statuses);
    for (const auto& [where, final] : inForce(arriving))
        if (const auto h = had.find(where); h != had.end() && h->second != final) ++s.result.statusConflicts;
    std::set<std::tuple<int, int, int, QString>> held;
    for (const StatusRow& r : s.have.statuses) held.emplace(r.predmet, r.klass, r.final, r.at);
    Query q(s.work, s.tr,
            {"INSERT INTO ITOGI (ID_PREDMET, KLASS, FINAL, CHANGED_AT, WHO)",
             "VALUES (:ID_PREDMET, :KLASS, :FINAL, CAST(:CHANGED AS TIMESTAMP), :WHO)"});
    for (const StatusRow& r : arriving) {
        if (!held.emplace(r.predmet, r.klass, r.final, r.at).second) continue;
        q.setInt("ID_PREDMET", r.predmet);
        q.setInt("KLASS", r.klass);
        q.setInt("FINAL", r.final);
        q.setText("CHANGED", r.at);
        q.setText("WHO", r.who);
        q.execute();
    }
}

}  // namespace merge
