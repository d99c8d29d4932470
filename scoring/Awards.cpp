#include "scoring/Awards.h"

#include "Convert.h"
#include "Query.h"
#include "appeals/Status.h"

namespace awards {

int degree(const QString& text) {
    const int d = wholeNumber(text).value_or(-1);
    return d >= 0 && d <= 4 ? d : -1;
}

bool give(Database& db, Transaction& tr, int idChild, int degree) {
    status::refuseIfFinalFor(db, tr, idChild);
    Query q(db, tr, {"UPDATE BAL", "SET DIPL_STEP =  :DIPL_STEP", "WHERE ID_CHILD=:ID_CHILD;"});
    q.setInt("DIPL_STEP", degree);
    q.setInt("ID_CHILD", idChild);
    q.execute();
    return q.rowsAffected() > 0;
}

bool anyGiven(Database& db, Transaction& tr, int idPredmet) {
    Query q(db, tr, {"SELECT COUNT(*) AS N FROM BAL WHERE ID_PREDMET = :ID_PREDMET AND DIPL_STEP > 0"});
    q.setInt("ID_PREDMET", idPredmet);
    q.open();
    return q.fieldInt("N") > 0;
}

}  // namespace awards
