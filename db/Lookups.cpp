#include "Lookups.h"

#include "Query.h"

namespace lookup {

namespace {
int firstKey(Query& q, const char* field) {
    q.open();
    const int key = q.isEmpty() ? 0 : int(q.fieldInt(QString::fromLatin1(field)));
    q.close();
    return key;
}
}  // namespace

int komandKey(Database& db, Transaction& tr, const QString& komand) {
    Query q(db, tr, {"SELECT ID_KOMAND FROM S_KOMAND  WHERE KOMAND = :KOMAND"});
    q.setText("KOMAND", komand);
    return firstKey(q, "ID_KOMAND");
}

int predmetKey(Database& db, Transaction& tr, const QString& predmet) {
    Query q(db, tr, {"SELECT ID_PREDMET FROM S_PREDMET  WHERE PREDMET = :PREDMET"});
    q.setText("PREDMET", predmet);
    return firstKey(q, "ID_PREDMET");
}

int klassKey(Database& db, Transaction& tr, const QString& klass) {
    Query q(db, tr, {"SELECT ID_KLASS FROM S_KLASS  WHERE KLASS = :KLASS"});
    q.setText("KLASS", klass);
    return firstKey(q, "ID_KLASS");
}

QString klassText(Database& db, Transaction& tr, int idKlass) {
    Query q(db, tr, {"SELECT KLASS FROM S_KLASS  WHERE ID_KLASS = :ID_KLASS"});
    q.setInt("ID_KLASS", idKlass);
    q.open();
    return q.isEmpty() ? QString() : q.fieldText("KLASS");
}

int schoolKey(Database& db, Transaction& tr, int idKomand, const QString& school) {
    Query q(db, tr, {"SELECT ID_SCHOOL  FROM S_SCHOOL ", "WHERE ID_KOMAND = :ID_KOMAND AND SCHOOL = :SCHOOL"});
    q.setInt("ID_KOMAND", idKomand);
    q.setText("SCHOOL", school);
    return firstKey(q, "ID_SCHOOL");
}

}  // namespace lookup
