#include "Check.h"

#include "Codes.h"
#include "Query.h"
#include "Rows.h"
#include "Score.h"
#include "Tasks.h"

#include <QHash>
#include <algorithm>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

namespace check {

QStringList Findings::lines() const {
    QStringList out = shown;
    if (total > shown.size()) out << QStringLiteral("… и ещё %1").arg(total - shown.size());
    return out;
}

namespace {

template <class F>
void each(Database& db, Transaction& tr, const char* sql, F row) {
    forEachRow(db, tr, QString::fromLatin1(sql), row);
}

struct Child {
    int komand = 0, predmet = 0, klass = 0;
    QString name;
};

struct Checker {
    Checker(Database& d, Transaction& t) : db(d), tr(t) {}
    Database& db;
    Transaction& tr;
    Findings found;
    QHash<int, QString> teams, subjects, grades;
    std::map<int, Child> children;
    QHash<int, tasks::Counts> tasksOf;
    QHash<int, std::array<std::optional<Score>, tasks::kSlots>> maxima;

    void add(const QString& line) {
        ++found.total;
        if (found.shown.size() < kShown) found.shown << line;
    }
    QString subject(int key) const {
        return subjects.contains(key) ? QStringLiteral("«%1»").arg(subjects[key]) : QStringLiteral("предмет №%1").arg(key);
    }
    QString grade(int key) const {
        return grades.contains(key) ? QStringLiteral("%1 класс").arg(grades[key]) : QStringLiteral("класс №%1").arg(key);
    }
    QString where(int predmet, int klass) const { return subject(predmet) + QStringLiteral(", ") + grade(klass); }
    QString name(int id) const {
        const auto c = children.find(id);
        return c == children.end() ? QStringLiteral("участник №%1, которого нет в списке").arg(id) : c->second.name;
    }
    // A child as a person knows him: his subject and grade, his name and team.
    QString who(int id) const {
        const auto c = children.find(id);
        if (c == children.end()) return name(id);
        return where(c->second.predmet, c->second.klass) + QStringLiteral(": ") + c->second.name;
    }
    // A row of a child's that must carry his subject and grade.
    void placedRow(int id, int predmet, int klass, const QString& what, const char* written) {
        const auto c = children.find(id);
        if (c == children.end())
            add(QStringLiteral("%1 (%2): участника №%3 нет в списке").arg(what, where(predmet, klass)).arg(id));
        else if (c->second.predmet != predmet || c->second.klass != klass)
            add(QStringLiteral("%1: %2 %3 по %4").arg(who(id), what, QString::fromUtf8(written), where(predmet, klass)));
    }

