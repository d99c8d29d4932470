#include "Lookups.h"

#include "Query.h"
#include "Text.h"

namespace lookup {

namespace {
// A text the database cannot hold names no row: the lookup finds nothing rather than failing.
int keyByName(Database& db, Transaction& tr, const char* sql, const char* param, const QString& name) {
    if (!text1251::canEncode(name)) return 0;
    Query q(db, tr, {sql});
    q.setText(QString::fromLatin1(param), name);
    q.open();
    return q.isEmpty() ? 0 : int(q.fieldInt(q.fieldNames().first()));
}

int firstKey(Query& q, const char* field) {
    q.open();
    const int key = q.isEmpty() ? 0 : int(q.fieldInt(QString::fromLatin1(field)));
    q.close();
    return key;
}
}  // namespace

int komandKey(Database& db, Transaction& tr, const QString& komand) {
    return keyByName(db, tr, "SELECT ID_KOMAND FROM S_KOMAND  WHERE KOMAND = :KOMAND", "KOMAND", komand);
}

int predmetKey(Database& db, Transaction& tr, const QString& predmet) {
    return keyByName(db, tr, "SELECT ID_PREDMET FROM S_PREDMET  WHERE PREDMET = :PREDMET", "PREDMET", predmet);
}

int klassKey(Database& db, Transaction& tr, const QString& klass) {
    return keyByName(db, tr, "SELECT ID_KLASS FROM S_KLASS  WHERE KLASS = :KLASS", "KLASS", klass);
}

int schoolKey(Database& db, Transaction& tr, int idKomand, const QString& school) {
    if (!text1251::canEncode(school)) return 0;
    Query q(db, tr, {"SELECT ID_SCHOOL  FROM S_SCHOOL ", "WHERE ID_KOMAND = :ID_KOMAND AND SCHOOL = :SCHOOL"});
    q.setInt("ID_KOMAND", idKomand);
    q.setText("SCHOOL", school);
    return firstKey(q, "ID_SCHOOL");
}

namespace {
QStringList column(Query& q) {
    q.open();
    QStringList out;
    for (q.first(); !q.eof(); q.next()) out.append(q.fieldText(q.fieldNames().first()));
    return out;
}
}  // namespace

QStringList subjectsWithParticipants(Database& db, Transaction& tr, Order order) {
    Query q(db, tr);
    if (order == Order::ByName)
        q.setSql({"SELECT P.PREDMET", "FROM S_PREDMET P, SPISOK S", "WHERE P.ID_PREDMET=S.ID_PREDMET",
                  "GROUP BY P.PREDMET", "ORDER BY P.PREDMET"});
    else
        q.setSql({"SELECT P.PREDMET", "FROM S_PREDMET P, SPISOK S", "WHERE P.ID_PREDMET=S.ID_PREDMET",
                  "GROUP BY P.ID_PREDMET, P.PREDMET", "ORDER BY P.ID_PREDMET"});
    return column(q);
}

QStringList teamsWithParticipants(Database& db, Transaction& tr, Order order) {
    Query q(db, tr);
    if (order == Order::ByKey)
        q.setSql({"SELECT K.KOMAND FROM S_KOMAND K, SPISOK S", "WHERE K.ID_KOMAND=S.ID_KOMAND",
                  "GROUP BY K.ID_KOMAND, K.KOMAND", "ORDER BY K.ID_KOMAND"});
    else
        q.setSql({"SELECT K.KOMAND FROM S_KOMAND K, SPISOK S", "WHERE K.ID_KOMAND=S.ID_KOMAND ", "GROUP BY K.KOMAND ",
                  "ORDER BY K.KOMAND"});
    return column(q);
}

QStringList subjectsOfTeam(Database& db, Transaction& tr, const QString& komand, Order order) {
    if (!text1251::canEncode(komand)) return {};
    Query q(db, tr);
    if (order == Order::ByKey)
        q.setSql({"SELECT P.PREDMET", "FROM S_PREDMET P, SPISOK S, S_KOMAND K",
                  "WHERE K.KOMAND=:KOMAND  AND  S.ID_KOMAND=K.ID_KOMAND AND P.ID_PREDMET=S.ID_PREDMET",
                  "GROUP BY P.ID_PREDMET, P.PREDMET", "ORDER BY P.ID_PREDMET"});
    else
        q.setSql({"SELECT P.PREDMET ", "FROM S_PREDMET P, SPISOK S, S_KOMAND K",
                  "WHERE K.KOMAND=:KOMAND  AND  S.ID_KOMAND=K.ID_KOMAND AND P.ID_PREDMET=S.ID_PREDMET ",
                  "GROUP BY P.PREDMET  ", "ORDER BY P.PREDMET"});
    q.setText("KOMAND", komand);
    return column(q);
}

QStringList gradesWithResults(Database& db, Transaction& tr, const QString& predmet) {
    if (!text1251::canEncode(predmet)) return {};
    Query q(db, tr,
            {"SELECT K.KLASS", "FROM S_PREDMET P, BAL B, S_KLASS K",
             "WHERE P.PREDMET=:PREDMET  AND  B.ID_PREDMET=P.ID_PREDMET   AND K.ID_KLASS=B.KLASS",
             "GROUP BY K.ID_KLASS, K.KLASS", "ORDER BY K.ID_KLASS"});
    q.setText("PREDMET", predmet);
    return column(q);
}

QStringList gradesOfSubject(Database& db, Transaction& tr, const QString& predmet) {
    if (!text1251::canEncode(predmet)) return {};
    Query q(db, tr,
            {"SELECT K.KLASS", "FROM S_KLASS K, SPISOK S, S_PREDMET P",
             "WHERE S.KLASS = K.ID_KLASS AND S.ID_PREDMET = P.ID_PREDMET AND P.PREDMET = :PREDMET",
             "GROUP BY K.ID_KLASS, K.KLASS", "ORDER BY K.ID_KLASS"});
    q.setText("PREDMET", predmet);
    return column(q);
}

QStringList schoolsOfTeam(Database& db, Transaction& tr, int idKomand) {
    Query q(db, tr, {"SELECT SCHOOL FROM S_SCHOOL WHERE ID_KOMAND = :ID_KOMAND ORDER BY SCHOOL"});
    q.setInt("ID_KOMAND", idKomand);
    return column(q);
}

QStringList dictionary(Database& db, Transaction& tr, Dictionary which) {
    Query q(db, tr);
    switch (which) {
    case Dictionary::Teams: q.setSql({"SELECT KOMAND FROM S_KOMAND ORDER BY ID_KOMAND"}); break;
    case Dictionary::Subjects: q.setSql({"SELECT PREDMET FROM S_PREDMET ORDER BY ID_PREDMET"}); break;
    case Dictionary::Grades: q.setSql({"SELECT KLASS FROM S_KLASS ORDER BY ID_KLASS"}); break;
    }
    return column(q);
}

QString dictionaryName(Database& db, Transaction& tr, Dictionary which, int key) {
    Query q(db, tr);
    switch (which) {
    case Dictionary::Teams: q.setSql({"SELECT KOMAND AS N FROM S_KOMAND WHERE ID_KOMAND = :ID"}); break;
    case Dictionary::Subjects: q.setSql({"SELECT PREDMET AS N FROM S_PREDMET WHERE ID_PREDMET = :ID"}); break;
    case Dictionary::Grades: q.setSql({"SELECT KLASS AS N FROM S_KLASS WHERE ID_KLASS = :ID"}); break;
    }
    q.setInt("ID", key);
    q.open();
    return q.isEmpty() ? QString() : q.fieldText("N");
}

void selectParticipants(Query& q, const QString& predmet, int idKlass, const QString& more, int group) {
    q.setSql({QStringLiteral("SELECT S.ID_CHILD, S.ID_PREDMET, S.KLASS, S.SURNAME, S.NAME, S.SECONDNAME, S.SCHOOL%1")
                  .arg(more.isEmpty() ? QString() : QStringLiteral(", ") + more),
              QStringLiteral("FROM SPISOK S JOIN S_PREDMET P ON P.ID_PREDMET = S.ID_PREDMET%1")
                  .arg(group ? QStringLiteral(" JOIN GRUP G ON G.ID_CHILD = S.ID_CHILD AND G.N_GROUP = :N_GROUP")
                             : QString()),
              QStringLiteral("WHERE S.KLASS = :KLASS AND P.PREDMET = :PREDMET"),
              QStringLiteral("ORDER BY S.SURNAME, S.NAME, S.SECONDNAME, S.ID_CHILD")});
    q.setInt("KLASS", idKlass);
    q.setText("PREDMET", text1251::canEncode(predmet) ? predmet : QString());
    if (group) q.setInt("N_GROUP", group);
}

void selectTeachers(Query& q, qint64 idChild) {
    q.setSql({"SELECT * FROM TEACHERS", "WHERE ID_CHILD = :ID_CHILD", "ORDER BY ID_TEACHER"});
    q.setInt("ID_CHILD", idChild);
}

}  // namespace lookup
