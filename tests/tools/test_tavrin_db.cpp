// The database tool, run as the user runs it: an empty database, a demo olympiad, and its refusals.

#include "Atomic.h"
#include "Schema.h"
#include "merge/Merge.h"
#include "fixtures/QtPrinters.h"
#include "fixtures/TestDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct ToolRun {
    int code;
    QString out;
};

// The tool run as a user runs it, with a home of its own (its backups go there); `killAfterStep`
// has it killed right after that step of an upgrade is committed; `locale` is the user's.
ToolRun tool(const QStringList& args, int killAfterStep = 0, const QString& locale = {}) {
    static const QTemporaryDir home;
    QProcess p;
    p.setProgram(QStringLiteral(TAVRIN_DB_TOOL));
    p.setArguments(args);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    if (killAfterStep) env.insert("TAVRIN_TEST_KILL_AFTER_STEP", QString::number(killAfterStep));
    if (!locale.isEmpty()) env.insert("LC_ALL", locale);
    p.setProcessEnvironment(env);
    p.start();
    p.waitForFinished(120000);
    const int code = p.exitStatus() == QProcess::CrashExit ? -1 : p.exitCode();
    return {code, QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

// The file behind a database name of this suite (on the server too: its folder is on this computer).
QString fileOf(const QString& name) { return name.section(u':', -1); }

class TavrinDbTool : public DbTest {
protected:
    // Opens a database the tool made.
    struct Opened {
        Database db;
        Transaction tr{db};
        explicit Opened(const QString& name) {
            db.databaseName = name;
            db.connect();
            tr.start();
        }
        qint64 scalar(const char* sql) {
            Query q(db, tr);
            q.setSql(QStringList{QString::fromUtf8(sql)});
            q.open();
            return q.fieldInt(q.fieldNames().first());
        }
    };
};

TEST_F(TavrinDbTool, DemoIsAConsistentOlympiad) {
    const QString name = testDb().newName("demo.fdb");
    const ToolRun r = tool({"demo", name, "--participants", "120"});
    ASSERT_EQ(r.code, 0) << r.out.toStdString();
    {
        Opened o(name);
        EXPECT_EQ(o.scalar("SELECT COUNT(*) FROM SPISOK"), 120);
        // Every participant's school is one of its team's.
        EXPECT_EQ(o.scalar("SELECT COUNT(*) FROM SPISOK P WHERE NOT EXISTS (SELECT * FROM S_SCHOOL S "
                           "WHERE S.ID_KOMAND = P.ID_KOMAND AND S.SCHOOL = P.SCHOOL)"), 0);
        // One or two teachers each, all linked.
        EXPECT_EQ(o.scalar("SELECT COUNT(*) FROM SPISOK P WHERE (SELECT COUNT(*) FROM TEACHERS T "
                           "WHERE T.ID_CHILD = P.ID_CHILD) NOT BETWEEN 1 AND 2"), 0);
        // Every subject has its four round slots, the used ones with 2 to 6 tasks.
        EXPECT_EQ(o.scalar("SELECT COUNT(*) FROM TUR"), 20);
        EXPECT_EQ(o.scalar("SELECT COUNT(*) FROM TUR WHERE ID_TUR = ID AND KOL_ZAD BETWEEN 2 AND 6 AND NAME_TUR <> ''"),
                  o.scalar("SELECT COUNT(*) FROM TUR WHERE ID_TUR <> 0"));
        EXPECT_EQ(o.scalar("SELECT COUNT(*) FROM TUR WHERE ID_TUR = 0 AND (KOL_ZAD <> 0 OR NAME_TUR <> '')"), 0);
        EXPECT_EQ(o.scalar("SELECT COUNT(*) FROM SPISOK WHERE SURNAME = '' OR NAME = '' OR SECONDNAME = ''"), 0);
    }
    // The check finds it clean, and so after a merge of another station's demo into it; a broken
    // rule makes it list the rows and end with 1.
    const ToolRun clean = tool({"check", name});
    EXPECT_EQ(clean.code, 0) << clean.out.toStdString();
    EXPECT_TRUE(clean.out.startsWith("Нарушений не найдено")) << clean.out.toStdString();
    const QString second = testDb().newName("demo-7.fdb");
    ASSERT_EQ(tool({"demo", second, "--participants", "80", "--seed", "7"}).code, 0);
    {
        Opened o(name), s(second);
        atomically(o.tr, [&] { merge::run(o.db, o.tr, s.db, s.tr); });
        EXPECT_EQ(o.scalar("SELECT COUNT(*) FROM SPISOK"), 200);
    }
    const ToolRun merged = tool({"check", name});
    EXPECT_EQ(merged.code, 0) << merged.out.toStdString();
    qint64 moved = 0;
    {
        Opened o(name);
        Query broken(o.db, o.tr, {"UPDATE BAL SET MESTO = MESTO + 1"});
        broken.execute();
        moved = broken.rowsAffected();
        o.tr.commit();
    }
    const ToolRun found = tool({"check", name});
    EXPECT_EQ(found.code, 1);
    EXPECT_TRUE(found.out.contains(QString("Нарушения в базе данных %1: %2").arg(name).arg(moved))) << found.out.toStdString();
    EXPECT_TRUE(found.out.contains(QString("… и ещё %1").arg(moved - 20))) << found.out.toStdString();
    EXPECT_EQ(found.out.count(": место "), 20);
}

TEST_F(TavrinDbTool, CreateMakesEveryTableAndRefusesAnExistingFileOrABadPath) {
    const QString name = testDb().newName("empty.fdb");
    const ToolRun r = tool({"create", name});
    ASSERT_EQ(r.code, 0) << r.out.toStdString();
    EXPECT_EQ(Opened(name).scalar("SELECT COUNT(*) FROM RDB$RELATIONS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0"), schema::model().tables.size()) << "every table of schema.sql";
    if (!TestDatabase::onServer()) {
        const ToolRun again = tool({"create", name});
        EXPECT_EQ(again.code, 1);
        EXPECT_TRUE(again.out.contains("уже существует")) << again.out.toStdString();
        const ToolRun badDir = tool({"demo", "/no/such/folder/x.fdb"});
        EXPECT_EQ(badDir.code, 1);
        EXPECT_TRUE(badDir.out.contains("/no/such/folder")) << badDir.out.toStdString();
    }
    const ToolRun noServer = tool({"create", "127.0.0.1/1:/tmp/x.fdb"});
    EXPECT_EQ(noServer.code, 1);
    EXPECT_TRUE(noServer.out.contains("не удалось создать")) << noServer.out.toStdString();
    EXPECT_EQ(tool({"create"}).code, 1);
    EXPECT_EQ(tool({"demo", name, "--participants", "x"}).code, 1);
}

// A database of an earlier build gets what it lacks: identifiers for its children, names in
// alphabetical order, the rule against one code twice, a scratch table of each station's own.
TEST_F(TavrinDbTool, UpgradeBringsAnEarlierBuildsDatabaseUpToDate) {
    const QString name = testDb().newName("first-build.fdb");
    {
        Database db;
        schema::createDatabase(db, name, TestDatabase::script("first_build.sql"));
        Opened o(name);
        for (const char* sql :
             {"INSERT INTO S_KOMAND (KOMAND) VALUES ('Север')", "INSERT INTO S_PREDMET (PREDMET) VALUES ('Физика')",
              "INSERT INTO S_KLASS (KLASS) VALUES ('9')",
              "INSERT INTO SPISOK (ID_KOMAND, ID_PREDMET, KLASS, SURNAME, NAME) VALUES (1, 1, 1, 'ёлкин', 'Пётр')",
              "INSERT INTO SPISOK (ID_KOMAND, ID_PREDMET, KLASS, SURNAME, NAME) VALUES (1, 1, 1, 'Ёлкин', 'Пётр')",
              "INSERT INTO SPISOK (ID_KOMAND, ID_PREDMET, KLASS, SURNAME, NAME) VALUES (1, 1, 1, 'Жуков', 'Иван')",
              "INSERT INTO SHIFR (ID_CHILD, ID_PREDMET, KLASS, ID_TUR, SHIFR) VALUES (1, 1, 1, 1, 'А1')",
              "INSERT INTO TUR (ID, ID_PREDMET, ID_TUR, NAME_TUR, KOL_ZAD) VALUES (1, 1, 1, 'Теория', 3)",
              "INSERT INTO TUR (ID, ID_PREDMET, ID_TUR, NAME_TUR, KOL_ZAD) VALUES (2, 1, 0, '', 0)",
              "INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS, BAL01, BAL02, BAL07, SUMM) VALUES (1, 1, 1, 3, 4, 5, 12)",
              "INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS, BAL01, SUMM) VALUES (2, 1, 1, 0, 0)"}) {
            Query q(o.db, o.tr);
            q.setSql(QStringList{QString::fromUtf8(sql)});
            q.execute();
        }
        o.tr.commit();
    }
    const ToolRun r = tool({"upgrade", name});
    ASSERT_EQ(r.code, 1) << "upgraded, but the record breaks a rule: " << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("столбец SPISOK.UID_CHILD")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("«Физика», 9 класс: ёлкин Пётр (Север): балл 5 в задаче 1 тура 2, а такого тура у предмета нет"))
        << "what the earlier build left broken is listed: " << r.out.toStdString();
    const QString saved = r.out.section("Перед обновлением сделана резервная копия: ", 1).section(u'\n', 0, 0);
    EXPECT_TRUE(saved.endsWith(".fbk") && QFileInfo(saved).size() > 0) << "the backup made first is named";
    for (const char* table : {"таблица TUR_MAX", "таблица BAL_LOG", "таблица NASTROIKI", "таблица DIPLOM",
                              "последовательность GEN_DIPLOM"})
        EXPECT_TRUE(r.out.contains(QString::fromUtf8(table))) << r.out.toStdString();
    {
        Opened o(name);
        EXPECT_EQ(o.scalar("SELECT COUNT(DISTINCT UID_CHILD) FROM SPISOK"), 3) << "every child his own identifier";
        EXPECT_EQ(o.scalar("SELECT COUNT(*) FROM SPISOK WHERE NE_PUBL = 0"), 3) << "every child published, as before";
        EXPECT_EQ(o.scalar("SELECT GEN_ID(GEN_DIPLOM, 0) + COUNT(*) FROM DIPLOM"), 0) << "diplomas can be numbered";
        Query history(o.db, o.tr, {"SELECT CAST(LIST(SLOT || '=' || NEW_BAL, ' ') AS VARCHAR(200)) AS L FROM "
                                   "(SELECT * FROM BAL_LOG WHERE ID_CHILD = 1 AND OLD_BAL IS NULL ORDER BY SLOT)"});
        history.open();
        EXPECT_EQ(history.fieldText("L"), "1=3.00 2=4.00") << "scores entered before count as entered, tasks of rounds in use only";
        EXPECT_EQ(o.scalar("SELECT COUNT(*) FROM BAL_LOG WHERE ID_CHILD = 2"), 0) << "a zero may be a task never entered";
        Query order(o.db, o.tr, {"SELECT CAST(LIST(SURNAME, ',') AS VARCHAR(200)) AS L FROM (SELECT SURNAME FROM SPISOK ORDER BY SURNAME)"});
        order.open();
        EXPECT_EQ(order.fieldText("L"), "ёлкин,Ёлкин,Жуков") << "alphabetical, Ё beside Е";
        Query child(o.db, o.tr, {"INSERT INTO SPISOK (ID_KOMAND, ID_PREDMET, KLASS, SURNAME) VALUES (1, 1, 1, 'Новый')",
                                 "RETURNING ID_CHILD, UUID_TO_CHAR(UID_CHILD) AS U"});
        child.execute();
        EXPECT_EQ(child.fieldInt("ID_CHILD"), 4);
        EXPECT_EQ(child.fieldText("U").size(), 36) << "a child registered now gets one too";
        Query twice(o.db, o.tr, {"INSERT INTO SHIFR (ID_CHILD, ID_PREDMET, KLASS, ID_TUR, SHIFR) VALUES (2, 1, 1, 1, 'А1')"});
        EXPECT_THROW(twice.execute(), DbError) << "one code twice in a round";
        o.tr.rollbackRetaining();
        EXPECT_EQ(o.scalar("SELECT RDB$RELATION_TYPE FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'GROUP_TEMP'"), 4);
    }
}

// Bare tables (no keys the database gives, no rules): rows that break a rule are listed and the
// database is left as it was; once they are put right, it gets keys, identifiers and rules.
TEST_F(TavrinDbTool, UpgradeOfBareTablesListsBrokenRowsOrAddsEverything) {
    const QString name = testDb().newName("bare.fdb");
    Database made;
    schema::createDatabase(made, name, TestDatabase::script("bare_tables.sql"));
    made.disconnect();
    const auto exec = [&](const QStringList& sqls) {
        Opened o(name);
        for (const QString& sql : sqls) {
            Query q(o.db, o.tr);
            q.setSql(QStringList{sql});
            q.execute();
        }
        o.tr.commit();
    };
    QStringList rows{"INSERT INTO S_KOMAND VALUES (1, 'Север')", "INSERT INTO S_PREDMET VALUES (3, 'Физика')",
                     "INSERT INTO S_KLASS VALUES (5, '9')",
                     "INSERT INTO S_SCHOOL (ID_KOMAND, SCHOOL) VALUES (1, 'СОШ')",  // no key
                     "INSERT INTO SPISOK (ID_CHILD, ID_KOMAND, ID_PREDMET, KLASS, SURNAME, NAME) VALUES (7, 1, 3, 5, 'Орлов', 'Иван')",
                     "INSERT INTO SPISOK (ID_CHILD, ID_KOMAND, ID_PREDMET, KLASS, SURNAME, NAME) VALUES (8, 1, 3, 5, 'Орлов', 'Пётр')",
                     "INSERT INTO SHIFR VALUES (7, 3, 1, 5, 'А1')", "INSERT INTO SHIFR VALUES (8, 3, 1, 5, 'А1')"};
    for (int i = 0; i < 24; ++i) rows << "INSERT INTO TEACHERS (ID_CHILD, SURNAME) VALUES (0, 'Ждёт')";  // never linked
    exec(rows);
    const char* const shape = "SELECT (SELECT COUNT(*) FROM RDB$RELATION_FIELDS) + (SELECT COUNT(*) FROM "
                              "RDB$RELATION_CONSTRAINTS) + (SELECT COUNT(*) FROM RDB$TRIGGERS) FROM RDB$DATABASE";
    const qint64 before = Opened(name).scalar(shape);

    // Named as the operator knows them: subject, grade, round, code, the children's names.
    const ToolRun refused = tool({"upgrade", name});
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.out.contains("всего 25")) << refused.out.toStdString();
    EXPECT_TRUE(refused.out.contains("Повторяется предмет «Физика», класс «9», тур 1, шифр «А1» (строк: 2): "
                                     "шифр «А1» участника Орлов Иван (Физика, 9 класс), тур 1; "
                                     "шифр «А1» участника Орлов Пётр (Физика, 9 класс), тур 1"))
        << refused.out.toStdString();
    EXPECT_TRUE(refused.out.contains("учитель Ждёт: такого участника нет в списке участников"));
    EXPECT_TRUE(refused.out.contains("и ещё 5")) << "twenty rows are shown";
    EXPECT_FALSE(refused.out.contains("ID_")) << "no keys";
    EXPECT_EQ(Opened(name).scalar(shape), before) << "nothing changed";

    exec({"DELETE FROM TEACHERS", "UPDATE SHIFR SET SHIFR = 'А2' WHERE ID_CHILD = 8"});
    const ToolRun done = tool({"upgrade", name});
    ASSERT_EQ(done.code, 0) << done.out.toStdString();
    Opened o(name);
    EXPECT_EQ(o.scalar("SELECT COUNT(DISTINCT UID_CHILD) FROM SPISOK"), 2) << "namesakes, two identifiers";
    EXPECT_EQ(o.scalar("SELECT COUNT(*) FROM S_SCHOOL WHERE ID_SCHOOL > 0"), 1) << "a row without a key got one";
    Query child(o.db, o.tr, {"INSERT INTO SPISOK (ID_KOMAND, ID_PREDMET, KLASS, SURNAME) VALUES (1, 3, 5, 'Новый')",
                             "RETURNING ID_CHILD"});
    child.execute();
    EXPECT_EQ(child.fieldInt("ID_CHILD"), 9) << "keys go on after the largest";
    Query teacher(o.db, o.tr, {"INSERT INTO TEACHERS (ID_CHILD, SURNAME) VALUES (9, 'Смирнова') RETURNING ID_TEACHER"});
    teacher.execute();
    EXPECT_EQ(teacher.fieldInt("ID_TEACHER"), 1);
    Query nowhere(o.db, o.tr, {"INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS) VALUES (99, 3, 5)"});
    EXPECT_THROW(nowhere.execute(), DbError) << "a score row of nobody";
}

