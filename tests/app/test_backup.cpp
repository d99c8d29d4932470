// The backup button, and the backup a merge makes first: a new file in the user's backups folder
// that restores to the database as it was; without a backup nothing is merged.

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

TEST_F(Backup, TheButtonAndEveryMergeWriteANewBackupOfTheDatabaseAsItWas) {
    const Olympiad o = Olympiad::seed(db(), tr());
    o.enrol(db(), tr(), o.fizika, o.k9, {"Местный"});
    const QStringList before = TestDatabase::contents(db(), tr());
    const QString station = s_dir->filePath("station.fdb");
    {
        Database s;
        schema::createDatabase(s, station);
        Transaction t(s);
        t.start();
        const Olympiad so = Olympiad::seed(s, t);
        so.enrol(s, t, so.fizika, so.k9, {"Приезжий"});
        t.commit();
    }
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

}  // namespace
