// The merge's phases for the numbers of the diplomas printed at the source.
#include "Query.h"
#include "merge/Phases.h"

namespace merge {

namespace {
// The source participant of each source key: his arrival.
QHash<int, size_t> arrivalsByKey(const State& s) {
    QHash<int, size_t> out;
    for (size_t i = 0; i < s.arrivals.size(); ++i) out.insert(s.arrivals[i].child.id, i);
    return out;
}
}  // namespace

// A number the working database holds is the same diploma when it belongs to the same child (a
// second merge of the same file, where a cancellation there is taken); for another child it is a
// clash, which refuses the merge.
void checkDiplomas(State& s) {
    const QHash<int, size_t> arrivals = arrivalsByKey(s);
    QStringList clashes;
    for (const Diploma& d : s.src.diplomas) {
        const auto a = arrivals.constFind(d.child);
        if (a == arrivals.constEnd()) continue;  // a number of nobody
        const auto held = s.have.diplomas.constFind(d.number);
        if (held == s.have.diplomas.constEnd())
            s.newDiplomas.push_back(&d);
        else if (*held != s.arrivals[*a].existing)
            clashes << d.number;
        else if (d.status == 0)
            s.cancelledThere.push_back(&d);
    }
    if (clashes.isEmpty()) return;
    const qsizetype shown = qMin<qsizetype>(clashes.size(), 20);
    QString detail = QStringLiteral("Эти номера уже даны другим дипломам: ") + clashes.mid(0, shown).join(QStringLiteral(", "));
    if (clashes.size() > shown) detail += QStringLiteral(" и ещё %1").arg(clashes.size() - shown);
    throw Refusal(QStringLiteral("Объединение не выполнено: номера дипломов совпадают."),
                  detail + QStringLiteral(".\nНа рабочих местах нужны разные префиксы номеров дипломов."));
}

// The source's numbers under the working keys of their participants; then the sequence goes past
// the largest number, so that none is given again.
void mergeDiplomas(State& s) {
    if (s.src.diplomas.empty()) return;
    const QHash<int, size_t> arrivals = arrivalsByKey(s);
    // A number cancelled at either station stays cancelled: its paper was replaced there.
    Query cancel(s.work, s.tr, {"UPDATE DIPLOM SET STATUS = 0 WHERE NOMER = :NOMER AND STATUS = 1"});
    for (const Diploma* d : s.cancelledThere) {
        cancel.setText("NOMER", d->number);
        cancel.execute();
        if (cancel.rowsAffected() > 0) s.have.standing.remove(s.arrivals[arrivals.value(d->child)].existing);
    }
    Query q(s.work, s.tr,
            {"INSERT INTO DIPLOM (NOMER, PREFIX, N, ID_CHILD, DIPL_STEP, PRINTED, STATUS, NOMINATIVE)",
             "VALUES (:NOMER, :PREFIX, :N, :ID_CHILD, :DIPL_STEP, :PRINTED, :STATUS, :NOMINATIVE)"});
    for (const Diploma* d : s.newDiplomas) {
        const int id = s.arrivals[arrivals.value(d->child)].key;
        const bool standing = d->status == 1 && !s.have.standing.contains(id);
        if (standing) s.have.standing.insert(id);
        q.setText("NOMER", d->number);
        q.setText("PREFIX", d->prefix);
        q.setInt("N", d->n);
        q.setInt("ID_CHILD", id);
        q.setInt("DIPL_STEP", d->degree);
        q.setText("PRINTED", d->printed);
        q.setInt("STATUS", standing ? 1 : 0);
        q.setInt("NOMINATIVE", d->nominative);
        q.execute();
        ++s.result.diplomas;
    }
    q.setSql({"SELECT COALESCE(MAX(N), 0) - GEN_ID(GEN_DIPLOM, 0) AS BEHIND FROM DIPLOM"});
    q.open();
    const qint64 behind = q.fieldInt("BEHIND");
    if (behind > 0) {
        q.setSql(QStringList{QStringLiteral("SELECT GEN_ID(GEN_DIPLOM, %1) AS G FROM RDB$DATABASE").arg(behind)});
        q.open();
    }
}

}  // namespace merge
