// Merging another station's database: everything of every participant on the right name, as one
// action, harmless when run again, refused when codes clash, nothing left when stopped.

#include "Atomic.h"
#include "Cancel.h"
#include "DbError.h"
#include "Lookups.h"
#include "Schema.h"
#include "Tasks.h"
#include "appeals/Appeals.h"
#include "appeals/Status.h"
#include "fixtures/FailingWrite.h"
#include "fixtures/TestDatabase.h"
#include "fixtures/WindowTest.h"
#include "diplomas/Numbers.h"
#include "merge/Merge.h"
#include "participants/Ciphers.h"
#include "participants/Groups.h"
#include "participants/Lists.h"
#include "participants/Registration.h"
#include "reference/Dictionaries.h"
#include "reference/Rounds.h"
#include "scoring/Awards.h"
#include "scoring/ScoreLog.h"
#include "scoring/Scores.h"

#include <QThread>
#include <optional>
#include <thread>

namespace {

// A station's database of its own, made through the same routines as the windows.
struct Station {
    Database db;
    Transaction tr{db};
    QString name;

    explicit Station(const QString& file, const QStringList& script = schema::statements()) : name(file) {
        schema::createDatabase(db, file, script);
        db.connect();
        tr.start();
    }
    // A second connection to a station's database, as another computer has.
    enum OpenTag { Open };
    Station(const QString& file, OpenTag) : name(file) {
        db.databaseName = file;
        db.connect();
        tr.start();
    }
    void exec(const char* sql) {
        Query q(db, tr);
        q.setSql(QStringList{QString::fromUtf8(sql)});
        q.execute();
    }
    // The key of a dictionary name, added when missing.
    using Key = int (*)(Database&, Transaction&, const QString&);
    using Add = void (*)(Database&, Transaction&, const QString&);
    int named(const QString& n, Key key, Add add) {
        if (!key(db, tr, n)) add(db, tr, n);
        return key(db, tr, n);
    }
    int team(const QString& n) { return named(n, lookup::komandKey, dict::addKomand); }
    int subject(const QString& n) { return named(n, lookup::predmetKey, dict::addPredmet); }
    int grade(const QString& n) { return named(n, lookup::klassKey, dict::addKlass); }
    int child(const QString& team_, const QString& subject_, const QString& grade_, const QString& surname,
              QList<PersonName> teachers = {}, const QString& school = "СОШ №1") {
        Registration r;
        r.idKomand = team(team_);
        r.idPredmet = subject(subject_);
        r.idKlass = grade(grade_);
        r.child = {surname, "Имя", "Отчество"};
        r.school = school;
        r.teachers = teachers;
        return insertParticipant(db, tr, r);
    }
    // The first task of rounds 1 and 2; a subject without rounds gets two first.
    void score(int id, const QString& subject_, const QString& grade_, const char* first, const char* second = "0") {
        if (tasks::inUse(db, tr, subject(subject_)) == tasks::Counts{})
            rounds::save(db, tr, subject(subject_), {{{"Теория", "3"}, {"Практика", "2"}, {}, {}}});
        scores::Slots s{};
        scores::Shown shown{};
        s[0] = Score::parse(first);
        s[6] = Score::parse(second);
        shown[0] = shown[6] = true;
        scores::save(db, tr, id, subject(subject_), grade(grade_), s, shown);
    }
    void commit() { tr.commitRetaining(); }
};

class Merge : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        work.reset(new Station(s_dir->filePath(QString("work-%1.fdb").arg(++s_files))));
        // The window tests' own database is DM's; the merge is tried between two of its own here.
    }
    void TearDown() override {
        if (work) TestDatabase::expectConsistent(work->db, work->tr);
        WindowTest::TearDown();
    }
    std::unique_ptr<Station> newSource() {
        return std::make_unique<Station>(s_dir->filePath(QString("source-%1.fdb").arg(++s_files)));
    }
    merge::Result mergeInto(Station& to, Station& from) {
        merge::Result r;
        atomically(to.tr, [&] { r = merge::run(to.db, to.tr, from.db, from.tr); });
        return r;
    }
    static qint64 count(Station& s, const QString& sql) {
        Query q(s.db, s.tr);
        q.setSql(QStringList{sql});
        q.open();
        return q.fieldInt(q.fieldNames().first());
    }
    static QString text(Station& s, const QString& sql) {
        Query q(s.db, s.tr);
        q.setSql(QStringList{sql});
        q.open();
        return q.isEmpty() ? QString() : q.fieldText(q.fieldNames().first());
    }
    static QString counts(Station& s) {
        QStringList l;
        for (const char* t : {"SPISOK", "TEACHERS", "BAL", "GRUP", "SHIFR", "TUR", "S_KOMAND", "S_PREDMET", "S_KLASS", "S_SCHOOL"})
            l << QString::number(count(s, QString("SELECT COUNT(*) FROM %1").arg(t)));
        return l.join(",");
    }
    std::unique_ptr<Station> work;
    static inline int s_files = 0;
};

