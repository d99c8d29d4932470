#include "Upgrade.h"

#include "Database.h"
#include "DbError.h"
#include "Query.h"
#include "Schema.h"

#include <QHash>
#include <QSet>
#include <map>

namespace upgrade {

namespace {

constexpr int kWin1251 = 52;

// Values of columns that a database of an earlier build lacks and that must hold something.
QString fillOf(const QString& table, const QString& column) {
    if (table == u"SPISOK" && column == u"UID_CHILD") return QStringLiteral("GEN_UUID()");
    return {};
}

struct ColumnNow {
    bool notNull = false;
    bool identity = false;
    int charset = 0;
    int collation = 0;
    int length = 0;
};

// What the database holds now, read from its system tables.
struct Now {
    QHash<QString, int> tables;  // name -> RDB$RELATION_TYPE
    std::map<std::pair<QString, QString>, ColumnNow> columns;
    QSet<QString> constraints;
    QSet<QString> withPrimaryKey;  // tables
    std::multimap<std::pair<QString, QString>, QString> constraintsOn;  // (table, column) -> constraint
    QSet<QString> triggers, sequences, domains;
    int pxwCyrl = -1;

    explicit Now(Database& db, Transaction& tr) {
        const auto each = [&](const char* sql, auto row) {
            Query q(db, tr);
            q.setSql(QStringList{QString::fromLatin1(sql)});
            q.open();
            for (q.first(); !q.eof(); q.next()) row(q);
        };
        each("SELECT TRIM(RDB$RELATION_NAME) AS N, COALESCE(RDB$RELATION_TYPE, 0) AS T FROM RDB$RELATIONS "
             "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0",
             [&](Query& q) { tables.insert(q.fieldText("N"), int(q.fieldInt("T"))); });
        each("SELECT TRIM(RF.RDB$RELATION_NAME) AS T, TRIM(RF.RDB$FIELD_NAME) AS C, "
             "COALESCE(RF.RDB$NULL_FLAG, F.RDB$NULL_FLAG, 0) AS NN, RF.RDB$IDENTITY_TYPE AS IDT, "
             "COALESCE(F.RDB$CHARACTER_SET_ID, 0) AS CS, COALESCE(RF.RDB$COLLATION_ID, F.RDB$COLLATION_ID, 0) AS CL, "
             "COALESCE(F.RDB$CHARACTER_LENGTH, 0) AS L "
             "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
             "WHERE COALESCE(RF.RDB$SYSTEM_FLAG, 0) = 0",
             [&](Query& q) {
                 columns[{q.fieldText("T"), q.fieldText("C")}] = {q.fieldInt("NN") != 0, !q.fieldIsNull("IDT"),
                                                                  int(q.fieldInt("CS")), int(q.fieldInt("CL")),
                                                                  int(q.fieldInt("L"))};
             });
        each("SELECT TRIM(RDB$CONSTRAINT_NAME) AS N, TRIM(RDB$RELATION_NAME) AS T, TRIM(RDB$CONSTRAINT_TYPE) AS K "
             "FROM RDB$RELATION_CONSTRAINTS",
             [&](Query& q) {
                 constraints.insert(q.fieldText("N"));
                 if (q.fieldText("K") == u"PRIMARY KEY") withPrimaryKey.insert(q.fieldText("T"));
             });
        each("SELECT TRIM(RC.RDB$CONSTRAINT_NAME) AS N, TRIM(RC.RDB$RELATION_NAME) AS T, TRIM(S.RDB$FIELD_NAME) AS C "
             "FROM RDB$RELATION_CONSTRAINTS RC JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = RC.RDB$INDEX_NAME",
             [&](Query& q) { constraintsOn.emplace(std::pair{q.fieldText("T"), q.fieldText("C")}, q.fieldText("N")); });
        each("SELECT TRIM(RDB$TRIGGER_NAME) AS N FROM RDB$TRIGGERS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0",
             [&](Query& q) { triggers.insert(q.fieldText("N")); });
        each("SELECT TRIM(RDB$GENERATOR_NAME) AS N FROM RDB$GENERATORS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0",
             [&](Query& q) { sequences.insert(q.fieldText("N")); });
        each("SELECT TRIM(RDB$FIELD_NAME) AS N FROM RDB$FIELDS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0",
             [&](Query& q) { domains.insert(q.fieldText("N")); });
        each("SELECT RDB$COLLATION_ID AS ID FROM RDB$COLLATIONS WHERE RDB$COLLATION_NAME = 'PXW_CYRL' "
             "AND RDB$CHARACTER_SET_ID = 52",
             [&](Query& q) { pxwCyrl = int(q.fieldInt("ID")); });
    }
    const ColumnNow* column(const QString& table, const QString& name) const {
        const auto it = columns.find({table, name});
        return it == columns.end() ? nullptr : &it->second;
    }
};

// The rows of the database that break a rule, described for the operator.
class Problems {
public:
    Problems(Database& db, Transaction& tr, Plan& plan) : m_db(db), m_tr(tr), m_plan(plan) {}