    void read();
    void checkChildren();
    void checkScores();
    void checkPlaces(const std::map<std::pair<int, int>, std::vector<std::tuple<Score, int, int>>>& ranked);
    void checkCodesAndGroups();
    void checkOtherKeys();
    void checkDiplomas();
    void checkAppeals();
};

void Checker::read() {
    each(db, tr, "SELECT ID_KOMAND AS K, KOMAND AS N FROM S_KOMAND",
         [&](Query& q) { teams.insert(int(q.fieldInt("K")), q.fieldText("N")); });
    each(db, tr, "SELECT ID_PREDMET AS K, PREDMET AS N FROM S_PREDMET",
         [&](Query& q) { subjects.insert(int(q.fieldInt("K")), q.fieldText("N")); });
    each(db, tr, "SELECT ID_KLASS AS K, KLASS AS N FROM S_KLASS",
         [&](Query& q) { grades.insert(int(q.fieldInt("K")), q.fieldText("N")); });
    each(db, tr, "SELECT ID_CHILD, ID_KOMAND, ID_PREDMET, KLASS, SURNAME, NAME, SECONDNAME, SCHOOL FROM SPISOK", [&](Query& q) {
        const int team = int(q.fieldInt("ID_KOMAND"));
        // Namesakes are told apart by team and school.
        QStringList where;
        if (teams.contains(team)) where << teams[team];
        if (!q.fieldText("SCHOOL").trimmed().isEmpty()) where << q.fieldText("SCHOOL").trimmed();
        QString name = QStringList{q.fieldText("SURNAME"), q.fieldText("NAME"), q.fieldText("SECONDNAME")}.join(u' ').simplified();
        if (!where.isEmpty()) name += QStringLiteral(" (%1)").arg(where.join(QStringLiteral(", ")));
        children[int(q.fieldInt("ID_CHILD"))] = {team, int(q.fieldInt("ID_PREDMET")), int(q.fieldInt("KLASS")), name};
    });
    tasksOf = tasks::inUseBySubject(db, tr);
    each(db, tr, "SELECT ID_PREDMET, ID, N_ZAD, MAX_BAL FROM TUR_MAX", [&](Query& q) {
        const qint64 slot = 6 * (q.fieldInt("ID") - 1) + q.fieldInt("N_ZAD") - 1;
        if (slot >= 0 && slot < tasks::kSlots) maxima[int(q.fieldInt("ID_PREDMET"))][size_t(slot)] = q.fieldScore("MAX_BAL");
    });
}

void Checker::checkChildren() {
    each(db, tr, "SELECT ID_CHILD FROM SPISOK WHERE UID_CHILD IS NULL ORDER BY ID_CHILD",
         [&](Query& q) { add(who(int(q.fieldInt("ID_CHILD"))) + QStringLiteral(": нет идентификатора участника")); });
    for (const auto& [id, c] : children) {
        if (!teams.contains(c.komand)) add(QStringLiteral("%1: команды №%2 нет в справочнике").arg(who(id)).arg(c.komand));
        if (!subjects.contains(c.predmet)) add(QStringLiteral("%1: предмета №%2 нет в справочнике").arg(who(id)).arg(c.predmet));
        if (!grades.contains(c.klass)) add(QStringLiteral("%1: класса №%2 нет в справочнике").arg(who(id)).arg(c.klass));
    }
}

QString taskName(int slot) { return QStringLiteral("задаче %1 тура %2").arg(slot % 6 + 1).arg(slot / 6 + 1); }

void Checker::checkScores() {
    std::map<std::pair<int, int>, std::vector<std::tuple<Score, int, int>>> ranked;  // (subject, grade) -> total, place, child
    each(db, tr, "SELECT * FROM BAL ORDER BY ID_PREDMET, KLASS, ID_CHILD", [&](Query& q) {
        const int id = int(q.fieldInt("ID_CHILD")), predmet = int(q.fieldInt("ID_PREDMET")), klass = int(q.fieldInt("KLASS"));
        placedRow(id, predmet, klass, QStringLiteral("баллы"), "записаны");
        const tasks::Counts counts = tasksOf.value(predmet);
        const auto max = maxima.value(predmet);
        std::array<Score, 4> sums{};
        for (int i = 0; i < tasks::kSlots; ++i) {
            const QString field = QStringLiteral("BAL%1").arg(i + 1, 2, 10, QChar(u'0'));
            if (q.fieldIsNull(field)) continue;
            const Score v = q.fieldScore(field);
            if (!tasks::has(counts, i)) {
                if (v != Score())
                    add(QStringLiteral("%1: балл %2 в %3, а %4")
                            .arg(who(id), v.toString(), taskName(i),
                                 counts[size_t(i / 6)] == 0 ? QStringLiteral("такого тура у предмета нет")
                                                            : QStringLiteral("задач в туре %1").arg(counts[size_t(i / 6)])));
                continue;
            }
            sums[size_t(i / 6)] += v;
            if (v < Score()) add(QStringLiteral("%1: балл %2 в %3 меньше 0").arg(who(id), v.toString(), taskName(i)));
            else if (max[size_t(i)] && v > *max[size_t(i)])
                add(QStringLiteral("%1: балл %2 в %3 больше наибольшего (%4)")
                        .arg(who(id), v.toString(), taskName(i), max[size_t(i)]->toString()));
        }
        Score total;
        for (int k = 0; k < 4; ++k) {
            total += sums[size_t(k)];
            const Score stored = q.fieldScore(QStringLiteral("B%1").arg(k + 1));
            if (stored != sums[size_t(k)])
                add(QStringLiteral("%1: сумма тура %2 записана %3, а сумма его задач %4")
                        .arg(who(id)).arg(k + 1).arg(stored.toString(), sums[size_t(k)].toString()));
        }
        if (q.fieldScore("SUMM") != total)
            add(QStringLiteral("%1: общая сумма записана %2, а сумма задач %3")
                    .arg(who(id), q.fieldScore("SUMM").toString(), total.toString()));
        const qint64 degree = q.fieldInt("DIPL_STEP");
        if (degree < 0 || degree > 4)
            add(QStringLiteral("%1: степень диплома %2 (бывает от 0 до 4)").arg(who(id)).arg(degree));
        ranked[{predmet, klass}].emplace_back(q.fieldScore("SUMM"), q.fieldIsNull("MESTO") ? 0 : int(q.fieldInt("MESTO")), id);
    });
    checkPlaces(ranked);
}

void Checker::checkPlaces(const std::map<std::pair<int, int>, std::vector<std::tuple<Score, int, int>>>& ranked) {
    for (auto [group, rows] : ranked) {
        std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return std::get<0>(a) > std::get<0>(b); });
        int place = 0;
        for (size_t i = 0; i < rows.size(); ++i) {
            const auto& [total, stored, id] = rows[i];
            if (i == 0 || total != std::get<0>(rows[i - 1])) ++place;
            if (stored != place)
                add(QStringLiteral("%1: место %2, а по общей сумме %3 место %4")
                        .arg(who(id), stored ? QString::number(stored) : QStringLiteral("не записано"), total.toString())
                        .arg(place));
        }
    }
}

