#include "diplomas/Numbers.h"

#include "Query.h"

namespace diplomanumbers {

QString numberFor(Database& db, Transaction& tr, int idChild, int degree, const QString& prefix, const QDate& date,
                  bool nominative) {
    Query held(db, tr, {"SELECT NOMER, DIPL_STEP FROM DIPLOM WHERE ID_CHILD = :ID_CHILD AND STATUS = 1"});
    held.setInt("ID_CHILD", idChild);
    held.open();
    Query q(db, tr);
    for (held.first(); !held.eof(); held.next()) {
        const QString number = held.fieldText("NOMER");
        if (held.fieldInt("DIPL_STEP") == degree) {
            q.setSql({"UPDATE DIPLOM SET PRINTED = :PRINTED, NOMINATIVE = :NOMINATIVE WHERE NOMER = :NOMER"});
            q.setText("PRINTED", date.toString(Qt::ISODate));
            q.setInt("NOMINATIVE", nominative ? 1 : 0);
            q.setText("NOMER", number);
            q.execute();
            return number;
        }
        q.setSql({"UPDATE DIPLOM SET STATUS = 0 WHERE NOMER = :NOMER"});
        q.setText("NOMER", number);
        q.execute();
    }
    q.setSql({"SELECT NEXT VALUE FOR GEN_DIPLOM AS N FROM RDB$DATABASE"});
    q.open();
    const qint64 n = q.fieldInt("N");
    const QString number = QStringLiteral("%1-%2").arg(prefix).arg(n);
    q.setSql({"INSERT INTO DIPLOM (NOMER, PREFIX, N, ID_CHILD, DIPL_STEP, PRINTED, STATUS, NOMINATIVE)",
              "VALUES (:NOMER, :PREFIX, :N, :ID_CHILD, :DIPL_STEP, :PRINTED, 1, :NOMINATIVE)"});
    q.setText("NOMER", number);
    q.setText("PREFIX", prefix);
    q.setInt("N", n);
    q.setInt("ID_CHILD", idChild);
    q.setInt("DIPL_STEP", degree);
    q.setText("PRINTED", date.toString(Qt::ISODate));
    q.setInt("NOMINATIVE", nominative ? 1 : 0);
    q.execute();
    return number;
}

QList<Entry> entries(Database& db, Transaction& tr) {
    Query q(db, tr, {"SELECT D.NOMER, D.DIPL_STEP, CAST(D.PRINTED AS VARCHAR(10)) AS PRINTED, D.STATUS, D.NOMINATIVE, B.DIPL_STEP AS NOW_STEP,",
                     "S.SURNAME, S.NAME, S.SECONDNAME, S.SCHOOL, P.PREDMET, K.KLASS",
                     "FROM DIPLOM D JOIN SPISOK S ON S.ID_CHILD = D.ID_CHILD",
                     "JOIN S_PREDMET P ON P.ID_PREDMET = S.ID_PREDMET JOIN S_KLASS K ON K.ID_KLASS = S.KLASS",
                     "LEFT JOIN BAL B ON B.ID_CHILD = D.ID_CHILD",
                     "ORDER BY P.PREDMET, K.ID_KLASS, D.PREFIX, D.N"});
    q.open();
    QList<Entry> out;
    for (q.first(); !q.eof(); q.next()) {
        Entry e;
        e.number = q.fieldText("NOMER");
        e.name = QStringList{q.fieldText("SURNAME"), q.fieldText("NAME"), q.fieldText("SECONDNAME")}.join(u' ').simplified();
        e.subject = q.fieldText("PREDMET");
        e.grade = q.fieldText("KLASS");
        e.school = q.fieldText("SCHOOL");
        e.degree = int(q.fieldInt("DIPL_STEP"));
        e.printed = QDate::fromString(q.fieldText("PRINTED").left(10), Qt::ISODate);
        e.standing = q.fieldInt("STATUS") == 1 && q.fieldInt("NOW_STEP") == e.degree;
        e.nominative = q.fieldInt("NOMINATIVE") == 1;
        out << e;
    }
    return out;
}

}  // namespace diplomanumbers
