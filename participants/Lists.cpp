#include "participants/Lists.h"

#include "Query.h"
#include "scoring/Places.h"

namespace participants {

void remove(Database& db, Transaction& tr, int idChild) {
    Query scored(db, tr, {"SELECT ID_PREDMET, KLASS FROM BAL WHERE ID_CHILD = :ID_CHILD"});
    scored.setInt("ID_CHILD", idChild);
    scored.open();
    const bool hadScores = !scored.isEmpty();
    const int idPredmet = hadScores ? int(scored.fieldInt("ID_PREDMET")) : 0;
    const int idKlass = hadScores ? int(scored.fieldInt("KLASS")) : 0;
    if (hadScores) lockSubjectPlaces(db, tr, idPredmet);

    Query del(db, tr);
    for (const char* table : {"BAL", "GRUP", "SHIFR", "TEACHERS"}) {
        del.setSql(QStringList{QStringLiteral("DELETE FROM  %1").arg(QLatin1String(table)),
                               QStringLiteral("WHERE  ID_CHILD= :ID_CHILD;")});
        del.setInt("ID_CHILD", idChild);
        del.execute();
    }
    del.setSql({"DELETE FROM   SPISOK", "WHERE  ID_CHILD= :ID_CHILD;"});
    del.setInt("ID_CHILD", idChild);
    del.execute();

    if (hadScores) RecomputePlaces(db, tr, idPredmet, idKlass);
}

}  // namespace participants