// A source whose dictionary keys are shifted against the working database's.
void richSource(Station& s) {
    s.team("Запад");  // takes the first keys, so that Север and Физика have other keys than at work
    s.subject("Химия");
    s.grade("8");
    rounds::save(s.db, s.tr, s.subject("Физика"), {{{"Теория", "3"}, {"Практика", "2"}, {}, {}}});
    const int a = s.child("Север", "Физика", "9", "Абрамов", {{"Смирнова", "Анна", ""}, {"Орлов", "Пётр", ""}});
    const int b = s.child("Восток", "Физика", "9", "Борисов");
    s.score(a, "Физика", "9", "7,25", "1,5");
    s.score(b, "Физика", "9", "3");
    awards::give(s.db, s.tr, a, 2);
    groups::distribute(s.db, s.tr, "Физика", s.subject("Физика"), s.grade("9"), {{"", 1}, {"", 1}});
    for (int round : {1, 2}) ciphers::store(s.db, s.tr, a, s.subject("Физика"), s.grade("9"), round, QString("А%1").arg(round));
    dict::addSchool(s.db, s.tr, s.team("Восток"), "Гимназия");
    s.commit();
}

TEST_F(Merge, EveryChildArrivesWhole) {
    work->grade("9");
    work->team("Север");
    // A teacher at work whose key the source's teachers also have.
    work->child("Север", "Физика", "9", "Местный", {{"Учитель", "", ""}, {"Второй", "", ""}});
    work->commit();
    auto source = newSource();
    richSource(*source);
    ASSERT_NE(count(*source, "SELECT ID_KOMAND FROM S_KOMAND WHERE KOMAND = 'Север'"),
              count(*work, "SELECT ID_KOMAND FROM S_KOMAND WHERE KOMAND = 'Север'"));

    const merge::Result r = mergeInto(*work, *source);
    EXPECT_EQ(r.copied, 2);
    EXPECT_EQ(r.alreadyThere, 0);
    EXPECT_EQ(r.dictionaryAdded, 2) << "the team Восток and its school; names nothing refers to stay out";
    const QString a = "(SELECT ID_CHILD FROM SPISOK WHERE SURNAME = 'Абрамов')";
    EXPECT_EQ(text(*work, "SELECT K.KOMAND FROM SPISOK S JOIN S_KOMAND K ON K.ID_KOMAND = S.ID_KOMAND WHERE S.ID_CHILD = " + a),
              "Север");
    EXPECT_EQ(text(*work, "SELECT CAST(BAL01 AS VARCHAR(20)) || '/' || CAST(B2 AS VARCHAR(20)) || '/' || CAST(SUMM AS "
                          "VARCHAR(20)) || '/' || DIPL_STEP FROM BAL WHERE ID_CHILD = " + a),
              "7.25/1.50/8.75/2");
    EXPECT_EQ(count(*work, "SELECT N_GROUP FROM GRUP WHERE ID_CHILD = " + a), 1);
    EXPECT_EQ(text(*work, "SELECT CAST(LIST(SHIFR, ',') AS VARCHAR(50)) FROM (SELECT SHIFR FROM SHIFR WHERE ID_CHILD = " + a +
                              " ORDER BY ID_TUR)"),
              "А1,А2") << "every round's cipher";
    EXPECT_EQ(text(*work, "SELECT CAST(LIST(SURNAME, ',') AS VARCHAR(80)) FROM (SELECT SURNAME FROM TEACHERS WHERE ID_CHILD = " +
                              a + " ORDER BY ID_TEACHER)"),
              "Смирнова,Орлов");
    EXPECT_EQ(count(*work, "SELECT COUNT(*) FROM TEACHERS"), 4);
    EXPECT_EQ(count(*work, "SELECT COUNT(*) FROM TUR WHERE ID_TUR <> 0"), 2);
    EXPECT_EQ(count(*work, "SELECT MESTO FROM BAL WHERE ID_CHILD = " + a), 1);
    EXPECT_EQ(count(*work, "SELECT MESTO FROM BAL B JOIN SPISOK S ON S.ID_CHILD = B.ID_CHILD WHERE S.SURNAME = 'Борисов'"), 2);
}

