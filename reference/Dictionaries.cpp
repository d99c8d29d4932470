#include "reference/Dictionaries.h"

#include "Query.h"

namespace dict {

void addKomand(Database& db, Transaction& tr, const QString& komand) {
    Query q(db, tr, {"INSERT INTO S_KOMAND (KOMAND)", "VALUES (:KOMAND);"});
    q.setText("KOMAND", komand);
    q.execute();
}

void addPredmet(Database& db, Transaction& tr, const QString& predmet) {
    Query q(db, tr, {"INSERT INTO S_PREDMET (PREDMET)", "VALUES (:PREDMET);"});
    q.setText("PREDMET", predmet);
    q.execute();
}

void addKlass(Database& db, Transaction& tr, const QString& klass) {
    Query q(db, tr, {"INSERT INTO S_KLASS(KLASS)", "VALUES (:KLASS);"});
    q.setText("KLASS", klass);
    q.execute();
}

void addSchool(Database& db, Transaction& tr, int idKomand, const QString& school) {
    Query q(db, tr, {"INSERT INTO S_SCHOOL (SCHOOL, ID_KOMAND)", "VALUES (:SCHOOL, :ID_KOMAND);"});
    q.setText("SCHOOL", school);
    q.setInt("ID_KOMAND", idKomand);
    q.execute();
}

void renameSchool(Database& db, Transaction& tr, int idKomand, int idSchool, const QString& school) {
    Query q(db, tr,
            {"UPDATE S_SCHOOL ", "SET SCHOOL =  :SCHOOL ", "WHERE ID_KOMAND=:ID_KOMAND AND ID_SCHOOL=:ID_SCHOOL;"});
    q.setText("SCHOOL", school);
    q.setInt("ID_KOMAND", idKomand);
    q.setInt("ID_SCHOOL", idSchool);
    q.execute();
}

void deleteKomand(Database& db, Transaction& tr, const QString& komand) {
    Query q(db, tr, {"DELETE FROM S_KOMAND", "WHERE KOMAND= :KOMAND ;"});
    q.setText("KOMAND", komand);
    q.execute();
}

void deletePredmet(Database& db, Transaction& tr, const QString& predmet) {
    Query q(db, tr, {"DELETE FROM S_PREDMET", "WHERE PREDMET= :PREDMET ;"});
    q.setText("PREDMET", predmet);
    q.execute();
}

void deleteSchool(Database& db, Transaction& tr, int idKomand, const QString& school) {
    Query q(db, tr, {"DELETE FROM S_SCHOOL", "WHERE SCHOOL= :SCHOOL AND ID_KOMAND= :ID_KOMAND ;"});
    q.setText("SCHOOL", school);
    q.setInt("ID_KOMAND", idKomand);
    q.execute();
}

}  // namespace dict
