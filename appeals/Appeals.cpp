#include "appeals/Appeals.h"

#include "DbError.h"
#include "Query.h"
#include "Tasks.h"
#include "appeals/Status.h"
#include "reference/Rounds.h"
#include "scoring/AwardReview.h"
#include "scoring/AwardRules.h"
#include "scoring/Places.h"
#include "scoring/ScoreLog.h"
#include "scoring/Scores.h"

#include <algorithm>

namespace appeals {

bool Appeal::allDecided() const {
    return !tasks.isEmpty() && std::all_of(tasks.begin(), tasks.end(), [](const Task& t) { return t.decision != Undecided; });
}

bool Appeal::noneDecided() const {
    return std::all_of(tasks.begin(), tasks.end(), [](const Task& t) { return t.decision == Undecided; });
}

bool Appeal::upheld() const {
    return std::any_of(tasks.begin(), tasks.end(), [](const Task& t) { return t.decision == Upheld; });
}

QString Appeal::decisionText() const {
    if (!decided()) return kUndecided;
    return upheld() ? kUpheld : kRejected;
}

QString Appeal::tasksText() const {
    QStringList n;
    for (const Task& t : tasks) n << QString::number(t.task);
    return n.join(QStringLiteral(", "));
}

QString refusal(const Appeal& a, int roundTasks, const std::array<std::optional<Score>, 24>& maxima) {
    if (a.idChild == 0) return QStringLiteral("Выберите участника.");
    if (a.round < 1 || a.round > 4 || roundTasks < 1) return QStringLiteral("Выберите тур, в котором есть задачи.");
    if (!a.filedOn.isValid()) return QStringLiteral("Дата апелляции не указана или указана неверно.");
    if (a.filedOn > QDate::currentDate()) return QStringLiteral("Дата апелляции позже сегодняшней.");
    if (a.tasks.isEmpty()) return QStringLiteral("Отметьте задачи, баллы за которые обжалуются.");
    if (!a.allDecided() && !a.noneDecided())
        return QStringLiteral("Решение принято не по всем задачам: укажите его по каждой задаче или ни по одной.");
    if (a.allDecided() && a.members.trimmed().isEmpty())
        return QStringLiteral("Укажите членов жюри, рассмотревших апелляцию: они подписывают протокол.");
    for (const Task& t : a.tasks) {
        const QString where = QStringLiteral("Задача %1: ").arg(t.task);
        if (t.task < 1 || t.task > roundTasks) return where + QStringLiteral("такой задачи у тура нет");
        if (t.decision != Upheld) continue;
        if (!t.after) return where + QStringLiteral("апелляция удовлетворена — укажите новый балл");
        if (*t.after < Score()) return where + QStringLiteral("балл не может быть меньше 0");
        const std::optional<Score>& max = maxima[size_t(6 * (a.round - 1) + t.task - 1)];
        if (max && *t.after > *max) return where + QStringLiteral("балл больше наибольшего (%1)").arg(max->toString());
        if (t.before && *t.after == *t.before)
            return where + QStringLiteral("новый балл равен прежнему: если балл не меняется, апелляция отклонена");
    }
    return QString();
}

namespace {

std::pair<int, int> placementOf(Database& db, Transaction& tr, int idChild) {
    Query q(db, tr, {"SELECT ID_PREDMET, KLASS FROM SPISOK WHERE ID_CHILD = :ID_CHILD"});
    q.setInt("ID_CHILD", idChild);
    q.open();
    if (q.isEmpty()) throw DbError(QStringLiteral("Участник удалён на другом рабочем месте."));
    return {int(q.fieldInt("ID_PREDMET")), int(q.fieldInt("KLASS"))};
}

// The appeal row itself, inserted (with the next number) or written again.
void writeAppeal(Database& db, Transaction& tr, Appeal& a) {
    Query q(db, tr);
    if (a.id == 0)
        q.setSql({"INSERT INTO APPEAL (N_APPEAL, ID_CHILD, ID_TUR, FILED_ON, REASON, MEMBERS, STATION)",
                  "VALUES ((SELECT COALESCE(MAX(N_APPEAL), 0) + 1 FROM APPEAL), :ID_CHILD, :ID_TUR,",
                  "CAST(:FILED_ON AS DATE), :REASON, :MEMBERS, :STATION) RETURNING ID_APPEAL, N_APPEAL"});
    else
        q.setSql({"UPDATE APPEAL SET ID_CHILD = :ID_CHILD, ID_TUR = :ID_TUR, FILED_ON = CAST(:FILED_ON AS DATE),",
                  "REASON = :REASON, MEMBERS = :MEMBERS, STATION = :STATION WHERE ID_APPEAL = :ID_APPEAL"});
    q.setInt("ID_CHILD", a.idChild);
    q.setInt("ID_TUR", a.round);
    q.setText("FILED_ON", a.filedOn.toString(Qt::ISODate));
    q.setText("REASON", a.reason.left(2000));
    q.setText("MEMBERS", a.members.left(500));
    q.setText("STATION", scorelog::station());
    if (a.id) q.setInt("ID_APPEAL", a.id);
    q.execute();
    if (a.id == 0) {
        a.id = int(q.fieldInt("ID_APPEAL"));
        a.number = int(q.fieldInt("N_APPEAL"));
    }
}

void writeTasks(Database& db, Transaction& tr, const Appeal& a) {
    Query del(db, tr, {"DELETE FROM APPEAL_TASK WHERE ID_APPEAL = :ID_APPEAL"});
    del.setInt("ID_APPEAL", a.id);
    del.execute();
    Query ins(db, tr,
              {"INSERT INTO APPEAL_TASK (ID_APPEAL, N_ZAD, OLD_BAL, NEW_BAL, DECISION)",
               "VALUES (:ID_APPEAL, :N_ZAD, :OLD_BAL, :NEW_BAL, :DECISION)"});
    for (const Task& t : a.tasks) {
        ins.setInt("ID_APPEAL", a.id);
        ins.setInt("N_ZAD", t.task);
        if (t.before) ins.setScore("OLD_BAL", *t.before); else ins.setNull("OLD_BAL");
        if (t.decision == Upheld && t.after) ins.setScore("NEW_BAL", *t.after); else ins.setNull("NEW_BAL");
        if (t.decision == Undecided) ins.setNull("DECISION"); else ins.setInt("DECISION", t.decision);
        ins.execute();
    }
}

// The upheld tasks' scores through score entry's save, marked with the appeal.
void applyDecision(Database& db, Transaction& tr, Appeal& a, int idPredmet, int idKlass, const scores::Row& before) {
    a.totalBefore = before.total;
    a.placeBefore = before.place;
    scores::Slots typed{};
    scores::Shown shown{};
    for (const Task& t : a.tasks)
        if (t.decision == Upheld) {
            const size_t slot = size_t(6 * (a.round - 1) + t.task - 1);
            typed[slot] = *t.after;
            shown[slot] = true;
        }
    if (a.upheld()) scores::save(db, tr, a.idChild, idPredmet, idKlass, typed, shown, scores::Shown{}, a.id);
    const std::optional<scores::Row> after = scores::loadRow(db, tr, a.idChild);
    a.totalAfter = after ? after->total : before.total;
    a.placeAfter = after ? after->place : before.place;
    Query q(db, tr,
            {"UPDATE APPEAL SET DECIDED_AT = CURRENT_TIMESTAMP, SUMM_BEFORE = :SB, SUMM_AFTER = :SA,",
             "MESTO_BEFORE = :MB, MESTO_AFTER = :MA WHERE ID_APPEAL = :ID_APPEAL RETURNING DECIDED_AT"});
    q.setScore("SB", a.totalBefore);
    q.setScore("SA", a.totalAfter);
    q.setInt("MB", a.placeBefore);
    q.setInt("MA", a.placeAfter);
    q.setInt("ID_APPEAL", a.id);
    q.execute();
    a.decidedAt = QDateTime::fromString(q.fieldText("DECIDED_AT").left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!a.decidedAt.isValid()) a.decidedAt = QDateTime::currentDateTime();
}

}  // namespace

int save(Database& db, Transaction& tr, Appeal& a) {
    const auto [idPredmet, idKlass] = placementOf(db, tr, a.idChild);
    lockSubjectPlaces(db, tr, idPredmet);
    status::refuseIfFinal(db, tr, idPredmet, idKlass);
    if (a.id) {
        const std::optional<Appeal> stored = load(db, tr, a.id);
        if (!stored) throw DbError(QStringLiteral("Апелляция удалена на другом рабочем месте."));
        if (stored->decided())
            throw DbError(QStringLiteral("Апелляция № %1 уже рассмотрена: решение изменить нельзя.").arg(stored->number));
    }
    const std::optional<scores::Row> row = scores::loadRow(db, tr, a.idChild);
    if (!row) throw DbError(QStringLiteral("У участника нет введённых баллов: обжаловать нечего."));
    for (Task& t : a.tasks) t.before = row->slots[size_t(6 * (a.round - 1) + t.task - 1)];
    const tasks::Counts counts = tasks::inUse(db, tr, idPredmet);
    const int roundTasks = a.round >= 1 && a.round <= 4 ? counts[size_t(a.round - 1)] : 0;
    if (const QString why = refusal(a, roundTasks, rounds::maxima(db, tr, idPredmet)); !why.isEmpty()) throw DbError(why);
    writeAppeal(db, tr, a);
    writeTasks(db, tr, a);
    if (a.allDecided()) applyDecision(db, tr, a, idPredmet, idKlass, *row);
    return a.id;
}

void remove(Database& db, Transaction& tr, int idAppeal) {
    const std::optional<Appeal> a = load(db, tr, idAppeal);
    if (!a) return;
    if (a->decided()) throw DbError(QStringLiteral("Апелляция № %1 уже рассмотрена: удалить её нельзя.").arg(a->number));
    Query q(db, tr, {"DELETE FROM APPEAL WHERE ID_APPEAL = :ID_APPEAL AND DECIDED_AT IS NULL"});
    q.setInt("ID_APPEAL", idAppeal);
    q.execute();
}

namespace {

const char* const kSelect =
    "SELECT A.ID_APPEAL, A.N_APPEAL, A.ID_CHILD, A.ID_TUR, A.REASON, A.MEMBERS, A.DECIDED_AT, A.SUMM_BEFORE, "
    "A.SUMM_AFTER, A.MESTO_BEFORE, A.MESTO_AFTER, CAST(A.FILED_ON AS VARCHAR(10)) AS FILED_TEXT, "
    "CAST(A.DECIDED_AT AS VARCHAR(24)) AS DECIDED_TEXT, S.SURNAME, S.NAME, S.SECONDNAME, "
    "(SELECT FIRST 1 SH.SHIFR FROM SHIFR SH WHERE SH.ID_CHILD = A.ID_CHILD AND SH.ID_TUR = A.ID_TUR) AS SHIFR "
    "FROM APPEAL A JOIN SPISOK S ON S.ID_CHILD = A.ID_CHILD";

Appeal readAppeal(const Query& q) {
    Appeal a;
    a.id = int(q.fieldInt("ID_APPEAL"));
    a.number = int(q.fieldInt("N_APPEAL"));
    a.idChild = int(q.fieldInt("ID_CHILD"));
    a.round = int(q.fieldInt("ID_TUR"));
    a.filedOn = QDate::fromString(q.fieldText("FILED_TEXT").left(10), Qt::ISODate);
    a.reason = q.fieldText("REASON");
    a.members = q.fieldText("MEMBERS");
    if (!q.fieldIsNull("DECIDED_AT"))
        a.decidedAt = QDateTime::fromString(q.fieldText("DECIDED_TEXT").left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    a.totalBefore = q.fieldScore("SUMM_BEFORE");
    a.totalAfter = q.fieldScore("SUMM_AFTER");
    a.placeBefore = int(q.fieldInt("MESTO_BEFORE"));
    a.placeAfter = int(q.fieldInt("MESTO_AFTER"));
    a.cipher = q.fieldText("SHIFR");
    a.name = QStringList{q.fieldText("SURNAME"), q.fieldText("NAME"), q.fieldText("SECONDNAME")}.join(u' ').simplified();
    return a;
}

void readTasks(Database& db, Transaction& tr, Appeal& a) {
    Query q(db, tr, {"SELECT * FROM APPEAL_TASK WHERE ID_APPEAL = :ID_APPEAL ORDER BY N_ZAD"});
    q.setInt("ID_APPEAL", a.id);
    q.open();
    for (q.first(); !q.eof(); q.next()) {
        Task t;
        t.task = int(q.fieldInt("N_ZAD"));
        if (!q.fieldIsNull("OLD_BAL")) t.before = q.fieldScore("OLD_BAL");
        if (!q.fieldIsNull("NEW_BAL")) t.after = q.fieldScore("NEW_BAL");
        t.decision = q.fieldIsNull("DECISION") ? Undecided : int(q.fieldInt("DECISION"));
        a.tasks << t;
    }
}

}  // namespace

std::optional<Appeal> load(Database& db, Transaction& tr, int idAppeal) {
    Query q(db, tr);
    q.setSql(QStringList{QString::fromLatin1(kSelect), QStringLiteral("WHERE A.ID_APPEAL = :ID_APPEAL")});
    q.setInt("ID_APPEAL", idAppeal);
    q.open();
    if (q.isEmpty()) return std::nullopt;
    Appeal a = readAppeal(q);
    readTasks(db, tr, a);
    return a;
}

QList<Appeal> ofGrade(Database& db, Transaction& tr, int idPredmet, int idKlass) {
    Query q(db, tr);
    q.setSql(QStringList{QString::fromLatin1(kSelect),
                         QStringLiteral("WHERE S.ID_PREDMET = :ID_PREDMET AND S.KLASS = :KLASS ORDER BY A.N_APPEAL")});
    q.setInt("ID_PREDMET", idPredmet);
    q.setInt("KLASS", idKlass);
    q.open();
    QList<Appeal> out;
    for (q.first(); !q.eof(); q.next()) out << readAppeal(q);
    for (Appeal& a : out) readTasks(db, tr, a);
    return out;
}

std::array<std::optional<Score>, 6> storedScores(Database& db, Transaction& tr, int idChild, int round) {
    std::array<std::optional<Score>, 6> out{};
    const std::optional<scores::Row> row = scores::loadRow(db, tr, idChild);
    if (!row || round < 1 || round > 4) return out;
    for (int j = 0; j < 6; ++j) out[size_t(j)] = row->slots[size_t(6 * (round - 1) + j)];
    return out;
}

QStringList titles(Database& db, Transaction& tr) {
    Query q(db, tr);
    q.setSql(QStringList{QStringLiteral("SELECT A.N_APPEAL, P.PREDMET, K.KLASS, S.SURNAME, (SELECT FIRST 1 SH.SHIFR FROM SHIFR SH "
                                        "WHERE SH.ID_CHILD = A.ID_CHILD AND SH.ID_TUR = A.ID_TUR) AS SHIFR"),
                         QStringLiteral("FROM APPEAL A JOIN SPISOK S ON S.ID_CHILD = A.ID_CHILD JOIN S_PREDMET P ON P.ID_PREDMET = S.ID_PREDMET"),
                         QStringLiteral("JOIN S_KLASS K ON K.ID_KLASS = S.KLASS ORDER BY A.N_APPEAL")});
    q.open();
    QStringList out;
    for (q.first(); !q.eof(); q.next()) {
        const QString who = q.fieldText("SHIFR").isEmpty() ? q.fieldText("SURNAME") : q.fieldText("SHIFR");
        out << QStringLiteral("№ %1: %2, %3 класс, %4").arg(q.fieldInt("N_APPEAL")).arg(q.fieldText("PREDMET"), q.fieldText("KLASS"), who);
    }
    return out;
}

int numberOf(const QString& title) {
    if (!title.startsWith(QStringLiteral("№ "))) return 0;
    return title.mid(2).section(u':', 0, 0).toInt();
}

Summary summarize(const QList<Appeal>& list) {
    Summary s;
    for (const Appeal& a : list) {
        ++s.filed;
        if (!a.decided()) ++s.undecided;
        else if (a.upheld()) ++s.upheld;
        else ++s.rejected;
        if (a.decided() && a.placeBefore != a.placeAfter) ++s.placesChanged;
    }
    return s;
}

namespace {
// Awards from the highest: degree 1, 2, 3, the mention, none.
int rank(int degree) { return degree == 0 ? 5 : degree; }
}  // namespace

QStringList degreeWarnings(Database& db, Transaction& tr, int idPredmet, int idKlass) {
    const QList<awardrules::Participant> list = awardrules::participants(db, tr, idPredmet, idKlass);
    QStringList out;
    if (const std::optional<awardrules::Applied> applied = awardrules::applied(db, tr, idPredmet, idKlass);
        applied && !applied->byHand) {
        QList<Score> totals;
        for (const auto& p : list) totals << p.total;
        const awardrules::Proposal proposal =
            awardrules::propose(totals, applied->rules, rounds::maxTotal(db, tr, idPredmet));
        for (const auto& p : list)
            if (const int d = awardrules::degreeOf(p.total, proposal.cuts); d != p.degree)
                out << QStringLiteral("%1 (место %2): %3, по правилам награждения — %4")
                           .arg(p.name)
                           .arg(p.place)
                           .arg(awardrules::awardName(p.degree).toLower(), awardrules::awardName(d).toLower());
    }
    for (int i = 0; i < list.size(); ++i)
        for (int j = i + 1; j < list.size(); ++j)
            if (list[i].place < list[j].place && rank(list[i].degree) > rank(list[j].degree)) {
                out << QStringLiteral("%1 (место %2, %3) стоит выше, чем %4 (место %5, %6)")
                           .arg(list[i].name)
                           .arg(list[i].place)
                           .arg(awardrules::awardName(list[i].degree).toLower(), list[j].name)
                           .arg(list[j].place)
                           .arg(awardrules::awardName(list[j].degree).toLower());
                break;
            }
    return out;
}

}  // namespace appeals