TEST_F(Merge, RunningItAgainIsHarmlessAndFillsOnlyWhatIsMissing) {
    // A child of the working station's own ranks first, so the places the merge makes differ from
    // the source's: places are the merge's own work, never a difference kept.
    work->score(work->child("Север", "Физика", "9", "Лучший"), "Физика", "9", "50");
    work->commit();
    auto source = newSource();
    richSource(*source);
    const auto hide = [&](const char* surname) {
        Query q(source->db, source->tr, {"UPDATE SPISOK SET NE_PUBL = 1 WHERE SURNAME = :S"});
        q.setText("S", surname);
        q.execute();
        source->commit();
    };
    hide("Абрамов");  // "не публиковать" travels with a new child, and reaches one already here
    mergeInto(*work, *source);
    EXPECT_EQ(text(*work, "SELECT CAST(LIST(SURNAME) AS VARCHAR(80)) FROM SPISOK WHERE NE_PUBL = 1"), "Абрамов");
    const QString before = counts(*work);
    const merge::Result again = mergeInto(*work, *source);
    EXPECT_EQ(counts(*work), before);
    EXPECT_EQ(again.copied, 0);
    EXPECT_EQ(again.alreadyThere, 2);
    EXPECT_EQ(again.keptDifferent, 0);

    // The source changes: a new score of one, a new cipher and teacher of the other.
    const int b = int(count(*source, "SELECT ID_CHILD FROM SPISOK WHERE SURNAME = 'Борисов'"));
    source->score(b, "Физика", "9", "9");
    ciphers::store(source->db, source->tr, b, source->subject("Физика"), source->grade("9"), 1, "Б1");
    Query t(source->db, source->tr, {"INSERT INTO TEACHERS (ID_CHILD, SURNAME) VALUES (:C, 'Новый')"});
    t.setInt("C", b);
    t.execute();
    hide("Борисов");
    const merge::Result changed = mergeInto(*work, *source);
    EXPECT_EQ(count(*work, "SELECT COUNT(*) FROM SPISOK WHERE NE_PUBL = 1"), 2);
    EXPECT_EQ(changed.copied, 0);
    EXPECT_EQ(changed.keptDifferent, 1) << "BAL01; sums and places follow from the scores";
    EXPECT_EQ(text(*work, "SELECT SHIFR FROM SHIFR S JOIN SPISOK P ON P.ID_CHILD = S.ID_CHILD WHERE P.SURNAME = 'Борисов'"),
              "Б1");
    EXPECT_EQ(count(*work, "SELECT SUMM FROM BAL B JOIN SPISOK P ON P.ID_CHILD = B.ID_CHILD WHERE P.SURNAME = 'Борисов'"), 3)
        << "the working database's score stays";
    EXPECT_EQ(count(*work, "SELECT COUNT(*) FROM TEACHERS T JOIN SPISOK P ON P.ID_CHILD = T.ID_CHILD WHERE P.SURNAME = 'Борисов'"),
              1);

    // His code changed there to one another child holds here: no clash, for his own code here stays.
    const int best = int(count(*work, "SELECT ID_CHILD FROM SPISOK WHERE SURNAME = 'Лучший'"));
    ciphers::store(work->db, work->tr, best, work->subject("Физика"), work->grade("9"), 1, "Л1");
    work->commit();
    ciphers::store(source->db, source->tr, b, source->subject("Физика"), source->grade("9"), 1, "Л1");
    source->commit();
    EXPECT_EQ(mergeInto(*work, *source).keptDifferent, 2) << "BAL01 and his code";
    EXPECT_EQ(text(*work, "SELECT SHIFR FROM SHIFR S JOIN SPISOK P ON P.ID_CHILD = S.ID_CHILD WHERE P.SURNAME = 'Борисов'"),
              "Б1");
}

TEST_F(Merge, AFailureOrAClashLeavesNothing) {
    auto source = newSource();
    richSource(*source);
    work->child("Север", "Физика", "9", "Свой");
    work->commit();
    const QString before = counts(*work);
    {
        FailingWrite fail(work->db, work->tr, "TEACHERS", "INSERT", "NEW.SURNAME = 'Орлов'");
        EXPECT_THROW(mergeInto(*work, *source), DbError);
    }
    EXPECT_EQ(counts(*work), before);

    // Stopped ("Прервать") after its first batch of participants was written: all of it goes.
    for (int i = 0; i < 120; ++i) source->child("Юг", "Физика", "9", QString("Южный%1").arg(i));
    source->commit();
    const QStringList whole = TestDatabase::contents(work->db, work->tr);
    QList<int> told;
    EXPECT_THROW(atomically(work->tr, [&] {
        merge::run(work->db, work->tr, source->db, source->tr, [&](int done, int) {
            told << done;
            if (done >= 50) throw Cancelled();
        });
    }), Cancelled);
    EXPECT_EQ(told, QList<int>({0, 50})) << "asked once both were read, then after the first batch";
    EXPECT_EQ(TestDatabase::contents(work->db, work->tr), whole);

    // Another participant at work holds a code of the source as it reads on paper: refused, naming
    // it; the same code in another grade is no clash.
    const int own = int(count(*work, "SELECT ID_CHILD FROM SPISOK"));
    ciphers::store(work->db, work->tr, own, work->subject("Физика"), work->grade("9"), 2, "a2");  // reads as А2
    work->commit();
    ciphers::store(source->db, source->tr, source->child("Юг", "Физика", "10", "Десятый"), source->subject("Физика"),
                   source->grade("10"), 2, "a2");
    source->commit();
    const QString withCode = counts(*work);
    try {
        mergeInto(*work, *source);
        FAIL() << "merged over a clashing code";
    } catch (const merge::Refusal& r) {
        EXPECT_EQ(r.text(), "Объединение не выполнено: шифры совпадают.");
        EXPECT_TRUE(r.detail().contains("Физика, класс 9, тур 2: А2")) << r.detail().toStdString();
        EXPECT_FALSE(r.detail().contains("класс 10")) << r.detail().toStdString();
    }
    EXPECT_EQ(counts(*work), withCode);
    EXPECT_THROW(mergeInto(*work, *work), merge::Refusal) << "a database is not merged into itself";

    // Scores the working rounds have no task for, or above a task's maximum there: refused, naming them.
    rounds::save(work->db, work->tr, work->subject("Химия"), {{{"Тест", "2"}, {"Устный", "1", "1"}, {}, {}}});
    work->commit();
    auto third = newSource();
    rounds::save(third->db, third->tr, third->subject("Химия"), {{{"Тест", "3"}, {"Устный", "1"}, {}, {}}});
    scores::Slots sc{};
    sc[2] = Score::parse("2");   // task 3 of round 1
    sc[6] = Score::parse("1,5");  // round 2, above its maximum here
    for (const char* name : {"Первый", "Второй"})
        scores::save(third->db, third->tr, third->child("Юг", "Химия", "9", name), third->subject("Химия"), third->grade("9"),
                     sc, {true, true, true, false, false, false, true});
    third->commit();
    const QString beforeThird = counts(*work);
    try {
        mergeInto(*work, *third);
        FAIL() << "merged scores the rounds have no place for";
    } catch (const merge::Refusal& r) {
        EXPECT_EQ(r.text(), "Объединение не выполнено: баллы не подходят к турам.");
        EXPECT_TRUE(r.detail().startsWith("«Химия», тур 1: у участников (2) есть баллы по задачам, которых нет (задач в туре: 2)\n"
                                          "«Химия», тур 2: у участников (2) баллы больше наибольшего балла задачи"))
            << r.detail().toStdString();
    }
    EXPECT_EQ(counts(*work), beforeThird);
}

