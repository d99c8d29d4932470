#include "scoring/Scores.h"

#include "DbError.h"
#include "Query.h"
#include "appeals/Status.h"
#include "scoring/Places.h"
#include "scoring/ScoreLog.h"

#include <algorithm>

namespace scores {

const QString& slotField(int slot) {
    static const auto names = [] {
        std::array<QString, kSlots> n;
        for (int i = 0; i < kSlots; ++i) n[size_t(i)] = QStringLiteral("BAL%1").arg(i + 1, 2, 10, QChar(u'0'));
        return n;
    }();
    return names[size_t(slot)];
}

const QString& sumField(int round) {
    static const std::array<QString, 4> names{"B1", "B2", "B3", "B4"};
    return names[size_t(round)];
}

namespace {

void readSlots(const Query& q, Slots& s) {
    for (int i = 0; i < kSlots; ++i) s[size_t(i)] = q.fieldScore(slotField(i));
}

}  // namespace

std::optional<Row> loadRow(Database& db, Transaction& tr, int idChild) {
    Query q(db, tr, {"SELECT *", "FROM BAL", "WHERE ID_CHILD=:ID_CHILD;"});
    q.setInt("ID_CHILD", idChild);
    q.open();
    if (q.isEmpty()) return std::nullopt;
    Row r;
    readSlots(q, r.slots);
    for (int k = 0; k < 4; ++k) r.sums[size_t(k)] = q.fieldScore(sumField(k));
    r.total = q.fieldScore("SUMM");
    r.place = int(q.fieldInt("MESTO"));
    r.degree = int(q.fieldInt("DIPL_STEP"));
    return r;
}

std::optional<Slots> load(Database& db, Transaction& tr, int idChild) {
    const std::optional<Row> row = loadRow(db, tr, idChild);
    return row ? std::optional<Slots>(row->slots) : std::nullopt;
}

QString refusal(int slot, const QString& text) {
    const QString where = QStringLiteral("Тур %1, задача %2: ").arg(slot / 6 + 1).arg(slot % 6 + 1);
    if (text.trimmed().isEmpty()) return where + QStringLiteral("\"\" — не число (поле пустое)");
    try {
        if (Score::parse(text) < Score()) return where + QStringLiteral("балл не может быть меньше 0");
    } catch (const ConversionError& e) {
        return where + e.text();
    }
    return QString();
}

QString refusal(int slot, const QString& text, const std::optional<Score>& maximum) {
    if (QString notAScore = refusal(slot, text); !notAScore.isEmpty()) return notAScore;
    if (!maximum || Score::parse(text) <= *maximum) return QString();
    return QStringLiteral("Тур %1, задача %2: балл больше наибольшего (%3)")
        .arg(slot / 6 + 1)
        .arg(slot % 6 + 1)
        .arg(maximum->toString());
}

Score parse(const QString& text) { return Score::parse(text); }

std::array<Score, 4> roundSums(const Slots& s, const tasks::Counts& counts) {
    std::array<Score, 4> sums{};
    for (int i = 0; i < kSlots; ++i)
        if (tasks::has(counts, i)) sums[size_t(i / 6)] += s[size_t(i)];
    return sums;
}

Score total(const Slots& s, const tasks::Counts& counts) {
    Score t;
    for (const Score& r : roundSums(s, counts)) t += r;
    return t;
}

namespace {
// Whether the sums fit the score columns.
bool sumsFit(const std::array<Score, 4>& sums, Score total) {
    const auto fits = [](Score v) { return v.hundredths() <= Score::kMaxHundredths && v.hundredths() >= -Score::kMaxHundredths; };
    return std::all_of(sums.begin(), sums.end(), fits) && fits(total);
}
}  // namespace

void save(Database& db, Transaction& tr, int idChild, int idPredmet, int idKlass, const Slots& typed,
          const Shown& shown, const Shown& confirmed, int idAppeal) {
    lockSubjectPlaces(db, tr, idPredmet);  // before the row, in the order every saving station takes them
    status::refuseIfFinal(db, tr, idPredmet, idKlass);
    Query stored(db, tr, {"SELECT *", "FROM BAL", "WHERE ID_CHILD=:ID_CHILD", "WITH LOCK"});
    stored.setInt("ID_CHILD", idChild);
    stored.open();
    const bool exists = !stored.isEmpty();
    Slots values{};
    if (exists) readSlots(stored, values);
    std::array<std::optional<Score>, kSlots> before{};  // none where nothing is stored
    for (int i = 0; i < kSlots; ++i)
        if (exists && !stored.fieldIsNull(slotField(i))) before[size_t(i)] = values[size_t(i)];
    const tasks::Counts counts = tasks::inUse(db, tr, idPredmet);
    for (int i = 0; i < kSlots; ++i) {
        if (!shown[size_t(i)]) continue;
        if (!tasks::has(counts, i) && typed[size_t(i)] != Score())
            throw DbError(QStringLiteral("Тур %1, задача %2: такой задачи у тура нет").arg(i / 6 + 1).arg(i % 6 + 1));
        values[size_t(i)] = typed[size_t(i)];
    }
    const std::array<Score, 4> sums = roundSums(values, counts);
    const Score sum = total(values, counts);
    if (!sumsFit(sums, sum)) throw DbError(QStringLiteral("Сумма баллов больше 9999999,99: такую база данных не хранит."));

    QStringList slotNames, slotParams, assignments;
    for (int i = 0; i < kSlots; ++i) {
        slotNames << slotField(i);
        slotParams << u':' + slotField(i);
        assignments << slotField(i) + QStringLiteral("=:") + slotField(i);
    }
    Query write(db, tr);
    if (exists)
        write.setSql(QStringList{QStringLiteral("UPDATE BAL"),
                                 QStringLiteral("SET ID_PREDMET=:ID_PREDMET, KLASS=:KLASS, %1,").arg(assignments.join(", ")),
                                 QStringLiteral("B1=:B1, B2=:B2, B3=:B3, B4=:B4, SUMM=:SUMM"),
                                 QStringLiteral("WHERE ID_CHILD=:ID_CHILD;")});
    else
        write.setSql(QStringList{
            QStringLiteral("INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS, %1, B1, B2, B3, B4, SUMM)").arg(slotNames.join(", ")),
            QStringLiteral("VALUES (:ID_CHILD, :ID_PREDMET, :KLASS, %1, :B1, :B2, :B3, :B4, :SUMM);")
                .arg(slotParams.join(", "))});
    write.setInt("ID_CHILD", idChild);
    write.setInt("ID_PREDMET", idPredmet);
    write.setInt("KLASS", idKlass);
    for (int i = 0; i < kSlots; ++i) write.setScore(slotField(i), values[size_t(i)]);
    for (int k = 0; k < 4; ++k) write.setScore(sumField(k), sums[size_t(k)]);
    write.setScore("SUMM", sum);
    write.execute();

    const QSet<int> logged = scorelog::loggedSlots(db, tr, idChild);
    QList<scorelog::Change> changes;
    for (int i = 0; i < kSlots; ++i) {
        const size_t n = size_t(i);
        const bool changed = shown[n] && before[n] != values[n];
        if (changed || ((shown[n] || confirmed[n]) && !logged.contains(i)))
            changes.append({i, before[n], values[n], changed ? idAppeal : 0});
    }
    scorelog::append(db, tr, idChild, changes);

    RecomputePlaces(db, tr, idPredmet, idKlass);
}

namespace {
// Every score row of a subject: its key and its slots, a slot without a value as none.
template <class F>
void eachRow(Database& db, Transaction& tr, int idPredmet, F row) {
    Query q(db, tr, {"SELECT * FROM BAL WHERE ID_PREDMET = :ID_PREDMET"});
    q.setInt("ID_PREDMET", idPredmet);
    q.open();
    for (q.first(); !q.eof(); q.next()) {
        std::array<std::optional<Score>, kSlots> slots{};
        for (int i = 0; i < kSlots; ++i)
            if (!q.fieldIsNull(slotField(i))) slots[size_t(i)] = q.fieldScore(slotField(i));
        row(slots);
    }
}
}  // namespace

namespace {
// A score that the rounds as stored no longer have, in a grade whose results are final, refuses.
void refuseGoingFromFinal(Database& db, Transaction& tr, int idPredmet, const tasks::Counts& counts) {
    QStringList going;
    for (int i = 0; i < kSlots; ++i)
        if (!tasks::has(counts, i)) going << slotField(i) + QStringLiteral(" <> 0");
    if (going.isEmpty()) return;
    Query q(db, tr);
    q.setSql(QStringList{QStringLiteral("SELECT DISTINCT KLASS FROM BAL WHERE ID_PREDMET = :ID_PREDMET AND (%1)")
                             .arg(going.join(QStringLiteral(" OR ")))});
    q.setInt("ID_PREDMET", idPredmet);
    q.open();
    for (q.first(); !q.eof(); q.next()) status::refuseIfFinal(db, tr, idPredmet, int(q.fieldInt("KLASS")));
}
}  // namespace

QList<Going> goingScores(Database& db, Transaction& tr, int idPredmet, const tasks::Counts& counts) {
    const tasks::Counts now = tasks::inUse(db, tr, idPredmet);
    std::array<Going, 4> going{};
    eachRow(db, tr, idPredmet, [&](const auto& slots) {
        std::array<bool, 4> holds{};
        for (int i = 0; i < kSlots; ++i)
            if (!tasks::has(counts, i) && slots[size_t(i)].value_or(Score()) != Score()) {
                Going& g = going[size_t(i / 6)];
                g.lastTask = qMax(g.lastTask, i % 6 + 1);
                holds[size_t(i / 6)] = true;
            }
        for (int k = 0; k < 4; ++k) going[size_t(k)].participants += holds[size_t(k)];
    });
    QList<Going> out;
    for (int k = 0; k < 4; ++k) {
        Going g = going[size_t(k)];
        if (g.participants == 0) continue;
        g.round = k + 1;
        g.firstTask = counts[size_t(k)] + 1;
        g.lastTask = qMax(g.lastTask, now[size_t(k)]);
        out << g;
    }
    return out;
}

QList<Above> aboveMaxima(Database& db, Transaction& tr, int idPredmet,
                         const std::array<std::optional<Score>, kSlots>& maxima) {
    std::array<int, kSlots> above{};
    eachRow(db, tr, idPredmet, [&](const auto& slots) {
        for (int i = 0; i < kSlots; ++i)
            if (maxima[size_t(i)] && slots[size_t(i)].value_or(Score()) > *maxima[size_t(i)]) ++above[size_t(i)];
    });
    QList<Above> out;
    for (int i = 0; i < kSlots; ++i)
        if (above[size_t(i)] > 0) out << Above{i, *maxima[size_t(i)], above[size_t(i)]};
    return out;
}

void fitToRounds(Database& db, Transaction& tr, int idPredmet) {
    lockSubjectPlaces(db, tr, idPredmet);
    const tasks::Counts counts = tasks::inUse(db, tr, idPredmet);
    refuseGoingFromFinal(db, tr, idPredmet, counts);
    QStringList set;
    std::array<QStringList, 4> terms;
    for (int i = 0; i < kSlots; ++i) {
        if (tasks::has(counts, i)) {
            terms[size_t(i / 6)] << QStringLiteral("COALESCE(%1, 0)").arg(slotField(i));
            continue;
        }
        scorelog::logRemoval(db, tr, idPredmet, i);
        set << slotField(i) + QStringLiteral(" = NULL");
    }
    QStringList all;
    for (int k = 0; k < 4; ++k) {
        const QString sum = terms[size_t(k)].isEmpty() ? QStringLiteral("0") : terms[size_t(k)].join(QStringLiteral(" + "));
        set << QStringLiteral("%1 = %2").arg(sumField(k), sum);
        all << terms[size_t(k)];
    }
    set << QStringLiteral("SUMM = %1").arg(all.isEmpty() ? QStringLiteral("0") : all.join(QStringLiteral(" + ")));
    Query q(db, tr);
    q.setSql(QStringList{QStringLiteral("UPDATE BAL SET %1").arg(set.join(QStringLiteral(", "))),
                         QStringLiteral("WHERE ID_PREDMET = :ID_PREDMET")});
    q.setInt("ID_PREDMET", idPredmet);
    q.execute();
    RecomputeSubjectPlaces(db, tr, idPredmet);
}

}  // namespace scores
