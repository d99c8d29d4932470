#include "Rows.h"

bool hasTable(Database& db, Transaction& tr, const QString& table) {
    Query q(db, tr, {"SELECT COUNT(*) AS N FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = :NAME"});
    q.setText("NAME", table);
    q.open();
    return q.fieldInt("N") > 0;
}
