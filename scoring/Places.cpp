#include "scoring/Places.h"

#include "Lookups.h"
#include "Query.h"

void lockSubjectPlaces(Database& db, Transaction& tr, int idPredmet) {
    Query lock(db, tr, {"SELECT ID_PREDMET FROM S_PREDMET WHERE ID_PREDMET = :ID_PREDMET WITH LOCK"});
    lock.setInt("ID_PREDMET", idPredmet);
    lock.open();
}

void RecomputePlaces(Database& db, Transaction& tr, int idPredmet, int idKlass) {
    lockSubjectPlaces(db, tr, idPredmet);
    Query q(db, tr,
            {"MERGE INTO BAL B",
             "USING (SELECT ID_CHILD, DENSE_RANK() OVER (ORDER BY COALESCE(SUMM, 0) DESC) AS PLACE",
             "       FROM BAL WHERE ID_PREDMET = :ID_PREDMET AND KLASS = :KLASS) R",
             "ON B.ID_CHILD = R.ID_CHILD",
             "WHEN MATCHED AND B.MESTO IS DISTINCT FROM R.PLACE THEN UPDATE SET MESTO = R.PLACE"});
    q.setInt("ID_PREDMET", idPredmet);
    q.setInt("KLASS", idKlass);
    q.execute();
}

void RecomputeSubjectPlaces(Database& db, Transaction& tr, int idPredmet) {
    lockSubjectPlaces(db, tr, idPredmet);
    Query q(db, tr,
            {"MERGE INTO BAL B",
             "USING (SELECT ID_CHILD, DENSE_RANK() OVER (PARTITION BY KLASS ORDER BY COALESCE(SUMM, 0) DESC) AS PLACE",
             "       FROM BAL WHERE ID_PREDMET = :ID_PREDMET) R",
             "ON B.ID_CHILD = R.ID_CHILD",
             "WHEN MATCHED AND B.MESTO IS DISTINCT FROM R.PLACE THEN UPDATE SET MESTO = R.PLACE"});
    q.setInt("ID_PREDMET", idPredmet);
    q.execute();
}

void RecomputePlaces(Database& db, Transaction& tr, const QString& predmet, const QString& klass) {
    RecomputePlaces(db, tr, lookup::predmetKey(db, tr, predmet), lookup::klassKey(db, tr, klass));
}
