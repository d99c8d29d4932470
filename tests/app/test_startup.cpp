// Start-up: the path loader of the data module.

#include "Schema.h"
#include "fixtures/TestDatabase.h"
#include "app/UDM.h"
#include "ui/Messages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class PathLoader : public ::testing::Test {
protected:
    // Each test has a home of its own: the user's path.txt and documents folder are there.
    void SetUp() override {
        msg::clearShown();
        m_realHome = qgetenv("HOME");
        qputenv("HOME", home.path().toUtf8());
    }
    void TearDown() override { qputenv("HOME", m_realHome); }
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
    QTemporaryDir home;
    QTemporaryDir dir;
    TDM dm;

private:
    QByteArray m_realHome;
};

// No path.txt beside the program nor in the user's configuration folder: run from its build folder
// the program says where to put one and ends; installed, it first offers a new database in the
// documents folder and names it in the user's path.txt, where the next start finds it.
TEST_F(PathLoader, WithoutPathFileTheProgramEndsOrWhenInstalledOffersANewDatabase) {
    dm.DataModuleCreate(dir.path());
    EXPECT_EQ(msg::shownTexts(), QStringList{"Файл пути к б.д. не найде\nСоздайте в папке программы файл path.txt\n(" +
                                             dir.path() + ")\nили файл " + home.path() + "/.config/Tavrin/path.txt\n"
                                             "и запишите туда путь к б.д.\nПример: C:\\Dunmar\\Dunmar.GDB"});
    EXPECT_TRUE(dm.terminateRequested());

    // Installed: the program in <prefix>/bin, its files in <prefix>/share/tavrin.
    ASSERT_TRUE(QDir(dir.path()).mkpath("usr/bin") && QDir(dir.path()).mkpath("usr/share/tavrin"));
    const QString bin = dir.filePath("usr/bin");
    const QString made = home.path() + "/Documents/Таврин/olympiad.fdb";
    msg::clearShown();
    msg::setNextAnswer(false);
    TDM declined;
    declined.DataModuleCreate(bin);
    ASSERT_EQ(msg::shown().size(), 2);
    EXPECT_TRUE(msg::shown()[0].text.contains(made)) << msg::shown()[0].text.toStdString();
    // Where to name a database, with an example of this system; that folder is there, and no
    // documents folder is made for a database declined.
    EXPECT_EQ(msg::shown()[1].text, TDM::noDatabaseMessage());
    EXPECT_TRUE(msg::shown()[1].text.contains(home.path() + "/.config/Tavrin/path.txt"));
    EXPECT_TRUE(msg::shown()[1].text.contains("Пример: " + home.path() + "/olympiad.fdb")) << "a folder that is there";
    EXPECT_TRUE(QFileInfo(home.path() + "/.config/Tavrin").isDir());
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/Documents/Таврин"));
    EXPECT_TRUE(declined.terminateRequested());

    for (const bool first : {true, false}) {  // the first start makes it, the next finds it
        msg::clearShown();
        msg::setNextAnswer(true);
        TDM started;
        started.DataModuleCreate(bin);
        EXPECT_EQ(msg::shown().size(), first ? 1 : 0) << msg::shownTexts().join("; ").toStdString();
        EXPECT_EQ(started.IBDatabase1.databaseName, made);
        ASSERT_TRUE(started.IBTransaction1.active());
        Query q(started.IBDatabase1, started.IBTransaction1);
        q.setSql({"SELECT COUNT(*) AS N FROM SPISOK"});
        q.open();
        EXPECT_EQ(q.fieldInt("N"), 0) << "a new empty database with every table";
    }
}

// Another program holds the file with its own embedded engine: said in Russian, with what to do;
// the client's words stay behind the details.
TEST_F(PathLoader, ADatabaseHeldByAnotherProgramIsExplained) {
    const QString name = makeDatabase("held.fdb");
    writePath(name.toUtf8());
    QProcess other;
    other.start("isql-fb", {"-q", "-user", "SYSDBA", name});
    ASSERT_TRUE(other.waitForStarted()) << "isql-fb (firebird3.0-utils) is needed";
    other.write("SELECT 'open' || 'ed' FROM RDB$DATABASE;\n");
    QByteArray said;
    while (!said.contains("opened") && other.waitForReadyRead(20000)) said += other.readAllStandardOutput();
    ASSERT_TRUE(said.contains("opened")) << said.toStdString();

    dm.DataModuleCreate(dir.path());
    ASSERT_EQ(msg::shown().size(), 1);
    EXPECT_EQ(msg::shown()[0].kind, msg::Kind::Error);
    EXPECT_EQ(msg::shown()[0].text, "База данных уже открыта в другой копии программы.");
    EXPECT_TRUE(msg::shown()[0].detail.contains("Закройте ту копию")) << msg::shown()[0].detail.toStdString();
    EXPECT_FALSE(msg::shown()[0].technical.isEmpty());
    EXPECT_FALSE(dm.IBDatabase1.connected());
    EXPECT_TRUE(dm.terminateRequested()) << "no main window whose every button fails";
    other.closeWriteChannel();
    other.waitForFinished();
}

