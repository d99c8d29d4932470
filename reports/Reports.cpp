#include "reports/Reports.h"

#include "Convert.h"
#include "Lookups.h"
#include "Query.h"
#include "Tasks.h"
#include "Text.h"
#include "appeals/Appeals.h"
#include "appeals/Status.h"
#include "reference/Rounds.h"
#include "scoring/AwardRules.h"
#include "scoring/Scores.h"
#include "xlsx/Workbook.h"

#include <QSet>
#include <algorithm>
#include <array>

namespace reports {

namespace {

const QString kAll = QStringLiteral("Все");

QString fullName(const Query& q) {
    return q.fieldText("SURNAME") + u' ' + q.fieldText("NAME") + u' ' + q.fieldText("SECONDNAME");
}

// A parameter text the database cannot hold names nothing: the report finds no rows.
QString storable(const QString& text) { return text1251::canEncode(text) ? text : QStringLiteral("\x01"); }

// The teachers of a participant, in the order they were registered, from row `row` down in one
// column (the three parts of the name joined) or in three; the rows the participant takes.
class Teachers {
public:
    Teachers(Database& db, Transaction& tr)
        : m_q(db, tr) {}
    int write(Workbook& wb, qint64 idChild, int row, int col, bool split = false) {
        lookup::selectTeachers(m_q, idChild);
        m_q.open();
        int k = 0;
        for (m_q.first(); !m_q.eof(); m_q.next(), ++k) {
            if (split) {
                wb.setText(row + k, col, m_q.fieldText("SURNAME"));
                wb.setText(row + k, col + 1, m_q.fieldText("NAME"));
                wb.setText(row + k, col + 2, m_q.fieldText("SECONDNAME"));
            } else {
                wb.setText(row + k, col, fullName(m_q));
            }
        }
        m_q.close();
        if (k > 1) wb.keepTogether(row, row + k - 1);  // the participant's rows on one page
        return k;
    }

private:
    Query m_q;
};

// Grade texts by key, read once.
class Grades {
public:
    Grades(Database& db, Transaction& tr) {
        Query q(db, tr, {"select * from  S_KLASS Order by ID_KLASS"});
        q.open();
        for (q.first(); !q.eof(); q.next()) m_text.insert(q.fieldInt("ID_KLASS"), q.fieldText("KLASS"));
    }
    QString operator()(qint64 id) const { return m_text.value(id); }

private:
    QHash<qint64, QString> m_text;
};

int gradeKey(Database& db, Transaction& tr, const QString& grade) { return lookup::klassKey(db, tr, grade); }

// The grades of a subject with a winner (degrees 1 to 3).
QList<int> winnerGrades(Database& db, Transaction& tr, int idPredmet) {
    Query q(db, tr, {"SELECT DISTINCT KLASS FROM BAL WHERE ID_PREDMET = :ID_PREDMET AND DIPL_STEP BETWEEN 1 AND 3"});
    q.setInt("ID_PREDMET", idPredmet);
    q.open();
    QList<int> out;
    for (q.first(); !q.eof(); q.next()) out << int(q.fieldInt("KLASS"));
    return out;
}

void start(Workbook& wb, const Sheet& sheet) {
    wb.selectSheet(QString::fromUtf8(sheet.name));
    wb.setDataRow(sheet.dataRow);
    wb.activate(sheet.activeRow, sheet.activeCol);
}

}  // namespace

QString diplomaText(qint64 degree) {
    if (degree == 0) return QString();
    if (degree == 4) return QStringLiteral("поощр. отзыв");
    return QString::number(degree) + QStringLiteral("-й степени");
}

void teamList(Database& db, Transaction& tr, Workbook& wb, const QString& team, const QString& subject) {
    start(wb, kTeamList);
    Query q(db, tr,
            {"SELECT S.ID_CHILD, S.NAME, S.SECONDNAME, S.SURNAME,  S.KLASS, S.SCHOOL, S.SITY ",
             "FROM SPISOK S, S_KOMAND K, S_PREDMET P ",
             " WHERE K.KOMAND = :KOMAND AND S.ID_KOMAND = K.ID_KOMAND  AND P.PREDMET = :PREDMET AND S.ID_PREDMET= "
             "P.ID_PREDMET",
             "ORDER BY S.SURNAME, S.NAME, S.SECONDNAME, S.ID_CHILD;"});
    q.setText("KOMAND", storable(team));
    q.setText("PREDMET", storable(subject));
    q.open();
    wb.setText(3, 5, team);
    wb.setText(2, 5, subject);
    const Grades grades(db, tr);
    Teachers teachers(db, tr);
    int r = 6, n = 1;
    for (q.first(); !q.eof(); q.next(), ++n) {
        wb.setNumber(r, 1, n);
        wb.setText(r, 2, q.fieldText("SURNAME"));
        wb.setText(r, 3, q.fieldText("NAME"));
        wb.setText(r, 4, q.fieldText("SECONDNAME"));
        wb.setText(r, 5, grades(q.fieldInt("KLASS")));
        wb.setText(r, 6, q.fieldText("SCHOOL"));
        r += qMax(1, teachers.write(wb, q.fieldInt("ID_CHILD"), r, 7));
    }
}

void gradeList(Database& db, Transaction& tr, Workbook& wb, const QString& subject, const QString& grade) {
    start(wb, kGradeList);
    Query q(db, tr,
            {"SELECT S.ID_CHILD, S.NAME, S.SECONDNAME, S.SURNAME,  S.KLASS, S.SCHOOL, S.SITY ", "FROM SPISOK S, S_PREDMET P ",
             " WHERE S.KLASS = :KLASS   AND P.PREDMET = :PREDMET AND S.ID_PREDMET= P.ID_PREDMET",
             "ORDER BY S.SURNAME, S.NAME, S.SECONDNAME, S.ID_CHILD;"});
    q.setInt("KLASS", gradeKey(db, tr, grade));
    q.setText("PREDMET", storable(subject));
    q.open();
    wb.setText(2, 5, subject);
    wb.setText(3, 5, grade);
    Teachers teachers(db, tr);
    int r = 6, n = 1;
    for (q.first(); !q.eof(); q.next(), ++n) {
        wb.setNumber(r, 1, n);
        wb.setText(r, 2, q.fieldText("SURNAME"));
        wb.setText(r, 3, q.fieldText("NAME"));
        wb.setText(r, 4, q.fieldText("SECONDNAME"));
        wb.setText(r, 5, q.fieldText("SCHOOL"));
        r += qMax(1, teachers.write(wb, q.fieldInt("ID_CHILD"), r, 6));
    }
}

void groupList(Database& db, Transaction& tr, Workbook& wb, const QString& subject, const QString& grade,
               const QString& group) {
    start(wb, kGroupList);
    const bool all = group == kAll;
    Query q(db, tr);
    if (all)
        q.setSql({"SELECT S.ID_CHILD, S.NAME, S.SECONDNAME, S.SURNAME, S.KLASS, S.SCHOOL, S.SITY, G.N_GROUP",
                  "FROM SPISOK S, S_PREDMET P, GRUP G",
                  "WHERE S.KLASS = :KLASS   AND P.PREDMET = :PREDMET AND S.ID_PREDMET= P.ID_PREDMET AND "
                  "G.ID_CHILD=S.ID_CHILD",
                  "ORDER BY G.N_GROUP, S.SURNAME, S.NAME, S.SECONDNAME, S.ID_CHILD;"});
    else
        q.setSql({"SELECT S.ID_CHILD, S.NAME, S.SECONDNAME, S.SURNAME, S.KLASS, S.SCHOOL, S.SITY, G.N_GROUP",
                  "FROM SPISOK S, S_PREDMET P, GRUP G",
                  "WHERE S.KLASS = :KLASS   AND P.PREDMET = :PREDMET AND S.ID_PREDMET= P.ID_PREDMET AND G.N_GROUP= "
                  ":N_GROUP AND S.ID_CHILD=G.ID_CHILD",
                  "ORDER BY S.SURNAME, S.NAME, S.SECONDNAME, S.ID_CHILD;"});
    q.setInt("KLASS", gradeKey(db, tr, grade));
    q.setText("PREDMET", storable(subject));
    if (!all) {
        q.setInt("N_GROUP", wholeNumber(group).value_or(-1));  // a text that is no group number names no group
    }
    wb.setText(2, 7, subject);
    wb.setText(2, 4, grade);
    q.open();
    Teachers teachers(db, tr);
    int r = 5, n = 1;
    for (q.first(); !q.eof(); q.next(), ++n) {
        wb.setNumber(r, 1, n);
        wb.setText(r, 2, QStringLiteral("Группа №") + QString::number(q.fieldInt("N_GROUP")));
        wb.setText(r, 3, q.fieldText("SURNAME"));
        wb.setText(r, 4, q.fieldText("NAME"));
        wb.setText(r, 5, q.fieldText("SECONDNAME"));
        wb.setText(r, 6, q.fieldText("SCHOOL"));
        r += qMax(1, teachers.write(wb, q.fieldInt("ID_CHILD"), r, 7, true));
    }
}

void blankSheet(Database& db, Transaction& tr, Workbook& wb, const QString& subject, const QString& grade,
                const QString& round) {
    start(wb, kBlankSheet);
    Query q(db, tr,
            {"SELECT SH.SHIFR", "FROM SHIFR SH,  S_PREDMET P, TUR T",
             " WHERE SH.KLASS = :KLASS   AND P.PREDMET = :PREDMET AND SH.ID_PREDMET= P.ID_PREDMET AND "
             "T.NAME_TUR=:NAME_TUR AND T.ID_PREDMET= P.ID_PREDMET AND SH.ID_TUR=T.ID_TUR",
             "GROUP BY SH.SHIFR", "ORDER BY SH.SHIFR;"});
    q.setInt("KLASS", gradeKey(db, tr, grade));
    q.setText("PREDMET", storable(subject));
    q.setText("NAME_TUR", storable(round));
    q.open();
    wb.setText(2, 2, QStringLiteral("По ") + subject);
    wb.setText(3, 3, grade);
    wb.setText(4, 3, round);
    int r = 6;
    for (q.first(); !q.eof(); q.next(), ++r) {
        wb.setNumber(r, 1, r - 5);
        wb.setText(r, 2, q.fieldText("SHIFR"));
    }
}

void scoreSheet(Database& db, Transaction& tr, Workbook& wb, const QString& subject, const QString& grade) {
    start(wb, kScoreSheet);
    QStringList slots;
    for (int i = 0; i < scores::kSlots; ++i) slots << QStringLiteral("B.") + scores::slotField(i);
    Query q(db, tr);
    q.setSql(QStringList{QStringLiteral("SELECT S.ID_CHILD, S.NAME, S.SECONDNAME, S.SURNAME,  %1, B.SUMM, B.MESTO, "
                                       "B.DIPL_STEP")
                            .arg(slots.join(QStringLiteral(", "))),
                        QStringLiteral("FROM BAL B, SPISOK S, S_PREDMET P"),
                        QStringLiteral(" WHERE B.KLASS = :KLASS   AND P.PREDMET = :PREDMET AND B.ID_PREDMET= "
                                       "P.ID_PREDMET AND  S.ID_CHILD= B.ID_CHILD "),
                         QStringLiteral("ORDER BY B.MESTO, S.SURNAME, S.NAME, S.SECONDNAME, S.ID_CHILD;")});
    q.setInt("KLASS", gradeKey(db, tr, grade));
    q.setText("PREDMET", storable(subject));
    q.open();
    wb.setText(2, 11, QStringLiteral("По ") + subject);
    wb.setText(3, 13, grade);
    wb.setText(2, 2, status::heading(db, tr, storable(subject), storable(grade)));
    Query round(db, tr,
                {"SELECT NAME_TUR", "FROM S_PREDMET P, TUR T",
                 " WHERE P.PREDMET = :PREDMET AND T.ID_PREDMET= P.ID_PREDMET AND  T.ID_TUR= :ID_TUR;"});
    round.setText("PREDMET", storable(subject));
    for (int k = 1; k <= 4; ++k) {
        round.setInt("ID_TUR", k);
        round.open();
        wb.setText(4, 6 * k - 3, round.isEmpty() ? QString() : round.fieldText("NAME_TUR"));
        round.close();
    }
    // Only the tasks of the rounds in use have columns to fill, and a 0 is printed only where it was
    // scored (its box is in the history): an empty cell is a work not marked yet.
    const int idPredmet = lookup::predmetKey(db, tr, storable(subject));
    const tasks::Counts inUse = tasks::inUse(db, tr, idPredmet);
    QSet<std::pair<qint64, int>> scored;
    Query logged(db, tr,
                 {"SELECT DISTINCT L.ID_CHILD, L.SLOT FROM BAL_LOG L JOIN BAL B ON B.ID_CHILD = L.ID_CHILD",
                  "WHERE B.KLASS = :KLASS AND B.ID_PREDMET = :ID_PREDMET"});
    logged.setInt("KLASS", gradeKey(db, tr, grade));
    logged.setInt("ID_PREDMET", idPredmet);
    logged.open();
    for (logged.first(); !logged.eof(); logged.next()) scored.insert({logged.fieldInt("ID_CHILD"), int(logged.fieldInt("SLOT")) - 1});
    int r = 6;
    for (q.first(); !q.eof(); q.next(), ++r) {
        const qint64 child = q.fieldInt("ID_CHILD");
        wb.setNumber(r, 1, r - 5);
        wb.setText(r, 2, fullName(q));
        bool any = false;
        for (int i = 0; i < scores::kSlots; ++i) {
            const Score value = q.fieldScore(scores::slotField(i));
            if (!tasks::has(inUse, i) || (value == Score() && !scored.contains({child, i}))) continue;
            wb.setScore(r, 3 + i, value);
            any = true;
        }
        if (any || q.fieldScore("SUMM") != Score()) wb.setScore(r, 27, q.fieldScore("SUMM"));
        wb.setNumber(r, 28, q.fieldInt("MESTO"));
        wb.setText(r, 29, diplomaText(q.fieldInt("DIPL_STEP")));
    }
}

void teamResults(Database& db, Transaction& tr, Workbook& wb, const QString& team, const QString& subject) {
    start(wb, kTeamResults);
    Query q(db, tr,
            {"SELECT S.ID_CHILD, S.NAME, S.SECONDNAME, S.SURNAME,  S.KLASS, S.SCHOOL, S.SITY, B.SUMM, B.MESTO, "
             "B.DIPL_STEP",
             "FROM BAL B, SPISOK S, S_KOMAND K, S_PREDMET P",
             " WHERE P.PREDMET = :PREDMET AND S.ID_PREDMET= P.ID_PREDMET  AND K.KOMAND = :KOMAND AND S.ID_KOMAND = "
             "K.ID_KOMAND AND  B.ID_CHILD= S.ID_CHILD ",
             "  ORDER BY  B.MESTO, S.SURNAME, S.NAME, S.SECONDNAME, S.ID_CHILD;"});
    q.setText("PREDMET", storable(subject));
    q.setText("KOMAND", storable(team));
    q.open();
    wb.setText(4, 4, team);
    wb.setText(2, 5, subject);  // once: the heading says the subject, the team under it
    {
        QList<int> grades;
        for (q.first(); !q.eof(); q.next())
            if (!grades.contains(int(q.fieldInt("KLASS")))) grades << int(q.fieldInt("KLASS"));
        wb.setText(5, 2, status::heading(db, tr, lookup::predmetKey(db, tr, storable(subject)), grades));
    }
    const Grades grades(db, tr);
    Teachers teachers(db, tr);
    int r = 8, n = 1;
    for (q.first(); !q.eof(); q.next(), ++n) {
        wb.setNumber(r, 1, n);
        wb.setText(r, 2, fullName(q));
        wb.setText(r, 3, grades(q.fieldInt("KLASS")));
        wb.setText(r, 4, q.fieldText("SCHOOL"));
        wb.setScore(r, 5, q.fieldScore("SUMM"));
        wb.setNumber(r, 6, q.fieldInt("MESTO"));
        wb.setText(r, 7, diplomaText(q.fieldInt("DIPL_STEP")));
        r += qMax(1, teachers.write(wb, q.fieldInt("ID_CHILD"), r, 8));
    }
}

void winners(Database& db, Transaction& tr, Workbook& wb) {
    start(wb, kWinners);
    Query subjects(db, tr,
                   {"SELECT  P.ID_PREDMET ", "FROM SPISOK S,  BAL B, S_PREDMET  P",
                    " WHERE B.DIPL_STEP >0  AND  B.DIPL_STEP < 4  AND S.ID_CHILD=B.ID_CHILD AND "
                    "P.ID_PREDMET=S.ID_PREDMET",
                    "GROUP BY P.ID_PREDMET  ", "ORDER BY  P.ID_PREDMET;"});
    Query name(db, tr, {"SELECT PREDMET ", "FROM S_PREDMET ", " WHERE ID_PREDMET=:ID_PREDMET ;"});
    Query list(db, tr,
               {"SELECT S.ID_CHILD, S.NAME, S.SECONDNAME, S.SURNAME, S.KLASS, S.SCHOOL, S.SITY,  B.DIPL_STEP, "
                "P.PREDMET, P.ID_PREDMET",
                "FROM SPISOK S,  BAL B, S_PREDMET  P",
                " WHERE B.DIPL_STEP=:DIPL_STEP  AND S.ID_CHILD=B.ID_CHILD AND P.ID_PREDMET=:PREDMET_ID AND "
                "S.ID_PREDMET=P.ID_PREDMET ",
                "ORDER BY  S.KLASS, S.SURNAME, S.NAME, S.SECONDNAME, S.ID_CHILD;"});
    const Grades grades(db, tr);
    Teachers teachers(db, tr);
    subjects.open();
    int r = 3;  // the template's column headings
    for (subjects.first(); !subjects.eof(); subjects.next()) {
        const qint64 id = subjects.fieldInt("ID_PREDMET");
        ++r;  // past the headings, or past an empty row after the subject before
        int headings = r;  // the headings stay on the page of the first winner under them
        name.setInt("ID_PREDMET", id);
        name.open();
        wb.setText(r, 2, QStringLiteral("По ") + (name.isEmpty() ? QString() : name.fieldText("PREDMET")) + QStringLiteral(" — ") +
                             status::heading(db, tr, int(id), winnerGrades(db, tr, int(id))).toLower());
        name.close();
        wb.formatHeading(r, 2, 4);
        ++r;
        for (int degree = 1; degree <= 3; ++degree) {
            list.setInt("PREDMET_ID", id);
            list.setInt("DIPL_STEP", degree);
            list.open();
            int number = 0;
            for (list.first(); !list.eof(); list.next()) {
                if (++number == 1) {
                    if (!headings) headings = r;
                    wb.setText(r, 2, QStringLiteral("Диплом %1-й степени").arg(list.fieldInt("DIPL_STEP")));
                    wb.formatHeading(r, 2, 4);
                    ++r;
                }
                const int first = headings ? headings : r;
                wb.setText(r, 1, QString::number(number) + u'.');
                wb.setText(r, 2, fullName(list));
                wb.setText(r, 3, grades(list.fieldInt("KLASS")));
                wb.setText(r, 4, list.fieldText("SCHOOL") + u' ' + list.fieldText("SITY"));
                ++r;
                r += teachers.write(wb, list.fieldInt("ID_CHILD"), r, 4);  // under the winner
                wb.keepTogether(first, r - 1);  // on the winner's page
                headings = 0;
            }
            list.close();
        }
    }
}

void gradeResults(Database& db, Transaction& tr, Workbook& wb, const QString& subject, const QString& grade) {
    start(wb, kGradeResults);
    Query q(db, tr,
            {"SELECT S.ID_CHILD, S.NAME, S.SECONDNAME, S.SURNAME, S.SCHOOL, S.SITY, B.SUMM,  B.MESTO, B.DIPL_STEP",
             "FROM SPISOK S,  BAL B, S_PREDMET  P",
             " WHERE  P.PREDMET = :PREDMET AND S.ID_PREDMET= P.ID_PREDMET AND S.KLASS= :KLASS AND "
             "B.ID_CHILD=S.ID_CHILD    ORDER BY  B.MESTO, S.SURNAME, S.NAME, S.SECONDNAME, S.ID_CHILD;"});
    q.setText("PREDMET", storable(subject));
    q.setInt("KLASS", gradeKey(db, tr, grade));
    q.open();
    wb.setText(2, 4, subject);
    wb.setText(3, 4, grade);
    wb.setText(4, 2, status::heading(db, tr, storable(subject), storable(grade)));
    wb.formatHeading(4, 2, 6);
    Teachers teachers(db, tr);
    int r = 6, n = 1;
    for (q.first(); !q.eof(); q.next(), ++n) {
        wb.setNumber(r, 1, n);
        wb.setText(r, 2, fullName(q));
        wb.setText(r, 3, q.fieldText("SCHOOL"));
        wb.setScore(r, 4, q.fieldScore("SUMM"));
        wb.setNumber(r, 5, q.fieldInt("MESTO"));
        wb.setText(r, 6, diplomaText(q.fieldInt("DIPL_STEP")));
        r += qMax(1, teachers.write(wb, q.fieldInt("ID_CHILD"), r, 7));
    }
}

void cipherKey(Database& db, Transaction& tr, Workbook& wb, const QString& subject, const QString& grade,
               const QString& round) {
    start(wb, kCipherKey);
    // The rows of the blank score sheet of the round, in its order, each with whose work it is.
    Query q(db, tr,
            {"SELECT SH.SHIFR, S.SURNAME, S.NAME, S.SECONDNAME, S.SCHOOL, K.KOMAND",
             "FROM SHIFR SH, S_PREDMET P, TUR T, SPISOK S, S_KOMAND K",
             " WHERE SH.KLASS = :KLASS   AND P.PREDMET = :PREDMET AND SH.ID_PREDMET= P.ID_PREDMET AND "
             "T.NAME_TUR=:NAME_TUR AND T.ID_PREDMET= P.ID_PREDMET AND SH.ID_TUR=T.ID_TUR AND "
             "S.ID_CHILD = SH.ID_CHILD AND K.ID_KOMAND = S.ID_KOMAND",
             "ORDER BY SH.SHIFR, S.SURNAME, S.NAME, S.SECONDNAME, S.ID_CHILD;"});
    q.setInt("KLASS", gradeKey(db, tr, grade));
    q.setText("PREDMET", storable(subject));
    q.setText("NAME_TUR", storable(round));
    q.open();
    wb.setText(2, 2, QStringLiteral("По ") + subject);
    wb.setText(3, 3, grade);
    wb.setText(4, 3, round);
    int r = 6;
    for (q.first(); !q.eof(); q.next(), ++r) {
        wb.setNumber(r, 1, r - 5);
        wb.setText(r, 2, q.fieldText("SHIFR"));
        wb.setText(r, 3, fullName(q));
        wb.setText(r, 4, q.fieldText("KOMAND"));
        wb.setText(r, 5, q.fieldText("SCHOOL"));
    }
}

void awardProtocol(Database& db, Transaction& tr, Workbook& wb, const QString& subject, const QString& grade) {
    start(wb, kAwardProtocol);
    const int idPredmet = lookup::predmetKey(db, tr, storable(subject));
    const int idKlass = gradeKey(db, tr, storable(grade));
    const QList<awardrules::Participant> list = awardrules::participants(db, tr, idPredmet, idKlass);
    wb.setText(2, 3, subject);
    wb.setText(3, 3, grade);
    wb.setText(4, 2, status::heading(db, tr, idPredmet, idKlass));
    // The rules applied to this subject and grade, not those applied last to any; none claimed for
    // degrees given one by one.
    const std::optional<Score> max = rounds::maxTotal(db, tr, idPredmet);
    if (const std::optional<awardrules::Applied> applied = awardrules::applied(db, tr, idPredmet, idKlass)) {
        const awardrules::Rules& rules = applied->rules;
        wb.setNumber(5, 3, rules.diplomaPercent);
        wb.setNumber(6, 3, rules.minPercent);
        wb.setText(8, 3, awardrules::ratioText(rules.ratio) + QStringLiteral(" (наибольшая сумма — всегда 1-я степень)"));
        wb.setNumber(9, 3, rules.mentionPercent);
        if (applied->byHand) {
            wb.setText(10, 2, QStringLiteral("Пороги установлены жюри вручную: %1.")
                                  .arg(awardrules::sharesAgainstRules(list, rules, max)));
            for (int d = 1; d <= awardrules::kMention; ++d)
                if (applied->cuts[size_t(d - 1)]) wb.setScore(11 + d, 5, *applied->cuts[size_t(d - 1)]);
        }
    } else {
        for (int r : {5, 6, 8, 9}) wb.setText(r, 3, QStringLiteral("—"));
        wb.setText(10, 2, QStringLiteral("Степени выставлены без помощника награждения."));
    }
    if (max)
        wb.setScore(7, 3, *max);
    else
        wb.setText(7, 3, QStringLiteral("не задана"));
    const awardrules::Cuts cuts = awardrules::given(list);
    for (int d = 1; d <= awardrules::kMention; ++d) {
        if (cuts[size_t(d - 1)]) wb.setScore(11 + d, 3, *cuts[size_t(d - 1)]);
        wb.setNumber(11 + d, 4, std::count_if(list.begin(), list.end(), [d](const auto& p) { return p.degree == d; }));
    }
    int r = kAwardProtocol.dataRow, n = 1;
    for (const awardrules::Participant& p : list) {
        wb.setNumber(r, 1, n++);
        wb.setText(r, 2, p.name);
        wb.setText(r, 3, p.school);
        wb.setScore(r, 4, p.total);
        if (p.place > 0) wb.setNumber(r, 5, p.place);
        wb.setText(r, 6, diplomaText(p.degree));
        ++r;
    }
    wb.endData(r - 1);
    const QString line = QStringLiteral("______________________  /  ______________________");
    wb.setText(r + 1, 2, QStringLiteral("Председатель жюри"));
    wb.setText(r + 1, 3, line);
    wb.setText(r + 3, 2, QStringLiteral("Члены жюри"));
    for (int k = 0; k < 3; ++k) wb.setText(r + 3 + 2 * k, 3, line);
    // The lines never stand alone on a page under the repeated column headings: the last
    // participant goes over with them.
    wb.keepTogether(std::max(kAwardProtocol.dataRow, r - 1), r + 7);
}

bool appealProtocol(Database& db, Transaction& tr, Workbook& wb, int number) {
    Query q(db, tr, {"SELECT A.ID_APPEAL, S.ID_PREDMET, S.KLASS, S.SCHOOL FROM APPEAL A JOIN SPISOK S ON S.ID_CHILD = A.ID_CHILD",
                     "WHERE A.N_APPEAL = :N"});
    q.setInt("N", number);
    q.open();
    if (q.isEmpty()) return false;
    const std::optional<appeals::Appeal> a = appeals::load(db, tr, int(q.fieldInt("ID_APPEAL")));
    if (!a) return false;
    start(wb, kAppealProtocol);
    const int idPredmet = int(q.fieldInt("ID_PREDMET"));
    const std::optional<rounds::Round> round =
        rounds::describe(db, tr, lookup::dictionaryName(db, tr, lookup::Dictionary::Subjects, idPredmet), a->round);
    const QStringList values{QString::number(a->number),
                             a->filedOn.toString(QStringLiteral("dd.MM.yyyy")),
                             lookup::dictionaryName(db, tr, lookup::Dictionary::Subjects, idPredmet),
                             lookup::dictionaryName(db, tr, lookup::Dictionary::Grades, int(q.fieldInt("KLASS"))),
                             round ? QStringLiteral("%1 (%2)").arg(a->round).arg(round->name) : QString::number(a->round),
                             a->cipher,
                             a->name,
                             q.fieldText("SCHOOL"),
                             a->reason,
                             a->members,
                             a->decided() ? a->decidedAt.toString(QStringLiteral("dd.MM.yyyy HH:mm")) : appeals::kUndecided};
    for (int i = 0; i < values.size(); ++i) wb.setText(2 + i, 2, values[i]);
    int r = kAppealProtocol.dataRow;
    for (const appeals::Task& t : a->tasks) {
        wb.setNumber(r, 1, t.task);
        if (t.before) wb.setScore(r, 2, *t.before);
        wb.setText(r, 3, t.decision == appeals::Upheld ? appeals::kUpheld
                         : t.decision == appeals::Rejected ? appeals::kRejected : appeals::kUndecided);
        if (t.decision == appeals::Upheld && t.after) wb.setScore(r, 4, *t.after);
        else if (t.decision == appeals::Rejected && t.before) wb.setScore(r, 4, *t.before);
        ++r;
    }
    wb.endData(r - 1);
    if (a->decided()) {
        wb.setText(r + 1, 1, QStringLiteral("Сумма баллов: было %1, стало %2. Место: было %3, стало %4.")
                                 .arg(a->totalBefore.toString(), a->totalAfter.toString())
                                 .arg(a->placeBefore)
                                 .arg(a->placeAfter));
        wb.setText(r + 2, 1, QStringLiteral("Решение: апелляция %1.").arg(a->decisionText()));
    }
    const QString line = QStringLiteral("______________________  /  ______________________");
    wb.setText(r + 4, 1, QStringLiteral("Председатель жюри"));
    wb.setText(r + 4, 2, line);
    wb.setText(r + 6, 1, QStringLiteral("Члены жюри"));
    for (int k = 0; k < 3; ++k) wb.setText(r + 6 + 2 * k, 2, line);
    wb.setText(r + 13, 1, QStringLiteral("С решением ознакомлен(а)"));
    wb.setText(r + 13, 2, line);
    wb.keepTogether(r + 1, r + 13);
    return true;
}

void appealSummary(Database& db, Transaction& tr, Workbook& wb, const QString& subject, const QString& grade) {
    start(wb, kAppeals);
    const int idPredmet = lookup::predmetKey(db, tr, storable(subject));
    const int idKlass = gradeKey(db, tr, storable(grade));
    const QList<appeals::Appeal> list = appeals::ofGrade(db, tr, idPredmet, idKlass);
    wb.setText(2, 3, subject);
    wb.setText(3, 3, grade);
    wb.setText(4, 2, status::heading(db, tr, idPredmet, idKlass));
    const appeals::Summary sum = appeals::summarize(list);
    int row = 6;
    for (int v : {sum.filed, sum.upheld, sum.rejected, sum.undecided, sum.placesChanged}) wb.setNumber(row++, 3, v);
    int r = kAppeals.dataRow;
    for (const appeals::Appeal& a : list) {
        wb.setNumber(r, 1, a.number);
        wb.setText(r, 2, a.cipher);
        wb.setText(r, 3, a.name);
        wb.setNumber(r, 4, a.round);
        wb.setText(r, 5, a.tasksText());
        wb.setText(r, 6, a.decisionText());
        if (a.decided()) {
            wb.setScore(r, 7, a.totalAfter - a.totalBefore);
            wb.setNumber(r, 8, a.placeBefore);
            wb.setNumber(r, 9, a.placeAfter);
        }
        ++r;
    }
}

}  // namespace reports