TEST_F(Merge, TwoStationsOfOneGradeGetDensePlacesAndRoundsOfBothStay) {
    rounds::save(work->db, work->tr, work->subject("Физика"), {{{"Теория", "3"}, {}, {}, {}}});
    work->score(work->child("Север", "Физика", "9", "Первый"), "Физика", "9", "10");
    work->score(work->child("Север", "Физика", "9", "Третий"), "Физика", "9", "5");
    work->commit();
    auto source = newSource();
    rounds::save(source->db, source->tr, source->subject("Физика"), {{{"Другая теория", "4"}, {"Практика", "2"}, {}, {}}});
    source->score(source->child("Юг", "Физика", "9", "Второй"), "Физика", "9", "7");
    source->score(source->child("Юг", "Физика", "9", "Тоже первый"), "Физика", "9", "10");
    // Another grade of the subject is ranked by itself.
    source->score(source->child("Юг", "Физика", "10", "Десятый"), "Физика", "10", "6");
    source->commit();
    mergeInto(*work, *source);
    EXPECT_EQ(text(*work, "SELECT CAST(LIST(MESTO, ',') AS VARCHAR(40)) FROM (SELECT MESTO FROM BAL B JOIN SPISOK S ON "
                          "S.ID_CHILD = B.ID_CHILD ORDER BY S.SURNAME)"),
              "2,1,1,1,3") << "Второй, Десятый, Первый, Тоже первый, Третий";
    EXPECT_EQ(text(*work, "SELECT CAST(LIST(NAME_TUR, ',') AS VARCHAR(80)) FROM (SELECT NAME_TUR FROM TUR ORDER BY ID)"),
              "Теория,Практика,,") << "the working round stays; its empty slot takes the source's";
}

// What a child's rows say, to tell namesakes apart: total, teachers and codes.
QString record(Merge* t, Station& s, int id) {
    Q_UNUSED(t);
    Query q(s.db, s.tr,
            {"SELECT CAST(B.SUMM AS VARCHAR(20)) || ' ' || COALESCE((SELECT CAST(LIST(T.SURNAME, ',') AS VARCHAR(80)) FROM",
             "TEACHERS T WHERE T.ID_CHILD = S.ID_CHILD), '') || ' ' || COALESCE((SELECT CAST(LIST(C.SHIFR, ',') AS",
             "VARCHAR(80)) FROM SHIFR C WHERE C.ID_CHILD = S.ID_CHILD), '') AS R",
             "FROM SPISOK S LEFT JOIN BAL B ON B.ID_CHILD = S.ID_CHILD WHERE S.ID_CHILD = :ID"});
    q.setInt("ID", id);
    q.open();
    return q.fieldText("R");
}

QStringList records(Merge* t, Station& s, const QString& surname) {
    Query q(s.db, s.tr, {"SELECT ID_CHILD FROM SPISOK WHERE SURNAME = :S ORDER BY ID_CHILD"});
    q.setText("S", surname);
    q.open();
    QStringList out;
    for (q.first(); !q.eof(); q.next()) out << record(t, s, int(q.fieldInt("ID_CHILD")));
    out.sort();
    return out;
}

