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

class Backup : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        m_realHome = qgetenv("HOME");
        qputenv("HOME", m_home.path().toUtf8());
        main.reset(new TMainForm);
        underTest(main.get());
        main->show();
    }
    void TearDown() override {
        main.reset();
        qputenv("HOME", m_realHome);
        WindowTest::TearDown();
    }
    QString backups() const { return m_home.path() + "/Documents/Таврин/Резервные копии"; }
    QStringList backupFiles() const { return QDir(backups()).entryList(QDir::Files); }
    // What a backup file holds, restored into a new database.
    static QStringList restored(const QString& file) {
        Database d;
        d.databaseName = s_dir->filePath(QString("restored-%1.fdb").arg(++s_restores));
        backup::restore(file, d);
        d.connect();
        Transaction t(d);
        t.start();
        return TestDatabase::contents(d, t);
    }
    std::unique_ptr<TMainForm> main;
    static inline int s_restores = 0;

private:
    QTemporaryDir m_home;
    QByteArray m_realHome;
};

TEST_F(Backup, TheButtonWritesANewBackupEachTimeThatRestoresEveryRow) {
    const Olympiad o = Olympiad::seed(db(), tr());
    o.enrol(db(), tr(), o.fizika, o.k9, {"Абрамов", "Борисов"});
    const QStringList rows = TestDatabase::contents(db(), tr());

    QTest::mouseClick(main->Button6, Qt::LeftButton);
    ASSERT_EQ(backupFiles().size(), 1);
    const QString file = backups() + "/" + backupFiles()[0];
    EXPECT_TRUE(backupFiles()[0].startsWith("olymp 20") && file.endsWith(".fbk")) << file.toStdString();
    ASSERT_EQ(msg::shown().size(), 1);
    EXPECT_EQ(msg::shown()[0].kind, msg::Kind::Information);
    EXPECT_EQ(msg::shown()[0].text, "Резервная копия сохранена в файл " + file);
    EXPECT_FALSE(main->ProgressBar1->isVisible());
    EXPECT_GT(main->ProgressBar1->maximum(), 0);
    EXPECT_EQ(main->ProgressBar1->value(), main->ProgressBar1->maximum()) << "the bar followed every table";
    EXPECT_EQ(restored(file), rows);

    QTest::mouseClick(main->Button6, Qt::LeftButton);
    EXPECT_EQ(backupFiles().size(), 2) << "a second backup never replaces the first";
}

TEST_F(Backup, TheMergeBacksUpFirstAndMergesNothingWithoutABackup) {
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

    // A file stands where the backups folder should be made: the merge does not start.
    ASSERT_TRUE(QDir().mkpath(QFileInfo(backups()).path()));
    QFile blocker(backups());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    msg::setNextFile(station);
    QTest::mouseClick(main->Button5, Qt::LeftButton);
    ASSERT_EQ(msg::shown().size(), 2);
    EXPECT_EQ(msg::shown()[1].kind, msg::Kind::Error);
    EXPECT_EQ(msg::shown()[1].text, "Резервная копия не сделана, объединение не начато.");
    EXPECT_EQ(TestDatabase::contents(db(), tr()), before);
    ASSERT_TRUE(blocker.remove());

    msg::clearShown();
    msg::setNextFile(station);
    QTest::mouseClick(main->Button5, Qt::LeftButton);
    ASSERT_EQ(msg::shown().size(), 2);
    EXPECT_EQ(msg::shown()[1].text, "Объединение прошло успешно!");
    ASSERT_EQ(backupFiles().size(), 1);
    const QString file = backups() + "/" + backupFiles()[0];
    EXPECT_TRUE(msg::shown()[1].detail.endsWith("\nПеред объединением сделана резервная копия: " + file))
        << msg::shown()[1].detail.toStdString();
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SPISOK"), 2);
    EXPECT_EQ(restored(file), before) << "the backup is the database as it was before the merge";
}

}  // namespace
