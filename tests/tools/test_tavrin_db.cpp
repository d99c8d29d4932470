// The database tool, run as the user runs it: an empty database, a demo olympiad, and its refusals.

#include "Schema.h"
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

ToolRun tool(const QStringList& args) {
    QProcess p;
    p.setProgram(QStringLiteral(TAVRIN_DB_TOOL));
    p.setArguments(args);
    p.start();
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

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

TEST_F(TavrinDbTool, CreateMakesEveryTableAndRefusesAnExistingFileOrABadPath) {
    const QString name = testDb().newName("empty.fdb");
    const ToolRun r = tool({"create", name});
    ASSERT_EQ(r.code, 0) << r.out.toStdString();
    EXPECT_EQ(Opened(name).scalar("SELECT COUNT(*) FROM RDB$RELATIONS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0"), 11);
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

    // A cut copy is refused by the engine and leaves no half-made database behind.
    QFile cut(local.filePath("cut.fbk"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(before.left(before.size() / 2));
    cut.close();
    const QString broken = testDb().newName("broken.fdb");
    const ToolRun fromCut = tool({"restore", cut.fileName(), broken});
    EXPECT_EQ(fromCut.code, 1);
    EXPECT_TRUE(fromCut.out.contains("не удалось восстановить")) << fromCut.out.toStdString();
    if (!TestDatabase::onServer()) EXPECT_FALSE(QFileInfo::exists(broken));
}

}  // namespace