// A rule of someone else's on a column the upgrade must change: the change fails and the database
// stays as it was, the identifier column added first included.
TEST_F(TavrinDbTool, AFailedUpgradeTakesBackWhatItAdded) {
    const QString name = testDb().newName("foreign-rule.fdb");
    QStringList script = TestDatabase::script("bare_tables.sql");
    script << "ALTER TABLE S_KOMAND ADD CONSTRAINT THEIR_RULE UNIQUE (KOMAND)";
    Database made;
    schema::createDatabase(made, name, script);
    made.disconnect();
    const ToolRun r = tool({"upgrade", name});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.contains("ничего не изменено")) << r.out.toStdString();
    EXPECT_EQ(Opened(name).scalar("SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE RDB$FIELD_NAME = 'UID_CHILD'"), 0);
}

// An upgrade killed right after any of its commits leaves a database that the next run brings up
// to date, with the score history written once, and says "уже обновлена" only then. A file of this
// computer is upgraded on a copy that a killed run leaves behind and the next one throws away; a
// database on the server is upgraded in place, step by step.
TEST_F(TavrinDbTool, AnUpgradeKilledAfterAnyCommitIsFinishedByTheNextRun) {
    const QString old = testDb().newName("old.fdb");
    const ToolRun made =
        tool({"demo", old, "--participants", "40", "--schema", QStringLiteral(TAVRIN_FIXTURES) + "/first_build.sql"}, 0,
             "ru_RU.UTF-8");  // a decimal comma in the user's numbers is not the engine's
    ASSERT_EQ(made.code, 0) << made.out.toStdString();
    qint64 history = -1;
    for (int step = 0; step <= 5; ++step) {  // 0: not killed
        const QString name = testDb().newName(QString("old-%1.fdb").arg(step));
        ASSERT_TRUE(QFile::copy(fileOf(old), fileOf(name)));
        QFile::setPermissions(fileOf(name), QFile::permissions(fileOf(old)) | QFileDevice::WriteOther | QFileDevice::ReadOther);
        if (step > 0) {
            EXPECT_EQ(tool({"upgrade", name}, step).code, -1) << "killed after step " << step;
        }
        const ToolRun next = tool({"upgrade", name});
        EXPECT_EQ(next.code, 0) << step << ": " << next.out.toStdString();
        EXPECT_FALSE(QFileInfo::exists(fileOf(name) + ".upgrade")) << "the copy a killed run left is gone";
        EXPECT_TRUE(tool({"upgrade", name}).out.contains("уже обновлена")) << step;
        Opened o(name);
        EXPECT_EQ(o.scalar("SELECT COUNT(DISTINCT UID_CHILD) FROM SPISOK"), 40) << step;
        if (step == 0) history = o.scalar("SELECT COUNT(*) FROM BAL_LOG");
        EXPECT_EQ(o.scalar("SELECT COUNT(*) FROM BAL_LOG"), history) << "the history written once, killed after step " << step;
        EXPECT_EQ(o.scalar("SELECT COUNT(*) FROM NASTROIKI"), 0) << step;
    }
    EXPECT_GT(history, 0);
}

