#include "Rows.h"

bool hasTable(Database& db, Transaction& tr, const QString& table) {
    Query q(db, tr, {"SELECT COUNT(*) AS N FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = :NAME"});
    q.setText("NAME", table);
    q.open();
    return q.fieldInt("N") > 0;
}

bool hasColumn(Database& db, Transaction& tr, const QString& table, const QString& column) {
    Query q(db, tr,
            {"SELECT COUNT(*) AS N FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = :T AND RDB$FIELD_NAME = :C"});
    q.setText("T", table);
    q.setText("C", column);
    q.open();
    return q.fieldInt("N") > 0;
}
