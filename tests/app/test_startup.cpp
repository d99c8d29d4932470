// Start-up: the path loader of the data module.

#include "Schema.h"
#include "fixtures/QtPrinters.h"
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

}  // namespace
