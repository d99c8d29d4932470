// The backup and merge buttons of the main window: a backup is a new file in the user's backups
// folder that restores to the database as it was; a merge makes one first, and without one nothing
// is merged.

#include "Backup.h"
#include "Schema.h"
#include "app/UMain.h"
#include "fixtures/Olympiad.h"
#include "fixtures/TestDatabase.h"
#include "fixtures/WindowTest.h"

#include <QDir>
#include <QProgressBar>

namespace {

class Backup : public WindowTest {};

// Where a backup is made: by the server for a name that has one (a port too), on this computer for
// a file of it, a Windows drive and a colon inside a file name included.
TEST(BackupPlace, AServerNameIsToldFromAFileOfThisComputer) {
    const struct {
        const char* name;
        const char* server;
        const char* path;
    } cases[] = {{"127.0.0.1:/var/lib/o.fdb", "127.0.0.1", "/var/lib/o.fdb"},
                 {"host/3051:/data/o.fdb", "host/3051", "/data/o.fdb"},
                 {"сервер/3051:D:\\Олимпиада\\o.fdb", "сервер/3051", "D:\\Олимпиада\\o.fdb"},
                 {"C:\\Олимпиада\\o.fdb", "", "C:\\Олимпиада\\o.fdb"},
                 {"/home/u/итоги 10:30.fdb", "", "/home/u/итоги 10:30.fdb"},
                 {"o.fdb", "", "o.fdb"}};
    for (const auto& c : cases) {
        const backup::Location l = backup::locate(QString::fromUtf8(c.name));
        EXPECT_EQ(l.server + "|" + l.path, QString::fromUtf8(c.server) + "|" + QString::fromUtf8(c.path)) << c.name;
    }
}

// What a backup file holds, restored into a new database.
QStringList restored(const QString& file, const QString& into) {
    Database d;
    d.databaseName = into;
    backup::restore(file, d);
    d.connect();
    Transaction t(d);
    t.start();
    return TestDatabase::contents(d, t);
}

// Another station's database: the small olympiad with one child of Север, Физика, 9.
void stationWith(const QString& file, const QString& surname) {
    Database d;
    schema::createDatabase(d, file);
    Transaction t(d);
    t.start();
    const Olympiad o = Olympiad::seed(d, t);
    o.enrol(d, t, o.fizika, o.k9, {surname});
    t.commit();
}

TEST_F(Backup, TheButtonAndEveryMergeWriteANewBackupOfTheDatabaseAsItWas) {
    const Olympiad o = Olympiad::seed(db(), tr());
    o.enrol(db(), tr(), o.fizika, o.k9, {"Местный"});
    const QStringList before = TestDatabase::contents(db(), tr());
    const QString station = s_dir->filePath("station.fdb");
    stationWith(station, "Приезжий");
    const QString backups = QDir::homePath() + "/Documents/Таврин/Резервные копии";
    TMainForm main;
    underTest(&main);
    main.show();

    QTest::mouseClick(main.Button6, Qt::LeftButton);
    ASSERT_EQ(QDir(backups).entryList(QDir::Files).size(), 1);
    const QString first = backups + "/" + QDir(backups).entryList(QDir::Files)[0];
    EXPECT_TRUE(first.contains("/olymp 20") && first.endsWith(".fbk")) << first.toStdString();
    EXPECT_EQ(msg::shownTexts(), QStringList{"Резервная копия сохранена в файл " + first});
    EXPECT_FALSE(main.ProgressBar1->isVisible());
    EXPECT_GT(main.ProgressBar1->maximum(), 0);
    EXPECT_EQ(main.ProgressBar1->value(), main.ProgressBar1->maximum()) << "the bar followed every table";

    // A file stands where the backups folder should be: the merge does not start.
    ASSERT_TRUE(QDir(backups).removeRecursively());
    QFile blocker(backups);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    msg::clearShown();
    msg::setNextFile(station);
    QTest::mouseClick(main.Button5, Qt::LeftButton);
    EXPECT_EQ(msg::shown().last().text, "Резервная копия не сделана, объединение не начато.");
    EXPECT_EQ(TestDatabase::contents(db(), tr()), before);
    ASSERT_TRUE(blocker.remove());

    msg::clearShown();
    msg::setNextFile(station);
    QTest::mouseClick(main.Button5, Qt::LeftButton);
    ASSERT_EQ(msg::shown().last().text, "Объединение прошло успешно!");
    ASSERT_EQ(QDir(backups).entryList(QDir::Files).size(), 1);
    const QString saved = backups + "/" + QDir(backups).entryList(QDir::Files)[0];
    EXPECT_TRUE(msg::shown().last().detail.endsWith("\nПеред объединением сделана резервная копия: " + saved));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SPISOK"), 2);
    EXPECT_EQ(restored(saved, s_dir->filePath("restored.fdb")), before) << "the database as it was before the merge";
}

// The button: a file chosen, the bar shown while it runs and hidden after, the counts said; two
// files one after the other both land.
TEST_F(Backup, TheMainWindowMergesTwoFilesInOneRun) {
    const QString sources[] = {s_dir->filePath("first.fdb"), s_dir->filePath("second.fdb")};
    stationWith(sources[0], "Первый");
    stationWith(sources[1], "Второй");
    TMainForm main;
    underTest(&main);
    main.show();
    EXPECT_TRUE(main.Button5->isEnabled());
    QApplication::processEvents();
    const QSize size = main.size();
    for (const QString& source : sources) {
        msg::setNextFile(source);
        QTest::mouseClick(main.Button5, Qt::LeftButton);
        EXPECT_FALSE(main.ProgressBar1->isVisible());
        QApplication::processEvents();
        EXPECT_EQ(main.size(), size) << "the window keeps its size";
    }
    QStringList said;
    for (const msg::Shown& m : msg::shown())
        if (m.kind != msg::Kind::FileChoice) said << m.text + " " + m.detail.section('\n', 0, 0);  // then the backup
    const QString done = "Объединение прошло успешно! Скопировано участников: 1; уже были в базе: 0; "
                         "оставлено различающихся значений: 0; добавлено в справочники: %1.";
    EXPECT_EQ(said, QStringList({done.arg(7), done.arg(0)}))
        << "two teams with their three schools, the child's subject and grade came with the first";
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SPISOK"), 2);
    EXPECT_FALSE(DM->IBDatabase2.connected()) << "the source is closed after each merge";

    msg::clearShown();
    msg::setNextFile(s_dir->filePath("no-such.fdb"));
    QTest::mouseClick(main.Button5, Qt::LeftButton);
    ASSERT_EQ(msg::shown().size(), 2);
    EXPECT_EQ(msg::shown()[1].kind, msg::Kind::GeneralError);
    EXPECT_FALSE(main.ProgressBar1->isVisible());
    msg::clearShown();
}

}  // namespace