void Checker::checkCodesAndGroups() {
    std::map<std::tuple<int, int, int, QString>, QStringList> holders;  // subject, grade, round, code as read
    each(db, tr, "SELECT ID_CHILD, ID_PREDMET, KLASS, ID_TUR, SHIFR FROM SHIFR ORDER BY ID_PREDMET, KLASS, ID_TUR, SHIFR",
         [&](Query& q) {
             const int id = int(q.fieldInt("ID_CHILD")), predmet = int(q.fieldInt("ID_PREDMET")), klass = int(q.fieldInt("KLASS"));
             const int round = int(q.fieldInt("ID_TUR"));
             const QString code = q.fieldText("SHIFR");
             placedRow(id, predmet, klass, QStringLiteral("шифр «%1» тура %2").arg(code).arg(round), "записан");
             holders[{predmet, klass, round, codes::lookalike(code)}] << QStringLiteral("%1 («%2»)").arg(name(id), code);
         });
    for (const auto& [key, who] : holders)
        if (who.size() > 1)
            add(QStringLiteral("%1, тур %2: шифр «%3» у нескольких участников: %4")
                    .arg(where(std::get<0>(key), std::get<1>(key)))
                    .arg(std::get<2>(key))
                    .arg(std::get<3>(key), who.join(QStringLiteral(", "))));
    each(db, tr, "SELECT ID_CHILD, ID_PREDMET, KLASS, N_GROUP FROM GRUP ORDER BY ID_CHILD", [&](Query& q) {
        placedRow(int(q.fieldInt("ID_CHILD")), int(q.fieldInt("ID_PREDMET")), int(q.fieldInt("KLASS")),
                  QStringLiteral("группа %1").arg(q.fieldInt("N_GROUP")), "записана");
    });
}

