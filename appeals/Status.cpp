#include "appeals/Status.h"

#include "DbError.h"
#include "Lookups.h"
#include "Query.h"
#include "scoring/ScoreLog.h"

#include <QLocale>

namespace status {

State of(Database& db, Transaction& tr, int idPredmet, int idKlass) {
    Query q(db, tr,
            {"SELECT FIRST 1 FINAL, CAST(CHANGED_AT AS VARCHAR(24)) AS CHANGED_TEXT, WHO FROM ITOGI",
             "WHERE ID_PREDMET = :ID_PREDMET AND KLASS = :KLASS ORDER BY CHANGED_AT DESC, ID_ITOGI DESC"});
    q.setInt("ID_PREDMET", idPredmet);
    q.setInt("KLASS", idKlass);
    q.open();
    State s;
    if (q.isEmpty()) return s;
    s.final = q.fieldInt("FINAL") == 1;
    s.at = QDateTime::fromString(q.fieldText("CHANGED_TEXT").left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    s.who = q.fieldText("WHO");
    return s;
}

QString heading(const State& s) {
    if (!s.final) return QStringLiteral("Предварительные результаты");
    return QStringLiteral("Итоговые результаты на %1").arg(s.at.toString(QStringLiteral("dd.MM.yyyy")));
}

QString heading(Database& db, Transaction& tr, int idPredmet, int idKlass) {
    return heading(of(db, tr, idPredmet, idKlass));
}

QString heading(Database& db, Transaction& tr, const QString& predmet, const QString& klass) {
    return heading(db, tr, lookup::predmetKey(db, tr, predmet), lookup::klassKey(db, tr, klass));
}

QString heading(Database& db, Transaction& tr, int idPredmet, const QList<int>& grades) {
    State all;
    all.final = !grades.isEmpty();
    for (int k : grades) {
        const State s = of(db, tr, idPredmet, k);
        all.final = all.final && s.final;
        if (s.at > all.at) all.at = s.at;
    }
    return heading(all);
}

QString who() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");
    const QString station = scorelog::station();
    return (user.isEmpty() ? station : user + u'@' + station).left(63);
}

void set(Database& db, Transaction& tr, int idPredmet, int idKlass, bool final, const QString& by) {
    Query q(db, tr,
            {"INSERT INTO ITOGI (ID_PREDMET, KLASS, FINAL, WHO) VALUES (:ID_PREDMET, :KLASS, :FINAL, :WHO)"});
    q.setInt("ID_PREDMET", idPredmet);
    q.setInt("KLASS", idKlass);
    q.setInt("FINAL", final ? 1 : 0);
    q.setText("WHO", by.left(63));
    q.execute();
}

QString refusalText(Database& db, Transaction& tr, int idPredmet, int idKlass) {
    const State s = of(db, tr, idPredmet, idKlass);
    if (!s.final) return QString();
    return QStringLiteral("Результаты по предмету «%1», %2 класс — %3 (%4, %5): изменения не принимаются. "
                          "Чтобы их изменить, верните предварительные результаты в «Итоги…».")
        .arg(lookup::dictionaryName(db, tr, lookup::Dictionary::Subjects, idPredmet),
             lookup::dictionaryName(db, tr, lookup::Dictionary::Grades, idKlass), heading(s).toLower(),
             s.who, s.at.toString(QStringLiteral("dd.MM.yyyy HH:mm")));
}

void refuseIfFinal(Database& db, Transaction& tr, int idPredmet, int idKlass) {
    if (const QString why = refusalText(db, tr, idPredmet, idKlass); !why.isEmpty()) throw DbError(why);
}

void refuseIfFinalFor(Database& db, Transaction& tr, int idChild) {
    Query q(db, tr, {"SELECT ID_PREDMET, KLASS FROM BAL WHERE ID_CHILD = :ID_CHILD"});
    q.setInt("ID_CHILD", idChild);
    q.open();
    if (!q.isEmpty()) refuseIfFinal(db, tr, int(q.fieldInt("ID_PREDMET")), int(q.fieldInt("KLASS")));
}

Open open(Database& db, Transaction& tr, int idPredmet, int idKlass) {
    Open o;
    Query q(db, tr,
            {"SELECT A.N_APPEAL, (SELECT FIRST 1 SH.SHIFR FROM SHIFR SH WHERE SH.ID_CHILD = A.ID_CHILD",
             "AND SH.ID_TUR = A.ID_TUR) AS SHIFR, S.SURNAME, S.NAME FROM APPEAL A JOIN SPISOK S ON S.ID_CHILD = A.ID_CHILD",
             "WHERE S.ID_PREDMET = :ID_PREDMET AND S.KLASS = :KLASS AND A.DECIDED_AT IS NULL ORDER BY A.N_APPEAL"});
    q.setInt("ID_PREDMET", idPredmet);
    q.setInt("KLASS", idKlass);
    q.open();
    for (q.first(); !q.eof(); q.next()) {
        const QString code = q.fieldText("SHIFR");
        o.undecided << QStringLiteral("№ %1 (%2)").arg(q.fieldInt("N_APPEAL")).arg(
                           code.isEmpty() ? q.fieldText("SURNAME") + u' ' + q.fieldText("NAME") : QStringLiteral("шифр ") + code);
    }
    o.participants = scorelog::participants(db, tr, idPredmet, idKlass);
    o.notEntered = o.participants - int(scorelog::entered(db, tr, idPredmet, idKlass).size());
    return o;
}

QString finalRefusal(const Open& o) {
    if (o.undecided.isEmpty()) return QString();
    return QStringLiteral("Есть апелляции без решения: %1. Результаты не могут стать итоговыми, пока по ним не принято решение.")
        .arg(o.undecided.join(QStringLiteral(", ")));
}

}  // namespace status
