// Start-up: the path loader of the data module.

#include "Schema.h"
#include "fixtures/QtPrinters.h"
#include "fixtures/TestDatabase.h"
#include "Query.h"
#include "app/UDM.h"
#include "app/UMain.h"
#include "ui/Messages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class PathLoader : public ::testing::Test {
protected:
    void SetUp() override { msg::clearShown(); }
    void writePath(const QByteArray& content) {
        QFile f(dir.filePath("path.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QString makeDatabase(const QString& file) {
        Database d;
        schema::createDatabase(d, dir.filePath(file));
        return dir.filePath(file);
    }
    QTemporaryDir dir;
    TDM dm;
};

TEST_F(PathLoader, MissingPathFileIsExplainedAndEndsTheProgram) {
    dm.DataModuleCreate(dir.path());
    ASSERT_EQ(msg::shown().size(), 1);
    EXPECT_EQ(msg::shown()[0].kind, msg::Kind::Error);
    EXPECT_EQ(msg::shown()[0].text, "Файл пути к б.д. не найде\nСоздайте в папке программы файл path.txt\n"
                                    "и запишите туда путь к б.д.\nПример: C:\\Dunmar\\Dunmar.GDB");
    EXPECT_TRUE(dm.terminateRequested());
    EXPECT_FALSE(dm.IBDatabase1.connected());
}

TEST_F(PathLoader, OnlyTheFirstLineNamesTheDatabase) {
    const QString name = makeDatabase("olymp.fdb");
    writePath(name.toUtf8() + "\r\n/somewhere/else.fdb\n");
    dm.DataModuleCreate(dir.path() + "/");
    EXPECT_TRUE(msg::shown().isEmpty()) << msg::shownTexts().join("; ").toStdString();
    EXPECT_EQ(dm.IBDatabase1.databaseName, name);
    EXPECT_TRUE(dm.IBDatabase1.connected());
    EXPECT_TRUE(dm.IBTransaction1.active());
    EXPECT_FALSE(dm.IBDatabase2.connected()) << "the merge connection stays closed";
    EXPECT_FALSE(dm.terminateRequested());
}

// An empty file, or a database that is not there (its name taken with its trailing blanks): said,
// and the main window still opens.
TEST_F(PathLoader, EmptyFileOrMissingDatabaseIsReportedAndTheMainWindowStillOpens) {
    for (const QByteArray& content : {QByteArray(), QByteArray("/no/such/olymp.fdb  \n")}) {
        msg::clearShown();
        TDM local;
        writePath(content);
        local.DataModuleCreate(dir.path());
        EXPECT_EQ(local.IBDatabase1.databaseName, QString::fromUtf8(content.split('\n').first()));
        ASSERT_EQ(msg::shown().size(), 1);
        EXPECT_EQ(msg::shown()[0].kind, msg::Kind::GeneralError);
        EXPECT_FALSE(msg::shown()[0].text.isEmpty());
        EXPECT_FALSE(local.IBTransaction1.active()) << "no transaction without a connection";
        EXPECT_FALSE(local.terminateRequested());
        TMainForm main;
        main.show();
        EXPECT_TRUE(main.isVisible());
    }
}

TEST_F(PathLoader, AWindows1251PathFileIsReadAsSuch) {
    QTemporaryDir cyr;
    const QString folder = cyr.filePath("Олимпиада");
    ASSERT_TRUE(QDir().mkpath(folder));
    Database d;
    schema::createDatabase(d, folder + "/база.fdb");
    d.disconnect();
    writePath((folder + "/").toUtf8().replace("Олимпиада", "\xCE\xEB\xE8\xEC\xEF\xE8\xE0\xE4\xE0") +
              "\xE1\xE0\xE7\xE0.fdb\n");
    dm.DataModuleCreate(dir.path());
    EXPECT_EQ(dm.IBDatabase1.databaseName, folder + "/база.fdb");
    EXPECT_TRUE(dm.IBDatabase1.connected()) << msg::shownTexts().join("; ").toStdString();
}

// A database an earlier build made: the operator is asked; No closes the program and changes
// nothing, naming the command; Yes brings it up to date and the work begins.
TEST_F(PathLoader, ADatabaseOfAnEarlierBuildIsUpgradedOnlyWhenTheOperatorAgrees) {
    const QString name = dir.filePath("old.fdb");
    {
        Database d;
        schema::createDatabase(d, name, TestDatabase::script("first_build.sql"));
    }
    writePath(name.toUtf8());
    const auto hasIdentifiers = [&] {
        Database d;
        d.databaseName = name;
        d.connect();
        Transaction tr(d);
        tr.start();
        Query q(d, tr, {"SELECT COUNT(*) AS N FROM RDB$RELATION_FIELDS WHERE RDB$FIELD_NAME = 'UID_CHILD'"});
        q.open();
        return q.fieldInt("N") > 0;
    };
    {
        TDM refused;
        msg::setNextAnswer(false);
        refused.DataModuleCreate(dir.path());
        EXPECT_TRUE(refused.terminateRequested());
        EXPECT_FALSE(refused.IBDatabase1.connected());
        ASSERT_EQ(msg::shown().size(), 2);
        EXPECT_EQ(msg::shown()[1].detail, "Обновить базу данных можно и командой:\ntavrin-db upgrade " + name);
    }
    EXPECT_FALSE(hasIdentifiers()) << "nothing written on No";
    msg::clearShown();
    dm.DataModuleCreate(dir.path());
    EXPECT_FALSE(dm.terminateRequested());
    EXPECT_TRUE(dm.IBTransaction1.active());
    EXPECT_EQ(msg::shownTexts().last(), "База данных обновлена.");
    EXPECT_TRUE(hasIdentifiers());
}

}  // namespace
