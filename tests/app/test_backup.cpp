// The backup and merge buttons of the main window: a backup is a new file in the user's backups
// folder that restores to the database as it was; a merge makes one first, and without one nothing
// is merged.

#include "Backup.h"
#include "Cancel.h"
#include "Query.h"
#include "Lookups.h"
#include "Schema.h"
#include "app/UMain.h"
#include "fixtures/Olympiad.h"
#include "fixtures/TestDatabase.h"
#include "fixtures/WindowTest.h"
#include "participants/Registration.h"
#include "reference/Dictionaries.h"

#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <csignal>

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

// Another station's database with `count` children of the team, subject and grade `where`.
void stationWith(const QString& file, const QString& surname, int count = 1, const QStringList& where = {"Север", "Физика", "9"}) {
    Database d;
    schema::createDatabase(d, file);
    Transaction t(d);
    t.start();
    dict::addKomand(d, t, where[0]);
    dict::addPredmet(d, t, where[1]);
    dict::addKlass(d, t, where[2]);
    Registration r;
    r.idKomand = lookup::komandKey(d, t, where[0]);
    r.idPredmet = lookup::predmetKey(d, t, where[1]);
    r.idKlass = lookup::klassKey(d, t, where[2]);
    r.school = "СОШ №1";
    for (int i = 0; i < count; ++i) {
        r.child = {count == 1 ? surname : surname + QString::number(i), "Имя", "Отчество"};
        insertParticipant(d, t, r);
    }
    t.commit();
}

// The backup button writes a new file into the user's backups folder; a merge makes one first, and
// without one nothing is merged. The merge button: a file chosen, the bar hidden after, the counts
// said; two files one after the other both land, and the first backup restores to the database as it was.
TEST_F(Backup, TheButtonAndEveryMergeWriteANewBackupOfTheDatabaseAsItWas) {
    const Olympiad o = Olympiad::seed(db(), tr());
    o.enrol(db(), tr(), o.fizika, o.k9, {"Местный"});
    const QStringList before = TestDatabase::contents(db(), tr());
    const QString sources[] = {s_dir->filePath("first.fdb"), s_dir->filePath("second.fdb")};
    stationWith(sources[0], "Первый", 1, {"Восток", "Биология", "8"});
    stationWith(sources[1], "Второй");
    const QString backups = QDir::homePath() + "/Documents/Таврин/Резервные копии";
    TMainForm main;
    showTested(&main);

    QTest::mouseClick(main.Button6, Qt::LeftButton);
    ASSERT_EQ(QDir(backups).entryList(QDir::Files).size(), 1);
    const QString first = backups + "/" + QDir(backups).entryList(QDir::Files)[0];
    EXPECT_TRUE(first.contains("/olymp 20") && first.endsWith(".fbk")) << first.toStdString();
    EXPECT_EQ(msg::shownTexts(), QStringList{"Резервная копия сохранена в файл " + first});

    // A file stands where the backups folder should be: the merge does not start.
    ASSERT_TRUE(QDir(backups).removeRecursively());
    QFile blocker(backups);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    msg::clearShown();
    msg::setNextFile(sources[0]);
    QTest::mouseClick(main.Button5, Qt::LeftButton);
    EXPECT_EQ(msg::shown().last().text, "Резервная копия не сделана, объединение не начато.");
    EXPECT_EQ(TestDatabase::contents(db(), tr()), before);
    ASSERT_TRUE(blocker.remove());

    msg::clearShown();
    QApplication::processEvents();
    const QSize size = main.size();
    for (const QString& source : sources) {
        msg::setNextFile(source);
        QTest::mouseClick(main.Button5, Qt::LeftButton);
        EXPECT_FALSE(main.ProgressBar1->isVisible());
        QApplication::processEvents();
        EXPECT_EQ(main.size(), size) << "the window keeps its size";
    }
    QStringList said, saved;
    for (const msg::Shown& m : msg::shown())
        if (m.kind != msg::Kind::FileChoice) {
            said << m.text + " " + m.detail.section('\n', 0, 0);
            saved << m.detail.section("\nПеред объединением сделана резервная копия: ", 1);
        }
    const QString done = "Объединение прошло успешно! Скопировано участников: 1; уже были в базе: 0; "
                         "оставлено различающихся значений: 0; добавлено в справочники: %1.";
    EXPECT_EQ(said, QStringList({done.arg(3), done.arg(0)})) << "the team, subject and grade came with the first";
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SPISOK"), 3);
    EXPECT_FALSE(DM->IBDatabase2.connected()) << "the source is closed after each merge";
    ASSERT_EQ(QDir(backups).entryList(QDir::Files).size(), 2);
    ASSERT_TRUE(saved.value(0).startsWith(backups + "/")) << saved.join(" / ").toStdString();
    EXPECT_EQ(restored(saved[0], s_dir->filePath("restored.fdb")), before) << "the database as it was before the merge";

    msg::clearShown();
    msg::setNextFile(s_dir->filePath("no-such.fdb"));
    QTest::mouseClick(main.Button5, Qt::LeftButton);
    ASSERT_EQ(msg::shown().size(), 2);
    EXPECT_EQ(msg::shown()[1].kind, msg::Kind::GeneralError);
    EXPECT_FALSE(main.ProgressBar1->isVisible());
    msg::clearShown();
}

