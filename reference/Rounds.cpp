#include "reference/Rounds.h"

#include "Query.h"

namespace rounds {

RoundSlots load(Database& db, Transaction& tr, int idPredmet) {
    RoundSlots slots;
    Query q(db, tr, {"SELECT * FROM TUR ", "WHERE ID_PREDMET=:ID_PREDMET AND ID=:ID"});
    for (int n = 1; n <= 4; ++n) {
        q.setInt("ID_PREDMET", idPredmet);
        q.setInt("ID", n);
        q.open();
        if (!q.isEmpty()) {
            slots[n - 1].name = q.fieldText("NAME_TUR");
            slots[n - 1].count = QString::number(q.fieldInt("KOL_ZAD"));
        }
        q.close();
    }
    return slots;
}

QString validate(const RoundSlots& slots) {
    for (int n = 1; n <= 4; ++n) {
        const RoundSlot& s = slots[n - 1];
        if (s.name.trimmed().isEmpty()) continue;
        bool ok = false;
        const int count = s.count.trimmed().toInt(&ok);
        if (!ok || count < 1 || count > kMaxTasks)
            return QStringLiteral("Тур%1: количество задач должно быть целым числом от 1 до %2 (сейчас «%3»)")
                .arg(n)
                .arg(kMaxTasks)
                .arg(s.count);
    }
    return QString();
}

void save(Database& db, Transaction& tr, int idPredmet, const RoundSlots& slots) {
    Query rows(db, tr, {"SELECT * FROM TUR ", "WHERE ID_PREDMET=:ID_PREDMET"});
    rows.setInt("ID_PREDMET", idPredmet);
    rows.open();
    const bool insert = rows.isEmpty();
    rows.close();

    Query write(db, tr);
    if (insert)
        write.setSql({"INSERT INTO  TUR (ID,ID_PREDMET, ID_TUR, NAME_TUR, KOL_ZAD)",
                      "VALUES (:ID, :ID_PREDMET, :ID_TUR, :NAME_TUR,  :KOL_ZAD);"});
    else
        write.setSql({"UPDATE TUR", "SET  ID_TUR=:ID_TUR, KOL_ZAD=:KOL_ZAD, NAME_TUR=:NAME_TUR",
                      "WHERE ID_PREDMET= :ID_PREDMET AND ID=:ID;"});
    for (int n = 1; n <= 4; ++n) {
        const RoundSlot& s = slots[n - 1];
        const bool used = !s.name.trimmed().isEmpty();
        write.setInt("ID", n);
        write.setInt("ID_PREDMET", idPredmet);
        write.setInt("ID_TUR", used ? n : 0);
        write.setText("NAME_TUR", used ? s.name.trimmed() : QString());
        write.setInt("KOL_ZAD", used ? s.count.trimmed().toInt() : 0);
        write.execute();
    }
}

}  // namespace rounds