// The engine's backup of a demo olympiad, restored into a new database, holds every row; neither
// command ever writes over a file or database that exists, and a failed restore leaves nothing.
TEST_F(TavrinDbTool, BackupAndRestoreRoundTripEveryRowAndReplaceNothing) {
    const QString original = testDb().newName("kept.fdb");
    ASSERT_EQ(tool({"demo", original, "--participants", "60"}).code, 0);
    QTemporaryDir local;
    ASSERT_TRUE(QDir(local.path()).mkpath("Резервные копии"));
    const QString copy = local.filePath("Резервные копии/демо 2026-12-06 14-03-05.fbk");
    const ToolRun saved = tool({"backup", original, copy});
    ASSERT_EQ(saved.code, 0) << saved.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(copy + ".part"));

    const QString restored = testDb().newName("restored.fdb");
    const ToolRun back = tool({"restore", copy, restored});
    ASSERT_EQ(back.code, 0) << back.out.toStdString();
    {
        Opened a(original), b(restored);
        const QStringList rows = TestDatabase::contents(a.db, a.tr);
        EXPECT_GT(rows.size(), 300) << "every table of the demo is in it";
        EXPECT_EQ(TestDatabase::contents(b.db, b.tr), rows);
    }

    // Over an existing backup file, or an existing database (on a server the engine refuses it).
    const QByteArray before = [&] { QFile f(copy); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    const ToolRun again = tool({"backup", restored, copy});
    EXPECT_EQ(again.code, 1);
    EXPECT_TRUE(again.out.contains("уже существует")) << again.out.toStdString();
    EXPECT_EQ([&] { QFile f(copy); f.open(QIODevice::ReadOnly); return f.readAll(); }(), before);
    const ToolRun over = tool({"restore", copy, original});
    EXPECT_EQ(over.code, 1) << over.out.toStdString();
    Opened a(original);
    EXPECT_EQ(a.scalar("SELECT COUNT(*) FROM SPISOK"), 60) << "the database is as it was";
    if (!TestDatabase::onServer()) {  // the check of a file another program holds says so in Russian
        const ToolRun r = tool({"check", original});
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.out.contains("держит открытым")) << r.out.toStdString();
    }

    // A restore killed half-way leaves nothing at the target (its part is removed by the next one),
    // as does a backup killed half-way: its part goes with the next backup into that folder.
    if (!TestDatabase::onServer()) {
        const QString target = testDb().newName("killed.fdb");
        EXPECT_EQ(tool({"restore", copy, target}, 3).code, -1);
        EXPECT_FALSE(QFileInfo::exists(target));
        QFile part(target + ".part");  // left there (made here when the engine had not begun it yet)
        if (!part.exists() && part.open(QIODevice::WriteOnly)) part.write("half a database");
        part.close();
        EXPECT_EQ(tool({"restore", copy, target}).code, 0);
        EXPECT_FALSE(QFileInfo::exists(target + ".part"));
        QFile left(local.filePath("Резервные копии/демо 2026-12-06 14-00-00.fbk.part"));
        ASSERT_TRUE(left.open(QIODevice::WriteOnly));
        left.close();
        EXPECT_EQ(tool({"backup", target, local.filePath("Резервные копии/демо 2.fbk")}).code, 0);
        EXPECT_FALSE(left.exists());
    }

    // A cut copy is refused by the engine and leaves no half-made database behind.
    QFile cut(local.filePath("cut.fbk"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(before.left(before.size() / 2));
    cut.close();
    const QString broken = testDb().newName("broken.fdb");
    const ToolRun fromCut = tool({"restore", cut.fileName(), broken});
    EXPECT_EQ(fromCut.code, 1);
    EXPECT_TRUE(fromCut.out.contains("не удалось восстановить")) << fromCut.out.toStdString();
    if (!TestDatabase::onServer()) {
        EXPECT_FALSE(QFileInfo::exists(broken));
    }
}

// A backup that fails (no such database; one another program holds) says why and ends with 1 every
// time: the program waits for the engine's service to end before it exits.
TEST_F(TavrinDbTool, AFailedBackupEndsCleanlyEveryTime) {
    QTemporaryDir local;
    const QString held = testDb().newName("held.fdb");
    ASSERT_EQ(tool({"create", held}).code, 0);
    Opened holder(held);  // the embedded engine of this program holds the file
    for (int run = 0; run < 20; ++run) {
        const bool missing = run % 2 == 0 || TestDatabase::onServer();  // a server serves a held file too
        const ToolRun r = tool({"backup", missing ? testDb().newName("nothere.fdb") : held,
                                local.filePath(QString("copy%1.fbk").arg(run))});
        ASSERT_EQ(r.code, 1) << "run " << run << ": " << r.out.toStdString();
        // Said in the operator's words: a file that is not here, a file another program holds.
        const char* why = missing ? (TestDatabase::onServer() ? "не удалось сделать резервную копию" : "nothere.fdb нет")
                                  : "держит открытым";
        EXPECT_TRUE(r.out.contains(why)) << r.out.toStdString();
        EXPECT_EQ(QDir(local.path()).entryList(QDir::Files), QStringList());
    }
}

}  // namespace