// "Прервать" leaves nothing behind: a backup no file (a restore nothing at its target), a merge
// stopped in its backup or in its writing the database as it was; each says so. SIGTERM during a
// merge stops it the same way and ends the program's loops.
TEST_F(Backup, StoppedWorkLeavesNothingBehind) {
    const Olympiad o = Olympiad::seed(db(), tr());
    o.enrol(db(), tr(), o.fizika, o.k9, {"Местный"});
    const QStringList before = TestDatabase::contents(db(), tr());
    const QString station = s_dir->filePath("big-station.fdb");
    stationWith(station, "Приезжий", 400);
    const QString backups = QDir::homePath() + "/Documents/Таврин/Резервные копии";
    QDir(backups).removeRecursively();
    TMainForm main;
    showTested(&main);
    const auto stop = [](QWidget* w) { QTest::mouseClick(w->findChild<QPushButton*>("ButtonStop"), Qt::LeftButton); };

    whenPhase("Резервная копия", [&] { QTest::mouseClick(main.Button6, Qt::LeftButton); }, stop);
    EXPECT_EQ(msg::shownTexts(), QStringList{"Резервное копирование прервано, файл не записан."});
    EXPECT_EQ(QDir(backups).entryList(QDir::Files), QStringList()) << "neither the copy nor its part";
    // Another station's merge holds the turn for a moment: the merge waits for it, and is stopped
    // while it waits (in its backup, it is stopped at once). SIGTERM stops it the same way.
    Database other;
    other.databaseName = db().databaseName;
    other.connect();
    Transaction otherTr(other);
    const auto stopped = [&](const QString& phase, const std::function<void(QWidget*)>& act) {
        msg::clearShown();
        msg::setNextFile(station);
        otherTr.start();
        Query(other, otherTr, {"INSERT INTO NASTROIKI (NAME, ZNACH) VALUES ('OBYEDINENIE', 'другое место')"}).execute();
        whenPhase(phase, [&] { QTest::mouseClick(main.Button5, Qt::LeftButton); }, [&](QWidget* w) {
            act(w);
            otherTr.rollback();
        });
        if (otherTr.active()) otherTr.rollback();
        EXPECT_EQ(msg::shownTexts().last(), "Объединение прервано, ничего не изменено.") << phase.toStdString();
        EXPECT_EQ(TestDatabase::contents(db(), tr()), before);
        EXPECT_FALSE(main.ProgressBar1->isVisible());
    };
    stopped("Резервная копия", stop);
    stopped("Чтение баз данных", stop);
    stopped("Чтение баз данных", [](QWidget*) { ::raise(SIGTERM); });
    QEventLoop loop;  // the program's loops are told to end: a new one ends at once
    QTimer::singleShot(500, &loop, [&] { loop.exit(1); });
    EXPECT_EQ(loop.exec(), -1) << "the program ends";
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();  // the loops of the tests that follow run again

    // A restore stopped after its first piece leaves nothing at the target.
    QDir(backups).mkpath(".");
    const QString copy = backups + "/whole.fbk";
    backup::save(db(), copy);
    const QString target = s_dir->filePath("stopped.fdb");
    Database into;
    into.databaseName = target;
    int pieces = 0;
    EXPECT_THROW(backup::restore(copy, into, [&](int, int) { ++pieces; }, [&] { return pieces > 0; }), Cancelled);
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_FALSE(QFileInfo::exists(target + ".part"));
}

}  // namespace
