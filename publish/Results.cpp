#include "publish/Results.h"

#include "Query.h"
#include "appeals/Status.h"
#include "participants/Names.h"
#include "reference/Rounds.h"

namespace publish {

namespace {

QList<Table> chosen(Database& db, Transaction& tr, const Choice& choice) {
    Query q(db, tr);
    q.setSql(QStringList{
        QStringLiteral("SELECT DISTINCT S.ID_PREDMET, S.KLASS, P.PREDMET, K.KLASS AS GRADE FROM SPISOK S"),
        QStringLiteral("JOIN S_PREDMET P ON P.ID_PREDMET = S.ID_PREDMET JOIN S_KLASS K ON K.ID_KLASS = S.KLASS"),
        QStringLiteral("WHERE S.NE_PUBL = 0"),
        choice.subject.isEmpty() ? QString() : QStringLiteral("AND P.PREDMET = :PREDMET"),
        choice.grade.isEmpty() ? QString() : QStringLiteral("AND K.KLASS = :KLASS"),
        QStringLiteral("ORDER BY P.PREDMET, S.KLASS")});
    if (!choice.subject.isEmpty()) q.setText("PREDMET", choice.subject);
    if (!choice.grade.isEmpty()) q.setText("KLASS", choice.grade);
    q.open();
    QList<Table> out;
    for (q.first(); !q.eof(); q.next()) {
        Table t;
        t.idPredmet = int(q.fieldInt("ID_PREDMET"));
        t.idKlass = int(q.fieldInt("KLASS"));
        t.subject = q.fieldText("PREDMET");
        t.grade = q.fieldText("GRADE");
        out << t;
    }
    return out;
}

std::optional<Score> scoreOf(const Query& q, const QString& field) {
    if (q.fieldIsNull(field)) return std::nullopt;
    return q.fieldScore(field);
}

// The participants of a table in place order; ties (and those without a place) by what the form
// shows, so that the order of a cipher list tells nothing of the names.
void readLines(Database& db, Transaction& tr, Table& t, Form form, const QList<int>& used) {
    Query q(db, tr);
    q.setSql(QStringList{
        QStringLiteral("SELECT S.ID_CHILD, S.SURNAME, S.NAME, S.SECONDNAME, S.SCHOOL, B.B1, B.B2, B.B3, B.B4,"),
        QStringLiteral("B.SUMM, B.MESTO, B.DIPL_STEP, (SELECT FIRST 1 SH.SHIFR FROM SHIFR SH"),
        QStringLiteral("WHERE SH.ID_CHILD = S.ID_CHILD ORDER BY SH.ID_TUR DESC) AS CODE"),
        QStringLiteral("FROM SPISOK S LEFT JOIN BAL B ON B.ID_CHILD = S.ID_CHILD"),
        QStringLiteral("WHERE S.ID_PREDMET = :ID_PREDMET AND S.KLASS = :KLASS AND S.NE_PUBL = 0"),
        QStringLiteral("ORDER BY CASE WHEN B.MESTO > 0 THEN B.MESTO ELSE 2147483647 END,"),
        form == Form::Ciphers ? QStringLiteral("CODE,") : QStringLiteral("S.SURNAME, S.NAME, S.SECONDNAME,"),
        QStringLiteral("S.ID_CHILD")});
    q.setInt("ID_PREDMET", t.idPredmet);
    q.setInt("KLASS", t.idKlass);
    q.open();
    for (q.first(); !q.eof(); q.next()) {
        Line l;
        l.place = qMax(0, int(q.fieldInt("MESTO")));
        if (form == Form::Ciphers) {
            l.who = q.fieldText("CODE").trimmed();
        } else {
            l.who = names::initials(q.fieldText("SURNAME"), q.fieldText("NAME"), q.fieldText("SECONDNAME"));
            l.school = q.fieldText("SCHOOL").simplified();
        }
        l.grade = t.grade;
        for (int n : used) l.rounds << scoreOf(q, QStringLiteral("B%1").arg(n));
        l.total = scoreOf(q, QStringLiteral("SUMM"));
        const int degree = int(q.fieldInt("DIPL_STEP"));
        l.degree = degree >= 1 && degree <= 4 ? degree : 0;
        t.lines << l;
    }
}

}  // namespace

QList<Table> tables(Database& db, Transaction& tr, const Choice& choice) {
    QList<Table> out = chosen(db, tr, choice);
    for (Table& t : out) {
        const status::State s = status::of(db, tr, t.idPredmet, t.idKlass);
        t.final = s.final;
        t.status = status::heading(s);
        const QList<int> used = rounds::numbers(db, tr, t.subject);
        const RoundSlots slots = rounds::load(db, tr, t.idPredmet);
        for (int n : used) t.rounds << slots[size_t(n - 1)].name.simplified();
        readLines(db, tr, t, choice.form, used);
    }
    return out;
}

QString refusal(const QList<Table>& tables, Form form) {
    if (form != Form::Names) return QString();
    QStringList open;
    for (const Table& t : tables)
        if (!t.final) open << QStringLiteral("%1, %2 класс").arg(t.subject, t.grade);
    if (open.isEmpty()) return QString();
    constexpr int kShown = 10;
    QString list = open.mid(0, kShown).join(QStringLiteral("; "));
    if (open.size() > kShown) list += QStringLiteral(" и ещё %1").arg(open.size() - kShown);
    return QStringLiteral("С фамилиями публикуются только итоговые результаты. Предварительные: %1. "
                          "Опубликуйте их по шифрам или сделайте итоговыми в «Итоги…».")
        .arg(list);
}

}  // namespace publish
