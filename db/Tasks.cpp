#include "Tasks.h"

#include "Query.h"

namespace tasks {

int ofRound(qint64 idTur, qint64 kolZad) {
    // A count the rounds window never stores (an earlier build's) shows no box, so it has no task.
    return idTur == 0 || kolZad < 1 || kolZad > kMaxPerRound ? 0 : int(kolZad);
}

namespace {
void read(Query& q, QHash<int, Counts>& out) {
    q.open();
    for (q.first(); !q.eof(); q.next()) {
        const qint64 slot = q.fieldInt("ID");
        if (slot < 1 || slot > 4) continue;
        out[int(q.fieldInt("ID_PREDMET"))][size_t(slot - 1)] = ofRound(q.fieldInt("ID_TUR"), q.fieldInt("KOL_ZAD"));
    }
}
}  // namespace

Counts inUse(Database& db, Transaction& tr, int idPredmet) {
    Query q(db, tr, {"SELECT ID_PREDMET, ID, ID_TUR, KOL_ZAD FROM TUR WHERE ID_PREDMET = :ID_PREDMET"});
    q.setInt("ID_PREDMET", idPredmet);
    QHash<int, Counts> out;
    read(q, out);
    return out.value(idPredmet);
}

QHash<int, Counts> inUseBySubject(Database& db, Transaction& tr) {
    Query q(db, tr, {"SELECT ID_PREDMET, ID, ID_TUR, KOL_ZAD FROM TUR"});
    QHash<int, Counts> out;
    read(q, out);
    return out;
}

}  // namespace tasks
