#include "Settings.h"

#include "Query.h"

namespace settings {

std::optional<QString> value(Database& db, Transaction& tr, const QString& name) {
    Query q(db, tr, {"SELECT ZNACH FROM NASTROIKI WHERE NAME = :NAME"});
    q.setText("NAME", name);
    q.open();
    if (q.eof()) return std::nullopt;
    return q.fieldText("ZNACH");
}

void setValue(Database& db, Transaction& tr, const QString& name, const QString& value) {
    Query q(db, tr, {"UPDATE OR INSERT INTO NASTROIKI (NAME, ZNACH) VALUES (:NAME, :ZNACH) MATCHING (NAME)"});
    q.setText("NAME", name);
    q.setText("ZNACH", value);
    q.execute();
}

}  // namespace settings