// Namesakes are normal: one at each station (same team, subject, grade, name and school) are two
// children, and so are twins of one station; every merge after the first changes nothing.
TEST_F(Merge, NamesakesStayTwoChildrenWithTheirOwnRecords) {
    work->score(work->child("Север", "Физика", "9", "Иванов", {{"Смирнова", "", ""}}), "Физика", "9", "5");
    work->commit();
    auto source = newSource();
    const int twin1 = source->child("Север", "Физика", "9", "Иванов", {{"Орлов", "", ""}});
    const int twin2 = source->child("Север", "Физика", "9", "Иванов", {{"Козлова", "", ""}});
    source->score(twin1, "Физика", "9", "9");
    source->score(twin2, "Физика", "9", "7");
    ciphers::store(source->db, source->tr, twin1, source->subject("Физика"), source->grade("9"), 1, "Т1");
    source->commit();
    const QStringList expected{"5.00 Смирнова ", "7.00 Козлова ", "9.00 Орлов Т1"};

    const merge::Result first = mergeInto(*work, *source);
    EXPECT_EQ(first.copied, 2);
    EXPECT_EQ(first.alreadyThere, 0);
    EXPECT_EQ(records(this, *work, "Иванов"), expected);
    const QString before = counts(*work);
    for (int again = 0; again < 2; ++again) {
        const merge::Result r = mergeInto(*work, *source);
        EXPECT_EQ(r.copied, 0);
        EXPECT_EQ(r.alreadyThere, 2);
        EXPECT_EQ(r.keptDifferent, 0);
        EXPECT_EQ(counts(*work), before);
        EXPECT_EQ(records(this, *work, "Иванов"), expected) << "nobody got another's scores, teachers or code";
    }
    // A child keeps his identifier through a chain of stations: district -> region.
    auto region = newSource();
    mergeInto(*region, *work);
    EXPECT_EQ(mergeInto(*region, *source).copied, 0);
    EXPECT_EQ(count(*region, "SELECT COUNT(*) FROM SPISOK"), 3);
}

// A child already there who was moved to another grade at work gets what the source brings later
// under the grade he has now, so his rows and he agree.
TEST_F(Merge, WhatAChildMovedAtWorkReceivesFollowsHisNewGrade) {
    auto source = newSource();
    const int child = source->child("Север", "Физика", "9", "Переведённый");
    source->commit();
    mergeInto(*work, *source);
    const int there = int(count(*work, "SELECT ID_CHILD FROM SPISOK"));
    atomically(work->tr, [&] {
        participants::move(work->db, work->tr, there, {work->team("Север"), work->subject("Физика"), work->grade("10")});
    });
    ciphers::store(source->db, source->tr, child, source->subject("Физика"), source->grade("9"), 1, "П1");
    source->score(child, "Физика", "9", "6");
    source->commit();
    mergeInto(*work, *source);  // the check after the test finds his rows in his grade, and ranked
    EXPECT_EQ(count(*work, "SELECT COUNT(*) FROM SHIFR C JOIN BAL B ON B.ID_CHILD = C.ID_CHILD"), 1);

    // Moved on to another subject, he takes nothing of Физика that the source still holds: scores,
    // degree, code, group and their history stay behind, and the message says so.
    awards::give(source->db, source->tr, child, 1);
    groups::distribute(source->db, source->tr, "Физика", source->subject("Физика"), source->grade("9"), {{"", 1}});
    source->commit();
    atomically(work->tr, [&] {
        participants::move(work->db, work->tr, there, {work->team("Север"), work->subject("Биология"), work->grade("10")});
    });
    const qint64 history = count(*work, "SELECT COUNT(*) FROM BAL_LOG");
    const merge::Result r = mergeInto(*work, *source);
    EXPECT_EQ(r.leftOut, 1);
    EXPECT_TRUE(merge::summary(r).contains("по прежнему предмету не перенесены: 1")) << qPrintable(merge::summary(r));
    EXPECT_EQ(counts(*work), "1,0,0,0,0,4,1,2,2,0");
    EXPECT_EQ(count(*work, "SELECT COUNT(*) FROM BAL_LOG"), history) << "no history of the old subject";
}

// A source without identifiers, with bare tables and nothing but its columns: a child is known by
// name only where one child on each side has it, school included; a key that names nothing is put
// under a name that says so, never under an empty one.
TEST_F(Merge, ASourceWithoutIdentifiersIsKnownByNameOnlyWhereItLeavesNoDoubt) {
    work->child("Север", "Физика", "9", "Петров", {{"Смирнова", "", ""}});
    work->child("Север", "Физика", "9", "Сидоров");  // a namesake of the source's, in another school
    work->child("Север", "Физика", "9", "Близнец");  // one of the twins? nobody can tell which
    work->grade("10");
    work->commit();
    Station bare(s_dir->filePath(QString("bare-%1.fdb").arg(++s_files)), TestDatabase::script("bare_tables.sql"));
    for (const char* sql : {
             "INSERT INTO S_KOMAND VALUES (4, 'Север')", "INSERT INTO S_PREDMET VALUES (5, 'Физика')",
             "INSERT INTO S_KLASS VALUES (6, '9')", "INSERT INTO S_KLASS VALUES (8, '')", "INSERT INTO TUR VALUES (1, 5, 1, 'Тест', 1)",
             "INSERT INTO SPISOK VALUES (1, 4, 5, 'Петров', 'Имя', 'Отчество', 6, '', 'СОШ №1')",
             "INSERT INTO SPISOK VALUES (2, 4, 5, 'Близнец', 'Имя', 'Отчество', 6, '', 'СОШ №1')",
             "INSERT INTO SPISOK VALUES (3, 4, 5, 'Близнец', 'Имя', 'Отчество', 6, '', 'СОШ №1')",
             "INSERT INTO SPISOK VALUES (4, 4, 5, 'Сидоров', 'Имя', 'Отчество', 6, '', 'Гимназия')",
             "INSERT INTO SPISOK VALUES (5, 4, 5, 'Безклассный', 'Имя', 'Отчество', 77, '', 'СОШ №1')",
             "INSERT INTO SPISOK VALUES (6, 4, 5, 'Пустой', 'Имя', 'Отчество', 8, '', 'СОШ №1')",
             "INSERT INTO TEACHERS VALUES (1, 1, 'Орлов', '', '')",
             "INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS, BAL01, SUMM) VALUES (1, 5, 6, 4, 4)",
             "INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS, BAL01, SUMM) VALUES (5, 5, 77, 3, 3)",
             "INSERT INTO SHIFR VALUES (5, 5, 1, 77, 'Б1')"})
        bare.exec(sql);
    bare.commit();

    const merge::Result r = mergeInto(*work, bare);
    EXPECT_EQ(r.alreadyThere, 1) << "Петров only";
    EXPECT_EQ(r.matchedByName, 1);
    EXPECT_EQ(r.copied, 5) << "both twins, the Сидоров of another school, and the two without a grade";
    EXPECT_EQ(r.unnamed, 2);
    EXPECT_EQ(records(this, *work, "Петров"), QStringList{"4.00 Смирнова,Орлов "});
    EXPECT_EQ(text(*work, "SELECT CAST(LIST(DISTINCT K.KLASS, ',') AS VARCHAR(80)) FROM SPISOK S JOIN S_KLASS K ON "
                          "K.ID_KLASS = S.KLASS WHERE S.SURNAME IN ('Безклассный', 'Пустой')"),
              "(не указан)");
    EXPECT_EQ(count(*work, "SELECT COUNT(*) FROM S_KLASS WHERE KLASS = ''"), 0) << "no blank entry";
    EXPECT_EQ(records(this, *work, "Безклассный"), QStringList{"3.00  Б1"}) << "his rows under his grade";
    EXPECT_EQ(count(*work, "SELECT COUNT(*) FROM SHIFR C JOIN SPISOK S ON S.ID_CHILD = C.ID_CHILD AND S.KLASS = C.KLASS "
                           "AND S.ID_PREDMET = C.ID_PREDMET"),
              1);
    EXPECT_EQ(count(*work, "SELECT COUNT(DISTINCT UID_CHILD) FROM SPISOK"), 8) << "the copied get identifiers";
}

