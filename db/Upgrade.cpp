#include "Upgrade.h"

#include "Backup.h"
#include "Check.h"
#include "Database.h"
#include "DbError.h"
#include "Query.h"
#include "Schema.h"
#include "UpgradeRows.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <QSet>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <QRegularExpression>
#include <memory>

namespace upgrade {

namespace {

constexpr int kWin1251 = 52;

// Values of columns that a database of an earlier build lacks and that must hold something.
QString fillOf(const QString& table, const QString& column) {
    if (table == u"SPISOK" && column == u"UID_CHILD") return QStringLiteral("GEN_UUID()");
    if (table == u"SPISOK" && column == u"NE_PUBL") return QStringLiteral("0");  // published, as before
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

// A run that wrote the new score history's table but was cut off before the history itself: the
// mark, written with the table and taken away with the history, tells the next run to write it.
const QString kHistoryMark = QStringLiteral("OBNOVLENIE_ISTORIYA");
const char* const kHistoryStep = "история баллов";

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

namespace {

// Works out a plan from what the database holds now.
class Planner {
public:
    Planner(Database& db, Transaction& tr, Plan& plan) : m_db(db), m_tr(tr), m_p(plan), m_now(db, tr) {
        QSet<QString> tables;
        for (auto it = m_now.tables.constBegin(); it != m_now.tables.constEnd(); ++it) tables.insert(it.key());
        m_rows = std::make_unique<BreakingRows>(db, tr, tables);
        for (const schema::Constraint& c : schema::model().constraints) m_ours.insert(c.name);
    }

    void tables() {
        for (const schema::Table& t : schema::model().tables) {
            const auto type = m_now.tables.constFind(t.name);
            if (type == m_now.tables.constEnd()) {
                // The settings first: the mark of the history to write goes there, with its table.
                (t.name == u"NASTROIKI" ? m_addFirst : m_createTables) << t.create;
                m_p.undo.prepend(QStringLiteral("DROP TABLE %1").arg(t.name));
                m_p.lacking << QStringLiteral("таблица %1").arg(t.name);
                if (t.name == u"BAL_LOG") {
                    m_createTables << QStringLiteral("INSERT INTO NASTROIKI (NAME, ZNACH) VALUES ('%1', 'история баллов не записана')")
                                          .arg(kHistoryMark);
                    m_history = true;
                }
                continue;
            }
            if (t.temporary && *type != 4) {  // a scratch table shared by every station
                m_createTables << QStringLiteral("DROP TABLE %1").arg(t.name) << t.create;
                m_p.lacking << QStringLiteral("таблица %1 как временная, своя у каждого рабочего места").arg(t.name);
                continue;
            }
            for (const schema::Column& c : t.columns) column(t, c);
        }
        for (const QString& sequence : schema::model().sequences)
            if (!m_now.sequences.contains(sequence)) {
                m_addFirst << QStringLiteral("CREATE SEQUENCE %1").arg(sequence);
                m_p.undo.prepend(QStringLiteral("DROP SEQUENCE %1").arg(sequence));
                m_p.lacking << QStringLiteral("последовательность %1").arg(sequence);
            }
        if (m_now.tables.contains(QStringLiteral("NASTROIKI")) && marked()) {
            m_history = true;
            m_p.lacking << QStringLiteral("история баллов, введённых раньше");
        }
    }

    void constraints() {
        for (const schema::Constraint& c : schema::model().constraints) {
            const bool present = m_now.constraints.contains(c.name) && !m_readd.contains(c.name);
            if (present || (c.kind == schema::Constraint::PrimaryKey && m_now.withPrimaryKey.contains(c.table))) continue;
            m_rules << c.statement;
            if (!m_readd.contains(c.name)) m_p.lacking << QStringLiteral("правило %1").arg(c.name);
            bool onNewColumn = !m_now.tables.contains(c.table);
            for (const QString& col : c.columns) onNewColumn = onNewColumn || m_newColumns.contains(c.table + u'.' + col);
            // A check names its columns in its condition only: one on a column still to be added
            // has no rows to read yet.
            for (const QString& added : m_newColumns)
                if (c.kind == schema::Constraint::Check && added.section(u'.', 0, 0) == c.table &&
                    c.condition.contains(QRegularExpression(QStringLiteral("\\b%1\\b").arg(added.section(u'.', 1)))))
                    onNewColumn = true;
            if (!onNewColumn) m_rows->breaking(c, m_found);
        }
        for (const schema::Trigger& t : schema::model().triggers)
            if (!m_now.triggers.contains(t.name)) {
                m_rules << t.statement;
                m_p.lacking << QStringLiteral("триггер %1").arg(t.name);
            }
    }

    void assemble() {
        const auto step = [&](const char* what, const QStringList& statements) {
            if (!statements.isEmpty()) m_p.steps.push_back({QString::fromUtf8(what), statements});
        };
        step("новые столбцы", m_addFirst);
        step("идентификаторы и ключи", m_fill);
        step("новые таблицы", m_createTables);
        step("правила", m_dropConstraints + m_retype + m_keys + m_notNull + m_rules);
        if (m_history)
            step(kHistoryStep, historyOfStoredScores() << QStringLiteral("DELETE FROM NASTROIKI WHERE NAME = '%1'").arg(kHistoryMark));
        m_p.problems = m_found.shown;
        m_p.problemCount = m_found.count;
    }

private:
    bool marked() {
        Query q(m_db, m_tr);
        q.setSql(QStringList{QStringLiteral("SELECT COUNT(*) AS N FROM NASTROIKI WHERE NAME = '%1'").arg(kHistoryMark)});
        q.open();
        return q.fieldInt("N") > 0;
    }

    void column(const schema::Table& t, const schema::Column& c);
    void collation(const schema::Table& t, const schema::Column& c, const ColumnNow& has);
    void keys(const schema::Table& t, const schema::Column& c);

    Database& m_db;
    Transaction& m_tr;
    Plan& m_p;
    const Now m_now;
    std::unique_ptr<BreakingRows> m_rows;
    Found m_found;
    QSet<QString> m_ours, m_readd, m_newColumns, m_domains;
    QStringList m_addFirst, m_fill, m_createTables, m_dropConstraints, m_retype, m_keys, m_notNull, m_rules;
    bool m_history = false;
};

void Planner::column(const schema::Table& t, const schema::Column& c) {
    const ColumnNow* has = m_now.column(t.name, c.name);
    const QString fill = fillOf(t.name, c.name);
    if (!has) {
        const QString type = c.type + (c.collation.isEmpty() ? QString() : QStringLiteral(" COLLATE ") + c.collation);
        m_addFirst << QStringLiteral("ALTER TABLE %1 ADD %2 %3").arg(t.name, c.name, type);
        m_p.undo.prepend(QStringLiteral("ALTER TABLE %1 DROP %2").arg(t.name, c.name));
        m_newColumns << t.name + u'.' + c.name;
        m_p.lacking << QStringLiteral("столбец %1.%2").arg(t.name, c.name);
        if (c.notNull) {
            if (!fill.isEmpty()) m_fill << QStringLiteral("UPDATE %1 SET %2 = %3 WHERE %2 IS NULL").arg(t.name, c.name, fill);
            m_notNull << QStringLiteral("ALTER TABLE %1 ALTER %2 SET NOT NULL").arg(t.name, c.name);
        }
        return;
    }
    if (!c.collation.isEmpty() && (has->charset != kWin1251 || has->collation != m_now.pxwCyrl)) collation(t, c, *has);
    const bool givesKeys = c.identity && !has->identity;
    if (givesKeys) keys(t, c);
    if (c.notNull && !has->notNull) {
        // A column a run before added and that must hold values: filled (again) as when it was added.
        if (!fill.isEmpty())
            m_fill << QStringLiteral("UPDATE %1 SET %2 = %3 WHERE %2 IS NULL").arg(t.name, c.name, fill);
        else if (!givesKeys)  // a key column's empty rows get keys
            m_rows->empty(t.name, c.name, m_found);
        m_notNull << QStringLiteral("ALTER TABLE %1 ALTER %2 SET NOT NULL").arg(t.name, c.name);
        m_p.lacking << QStringLiteral("обязательный столбец %1.%2").arg(t.name, c.name);
    }
}

// A column's collation changes only through a domain, and only while no key holds it.
void Planner::collation(const schema::Table& t, const schema::Column& c, const ColumnNow& has) {
    const int length = qMax(c.length, has.length);
    const QString domain = QStringLiteral("D_NAME%1").arg(length);
    if (!m_now.domains.contains(domain) && !m_domains.contains(domain)) {
        m_domains.insert(domain);
        m_retype.prepend(QStringLiteral("CREATE DOMAIN %1 AS VARCHAR(%2) CHARACTER SET WIN1251 COLLATE %3")
                             .arg(domain)
                             .arg(length)
                             .arg(c.collation));
    }
    m_retype << QStringLiteral("ALTER TABLE %1 ALTER %2 TYPE %3").arg(t.name, c.name, domain);
    // Only this build's own rules are dropped, to be added again; another rule on the column makes
    // the change fail, and the database stays as it was.
    auto [from, to] = m_now.constraintsOn.equal_range({t.name, c.name});
    for (auto it = from; it != to; ++it)
        if (m_ours.contains(it->second) && !m_readd.contains(it->second)) {
            m_readd.insert(it->second);
            m_dropConstraints << QStringLiteral("ALTER TABLE %1 DROP CONSTRAINT %2").arg(t.name, it->second);
        }
    m_p.lacking << QStringLiteral("порядок по алфавиту в %1.%2").arg(t.name, c.name);
}

// Keys the database gives: a sequence from the largest key there, which also gives the rows
// without a key theirs, and a trigger.
void Planner::keys(const schema::Table& t, const schema::Column& c) {
    const QString sequence = QStringLiteral("G_%1").arg(t.name), trigger = QStringLiteral("%1_KEY").arg(t.name);
    if (!m_now.sequences.contains(sequence)) {
        m_addFirst << QStringLiteral("CREATE SEQUENCE %1 START WITH %2").arg(sequence).arg(largest(m_db, m_tr, t.name, c.name));
        m_p.undo.prepend(QStringLiteral("DROP SEQUENCE %1").arg(sequence));
    }
    if (!m_now.triggers.contains(trigger)) {
        m_keys << QStringLiteral("CREATE TRIGGER %1 FOR %2 BEFORE INSERT AS\nBEGIN\n    IF (NEW.%3 IS NULL) THEN "
                                 "NEW.%3 = NEXT VALUE FOR %4;\nEND")
                      .arg(trigger, t.name, c.name, sequence);
        m_p.lacking << QStringLiteral("ключи, которые даёт база данных, в %1.%2").arg(t.name, c.name);
    }
    m_fill << QStringLiteral("UPDATE %1 SET %2 = NEXT VALUE FOR %3 WHERE %2 IS NULL").arg(t.name, c.name, sequence);
}

// Runs statements in one transaction, committed.
void runStep(Database& db, const QStringList& statements) {
    Transaction tr(db);
    tr.start();
    for (const QString& sql : statements) {
        Query q(db, tr);
        q.setSql(QStringList{sql});
        q.execute();
    }
    tr.commit();
}

void refuseProblems(const Plan& p) {
    if (p.problemCount == 0) return;
    QString detail = p.problems.join(u'\n');
    if (p.problemCount > p.problems.size()) detail += QStringLiteral("\nи ещё %1").arg(p.problemCount - p.problems.size());
    throw Refusal(QStringLiteral("Базу данных нельзя обновить: эти записи нарушают правила новой версии (всего %1). "
                                 "Ничего не изменено. Исправьте их в программе, которой база сделана, и обновите снова.")
                      .arg(p.problemCount),
                  detail);
}

QStringList findingsOf(Database& db) {
    Transaction tr(db);
    tr.start();
    QStringList findings;
    consistent(db, tr, &findings);
    tr.commit();
    return findings;
}

}  // namespace

Plan plan(Database& db) {
    Plan p;
    Transaction tr(db);
    tr.start();
    {
        Planner planner(db, tr, p);
        planner.tables();
        planner.constraints();
        planner.assemble();
    }
    tr.commit();
    return p;
}

void apply(Database& db, const Plan& p, const Progress& progress) {
    refuseProblems(p);
    const int n = int(p.steps.size());
    for (int i = 0; i < n; ++i) {
        const Step& step = p.steps[size_t(i)];
        try {
            runStep(db, step.statements);
        } catch (const DbError& e) {
            // Until the rules are in, what was added comes out again; the history alone is left for
            // the next run, which its mark asks for.
            if (i == n - 1 && step.what == QString::fromUtf8(kHistoryStep)) throw Unfinished(e);
            try {
                runStep(db, p.undo);
            } catch (const DbError&) {
            }
            throw;
        }
        if (progress) progress(QStringLiteral("Обновление, шаг %1 из %2: %3").arg(i + 1).arg(n).arg(step.what), i + 1, n);
    }
}

bool consistent(Database& db, Transaction& tr, QStringList* findings) {
    const check::Findings found = check::run(db, tr);
    if (findings) *findings = found.lines();
    return found.clean();
}

namespace {

// The upgrade of a database file of this computer: on a copy restored from the backup, which takes
// the original's place by one rename once it is complete. A copy left by a run that was cut off is
// thrown away first; the original is held open meanwhile, so no other program is working on it.
void upgradeCopy(const Database& original, const QString& path, const QString& backupFile, const Progress& progress) {
    const QString copyName = path + QStringLiteral(".upgrade");
    QFile::remove(copyName);
    Database copy;
    copy.databaseName = copyName;
    copy.params = original.params;
    auto discard = qScopeGuard([&] {
        try {
            copy.disconnect();
        } catch (const DbError&) {
        }
        QFile::remove(copyName);
    });
    backup::restore(backupFile, copy, [&](int done, int total) {
        if (progress) progress(QStringLiteral("Копия базы данных"), done, total);
    });
    copy.connect();
    try {
        apply(copy, plan(copy), progress);
    } catch (const Unfinished& e) {
        throw DbError(e);  // the copy goes: the database is as it was
    }
    copy.disconnect();
    QFile::setPermissions(copyName, QFile::permissions(path));
    if (std::rename(QFile::encodeName(copyName).constData(), QFile::encodeName(path).constData()) != 0)
        throw DbError(QStringLiteral("Не удалось заменить файл %1 обновлённым %2: %3")
                          .arg(path, copyName, QString::fromLocal8Bit(std::strerror(errno))));
    discard.dismiss();
}

}  // namespace

Outcome run(const Database& db, const QString& backupFile, const Progress& progress) {
    const auto tell = [&](const QString& phase, int done, int total) {
        if (progress) progress(phase, done, total);
    };
    // Held open to the end: the engine opens a file for one program, so none works on it meanwhile.
    Database held;
    held.databaseName = db.databaseName;
    held.params = db.params;
    held.connect();
    tell(QStringLiteral("Проверка базы данных"), 0, 0);
    const Plan first = plan(held);
    refuseProblems(first);
    Outcome out{first.lacking, {}};
    if (first.upToDate()) {
        out.findings = findingsOf(held);
        return out;
    }
    backup::save(held, backupFile, [&](int done, int total) { tell(QStringLiteral("Резервная копия"), done, total); });
    const backup::Location where = backup::locate(db.databaseName);
    const QFileInfo file(where.path);
    if (where.server.isEmpty() && QFileInfo(file.absolutePath()).isWritable()) {
        upgradeCopy(held, file.absoluteFilePath(), backupFile, progress);
        held.disconnect();  // the file it held is the one replaced
        try {
            held.connect();
        } catch (const DbError&) {
            return out;  // another program opened the upgraded database first: the upgrade is done all the same
        }
    } else {
        apply(held, first, progress);
    }
    tell(QStringLiteral("Проверка базы данных"), 0, 0);
    out.findings = findingsOf(held);
    return out;
}

}  // namespace upgrade
