#include "reference/Rounds.h"

#include "Convert.h"
#include "Query.h"
#include "DbError.h"
#include "Tasks.h"
#include "Text.h"

#include <QRegularExpression>
#include <algorithm>

namespace rounds {

namespace {

// The maxima typed for a slot: scores separated by blanks or ";"; none for a text that is not.
std::optional<QList<Score>> parseMaxima(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[\\s;]+"));
    QList<Score> out;
    for (const QString& part : text.split(separators, Qt::SkipEmptyParts)) {
        try {
            out << Score::parse(part);
        } catch (const ConversionError&) {
            return std::nullopt;
        }
    }
    return out;
}

}  // namespace

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
    const Maxima max = maxima(db, tr, idPredmet);
    for (int n = 0; n < 4; ++n) {
        QStringList typed;
        for (int j = 0; j < kMaxTasks && max[size_t(6 * n + j)]; ++j) typed << max[size_t(6 * n + j)]->toString();
        slots[size_t(n)].maxima = typed.join(u' ');
    }
    return slots;
}

Maxima maxima(Database& db, Transaction& tr, int idPredmet) {
    Maxima out{};
    Query q(db, tr, {"SELECT ID, N_ZAD, MAX_BAL FROM TUR_MAX WHERE ID_PREDMET = :ID_PREDMET"});
    q.setInt("ID_PREDMET", idPredmet);
    q.open();
    for (q.first(); !q.eof(); q.next()) {
        const int slot = int(6 * (q.fieldInt("ID") - 1) + q.fieldInt("N_ZAD") - 1);
        if (slot >= 0 && slot < 24) out[size_t(slot)] = q.fieldScore("MAX_BAL");
    }
    return out;
}

Maxima typedMaxima(const RoundSlots& slots) {
    Maxima out{};
    for (int n = 0; n < 4; ++n) {
        if (slots[size_t(n)].name.trimmed().isEmpty()) continue;
        const QList<Score> typed = parseMaxima(slots[size_t(n)].maxima).value_or(QList<Score>{});
        for (int j = 0; j < qMin<qsizetype>(typed.size(), kMaxTasks); ++j) out[size_t(6 * n + j)] = typed[j];
    }
    return out;
}

tasks::Counts typedTasks(const RoundSlots& slots) {
    tasks::Counts out{};
    for (int n = 0; n < 4; ++n)
        out[size_t(n)] = slots[size_t(n)].name.trimmed().isEmpty() ? 0 : tasks::ofRound(n + 1, wholeNumber(slots[size_t(n)].count).value_or(0));
    return out;
}

std::optional<Score> maxTotal(Database& db, Transaction& tr, int idPredmet) {
    const tasks::Counts counts = tasks::inUse(db, tr, idPredmet);
    if (counts == tasks::Counts{}) return std::nullopt;
    const Maxima max = maxima(db, tr, idPredmet);
    Score total;
    for (int k = 0; k < 4; ++k)
        for (int j = 0; j < counts[size_t(k)]; ++j) {
            const auto& m = max[size_t(6 * k + j)];
            if (!m) return std::nullopt;
            total += *m;
        }
    return total;
}

SlotProblem problem(const RoundSlots& slots) {
    for (int n = 1; n <= 4; ++n) {
        const RoundSlot& s = slots[n - 1];
        const QString name = s.name.trimmed();
        if (name.isEmpty()) {
            if (!s.maxima.trimmed().isEmpty())
                return {n, SlotProblem::Maxima,
                        QStringLiteral("Тур%1: у тура нет названия, его наибольшие баллы не сохранятся. Введите название "
                                       "или сотрите баллы.")
                            .arg(n)};
            continue;
        }
        const int count = wholeNumber(s.count).value_or(0);
        if (count < 1 || count > kMaxTasks)
            return {n, SlotProblem::Count,
                    QStringLiteral("Тур%1: количество задач должно быть целым числом от 1 до %2 (сейчас «%3»)")
                        .arg(n)
                        .arg(kMaxTasks)
                        .arg(s.count)};
        for (int m = 1; m < n; ++m)
            if (slots[m - 1].name.trimmed().compare(name, Qt::CaseInsensitive) == 0)
                return {n, SlotProblem::Name, QStringLiteral("Тур%1: такое же название, как у тура %2 («%3»). Названия туров должны различаться.")
                                     .arg(n)
                                     .arg(m)
                                     .arg(name)};
        const std::optional<QList<Score>> max = parseMaxima(s.maxima);
        const bool fits = max && std::all_of(max->begin(), max->end(), [](Score m) { return m > Score(); });
        if (!fits || (!max->isEmpty() && max->size() != count))
            return {n, SlotProblem::Maxima,
                    QStringLiteral("Тур%1: наибольшие баллы — по одному числу больше 0 на каждую из %2 задач, через "
                                   "пробел (сейчас «%3»), или ничего")
                        .arg(n)
                        .arg(count)
                        .arg(s.maxima.trimmed())};
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
    Query clear(db, tr, {"DELETE FROM TUR_MAX WHERE ID_PREDMET = :ID_PREDMET"});
    clear.setInt("ID_PREDMET", idPredmet);
    clear.execute();
    Query max(db, tr, {"INSERT INTO TUR_MAX (ID_PREDMET, ID, N_ZAD, MAX_BAL) VALUES (:ID_PREDMET, :ID, :N_ZAD, :MAX_BAL)"});
    const Maxima typed = typedMaxima(slots);
    for (int i = 0; i < 24; ++i) {
        if (!typed[size_t(i)]) continue;
        max.setInt("ID_PREDMET", idPredmet);
        max.setInt("ID", i / 6 + 1);
        max.setInt("N_ZAD", i % 6 + 1);
        max.setScore("MAX_BAL", *typed[size_t(i)]);
        max.execute();
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