// Scores arrive with their history as the other station wrote it (its time and computer), once;
// from a database that keeps no history, each task of the subject's rounds with a score above 0
// gets a row marked as brought by the merge, so the child counts as entered. Rounds bring their task maxima: a round
// taken from the source and a held round without maxima of the same task count.
TEST_F(Merge, ScoresArriveWithTheirHistoryAndRoundsWithTheirMaxima) {
    rounds::save(work->db, work->tr, work->subject("Физика"), {{{"Теория", "3"}, {}, {}, {}}});
    rounds::save(work->db, work->tr, work->subject("Химия"), {{{"Теория", "2", "1 1"}, {}, {}, {}}});
    work->commit();
    auto source = newSource();
    rounds::save(source->db, source->tr, source->subject("Физика"), {{{"Теория", "3", "5 5 5"}, {"Практика", "2", "4 6"}, {}, {}}});
    rounds::save(source->db, source->tr, source->subject("Химия"), {{{"Теория", "2", "9 9"}, {}, {}, {}}});
    const int a = source->child("Юг", "Физика", "9", "Абрамов");
    source->score(a, "Физика", "9", "4", "1,5");
    source->score(a, "Физика", "9", "5", "1,5");
    source->exec("UPDATE BAL_LOG SET STATION = 'Школа 5', CHANGED_AT = '2026-11-20 10:00:00.1234'");
    source->commit();
    const QString history = "SELECT CAST(LIST(SLOT || ':' || COALESCE(OLD_BAL, '-') || '>' || NEW_BAL || ' ' || STATION || ' ' || "
                            "CHANGED_AT, '; ') AS VARCHAR(2000)) FROM (SELECT * FROM BAL_LOG ORDER BY ID_LOG)";
    const QString expected = "1:->4.00 Школа 5 2026-11-20 10:00:00.1234; 7:->1.50 Школа 5 2026-11-20 10:00:00.1234; "
                             "1:4.00>5.00 Школа 5 2026-11-20 10:00:00.1234";
    for (int again = 0; again < 2; ++again) {
        mergeInto(*work, *source);
        EXPECT_EQ(text(*work, history), expected) << "merge " << again + 1 << ": the time to the fraction of a second";
    }
    EXPECT_EQ(count(*work, "SELECT COUNT(*) FROM BAL WHERE DIPL_STEP IS NULL"), 1) << "no degree given stays none";
    EXPECT_EQ(text(*work, "SELECT CAST(LIST(M, '; ') AS VARCHAR(200)) FROM (SELECT P.PREDMET || ' ' || T.ID || '.' || T.N_ZAD "
                          "|| '=' || T.MAX_BAL AS M FROM TUR_MAX T JOIN S_PREDMET P ON P.ID_PREDMET = T.ID_PREDMET "
                          "ORDER BY P.PREDMET, T.ID, T.N_ZAD)"),
              "Физика 1.1=5.00; Физика 1.2=5.00; Физика 1.3=5.00; Физика 2.1=4.00; Физика 2.2=6.00; Химия 1.1=1.00; Химия 1.2=1.00")
        << "Химия keeps its own maxima";

    Station bare(s_dir->filePath(QString("bare-%1.fdb").arg(++s_files)), TestDatabase::script("bare_tables.sql"));
    for (const char* sql : {"INSERT INTO S_KOMAND VALUES (4, 'Север')", "INSERT INTO S_PREDMET VALUES (5, 'Биология')",
                            "INSERT INTO S_KLASS VALUES (6, '9')", "INSERT INTO TUR VALUES (1, 5, 1, 'Тест', 2)",
                            "INSERT INTO TUR VALUES (2, 5, 0, '', 0)",
                            "INSERT INTO SPISOK VALUES (1, 4, 5, 'Петров', 'Имя', 'Отчество', 6, '', 'СОШ №1')",
                            "INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS, BAL01, SUMM) VALUES (1, 5, 6, 4, 4)"})
        bare.exec(sql);
    bare.commit();
    mergeInto(*work, bare);
    const QString brought = QString("%1 (объединение)").arg(scorelog::station());
    EXPECT_EQ(text(*work, "SELECT CAST(LIST(SLOT || ':' || COALESCE(OLD_BAL, '-') || '>' || NEW_BAL || ' ' || STATION, '; ') "
                          "AS VARCHAR(2000)) FROM (SELECT L.* FROM BAL_LOG L JOIN SPISOK S ON S.ID_CHILD = L.ID_CHILD "
                          "WHERE S.SURNAME = 'Петров' ORDER BY L.SLOT)"),
              QString("1:->4.00 %1").arg(brought)) << "task 2's zero may never have been entered";
    const int petrov = int(count(*work, "SELECT ID_CHILD FROM SPISOK WHERE SURNAME = 'Петров'"));
    EXPECT_EQ(scorelog::entered(work->db, work->tr, work->subject("Биология"), work->grade("9")), QSet<int>{petrov});
}

