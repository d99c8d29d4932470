#include "participants/Groups.h"

#include "Lookups.h"
#include "Query.h"

#include <algorithm>

namespace groups {

QList<int> participants(Database& db, Transaction& tr, const QString& predmet, int idKlass) {
    Query q(db, tr);
    lookup::selectParticipants(q, predmet, idKlass);
    q.open();
    QList<int> keys;
    for (q.first(); !q.eof(); q.next()) keys.append(int(q.fieldInt("ID_CHILD")));
    std::sort(keys.begin(), keys.end());  // registration order
    return keys;
}

void prepareCounts(Database& db, Transaction& tr, int groupCount) {
    Query del(db, tr, {"DELETE FROM GROUP_TEMP"});
    del.execute();
    Query ins(db, tr, {"INSERT INTO GROUP_TEMP (NAME)", "VALUES (:NAME);"});
    for (int k = 1; k <= groupCount; ++k) {
        ins.setText("NAME", QStringLiteral("Группа %1").arg(k));
        ins.execute();
    }
}

void selectCounts(Query& q) {
    // "Группа 10" comes after "Группа 9": the rows are ordered by the number in the name.
    q.setSql({"SELECT NAME, KOL", "FROM GROUP_TEMP", "ORDER BY CAST(SUBSTRING(NAME FROM 8) AS INTEGER)"});
}

QList<Count> counts(Database& db, Transaction& tr) {
    Query q(db, tr);
    selectCounts(q);
    q.open();
    QList<Count> out;
    for (q.first(); !q.eof(); q.next()) out.append({q.fieldText("NAME"), int(q.fieldInt("KOL"))});
    return out;
}

void setCount(Database& db, Transaction& tr, const QString& name, std::optional<int> kol) {
    Query q(db, tr, {"UPDATE GROUP_TEMP SET KOL = :KOL WHERE NAME = :NAME"});
    if (kol)
        q.setInt("KOL", *kol);
    else
        q.setNull("KOL");
    q.setText("NAME", name);
    q.execute();
}

bool countsFit(const QList<Count>& counts, int participants) {
    qint64 sum = 0;
    for (const Count& c : counts) {
        if (c.kol < 0) return false;
        sum += c.kol;
    }
    return sum <= participants;
}

bool distribute(Database& db, Transaction& tr, const QString& predmet, int idPredmet, int idKlass,
                const QList<Count>& counts) {
    const QList<int> children = participants(db, tr, predmet, idKlass);
    if (!countsFit(counts, int(children.size()))) return false;
    Query del(db, tr, {"DELETE FROM GRUP", "WHERE ID_PREDMET= :ID_PREDMET AND KLASS= :KLASS;"});
    del.setInt("ID_PREDMET", idPredmet);
    del.setInt("KLASS", idKlass);
    del.execute();
    Query ins(db, tr,
              {"INSERT INTO GRUP (ID_CHILD, ID_PREDMET, KLASS, N_GROUP)",
               "VALUES (:ID_CHILD, :ID_PREDMET, :KLASS, :N_GROUP);"});
    ins.setInt("ID_PREDMET", idPredmet);
    ins.setInt("KLASS", idKlass);
    int next = 0;
    for (int g = 0; g < counts.size(); ++g) {
        for (int i = 0; i < counts[g].kol; ++i) {
            ins.setInt("ID_CHILD", children[next++]);
            ins.setInt("N_GROUP", g + 1);
            ins.execute();
        }
    }
    return true;
}

}  // namespace groups
