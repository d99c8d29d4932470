#include "ScoreLog.h"

#include "Query.h"
#include "Text.h"
#include "Tasks.h"

#include <QSysInfo>

namespace scorelog {

QString station() {
    // The column holds 63 characters of the database's code page; a name it cannot hold loses
    // those letters rather than the whole save.
    QString name;
    for (const QChar c : QSysInfo::machineHostName())
        if (text1251::canEncode(QString(c))) name += c;
    name = name.trimmed().left(63);
    return name.isEmpty() ? QStringLiteral("?") : name;
}

namespace {
// A history row L of a slot that holds a score now: its latest, and not a removal.
const char* const kHolds =
    "L.NEW_BAL IS NOT NULL AND NOT EXISTS (SELECT 1 FROM BAL_LOG R WHERE R.ID_CHILD = L.ID_CHILD AND R.SLOT = L.SLOT "
    "AND R.ID_LOG > L.ID_LOG)";
}  // namespace

void append(Database& db, Transaction& tr, int idChild, const QList<Change>& changes, const QString& station) {
    if (changes.isEmpty()) return;
    Query q(db, tr,
            {"INSERT INTO BAL_LOG (ID_CHILD, SLOT, OLD_BAL, NEW_BAL, STATION, ID_APPEAL)",
             "VALUES (:ID_CHILD, :SLOT, :OLD_BAL, :NEW_BAL, :STATION, :ID_APPEAL)"});
    for (const Change& c : changes) {
        q.setInt("ID_CHILD", idChild);
        q.setInt("SLOT", c.slot + 1);
        if (c.oldValue) q.setScore("OLD_BAL", *c.oldValue); else q.setNull("OLD_BAL");
        if (c.newValue) q.setScore("NEW_BAL", *c.newValue); else q.setNull("NEW_BAL");
        q.setText("STATION", station.left(63));
        if (c.appeal) q.setInt("ID_APPEAL", c.appeal); else q.setNull("ID_APPEAL");
        q.execute();
    }
}

void logRemoval(Database& db, Transaction& tr, int idPredmet, int slot, const QString& station) {
    const QString field = QStringLiteral("B.BAL%1").arg(slot + 1, 2, 10, QChar(u'0'));
    Query q(db, tr);
    q.setSql(QStringList{
        QStringLiteral("INSERT INTO BAL_LOG (ID_CHILD, SLOT, OLD_BAL, NEW_BAL, STATION)"),
        QStringLiteral("SELECT B.ID_CHILD, %1, %2, NULL, :STATION FROM BAL B WHERE B.ID_PREDMET = :ID_PREDMET AND %2 IS NOT NULL")
            .arg(slot + 1)
            .arg(field),
        QStringLiteral("AND (%1 <> 0 OR EXISTS (SELECT 1 FROM BAL_LOG L WHERE L.ID_CHILD = B.ID_CHILD AND L.SLOT = %2 AND %3))")
            .arg(field)
            .arg(slot + 1)
            .arg(QLatin1String(kHolds))});
    q.setText("STATION", station.left(63));
    q.setInt("ID_PREDMET", idPredmet);
    q.execute();
}

QSet<int> loggedSlots(Database& db, Transaction& tr, int idChild) {
    Query q(db, tr, {"SELECT DISTINCT L.SLOT FROM BAL_LOG L WHERE L.ID_CHILD = :ID_CHILD AND", kHolds});
    q.setInt("ID_CHILD", idChild);
    q.open();
    QSet<int> out;
    for (q.first(); !q.eof(); q.next()) out.insert(int(q.fieldInt("SLOT")) - 1);
    return out;
}

QList<Entry> history(Database& db, Transaction& tr, int idChild) {
    Query q(db, tr,
            {"SELECT L.SLOT, L.OLD_BAL, L.NEW_BAL, L.STATION, L.CHANGED_AT, L.ID_APPEAL, A.N_APPEAL",
             "FROM BAL_LOG L LEFT JOIN APPEAL A ON A.ID_APPEAL = L.ID_APPEAL WHERE L.ID_CHILD = :ID_CHILD",
             "ORDER BY L.CHANGED_AT DESC, L.ID_LOG DESC"});
    q.setInt("ID_CHILD", idChild);
    q.open();
    QList<Entry> out;
    for (q.first(); !q.eof(); q.next()) {
        Entry e;
        e.at = QDateTime::fromString(q.fieldText("CHANGED_AT"), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        e.station = q.fieldText("STATION");
        e.change.slot = int(q.fieldInt("SLOT")) - 1;
        if (!q.fieldIsNull("OLD_BAL")) e.change.oldValue = q.fieldScore("OLD_BAL");
        if (!q.fieldIsNull("NEW_BAL")) e.change.newValue = q.fieldScore("NEW_BAL");
        e.change.appeal = int(q.fieldInt("ID_APPEAL"));
        e.appealNumber = int(q.fieldInt("N_APPEAL"));
        out << e;
    }
    return out;
}

QSet<int> entered(Database& db, Transaction& tr, int idPredmet, int idKlass, int round) {
    const tasks::Counts counts = tasks::inUse(db, tr, idPredmet);
    QStringList conditions;
    for (int k = 1; k <= 4; ++k) {
        if (counts[size_t(k - 1)] == 0 || (round != 0 && k != round)) continue;
        const int first = 6 * (k - 1) + 1;
        const int last = 6 * (k - 1) + counts[size_t(k - 1)];
        conditions << QStringLiteral("EXISTS (SELECT 1 FROM BAL_LOG L WHERE L.ID_CHILD = S.ID_CHILD AND L.SLOT BETWEEN %1 AND %2 AND %3)")
                          .arg(first)
                          .arg(last)
                          .arg(QLatin1String(kHolds));
    }
    if (conditions.isEmpty()) return {};
    Query q(db, tr);
    q.setSql(QStringList{QStringLiteral("SELECT S.ID_CHILD FROM SPISOK S"),
                         QStringLiteral("WHERE S.ID_PREDMET = :ID_PREDMET AND S.KLASS = :KLASS"),
                         QStringLiteral("AND ") + conditions.join(QStringLiteral(" AND "))});
    q.setInt("ID_PREDMET", idPredmet);
    q.setInt("KLASS", idKlass);
    q.open();
    QSet<int> out;
    for (q.first(); !q.eof(); q.next()) out.insert(int(q.fieldInt("ID_CHILD")));
    return out;
}

int participants(Database& db, Transaction& tr, int idPredmet, int idKlass) {
    Query q(db, tr, {"SELECT COUNT(*) AS N FROM SPISOK WHERE ID_PREDMET = :ID_PREDMET AND KLASS = :KLASS"});
    q.setInt("ID_PREDMET", idPredmet);
    q.setInt("KLASS", idKlass);
    q.open();
    return int(q.fieldInt("N"));
}

}  // namespace scorelog
