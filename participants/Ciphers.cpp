#include "participants/Ciphers.h"

#include "Query.h"
#include "Text.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <functional>
#include <unordered_set>
#include <vector>

namespace ciphers {

QList<int> groupNumbers(Database& db, Transaction& tr, const QString& predmet, int idKlass) {
    if (!text1251::canEncode(predmet)) return {};
    Query q(db, tr,
            {"SELECT G.N_GROUP", "FROM GRUP G, S_PREDMET P",
             "WHERE G.KLASS = :KLASS   AND P.PREDMET = :PREDMET AND G.ID_PREDMET= P.ID_PREDMET", "GROUP BY G.N_GROUP",
             "ORDER BY G.N_GROUP;"});
    q.setInt("KLASS", idKlass);
    q.setText("PREDMET", predmet);
    q.open();
    QList<int> out;
    for (q.first(); !q.eof(); q.next()) out.append(int(q.fieldInt("N_GROUP")));
    return out;
}

QString current(Database& db, Transaction& tr, int idChild, int idTur) {
    Query q(db, tr, {"select SHIFR from SHIFR where ID_CHILD=:ID_CHILD and", "ID_TUR=:ID_TUR;"});
    q.setInt("ID_CHILD", idChild);
    q.setInt("ID_TUR", idTur);
    q.open();
    return q.isEmpty() ? QString() : q.fieldText("SHIFR");
}

int holder(Database& db, Transaction& tr, int idPredmet, int idKlass, int idTur, const QString& code, int idChild) {
    Query q(db, tr,
            {"SELECT ID_CHILD, SHIFR FROM SHIFR",
             "WHERE ID_PREDMET = :ID_PREDMET AND KLASS = :KLASS AND ID_TUR = :ID_TUR AND ID_CHILD <> :ID_CHILD"});
    q.setInt("ID_PREDMET", idPredmet);
    q.setInt("KLASS", idKlass);
    q.setInt("ID_TUR", idTur);
    q.setInt("ID_CHILD", idChild);
    q.open();
    const QString wanted = lookalike(code);
    for (q.first(); !q.eof(); q.next())
        if (lookalike(q.fieldText("SHIFR")) == wanted) return int(q.fieldInt("ID_CHILD"));
    return 0;
}

QString refusal(Database& db, Transaction& tr, int idPredmet, int idKlass, int idTur, const QString& code,
                int idChild) {
    const QString c = code.trimmed();
    if (c.isEmpty()) return kEmpty;
    if (c.size() > kMaxLength) return kTooLong;
    if (idTur < 1 || idTur > 4) return kBadRound;
    if (holder(db, tr, idPredmet, idKlass, idTur, c, idChild) != 0) return kTaken;
    return QString();
}

QString writeChecked(Database& db, Transaction& tr, int idPredmet, int idKlass, int idTur, const QString& code,
                     int idChild, const std::function<void()>& write) {
    Query hold(db, tr, {"SELECT ID_PREDMET FROM S_PREDMET WHERE ID_PREDMET = :ID_PREDMET WITH LOCK"});
    hold.setInt("ID_PREDMET", idPredmet);
    hold.open();
    const QString refused = refusal(db, tr, idPredmet, idKlass, idTur, code, idChild);
    if (refused.isEmpty()) write();
    return refused;
}

void store(Database& db, Transaction& tr, int idChild, int idPredmet, int idKlass, int idTur, const QString& code) {
    Query exists(db, tr, {"select SHIFR from SHIFR where ID_CHILD=:ID_CHILD and", "ID_TUR=:ID_TUR;"});
    exists.setInt("ID_CHILD", idChild);
    exists.setInt("ID_TUR", idTur);
    exists.open();
    if (!exists.isEmpty()) {
        recode(db, tr, idChild, idTur, code);
        return;
    }
    Query ins(db, tr,
              {"INSERT INTO SHIFR (ID_CHILD, ID_PREDMET, ID_TUR, KLASS,SHIFR)",
               "VALUES (:ID_CHILD, :ID_PREDMET, :ID_TUR, :KLASS, :SHIFR);"});
    ins.setInt("ID_CHILD", idChild);
    ins.setInt("ID_PREDMET", idPredmet);
    ins.setInt("ID_TUR", idTur);
    ins.setInt("KLASS", idKlass);
    ins.setText("SHIFR", code.trimmed());
    ins.execute();
}

void recode(Database& db, Transaction& tr, int idChild, int idTur, const QString& code) {
    Query q(db, tr, {"UPDATE SHIFR SET SHIFR = :SHIFR WHERE ID_CHILD = :ID_CHILD AND ID_TUR = :ID_TUR"});
    q.setText("SHIFR", code.trimmed());
    q.setInt("ID_CHILD", idChild);
    q.setInt("ID_TUR", idTur);
    q.execute();
}

void moveToRound(Database& db, Transaction& tr, int idChild, int idTur, int newTur) {
    Query q(db, tr, {"UPDATE SHIFR SET ID_TUR = :NEW_TUR WHERE ID_CHILD = :ID_CHILD AND ID_TUR = :ID_TUR"});
    q.setInt("NEW_TUR", newTur);
    q.setInt("ID_CHILD", idChild);
    q.setInt("ID_TUR", idTur);
    q.execute();
}

void remove(Database& db, Transaction& tr, int idChild, int idTur) {
    Query q(db, tr, {"DELETE FROM SHIFR WHERE ID_CHILD = :ID_CHILD AND ID_TUR = :ID_TUR"});
    q.setInt("ID_CHILD", idChild);
    q.setInt("ID_TUR", idTur);
    q.execute();
}

FormRefusal formRefusal(const CodeForm& form) {
    const QString prefix = form.prefix.trimmed();
    if (prefix.isEmpty()) return {kEnterPrefix};
    if (const QString why = text1251::refusal(prefix); !why.isEmpty()) return {why};
    if (form.digits < 1 || form.digits > kMaxDigits) return {kBadDigits, true};
    // Too long: the start is what to shorten when it leaves no room for a digit.
    if (prefix.size() + form.digits > kMaxLength) return {kTooLong, prefix.size() < kMaxLength};
    return {};
}

namespace {

// The codes stored for a subject and grade: in the round, or (with `otherRounds`) in every other one.
void openCodes(Query& q, const Selection& sel, bool otherRounds) {
    q.setSql({"SELECT ID_CHILD, SHIFR FROM SHIFR",
              otherRounds ? "WHERE ID_PREDMET = :ID_PREDMET AND KLASS = :KLASS AND ID_TUR <> :ID_TUR"
                          : "WHERE ID_PREDMET = :ID_PREDMET AND KLASS = :KLASS AND ID_TUR = :ID_TUR"});
    q.setInt("ID_PREDMET", sel.idPredmet);
    q.setInt("KLASS", sel.idKlass);
    q.setInt("ID_TUR", sel.idTur);
    q.open();
}

// The number a code of the form carries (read as it reads on paper); -1 for a code of another form.
qint64 numberOf(const QString& code, const QString& prefixAsRead, int digits) {
    const QString read = lookalike(code);
    if (read.size() != prefixAsRead.size() + digits || !read.startsWith(prefixAsRead)) return -1;
    qint64 n = 0;
    for (qsizetype i = prefixAsRead.size(); i < read.size(); ++i) {
        const char16_t c = read.at(i).unicode();
        if (c < u'0' || c > u'9') return -1;
        n = n * 10 + (c - u'0');
    }
    return n;
}

// Below this many codes of a form, the free ones are listed and shuffled; above it, numbers are
// drawn until a free one comes (the stored codes are then a small part of the range).
constexpr qint64 kListed = 1'000'000;

// A distinct free number for each of `excluded.size()` participants, none of them one of his own
// excluded numbers, in random order. Fewer when the free numbers cannot be shared out so.
std::vector<qint64> draw(const std::unordered_set<qint64>& taken, const std::vector<QSet<qint64>>& excluded,
                         qint64 range, std::mt19937& rng) {
    std::vector<qint64> out;
    out.reserve(excluded.size());
    if (range > kListed) {
        std::uniform_int_distribution<qint64> any(0, range - 1);
        std::unordered_set<qint64> used;
        for (const QSet<qint64>& own : excluded) {
            qint64 n;
            do n = any(rng);
            while (taken.count(n) || used.count(n) || own.contains(n));
            used.insert(n);
            out.push_back(n);
        }
        return out;
    }
    std::vector<qint64> pool;
    for (qint64 n = 0; n < range; ++n)
        if (!taken.count(n)) pool.push_back(n);
    std::shuffle(pool.begin(), pool.end(), rng);
    // Each participant takes the next free number that is not one of his own; when none is left for
    // him, numbers are passed along a chain of participants (an augmenting path), so that the list
    // is refused only when no way of giving everyone a number exists.
    const size_t n = excluded.size();
    std::vector<long> holder(pool.size(), -1), slot(n, -1);
    size_t next = 0;
    for (size_t i = 0; i < n; ++i) {
        while (next < pool.size() && holder[next] >= 0) ++next;
        for (size_t j = next; j < pool.size(); ++j)
            if (holder[j] < 0 && !excluded[i].contains(pool[j])) {
                holder[j] = long(i), slot[i] = long(j);
                break;
            }
    }
    std::vector<char> seen;
    const std::function<bool(size_t)> place = [&](size_t i) {
        for (size_t j = 0; j < pool.size(); ++j) {
            if (seen[j] || excluded[i].contains(pool[j])) continue;
            seen[j] = 1;
            if (holder[j] < 0 || place(size_t(holder[j]))) {
                holder[j] = long(i), slot[i] = long(j);
                return true;
            }
        }
        return false;
    };
    size_t given = 0;
    for (size_t i = 0; i < n; ++i) {
        if (slot[i] < 0) {
            seen.assign(pool.size(), 0);
            place(i);
        }
        given += slot[i] >= 0;
    }
    if (given < n) return std::vector<qint64>(given);  // short: only how many could be given counts
    for (size_t i = 0; i < n; ++i) out.push_back(pool[size_t(slot[i])]);
    return out;
}

QString codeOf(const QString& prefix, qint64 n, int digits) {
    return prefix + QString::number(n).rightJustified(digits, u'0');
}

}  // namespace

int withCode(Database& db, Transaction& tr, const Selection& sel) {
    const QSet<int> wanted(sel.children.begin(), sel.children.end());
    Query q(db, tr);
    openCodes(q, sel, false);
    int n = 0;
    for (q.first(); !q.eof(); q.next())
        if (!q.fieldText("SHIFR").trimmed().isEmpty() && wanted.contains(int(q.fieldInt("ID_CHILD")))) ++n;
    return n;
}

namespace {

// The numbers of the form held in the round (replaced ones too: an old paper never reads as
// another's work), and the participants who get a code.
struct Plan {
    Generation g;
    std::unordered_set<qint64> taken;
    QList<int> targets;
    qint64 range = 1;
};

Plan makePlan(Database& db, Transaction& tr, const Selection& sel, const CodeForm& form, bool replace) {
    Plan p;
    const QString prefixAsRead = lookalike(form.prefix.trimmed());
    for (int i = 0; i < form.digits; ++i) p.range *= 10;
    QSet<int> coded;
    Query round(db, tr);
    openCodes(round, sel, false);
    for (round.first(); !round.eof(); round.next()) {
        const QString code = round.fieldText("SHIFR");
        if (!code.trimmed().isEmpty()) coded.insert(int(round.fieldInt("ID_CHILD")));
        if (const qint64 n = numberOf(code, prefixAsRead, form.digits); n >= 0) p.taken.insert(n);
    }
    for (int child : sel.children)
        if (replace || !coded.contains(child)) p.targets.append(child);
    p.g.needed = int(p.targets.size());
    p.g.free = p.range - qint64(p.taken.size());
    return p;
}

}  // namespace

Generation plan(Database& db, Transaction& tr, const Selection& sel, const CodeForm& form, bool replace) {
    return makePlan(db, tr, sel, form, replace).g;
}

Generation generate(Database& db, Transaction& tr, const Selection& sel, const CodeForm& form, bool replace,
                    std::mt19937& rng) {
    const QString prefix = form.prefix.trimmed();
    const QString prefixAsRead = lookalike(prefix);
    const Plan p = makePlan(db, tr, sel, form, replace);
    const std::unordered_set<qint64>& taken = p.taken;
    const QList<int>& targets = p.targets;
    const qint64 range = p.range;
    Generation g = p.g;
    if (g.needed == 0 || g.free < g.needed) return g;

    QHash<int, QSet<qint64>> own;  // each participant's codes of his other rounds
    Query others(db, tr);
    openCodes(others, sel, true);
    for (others.first(); !others.eof(); others.next())
        if (const qint64 n = numberOf(others.fieldText("SHIFR"), prefixAsRead, form.digits); n >= 0)
            own[int(others.fieldInt("ID_CHILD"))].insert(n);
    std::vector<QSet<qint64>> excluded;
    for (int child : targets) excluded.push_back(own.value(child));

    const std::vector<qint64> numbers = draw(taken, excluded, range, rng);
    if (numbers.size() < size_t(targets.size())) {
        g.free = qint64(numbers.size());
        return g;
    }
    for (qsizetype i = 0; i < targets.size(); ++i)
        store(db, tr, targets[i], sel.idPredmet, sel.idKlass, sel.idTur, codeOf(prefix, numbers[size_t(i)], form.digits));
    g.written = true;
    return g;
}

}  // namespace ciphers