// The first line names the database, in UTF-8 or as a Windows program saves it (Windows-1251).
TEST_F(PathLoader, OnlyTheFirstLineNamesTheDatabaseInEitherEncoding) {
    const QString folder = dir.filePath("Олимпиада");
    ASSERT_TRUE(QDir().mkpath(folder));
    makeDatabase("Олимпиада/база.fdb");
    writePath((folder + "/").toUtf8().replace("Олимпиада", "\xCE\xEB\xE8\xEC\xEF\xE8\xE0\xE4\xE0") +
              "\xE1\xE0\xE7\xE0.fdb\r\n/somewhere/else.fdb\n");
    dm.DataModuleCreate(dir.path() + "/");
    EXPECT_TRUE(msg::shown().isEmpty()) << msg::shownTexts().join("; ").toStdString();
    EXPECT_EQ(dm.IBDatabase1.databaseName, folder + "/база.fdb");
    EXPECT_TRUE(dm.IBTransaction1.active());
    EXPECT_FALSE(dm.IBDatabase2.connected()) << "the merge connection stays closed";
    EXPECT_FALSE(dm.terminateRequested());
}

// An empty file, or a database that is not there (its name taken with its trailing blanks): said in
// Russian, and the program ends instead of showing a main window whose every button fails.
TEST_F(PathLoader, AnEmptyPathFileOrAMissingDatabaseIsSaidAndTheProgramEnds) {
    for (const QByteArray& content : {QByteArray(), QByteArray("/no/such/olymp.fdb  \n")}) {
        msg::clearShown();
        TDM local;
        writePath(content);
        local.DataModuleCreate(dir.path());
        EXPECT_EQ(local.IBDatabase1.databaseName, QString::fromUtf8(content.split('\n').first()));
        ASSERT_EQ(msg::shown().size(), 1);
        EXPECT_EQ(msg::shown()[0].kind, msg::Kind::Error);
        EXPECT_TRUE(msg::shown()[0].text.endsWith("Программа закрывается.")) << msg::shown()[0].text.toStdString();
        EXPECT_TRUE(msg::shown()[0].text.contains(content.isEmpty() ? dir.filePath("path.txt") : "/no/such/olymp.fdb  "));
        if (!content.isEmpty())
            EXPECT_TRUE(msg::shown()[0].detail.startsWith("Файла базы данных /no/such/olymp.fdb   нет."))
                << msg::shown()[0].detail.toStdString();
        EXPECT_FALSE(local.IBTransaction1.active()) << "no transaction without a connection";
        EXPECT_TRUE(local.terminateRequested());
    }
}

// A database an earlier build made: the operator is asked; No closes the program and changes
// nothing, naming the command; Yes brings it up to date and the work begins, after the check has
// said what the earlier build left broken.
TEST_F(PathLoader, ADatabaseOfAnEarlierBuildIsUpgradedOnlyWhenTheOperatorAgrees) {
    const QString name = dir.filePath("old.fdb");
    {
        Database d;
        schema::createDatabase(d, name, TestDatabase::script("first_build.sql"));
        Transaction tr(d);
        tr.start();
        TestDatabase::execAll(d, tr, {"INSERT INTO S_KOMAND (KOMAND) VALUES ('Север')", "INSERT INTO S_PREDMET (PREDMET) VALUES ('Физика')",
                                      "INSERT INTO S_KLASS (KLASS) VALUES ('9')",
                                      "INSERT INTO SPISOK (ID_KOMAND, ID_PREDMET, KLASS, SURNAME) VALUES (1, 1, 1, 'Ёлкин')",
                                      "INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS, SUMM, MESTO) VALUES (1, 1, 1, 5, 1)"});
        tr.commit();
    }
    writePath(name.toUtf8());
    const auto hasIdentifiers = [&] {
        OtherStation s(name);
        Query q(s.db, s.tr, {"SELECT COUNT(*) AS N FROM RDB$RELATION_FIELDS WHERE RDB$FIELD_NAME = 'UID_CHILD'"});
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
    EXPECT_EQ(msg::shownTexts().last(), "База данных обновлена, но в её записях есть нарушения.");
    const QString detail = msg::shown().last().detail;
    EXPECT_TRUE(detail.startsWith("«Физика», 9 класс: Ёлкин (Север): общая сумма записана 5, а сумма задач 0\n"))
        << "the check says what the earlier build left broken: " << msg::shownTexts().join("; ").toStdString() << " / " << detail.toStdString() << " / " << msg::shown().last().technical.toStdString();
    const QString saved = detail.section("резервная копия: ", 1);
    EXPECT_TRUE(saved.startsWith(home.path() + "/Documents/Таврин/Резервные копии/old ") && QFileInfo(saved).size() > 0)
        << "the backup made first is named: " << saved.toStdString();
    EXPECT_TRUE(hasIdentifiers());
}

}  // namespace