void Checker::checkOtherKeys() {
    each(db, tr, "SELECT ID_CHILD, SURNAME, NAME, SECONDNAME FROM TEACHERS ORDER BY ID_TEACHER", [&](Query& q) {
        if (!children.count(int(q.fieldInt("ID_CHILD"))))
            add(QStringLiteral("Учитель %1: участника №%2 нет в списке")
                    .arg(QStringList{q.fieldText("SURNAME"), q.fieldText("NAME"), q.fieldText("SECONDNAME")}.join(u' ').simplified())
                    .arg(q.fieldInt("ID_CHILD")));
    });
    each(db, tr, "SELECT ID_CHILD, COUNT(*) AS N FROM BAL_LOG GROUP BY ID_CHILD", [&](Query& q) {
        if (!children.count(int(q.fieldInt("ID_CHILD"))))
            add(QStringLiteral("История баллов (записей: %1): участника №%2 нет в списке").arg(q.fieldInt("N")).arg(q.fieldInt("ID_CHILD")));
    });
    checkDiplomas();
    each(db, tr, "SELECT ID_KOMAND, SCHOOL FROM S_SCHOOL ORDER BY ID_SCHOOL", [&](Query& q) {
        if (q.fieldIsNull("ID_KOMAND"))
            add(QStringLiteral("Учреждение «%1»: команда не указана").arg(q.fieldText("SCHOOL")));
        else if (!teams.contains(int(q.fieldInt("ID_KOMAND"))))
            add(QStringLiteral("Учреждение «%1»: команды №%2 нет в справочнике").arg(q.fieldText("SCHOOL")).arg(q.fieldInt("ID_KOMAND")));
    });
    each(db, tr, "SELECT ID_PREDMET, ID FROM TUR UNION SELECT ID_PREDMET, ID FROM TUR_MAX ORDER BY 1, 2", [&](Query& q) {
        if (!subjects.contains(int(q.fieldInt("ID_PREDMET"))))
            add(QStringLiteral("Тур %1: предмета №%2 нет в справочнике").arg(q.fieldInt("ID")).arg(q.fieldInt("ID_PREDMET")));
    });
}

// A diploma's number is its prefix and running number, belongs to a participant, is for a degree,
// is not above what the sequence has given (so that it is never given again), and a participant
// holds one standing diploma at most.
void Checker::checkDiplomas() {
    qint64 given = 0;
    each(db, tr, "SELECT GEN_ID(GEN_DIPLOM, 0) AS G FROM RDB$DATABASE", [&](Query& q) { given = q.fieldInt("G"); });
    std::map<int, QStringList> standing;
    each(db, tr, "SELECT NOMER, PREFIX, N, ID_CHILD, DIPL_STEP, STATUS FROM DIPLOM ORDER BY ID_CHILD, N", [&](Query& q) {
        const QString number = q.fieldText("NOMER");
        const int id = int(q.fieldInt("ID_CHILD"));
        const QString what = QStringLiteral("Диплом № %1").arg(number);
        if (!children.count(id)) add(QStringLiteral("%1: участника №%2 нет в списке").arg(what).arg(id));
        if (number != QStringLiteral("%1-%2").arg(q.fieldText("PREFIX")).arg(q.fieldInt("N")))
            add(QStringLiteral("%1: номер не совпадает с префиксом «%2» и числом %3").arg(what, q.fieldText("PREFIX")).arg(q.fieldInt("N")));
        if (q.fieldInt("N") > given)
            add(QStringLiteral("%1: число %2 больше выданных последовательностью (%3)").arg(what).arg(q.fieldInt("N")).arg(given));
        if (q.fieldInt("DIPL_STEP") < 1 || q.fieldInt("DIPL_STEP") > 4)
            add(QStringLiteral("%1: степень %2 (бывает от 1 до 4)").arg(what).arg(q.fieldInt("DIPL_STEP")));
        if (q.fieldInt("STATUS") == 1) standing[id] << number;
    });
    for (const auto& [id, numbers] : standing)
        if (numbers.size() > 1)
            add(QStringLiteral("%1: несколько действующих дипломов: %2").arg(who(id), numbers.join(QStringLiteral(", "))));
}