    // `sql` selects the offending rows; each is described by `describe`.
    template <class F>
    void find(const QString& sql, F describe) {
        Query q(m_db, m_tr);
        q.setSql(QStringList{sql});
        q.open();
        for (q.first(); !q.eof(); q.next()) {
            if (m_plan.problems.size() < kShownProblems) m_plan.problems << describe(q);
            ++m_plan.problemCount;
        }
    }

private:
    Database& m_db;
    Transaction& m_tr;
    Plan& m_plan;
};

// "ID_PREDMET = 1, KLASS = 2" for the named columns of a row.
QString values(const Query& q, const QStringList& columns) {
    QStringList parts;
    for (const QString& c : columns) parts << QStringLiteral("%1 = %2").arg(c, q.fieldIsNull(c) ? QStringLiteral("пусто") : q.fieldText(c));
    return parts.join(QStringLiteral(", "));
}

// The columns that tell a table's rows apart: its key in schema.sql, or all of its columns.
QStringList rowKey(const schema::Table& table) {
    for (const schema::Constraint& c : schema::model().constraints)
        if (c.table == table.name && c.kind == schema::Constraint::PrimaryKey) return c.columns;
    QStringList all;
    for (const schema::Column& c : table.columns) all << c.name;
    return all;
}

QString notNull(const QStringList& columns) {
    QStringList parts;
    for (const QString& c : columns) parts << c + QStringLiteral(" IS NOT NULL");
    return parts.join(QStringLiteral(" AND "));
}

void findBreaking(Problems& found, const schema::Constraint& c) {
    const schema::Table& table = *schema::model().table(c.table);
    const QStringList key = rowKey(table);
    const QString cols = c.columns.join(QStringLiteral(", "));
    switch (c.kind) {
    case schema::Constraint::PrimaryKey:
    case schema::Constraint::Unique:
        found.find(QStringLiteral("SELECT %1, COUNT(*) AS N_ROWS FROM %2 WHERE %3 GROUP BY %1 HAVING COUNT(*) > 1")
                       .arg(cols, c.table, notNull(c.columns)),
                   [&](const Query& q) {
                       return QStringLiteral("%1: одинаковые %2 (строк: %3)")
                           .arg(c.table, values(q, c.columns), q.fieldText("N_ROWS"));
                   });
        break;
    case schema::Constraint::ForeignKey: {
        QStringList match;
        for (int i = 0; i < c.columns.size(); ++i)
            match << QStringLiteral("R.%1 = T.%2").arg(c.refColumns.value(i), c.columns[i]);
        QStringList shown = key;
        for (const QString& col : c.columns)
            if (!shown.contains(col)) shown << col;
        found.find(QStringLiteral("SELECT %1 FROM %2 T WHERE %3 AND NOT EXISTS (SELECT 1 FROM %4 R WHERE %5)")
                       .arg(shown.join(QStringLiteral(", ")), c.table, notNull(c.columns), c.refTable,
                            match.join(QStringLiteral(" AND "))),
                   [&](const Query& q) {
                       return QStringLiteral("%1 (%2): нет такой записи в %3").arg(c.table, values(q, shown), c.refTable);
                   });
        break;
    }
    case schema::Constraint::Check:
        found.find(QStringLiteral("SELECT %1 FROM %2 WHERE NOT (%3)").arg(key.join(QStringLiteral(", ")), c.table, c.condition),
                   [&](const Query& q) {
                       return QStringLiteral("%1 (%2): не выполнено условие %3").arg(c.table, values(q, key), c.condition);
                   });
        break;
    }
}

// The largest key a table holds, so that the keys given after it are new.
qint64 largest(Database& db, Transaction& tr, const QString& table, const QString& column) {
    Query q(db, tr);
    q.setSql(QStringList{QStringLiteral("SELECT COALESCE(MAX(%1), 0) AS M FROM %2").arg(column, table)});
    q.open();
    return q.fieldInt("M");
}

// The scores a database holds when it gets the score history: one row per task of the subject's
// rounds in use with a score above 0, so that what was entered before counts as entered. A zero
// may be a task nobody entered yet: its round is left to count as not entered.
QStringList historyOfStoredScores() {
    QStringList out;
    for (int slot = 1; slot <= 24; ++slot)
        out << QStringLiteral("INSERT INTO BAL_LOG (ID_CHILD, SLOT, NEW_BAL, STATION) "
                              "SELECT B.ID_CHILD, %1, B.BAL%2, 'обновление базы данных' FROM BAL B "
                              "JOIN TUR T ON T.ID_PREDMET = B.ID_PREDMET AND T.ID = %3 AND T.ID_TUR <> 0 AND T.KOL_ZAD >= %4 "
                              "WHERE B.BAL%2 <> 0 AND EXISTS (SELECT 1 FROM SPISOK S WHERE S.ID_CHILD = B.ID_CHILD)")
                   .arg(slot)
                   .arg(slot, 2, 10, QChar(u'0'))
                   .arg((slot - 1) / 6 + 1)
                   .arg((slot - 1) % 6 + 1);
    return out;
}

}  // namespace

Plan plan(Database& db) {
    Plan p;
    Transaction tr(db);
    tr.start();
    const Now now(db, tr);
    Problems found(db, tr, p);
    const schema::Model& model = schema::model();

    QStringList dropConstraints, createTables, retype, keys, notNull;
    QStringList& fill = p.fill;
    QSet<QString> readd;  // constraints of this build dropped for a change of their columns
    QSet<QString> newColumns, domains, ours;
    for (const schema::Constraint& c : model.constraints) ours.insert(c.name);
    for (const schema::Table& t : model.tables) {
        const auto type = now.tables.constFind(t.name);
        if (type == now.tables.constEnd()) {
            createTables << t.create;
            p.lacking << QStringLiteral("таблица %1").arg(t.name);
            if (t.name == u"BAL_LOG") p.afterwards << historyOfStoredScores();
            continue;
        }
        if (t.temporary && *type != 4) {  // a scratch table shared by every station
            createTables << QStringLiteral("DROP TABLE %1").arg(t.name) << t.create;
            p.lacking << QStringLiteral("таблица %1 как временная, своя у каждого рабочего места").arg(t.name);
            continue;
        }
        for (const schema::Column& c : t.columns) {
            const ColumnNow* has = now.column(t.name, c.name);
            if (!has) {
                const QString type = c.type + (c.collation.isEmpty() ? QString() : QStringLiteral(" COLLATE ") + c.collation);
                p.addFirst << QStringLiteral("ALTER TABLE %1 ADD %2 %3").arg(t.name, c.name, type);
                p.dropAgain << QStringLiteral("ALTER TABLE %1 DROP %2").arg(t.name, c.name);
                newColumns << t.name + u'.' + c.name;
                p.lacking << QStringLiteral("столбец %1.%2").arg(t.name, c.name);
                if (c.notNull) {
                    const QString value = fillOf(t.name, c.name);
                    if (!value.isEmpty())
                        fill << QStringLiteral("UPDATE %1 SET %2 = %3 WHERE %2 IS NULL").arg(t.name, c.name, value);
                    notNull << QStringLiteral("ALTER TABLE %1 ALTER %2 SET NOT NULL").arg(t.name, c.name);
                }
                continue;
            }
            if (!c.collation.isEmpty() && (has->charset != kWin1251 || has->collation != now.pxwCyrl)) {
                // A column's collation changes only through a domain, and only while no key holds it.
                const int length = qMax(c.length, has->length);
                const QString domain = QStringLiteral("D_NAME%1").arg(length);
                if (!now.domains.contains(domain) && !domains.contains(domain)) {
                    domains.insert(domain);
                    retype.prepend(QStringLiteral("CREATE DOMAIN %1 AS VARCHAR(%2) CHARACTER SET WIN1251 COLLATE %3")
                                       .arg(domain)
                                       .arg(length)
                                       .arg(c.collation));
                }
                retype << QStringLiteral("ALTER TABLE %1 ALTER %2 TYPE %3").arg(t.name, c.name, domain);
                // Only this build's own rules are dropped, to be added again below; another rule on
                // the column makes the change fail, and the database stays as it was.
                auto [from, to] = now.constraintsOn.equal_range({t.name, c.name});
                for (auto it = from; it != to; ++it)
                    if (ours.contains(it->second) && !readd.contains(it->second)) {
                        readd.insert(it->second);
                        dropConstraints << QStringLiteral("ALTER TABLE %1 DROP CONSTRAINT %2").arg(t.name, it->second);
                    }
                p.lacking << QStringLiteral("порядок по алфавиту в %1.%2").arg(t.name, c.name);
            }
            const bool givesKeys = c.identity && !has->identity;
            if (givesKeys) {
                // Keys the database gives: a sequence from the largest key there, which also gives
                // the rows without a key theirs, and a trigger.
                const QString sequence = QStringLiteral("G_%1").arg(t.name), trigger = QStringLiteral("%1_KEY").arg(t.name);
                if (!now.sequences.contains(sequence)) {
                    p.addFirst << QStringLiteral("CREATE SEQUENCE %1 START WITH %2")
                                        .arg(sequence)
                                        .arg(largest(db, tr, t.name, c.name));
                    p.dropAgain << QStringLiteral("DROP SEQUENCE %1").arg(sequence);
                }
                if (!now.triggers.contains(trigger)) {
                    keys << QStringLiteral("CREATE TRIGGER %1 FOR %2 BEFORE INSERT AS\nBEGIN\n    IF (NEW.%3 IS NULL) THEN "
                                           "NEW.%3 = NEXT VALUE FOR %4;\nEND")
                                .arg(trigger, t.name, c.name, sequence);
                    p.lacking << QStringLiteral("ключи, которые даёт база данных, в %1.%2").arg(t.name, c.name);
                }
                fill << QStringLiteral("UPDATE %1 SET %2 = NEXT VALUE FOR %3 WHERE %2 IS NULL").arg(t.name, c.name, sequence);
            }
            if (c.notNull && !has->notNull) {
                const QStringList key = rowKey(t);
                if (!givesKeys)  // a key column's empty rows get keys above
                    found.find(QStringLiteral("SELECT %1 FROM %2 WHERE %3 IS NULL").arg(key.join(QStringLiteral(", ")), t.name, c.name),
                           [&](const Query& q) {
                               return QStringLiteral("%1 (%2): пусто в %3").arg(t.name, values(q, key), c.name);
                           });
                notNull << QStringLiteral("ALTER TABLE %1 ALTER %2 SET NOT NULL").arg(t.name, c.name);
                p.lacking << QStringLiteral("обязательный столбец %1.%2").arg(t.name, c.name);
            }
        }
    }

    QStringList constraints;
    for (const schema::Constraint& c : model.constraints) {
        const bool present = now.constraints.contains(c.name) && !readd.contains(c.name);
        if (present || (c.kind == schema::Constraint::PrimaryKey && now.withPrimaryKey.contains(c.table))) continue;
        constraints << c.statement;
        if (!readd.contains(c.name)) p.lacking << QStringLiteral("правило %1").arg(c.name);
        bool onNewColumn = !now.tables.contains(c.table);
        for (const QString& col : c.columns) onNewColumn = onNewColumn || newColumns.contains(c.table + u'.' + col);
        if (!onNewColumn) findBreaking(found, c);
    }
    QStringList triggers;
    for (const schema::Trigger& t : model.triggers)
        if (!now.triggers.contains(t.name)) {
            triggers << t.statement;
            p.lacking << QStringLiteral("триггер %1").arg(t.name);
        }
    p.statements = dropConstraints + createTables + retype + keys + notNull + constraints + triggers;
    tr.commit();
    return p;
}

void apply(Database& db, const Plan& p) {
    if (p.problemCount > 0) {
        QString detail = p.problems.join(u'\n');
        if (p.problemCount > p.problems.size())
            detail += QStringLiteral("\nи ещё %1").arg(p.problemCount - p.problems.size());
        throw Refusal(QStringLiteral("Базу данных нельзя обновить: эти записи нарушают правила новой версии (всего %1). "
                                     "Ничего не изменено.")
                          .arg(p.problemCount),
                      detail);
    }
    if (p.upToDate()) return;
    const auto run = [&](const QStringList& statements) {
        Transaction tr(db);
        tr.start();
        for (const QString& sql : statements) {
            Query q(db, tr);
            q.setSql(QStringList{sql});
            q.execute();
        }
        tr.commit();
    };
    run(p.addFirst);
    try {
        run(p.fill);
        run(p.statements);
    } catch (const DbError&) {
        try {
            run(p.dropAgain);  // the database as it was
        } catch (const DbError&) {
        }
        throw;
    }
    try {
        run(p.afterwards);
    } catch (const DbError&) {
        // The database is up to date all the same; its earlier scores count as entered once saved again.
    }
}

}  // namespace upgrade
