#include "scoring/AwardRules.h"

#include "Convert.h"
#include "DbError.h"
#include "Query.h"
#include "Settings.h"
#include "appeals/Status.h"
#include "scoring/Places.h"

#include <QLocale>
#include <algorithm>
#include <functional>

namespace awardrules {

namespace {

// The settings' names in NASTROIKI.
const QString kDiplomas = QStringLiteral("POMOSHNIK_DIPLOMY");
const QString kMinimum = QStringLiteral("POMOSHNIK_NE_NIZHE");
const QString kRatio = QStringLiteral("POMOSHNIK_STEPENI");
const QString kMentions = QStringLiteral("POMOSHNIK_OTZYVY");
// The rules applied to a subject and grade: "POMOSHNIK_<ID_PREDMET>_<grade key>" (at most 31
// characters for two keys of up to ten digits), its value "P;Q;a:b:c;R;H", H 1 for cut-offs typed
// by hand, else 0.
QString appliedName(int idPredmet, int idKlass) {
    return QStringLiteral("POMOSHNIK_%1_%2").arg(idPredmet).arg(idKlass);
}

using settings::setValue;

// Participants [start, end) of the totals in descending order share one total.
struct Group {
    Score total;
    int start = 0;
    int end = 0;
};

}  // namespace

QString ratioText(const std::array<int, 3>& ratio) {
    return QStringLiteral("%1:%2:%3").arg(ratio[0]).arg(ratio[1]).arg(ratio[2]);
}

std::optional<std::array<int, 3>> parseRatio(const QString& text) {
    const QStringList parts = text.split(u':');
    if (parts.size() != 3) return std::nullopt;
    std::array<int, 3> out{};
    for (int i = 0; i < 3; ++i) {
        const std::optional<int> v = wholeNumber(parts[i]);
        if (!v || *v <= 0) return std::nullopt;
        out[size_t(i)] = *v;
    }
    return out;
}

std::optional<int> parsePercent(const QString& text) {
    const std::optional<int> v = wholeNumber(text);
    if (!v || *v < 0 || *v > 100) return std::nullopt;
    return v;
}

std::optional<Score> parseCut(const QString& text, bool& ok) {
    ok = true;
    if (text.trimmed().isEmpty()) return std::nullopt;
    try {
        const Score s = Score::parse(text.trimmed());
        if (s > Score{}) return s;
    } catch (const ConversionError&) {
    }
    ok = false;
    return std::nullopt;
}

int degreeOf(Score total, const Cuts& cuts) {
    for (size_t d = 0; d < cuts.size(); ++d)
        if (cuts[d] && total >= *cuts[d]) return int(d) + 1;
    return 0;
}

std::pair<int, int> disorder(const Cuts& cuts) {
    int above = -1;
    for (int d = 0; d < 4; ++d) {
        if (!cuts[size_t(d)]) continue;
        if (above >= 0 && *cuts[size_t(d)] > *cuts[size_t(above)]) return {d + 1, above + 1};
        above = d;
    }
    return {0, 0};
}

Proposal propose(QList<Score> totals, const Rules& rules, const std::optional<Score>& maxTotal) {
    std::sort(totals.begin(), totals.end(), std::greater<>());
    const qint64 n = totals.size();
    QList<Group> groups;
    for (int i = 0; i < totals.size();) {
        int j = i;
        while (j < totals.size() && totals[j] == totals[i]) ++j;
        groups.append({totals[i], i, j});
        i = j;
    }
    const auto positive = [](Score t) { return t > Score{}; };
    const auto diplomaWorthy = [&](Score t) {
        return positive(t) && (!maxTotal || t.hundredths() * 100 >= maxTotal->hundredths() * rules.minPercent);
    };
    const auto any = [](Score) { return true; };

    Proposal p;
    // Takes whole groups from `from` on while the participants counted from the top stay within
    // `limit` and the group's total may have the degree; the index past the last group taken. A
    // group the limit cuts through is reported, counted from `base`.
    const auto take = [&](int from, qint64 limit, const std::function<bool(Score)>& may, int degree, int base) {
        int g = from;
        while (g < groups.size() && groups[g].end <= limit && may(groups[g].total)) ++g;
        if (g < groups.size() && groups[g].start < limit && limit < groups[g].end && may(groups[g].total))
            p.ties.append({degree, groups[g].total, groups[g].end - groups[g].start, groups[g].start - base,
                           groups[g].end - base});
        return g;
    };
    const auto reach = [&](int g) { return g == 0 ? 0 : groups[g - 1].end; };  // participants in groups before g

    const int gDiplomas = take(0, n * rules.diplomaPercent / 100, diplomaWorthy, 3, 0);
    const qint64 m = reach(gDiplomas);
    const qint64 parts = qint64(rules.ratio[0]) + rules.ratio[1] + rules.ratio[2];
    int g1 = take(0, m * rules.ratio[0] / parts, any, 1, 0);
    if (g1 == 0 && gDiplomas > 0) {  // the highest total has the 1st degree whenever diplomas are given
        g1 = 1;
        p.ties.removeIf([](const Tie& t) { return t.degree == 1; });
    }
    const int g2 = take(g1, m * (qint64(rules.ratio[0]) + rules.ratio[1]) / parts, any, 2, reach(g1));
    const int gMentions = take(gDiplomas, m + n * rules.mentionPercent / 100, positive, kMention, int(m));
    std::sort(p.ties.begin(), p.ties.end(), [](const Tie& a, const Tie& b) { return a.degree < b.degree; });

    const auto lowest = [&](int from, int past) {
        return past > from ? std::optional<Score>(groups[past - 1].total) : std::nullopt;
    };
    p.cuts = {lowest(0, g1), lowest(g1, g2), lowest(g2, gDiplomas), lowest(gDiplomas, gMentions)};
    return p;
}

QString shareText(int n, int all) {
    if (all <= 0) return QStringLiteral("0 %");
    const double p = 100.0 * n / all;
    return QLocale().toString(p, 'f', (100 * n) % all == 0 ? 0 : 1) + QStringLiteral(" %");
}

QString sharesAgainstRules(const QList<Participant>& list, const Rules& rules, const std::optional<Score>& maxTotal) {
    const int all = int(list.size());
    const auto count = [&](int from, int to) {
        return int(std::count_if(list.begin(), list.end(), [&](const Participant& p) { return p.degree >= from && p.degree <= to; }));
    };
    const int diplomas = count(1, 3), mentions = count(kMention, kMention);
    QStringList parts{QStringLiteral("дипломов %1 при правиле %2 %").arg(shareText(diplomas, all)).arg(rules.diplomaPercent)};
    if (rules.mentionPercent > 0 || mentions > 0)
        parts << QStringLiteral("поощрительных отзывов %1 при правиле %2 %").arg(shareText(mentions, all)).arg(rules.mentionPercent);
    std::optional<Score> lowest;
    for (const Participant& p : list)
        if (p.degree >= 1 && p.degree <= 3 && (!lowest || p.total < *lowest)) lowest = p.total;
    if (lowest && maxTotal && lowest->hundredths() * 100 < maxTotal->hundredths() * rules.minPercent)
        parts << QStringLiteral("наименьшая сумма с дипломом %1 при правиле не ниже %2 % максимальной суммы")
                     .arg(lowest->toString())
                     .arg(rules.minPercent);
    return parts.join(QStringLiteral("; "));
}

Rules load(Database& db, Transaction& tr) {
    Query q(db, tr, {"SELECT NAME, ZNACH FROM NASTROIKI"});
    q.open();
    Rules r;
    for (q.first(); !q.eof(); q.next()) {
        const QString name = q.fieldText("NAME").trimmed();
        const QString value = q.fieldText("ZNACH");
        if (name == kDiplomas)
            r.diplomaPercent = parsePercent(value).value_or(r.diplomaPercent);
        else if (name == kMinimum)
            r.minPercent = parsePercent(value).value_or(r.minPercent);
        else if (name == kRatio)
            r.ratio = parseRatio(value).value_or(r.ratio);
        else if (name == kMentions)
            r.mentionPercent = parsePercent(value).value_or(r.mentionPercent);
    }
    return r;
}

void store(Database& db, Transaction& tr, const Rules& rules) {
    const std::pair<QString, QString> values[] = {{kDiplomas, QString::number(rules.diplomaPercent)},
                                                  {kMinimum, QString::number(rules.minPercent)},
                                                  {kRatio, ratioText(rules.ratio)},
                                                  {kMentions, QString::number(rules.mentionPercent)}};
    for (const auto& [name, value] : values) setValue(db, tr, name, value);
}

namespace {
QString cutsText(const Cuts& cuts) {
    QString text;
    for (const std::optional<Score>& c : cuts) text += u';' + (c ? QString::number(c->hundredths()) : QString());
    return text;
}
}  // namespace

std::optional<Applied> applied(Database& db, Transaction& tr, int idPredmet, int idKlass) {
    const std::optional<QString> value = settings::value(db, tr, appliedName(idPredmet, idKlass));
    if (!value) return std::nullopt;
    // The rules, whether typed by hand, then (since cut-offs are kept) the four cut-offs in hundredths,
    // empty where a degree has none.
    const QStringList parts = value->split(u';');
    if (parts.size() != 5 && parts.size() != 9) return std::nullopt;
    const std::optional<int> p = parsePercent(parts[0]), m = parsePercent(parts[1]), r = parsePercent(parts[3]);
    const std::optional<std::array<int, 3>> ratio = parseRatio(parts[2]);
    if (!p || !m || !r || !ratio || (parts[4] != u"0" && parts[4] != u"1")) return std::nullopt;
    Applied a{{*p, *m, *ratio, *r}, parts[4] == u"1"};
    for (int d = 0; d < 4 && parts.size() == 9; ++d) {
        bool ok = false;
        const qint64 h = parts[5 + d].toLongLong(&ok);
        if (ok && h > 0 && h < 100000000) a.cuts[size_t(d)] = Score::fromHundredths(h);
    }
    return a;
}

void record(Database& db, Transaction& tr, int idPredmet, int idKlass, const Applied& applied) {
    const Rules& r = applied.rules;
    setValue(db, tr, appliedName(idPredmet, idKlass),
             QStringLiteral("%1;%2;%3;%4;%5")
                 .arg(r.diplomaPercent)
                 .arg(r.minPercent)
                 .arg(ratioText(r.ratio))
                 .arg(r.mentionPercent)
                 .arg(applied.byHand ? 1 : 0)
             + cutsText(applied.cuts));
}

QList<Participant> participants(Database& db, Transaction& tr, int idPredmet, int idKlass) {
    Query q(db, tr,
            {"SELECT B.ID_CHILD, S.SURNAME, S.NAME, S.SECONDNAME, S.SCHOOL, B.SUMM, B.MESTO, B.DIPL_STEP",
             "FROM BAL B JOIN SPISOK S ON S.ID_CHILD = B.ID_CHILD",
             "WHERE B.ID_PREDMET = :ID_PREDMET AND B.KLASS = :KLASS",
             "ORDER BY COALESCE(B.SUMM, 0) DESC, S.SURNAME, S.NAME, S.SECONDNAME, B.ID_CHILD"});
    q.setInt("ID_PREDMET", idPredmet);
    q.setInt("KLASS", idKlass);
    q.open();
    QList<Participant> out;
    for (q.first(); !q.eof(); q.next()) {
        Participant p;
        p.idChild = int(q.fieldInt("ID_CHILD"));
        p.name = QStringList{q.fieldText("SURNAME"), q.fieldText("NAME"), q.fieldText("SECONDNAME")}.join(u' ').trimmed();
        p.school = q.fieldText("SCHOOL");
        p.total = q.fieldScore("SUMM");
        p.place = int(q.fieldInt("MESTO"));
        p.degree = int(q.fieldInt("DIPL_STEP"));
        out.append(p);
    }
    return out;
}

int changes(const QList<Participant>& list, const Cuts& cuts) {
    return int(std::count_if(list.begin(), list.end(),
                             [&](const Participant& p) { return degreeOf(p.total, cuts) != p.degree; }));
}

Cuts given(const QList<Participant>& list) {
    Cuts out;
    for (const Participant& p : list)
        if (p.degree >= 1 && p.degree <= kMention) {
            std::optional<Score>& c = out[size_t(p.degree - 1)];
            if (!c || p.total < *c) c = p.total;
        }
    return out;
}

int apply(Database& db, Transaction& tr, int idPredmet, int idKlass, const Cuts& cuts, const Applied& applied) {
    lockSubjectPlaces(db, tr, idPredmet);
    status::refuseIfFinal(db, tr, idPredmet, idKlass);
    Query q(db, tr, {"UPDATE BAL SET DIPL_STEP = :DIPL_STEP WHERE ID_CHILD = :ID_CHILD"});
    int written = 0;
    for (const Participant& p : participants(db, tr, idPredmet, idKlass)) {
        const int d = degreeOf(p.total, cuts);
        if (d == p.degree) continue;
        q.setInt("DIPL_STEP", d);
        q.setInt("ID_CHILD", p.idChild);
        q.execute();
        ++written;
    }
    store(db, tr, applied.rules);
    record(db, tr, idPredmet, idKlass, applied);
    return written;
}

}  // namespace awardrules
