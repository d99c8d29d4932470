// Merging another station's database: everything of every participant on the right name, as one
// action, harmless when run again, refused when codes clash.

#include "Atomic.h"
#include "DbError.h"
#include "Lookups.h"
#include "Schema.h"
#include "app/UMain.h"
#include "fixtures/FailingWrite.h"
#include "fixtures/WindowTest.h"
#include "merge/Merge.h"
#include "participants/Ciphers.h"
#include "participants/Groups.h"
#include "participants/Registration.h"
#include "reference/Dictionaries.h"
#include "reference/Rounds.h"
#include "scoring/Awards.h"
#include "scoring/Scores.h"

#include <QProgressBar>

namespace {

// A station's database of its own, made through the same routines as the windows.
struct Station {
    Database db;
    Transaction tr{db};
    QString name;

    explicit Station(const QString& file) : name(file) {
        schema::createDatabase(db, file);
        db.connect();
        tr.start();
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
              QList<PersonName> teachers = {}) {
        Registration r;
        r.idKomand = team(team_);
        r.idPredmet = subject(subject_);
        r.idKlass = grade(grade_);
        r.child = {surname, "Имя", "Отчество"};
        r.school = "СОШ №1";
        r.teachers = teachers;
        return insertParticipant(db, tr, r);
    }
    void score(int id, const QString& subject_, const QString& grade_, const char* first, const char* second = "0") {
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
        // The window tests' own database is DM's; the merge is tried between two of its own here,
        // except for the window test at the end.
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
    auto source = newSource();
    richSource(*source);
    mergeInto(*work, *source);
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
    source->commit();
    const merge::Result changed = mergeInto(*work, *source);
    EXPECT_EQ(changed.copied, 0);
    EXPECT_EQ(changed.keptDifferent, 5) << "BAL01, B1, SUMM and place of one, the place of the other";
    EXPECT_EQ(text(*work, "SELECT SHIFR FROM SHIFR S JOIN SPISOK P ON P.ID_CHILD = S.ID_CHILD WHERE P.SURNAME = 'Борисов'"),
              "Б1");
    EXPECT_EQ(count(*work, "SELECT SUMM FROM BAL B JOIN SPISOK P ON P.ID_CHILD = B.ID_CHILD WHERE P.SURNAME = 'Борисов'"), 3)
        << "the working database's score stays";
    EXPECT_EQ(count(*work, "SELECT COUNT(*) FROM TEACHERS T JOIN SPISOK P ON P.ID_CHILD = T.ID_CHILD WHERE P.SURNAME = 'Борисов'"),
              1);
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

    // Another participant at work holds a code of the source: refused, naming it.
    const int own = int(count(*work, "SELECT ID_CHILD FROM SPISOK"));
    ciphers::store(work->db, work->tr, own, work->subject("Физика"), work->grade("9"), 2, "a2");  // reads as А2
    work->commit();
    const QString withCode = counts(*work);
    try {
        mergeInto(*work, *source);
        FAIL() << "merged over a clashing code";
    } catch (const merge::Refusal& r) {
        EXPECT_EQ(r.text(), "Объединение не выполнено: шифры совпадают.");
        EXPECT_TRUE(r.detail().contains("Физика, класс 9, тур 2: А2")) << r.detail().toStdString();
    }
    EXPECT_EQ(counts(*work), withCode);
    EXPECT_THROW(mergeInto(*work, *work), merge::Refusal) << "a database is not merged into itself";
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
    source->commit();
    mergeInto(*work, *source);
    EXPECT_EQ(text(*work, "SELECT CAST(LIST(MESTO, ',') AS VARCHAR(40)) FROM (SELECT MESTO FROM BAL B JOIN SPISOK S ON "
                          "S.ID_CHILD = B.ID_CHILD ORDER BY S.SURNAME)"),
              "2,1,1,3") << "Второй, Первый, Тоже первый, Третий";
    EXPECT_EQ(text(*work, "SELECT CAST(LIST(NAME_TUR, ',') AS VARCHAR(80)) FROM (SELECT NAME_TUR FROM TUR ORDER BY ID)"),
              "Теория,Практика,,") << "the working round stays; its empty slot takes the source's";
}

// The button: a file chosen, the bar shown while it runs and hidden after, the counts said; two
// files one after the other both land.
TEST_F(Merge, TheMainWindowMergesTwoFilesInOneRun) {
    std::vector<std::unique_ptr<Station>> sources;
    for (const char* surname : {"Первый", "Второй"}) {
        sources.push_back(newSource());
        sources.back()->child("Север", "Физика", "9", surname);
        sources.back()->commit();
        sources.back()->db.disconnect();
    }
    TMainForm main;
    underTest(&main);
    main.show();
    EXPECT_TRUE(main.Button5->isEnabled());
    for (const auto& s : sources) {
        msg::setNextFile(s->name);
        QTest::mouseClick(main.Button5, Qt::LeftButton);
        EXPECT_FALSE(main.ProgressBar1->isVisible());
    }
    QStringList said;
    for (const msg::Shown& m : msg::shown())
        if (m.kind != msg::Kind::FileChoice) said << m.text + " " + m.detail.section('\n', 0, 0);  // then the backup
    const QString done = "Объединение прошло успешно! Скопировано участников: 1; уже были в базе: 0; "
                         "оставлено различающихся значений: 0; добавлено в справочники: %1.";
    EXPECT_EQ(said, QStringList({done.arg(3), done.arg(0)})) << "the team, subject and grade came with the first";
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