// Two stations merge the same file into one database at the same moment: the second waits for the
// first and, while it goes on, is refused as a whole with its own words (never a dictionary's
// refusal); merged again once the first is done, it finds everyone there. Nobody is stored twice.
TEST_F(Merge, TwoMergesOfOneFileAtOnceStoreNobodyTwice) {
    auto source = newSource();
    richSource(*source);
    source->db.disconnect();
    Station second(work->name, Station::Open);
    Database src1, src2;
    Transaction srcTr1(src1), srcTr2(src2);
    for (auto [db, tr] : {std::pair{&src1, &srcTr1}, std::pair{&src2, &srcTr2}}) {
        db->databaseName = source->name;
        db->connect();
        tr->start();
    }
    merge::run(work->db, work->tr, src1, srcTr1);  // not committed yet
    const auto secondMerge = [&] {
        QString said;
        std::thread t([&] {
            try {
                merge::Result r;
                atomically(second.tr, [&] { r = merge::run(second.db, second.tr, src2, srcTr2); }, merge::worthRetrying);
                said = QString("скопировано %1, уже были %2").arg(r.copied).arg(r.alreadyThere);
            } catch (const merge::Refusal& r) {
                said = r.text();
            } catch (const DbError& e) {
                said = e.text();
            }
        });
        t.join();
        return said;
    };
    EXPECT_EQ(secondMerge(), merge::kBusy);
    work->commit();
    EXPECT_EQ(secondMerge(), "скопировано 0, уже были 2");
    EXPECT_EQ(count(*work, "SELECT COUNT(*) FROM SPISOK"), 2);
    EXPECT_EQ(count(*work, "SELECT COUNT(*) FROM TEACHERS"), 2);
    EXPECT_EQ(count(*work, "SELECT COUNT(*) FROM NASTROIKI"), 0) << "the turn leaves nothing behind";
}

}  // namespace

// Diploma numbers travel with their child: both stations' kept, a second merge adds none, the
// sequence goes past what arrived, and a number given to another diploma here refuses the merge.
TEST_F(Merge, DiplomaNumbersOfBothStationsAreKeptAndAClashIsRefused) {
    const QDate day(2026, 12, 7);
    const int own = work->child("Север", "Физика", "9", "Местный");
    EXPECT_EQ(diplomanumbers::numberFor(work->db, work->tr, own, 1, "С", day, false), "С-1");
    work->commit();
    auto source = newSource();
    richSource(*source);
    const int a = int(count(*source, "SELECT ID_CHILD FROM SPISOK WHERE SURNAME = 'Абрамов'"));
    for (int n = 0; n < 3; ++n) diplomanumbers::numberFor(source->db, source->tr, a, 2, "Ю", day, n == 2);  // one number
    diplomanumbers::numberFor(source->db, source->tr, a, 3, "Ю", day, false);  // the first cancelled, a second
    source->commit();

    EXPECT_EQ(mergeInto(*work, *source).diplomas, 2);
    EXPECT_EQ(text(*work, "SELECT CAST(LIST(D.NOMER || ':' || D.STATUS || ':' || D.NOMINATIVE, ',') AS VARCHAR(99)) FROM "
                          "(SELECT * FROM DIPLOM ORDER BY N, PREFIX) D JOIN SPISOK S ON S.ID_CHILD = D.ID_CHILD "
                          "WHERE S.SURNAME = 'Абрамов'"),
              "Ю-1:0:1,Ю-2:1:0");
    EXPECT_GE(count(*work, "SELECT GEN_ID(GEN_DIPLOM, 0) FROM RDB$DATABASE"), 2) << "no number given twice here";
    const merge::Result again = mergeInto(*work, *source);
    EXPECT_EQ(again.diplomas, 0);
    EXPECT_FALSE(merge::summary(again).contains("дипломов"));
    // Reprinted there for another degree: the old number, cancelled there, is cancelled here too.
    diplomanumbers::numberFor(source->db, source->tr, a, 1, "Ю", day, false);
    source->commit();
    mergeInto(*work, *source);
    EXPECT_EQ(text(*work, "SELECT CAST(LIST(D.NOMER || ':' || D.STATUS, ',') AS VARCHAR(99)) FROM "
                          "(SELECT * FROM DIPLOM ORDER BY N, PREFIX) D JOIN SPISOK S ON S.ID_CHILD = D.ID_CHILD "
                          "WHERE S.SURNAME = 'Абрамов'"),
              "Ю-1:0,Ю-2:0,Ю-3:1");

    auto clashing = newSource();
    const int other = clashing->child("Юг", "Химия", "10", "Другой");
    diplomanumbers::numberFor(clashing->db, clashing->tr, other, 1, "С", day, false);
    clashing->commit();
    const QString before = counts(*work);
    try {
        mergeInto(*work, *clashing);
        ADD_FAILURE() << "a clash of numbers merged";
    } catch (const merge::Refusal& r) {
        EXPECT_EQ(r.text(), "Объединение не выполнено: номера дипломов совпадают.");
        EXPECT_TRUE(r.detail().contains("С-1"));
    }
    EXPECT_EQ(counts(*work), before);
    EXPECT_EQ(count(*work, "SELECT COUNT(*) FROM DIPLOM"), 4);
}