// An appeal is decided (DECIDED_AT) exactly when every task of it has its decision; an upheld task
// has its new score and only it; its tasks are tasks of its round; a history row marked with it is
// its participant's.
void Checker::checkAppeals() {
    if (!hasTable(db, tr, QStringLiteral("APPEAL"))) return;  // a database of an earlier build, before its upgrade
    each(db, tr,
         "SELECT A.N_APPEAL, A.ID_CHILD, A.ID_TUR, A.DECIDED_AT, COUNT(T.N_ZAD) AS TASKS, COUNT(T.DECISION) AS DECIDED, "
         "SUM(CASE WHEN T.DECISION = 1 AND T.NEW_BAL IS NULL THEN 1 "
         "WHEN COALESCE(T.DECISION, 0) <> 1 AND T.NEW_BAL IS NOT NULL THEN 1 ELSE 0 END) AS BAD_NEW, "
         "CAST(LIST(T.N_ZAD) AS VARCHAR(100)) AS NS FROM APPEAL A LEFT JOIN APPEAL_TASK T ON T.ID_APPEAL = A.ID_APPEAL "
         "GROUP BY A.N_APPEAL, A.ID_CHILD, A.ID_TUR, A.DECIDED_AT ORDER BY A.N_APPEAL",
         [&](Query& q) {
             const QString what = QStringLiteral("Апелляция № %1 (%2)").arg(q.fieldInt("N_APPEAL")).arg(who(int(q.fieldInt("ID_CHILD"))));
             const qint64 n = q.fieldInt("TASKS"), decided = q.fieldInt("DECIDED");
             if (n == 0) add(what + QStringLiteral(": не указаны задачи"));
             else if (decided != 0 && decided != n) add(what + QStringLiteral(": решение принято не по всем задачам"));
             else if ((decided == n) != !q.fieldIsNull("DECIDED_AT"))
                 add(what + QStringLiteral(": отметка о рассмотрении не совпадает с решениями по задачам"));
             if (q.fieldInt("BAD_NEW") > 0) add(what + QStringLiteral(": новый балл указан не у удовлетворённой задачи или не указан у неё"));
             const auto c = children.find(int(q.fieldInt("ID_CHILD")));
             if (c == children.end()) return;
             const tasks::Counts counts = tasksOf.value(c->second.predmet);
             const int round = int(q.fieldInt("ID_TUR"));
             for (const QString& t : q.fieldText("NS").split(u',', Qt::SkipEmptyParts))
                 if (!tasks::has(counts, 6 * (round - 1) + t.trimmed().toInt() - 1))
                     add(what + QStringLiteral(": задачи %1 у тура %2 нет").arg(t.trimmed()).arg(round));
         });
    each(db, tr,
         "SELECT A.N_APPEAL, L.ID_CHILD, COUNT(*) AS N FROM BAL_LOG L JOIN APPEAL A ON A.ID_APPEAL = L.ID_APPEAL "
         "WHERE A.ID_CHILD <> L.ID_CHILD GROUP BY A.N_APPEAL, L.ID_CHILD",
         [&](Query& q) {
             add(QStringLiteral("История баллов (%1): записи отмечены апелляцией № %2 другого участника")
                     .arg(who(int(q.fieldInt("ID_CHILD"))))
                     .arg(q.fieldInt("N_APPEAL")));
         });
}

}  // namespace

Findings run(Database& db, Transaction& tr) {
    Checker c(db, tr);
    c.read();
    c.checkChildren();
    c.checkScores();
    c.checkCodesAndGroups();
    c.checkOtherKeys();
    c.checkAppeals();
    return c.found;
}

}  // namespace check
