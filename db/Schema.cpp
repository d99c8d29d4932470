#include "Schema.h"

#include "Database.h"
#include "Query.h"
#include "schema_sql.h"

namespace schema {

QStringList statements() {
    QStringList out;
    QString current;
    for (const QString& raw : QString::fromUtf8(kSchemaSql).split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u"--")) continue;
        current += raw + u'\n';
        if (line.endsWith(u';')) {
            current = current.trimmed();
            current.chop(1);
            out.append(current);
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty()) out.append(current.trimmed());
    return out;
}

void createDatabase(Database& db, const QString& name) {
    db.databaseName = name;
    db.create();
    Transaction tr(db);
    tr.start();
    for (const QString& stmt : statements()) {
        Query q(db, tr);
        q.setSql(QStringList{stmt});
        q.execute();
        tr.commitRetaining();  // each table must exist before a later one refers to it
    }
    tr.commit();
}

}  // namespace schema