// Appeals travel by their identifier and status decisions by subject and grade name: merged both
// ways each station holds both stations' appeals (a number taken here gets the next free one) and
// history marks, the later status decision holds with the conflict counted, and a second merge adds
// nothing.
TEST_F(Merge, AppealsAndResultsStatusSurviveMergesBothWays) {
    auto other = newSource();
    const int mine = work->child("Север", "Физика", "9", "Абрамов");
    work->score(mine, "Физика", "9", "5");
    work->commit();
    mergeInto(*other, *work);  // both hold the child now
    const int theirs = other->child("Юг", "Физика", "9", "Борисов");
    other->score(theirs, "Физика", "9", "6");
    const int mineThere = int(count(*other, "SELECT ID_CHILD FROM SPISOK WHERE SURNAME = 'Абрамов'"));
    const auto decide = [](Station& s, int child, const char* score) {
        appeals::Appeal a;
        a.idChild = child;
        a.round = 1;
        a.filedOn = QDate(2026, 12, 7);
        a.members = "Иванова И. И.";
        a.tasks = {{1, std::nullopt, Score::parse(score), appeals::Upheld}};
        atomically(s.tr, [&] { appeals::save(s.db, s.tr, a); });
    };
    decide(*work, mine, "4");           // № 1 here
    decide(*other, theirs, "7");        // № 1 there too
    decide(*other, mineThere, "5,5");   // № 2 there, about a child both hold
    atomically(work->tr, [&] { status::set(work->db, work->tr, work->subject("Физика"), work->grade("9"), true, "a"); });
    QThread::msleep(20);
    atomically(other->tr, [&] { status::set(other->db, other->tr, other->subject("Физика"), other->grade("9"), false, "b"); });

    const merge::Result in = mergeInto(*work, *other);
    EXPECT_EQ(in.appealsAdded, 2);
    EXPECT_EQ(in.appealsRenumbered, 1);
    EXPECT_EQ(in.statusConflicts, 1);
    EXPECT_TRUE(merge::summary(in).contains("различался по предметам и классам: 1"));
    EXPECT_EQ(text(*work, "SELECT CAST(LIST(N_APPEAL, ',') AS VARCHAR(50)) FROM (SELECT N_APPEAL FROM APPEAL ORDER BY N_APPEAL)"), "1,2,3");
    EXPECT_EQ(count(*work, "SELECT COUNT(*) FROM BAL_LOG L JOIN APPEAL A ON A.ID_APPEAL = L.ID_APPEAL "
                           "JOIN SPISOK S ON S.ID_CHILD = L.ID_CHILD WHERE S.SURNAME = 'Борисов' AND L.NEW_BAL = 7"), 1)
        << "the copied child's history keeps its appeal's mark";
    EXPECT_FALSE(status::of(work->db, work->tr, work->subject("Физика"), work->grade("9")).final) << "the later decision holds";
    const QStringList once = TestDatabase::contents(work->db, work->tr);
    const merge::Result again = mergeInto(*work, *other);
    EXPECT_EQ(again.appealsAdded, 0);
    EXPECT_EQ(again.statusConflicts, 0);
    EXPECT_EQ(TestDatabase::contents(work->db, work->tr), once);

    const merge::Result back = mergeInto(*other, *work);
    EXPECT_EQ(back.appealsAdded, 1);
    EXPECT_EQ(count(*other, "SELECT COUNT(*) FROM APPEAL"), 3);
    EXPECT_EQ(count(*other, "SELECT COUNT(*) FROM ITOGI"), 2);
    TestDatabase::expectConsistent(other->db, other->tr);
}
