// The database tool, run as the user runs it: an empty database, a demo olympiad, and its refusals.

#include "Schema.h"
#include "fixtures/QtPrinters.h"
#include "fixtures/TestDatabase.h"

#include <QProcess>

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

}  // namespace
