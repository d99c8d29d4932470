#include "reference/Rounds.h"

#include "Query.h"
#include "Text.h"

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

SlotProblem problem(const RoundSlots& slots) {
    for (int n = 1; n <= 4; ++n) {
        const RoundSlot& s = slots[n - 1];
        const QString name = s.name.trimmed();
        if (name.isEmpty()) continue;
        bool ok = false;
        const int count = s.count.trimmed().toInt(&ok);
        if (!ok || count < 1 || count > kMaxTasks)
            return {n, false,
                    QStringLiteral("Тур%1: количество задач должно быть целым числом от 1 до %2 (сейчас «%3»)")
                        .arg(n)
                        .arg(kMaxTasks)
                        .arg(s.count)};
        for (int m = 1; m < n; ++m)
            if (slots[m - 1].name.trimmed().compare(name, Qt::CaseInsensitive) == 0)
                return {n, true, QStringLiteral("Тур%1: такое же название, как у тура %2 («%3»). Названия туров должны различаться.")
                                     .arg(n)
                                     .arg(m)
                                     .arg(name)};
    }
    return {};
}

void save(Database& db, Transaction& tr, int idPredmet, const RoundSlots& slots) {
    // Each slot is updated where its row exists and inserted where it does not, so that the four
    // slots are stored whole whatever rows an earlier save or a merge left.
    Query exists(db, tr, {"SELECT * FROM TUR ", "WHERE ID_PREDMET=:ID_PREDMET AND ID=:ID"});
    Query insert(db, tr,
                 {"INSERT INTO  TUR (ID,ID_PREDMET, ID_TUR, NAME_TUR, KOL_ZAD)",
                  "VALUES (:ID, :ID_PREDMET, :ID_TUR, :NAME_TUR,  :KOL_ZAD);"});
    Query update(db, tr,
                 {"UPDATE TUR", "SET  ID_TUR=:ID_TUR, KOL_ZAD=:KOL_ZAD, NAME_TUR=:NAME_TUR",
                  "WHERE ID_PREDMET= :ID_PREDMET AND ID=:ID;"});
    for (int n = 1; n <= 4; ++n) {
        const RoundSlot& s = slots[n - 1];
        const bool used = !s.name.trimmed().isEmpty();
        exists.setInt("ID_PREDMET", idPredmet);
        exists.setInt("ID", n);
        exists.open();
        Query& write = exists.isEmpty() ? insert : update;
        exists.close();
        write.setInt("ID", n);
        write.setInt("ID_PREDMET", idPredmet);
        write.setInt("ID_TUR", used ? n : 0);
        write.setText("NAME_TUR", used ? s.name.trimmed() : QString());
        write.setInt("KOL_ZAD", used ? s.count.trimmed().toInt() : 0);
        write.execute();
    }
}

std::optional<Round> describe(Database& db, Transaction& tr, const QString& predmet, int idTur) {
    if (idTur < 1 || idTur > 4 || !text1251::canEncode(predmet)) return std::nullopt;
    Query q(db, tr,
            {"SELECT T.KOL_ZAD, T.NAME_TUR", "FROM S_PREDMET P, TUR T",
             "WHERE P.PREDMET=:PREDMET AND T.ID_PREDMET=P.ID_PREDMET AND ID_TUR=:ID_TUR;"});
    q.setText("PREDMET", predmet);
    q.setInt("ID_TUR", idTur);
    q.open();
    if (q.isEmpty()) return std::nullopt;
    return Round{q.fieldText("NAME_TUR"), int(q.fieldInt("KOL_ZAD"))};
}

QStringList names(Database& db, Transaction& tr, const QString& predmet) {
    if (!text1251::canEncode(predmet)) return {};
    Query q(db, tr,
            {"SELECT T.NAME_TUR", "FROM S_PREDMET P, TUR T",
             " WHERE P.PREDMET = :PREDMET AND T.ID_PREDMET= P.ID_PREDMET AND T.ID_TUR !=0", "GROUP BY T.NAME_TUR",
             "ORDER BY  MIN(T.ID_TUR);"});
    q.setText("PREDMET", predmet);
    q.open();
    QStringList out;
    for (q.first(); !q.eof(); q.next()) out.append(q.fieldText("NAME_TUR"));
    return out;
}

QList<int> numbers(Database& db, Transaction& tr, const QString& predmet) {
    if (!text1251::canEncode(predmet)) return {};
    Query q(db, tr,
            {"SELECT T.ID_TUR", "FROM S_PREDMET P, TUR T",
             "WHERE P.PREDMET=:PREDMET  AND  T.ID_PREDMET=P.ID_PREDMET  AND T.ID_TUR<>0", "GROUP BY T.ID_TUR",
             "ORDER BY T.ID_TUR"});
    q.setText("PREDMET", predmet);
    q.open();
    QList<int> out;
    for (q.first(); !q.eof(); q.next()) out.append(int(q.fieldInt("ID_TUR")));
    return out;
}

}  // namespace rounds
