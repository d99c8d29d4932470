// Score entry by name and by cipher, exact sums, one action per save, two stations, and places.

#include "Atomic.h"
#include "DbError.h"
#include "fixtures/FailingWrite.h"
#include "fixtures/Thrown.h"
#include "fixtures/Olympiad.h"
#include "fixtures/WindowTest.h"
#include "appeals/Status.h"
#include "participants/Ciphers.h"
#include "reference/Rounds.h"
#include "scoring/Places.h"
#include "scoring/ScoreLog.h"
#include "scoring/Scores.h"
#include "scoring/UBalLog.h"
#include "scoring/UEnterBelRus.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"

#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <thread>

namespace {

class ScoreEntry : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        o = Olympiad::seed(db(), tr());
        rounds::save(db(), tr(), o.fizika, {{{"Теория", "3"}, {"Практика", "5"}, {"Устный", "2"}, {}}});
        // By surname: Абрамов, Борисов, Волков.
        kids = o.enrol(db(), tr(), o.fizika, o.k9, {"Волков", "Абрамов", "Борисов"});
        for (int i = 0; i < 3; ++i)
            for (int round : {1, 2}) ciphers::store(db(), tr(), kids[i], o.fizika, o.k9, round, QString("Ш%1%2").arg(round).arg(3 - i));
        tr().commitRetaining();
    }
    void open(bool byCipher) {
        w = showTested(new TFormEnterBelRus(nullptr, byCipher ? EntryMode::ByCipher : EntryMode::ByName));
        pick(w->ComboBox1, "Физика");
        pick(w->ComboBox2, "9");
    }
    void type(int box, const QString& text) { w->Edit(box)->setText(text); }
    void type(std::initializer_list<std::pair<int, QString>> boxes) {
        for (const auto& [box, text] : boxes) type(box, text);
    }
    void save() { QTest::mouseClick(w->Button1, Qt::LeftButton); }
    // Score columns ("B1/SUMM") of a participant's row, as stored, joined by "/" ("-" when he has none).
    QString stored(int child, const QString& columns) {
        Query q(db(), tr(), {"SELECT * FROM BAL WHERE ID_CHILD = :C"});
        q.setInt("C", child);
        q.open();
        QStringList l;
        for (const QString& c : columns.split('/')) l << (q.isEmpty() ? "-" : q.fieldText(c));
        return l.join('/');
    }
    Olympiad o;
    QList<int> kids;
    TFormEnterBelRus* w = nullptr;
};

TEST_F(ScoreEntry, ByNameShowsEachRoundsTasksAndStoresExactSums) {
    exec("UPDATE SPISOK SET SCHOOL = 'Лицей №2' WHERE SURNAME = 'Абрамов'");
    open(false);
    EXPECT_EQ(w->DBGrid1->value("SCHOOL"), "Лицей №2") << "the school tells namesakes apart";
    EXPECT_FALSE(w->DBGrid1->isColumnHidden(w->DBGrid1->column("SCHOOL")));
    EXPECT_FALSE(w->ComboBox3->isVisible());
    QStringList visible;
    for (int n = 1; n <= 24; ++n)
        if (w->Edit(n)->isVisible()) visible << QString::number(n);
    EXPECT_EQ(visible.join(","), "1,2,3,7,8,9,10,11,13,14");
    EXPECT_EQ(shownIn({w->Label3, w->Label4, w->Label5, w->Label6, w->Edit(1)}), "Теория|Практика|Устный||0");
    ASSERT_EQ(w->DBGrid1->value("SURNAME"), "Абрамов");
    EXPECT_EQ(w->focusWidget(), w->Edit(1)) << "the scores are typed at once";
    pressEnter(w->DBGrid1);  // Enter in the list goes on to the boxes and saves nothing
    EXPECT_EQ(w->focusWidget(), w->Edit(1));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM BAL"), 0);

    type({{1, "1,5"}, {2, "2.25"}, {7, "0,1"}, {8, "0.1"}, {9, "0,1"}});
    save();
    EXPECT_TRUE(msg::shown().isEmpty()) << msg::shownTexts().join("; ").toStdString();
    EXPECT_EQ(stored(kids[1], "B1/B2/SUMM/MESTO/DIPL_STEP"), "3,75/0,3/4,05/1/") << "the degree is not written here";
    EXPECT_EQ(w->DBGrid1->value("SURNAME"), "Борисов") << "moved to the next participant";
    EXPECT_EQ(w->focusWidget(), w->Edit(1));

    // Back to the first: his scores are shown in the shortest form; a later save updates the row.
    w->DBNavigator1->press(TDBNavigator::First);
    EXPECT_EQ(shownIn({w->Edit(2), w->Edit(7)}), "2,25|0,1");
    type(3, "10");
    save();
    EXPECT_EQ(stored(kids[1], "SUMM"), "14,05");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM BAL"), 1);

    // Saving on the last row keeps the selection and shows the same scores again.
    w->DBNavigator1->press(TDBNavigator::Last);
    type(1, "7");
    save();
    EXPECT_EQ(w->DBGrid1->value("SURNAME"), "Волков");
    EXPECT_EQ(w->Edit(1)->text(), "7");
}

// Final results are said as soon as the grade (by code: the round) is chosen, in both modes: the
// boxes only show the scores and "Ввод" is not offered; results made preliminary again take scores.
TEST_F(ScoreEntry, FinalResultsAreSaidBeforeAnythingIsTyped) {
    atomically(tr(), [&] { status::set(db(), tr(), o.fizika, o.k9, true, "жюри@стол"); });
    for (bool byCipher : {false, true}) {
        open(byCipher);
        if (byCipher) pick(w->ComboBox3, "1");
        EXPECT_TRUE(w->Label9->text().startsWith("Итоговые результаты на ")) << w->Label9->text().toStdString();
        EXPECT_TRUE(w->Edit(1)->isReadOnly());
        EXPECT_FALSE(w->Button1->isEnabled());
        delete w;
    }
    atomically(tr(), [&] { status::set(db(), tr(), o.fizika, o.k9, false, "жюри@стол"); });
    open(false);
    EXPECT_FALSE(w->Edit(1)->isReadOnly());
    EXPECT_TRUE(w->Button1->isEnabled());
}

TEST_F(ScoreEntry, ATextThatIsNotAScoreIsRefusedNamingTheTaskAndNothingIsWritten) {
    open(false);
    const std::pair<int, QString> bad[] = {{2, "1,255"}, {8, "abc"}, {13, ""}, {3, "10000000"}};
    for (const auto& [box, text] : bad) {
        msg::clearShown();
        type(1, "5");
        type(box, text);
        save();
        ASSERT_EQ(msg::shown().size(), 1);
        EXPECT_TRUE(msg::shown()[0].text.startsWith(QString("Тур %1, задача %2: ").arg((box - 1) / 6 + 1).arg((box - 1) % 6 + 1)))
            << msg::shown()[0].text.toStdString();
        EXPECT_TRUE(msg::shown()[0].text.contains(text)) << msg::shown()[0].text.toStdString();
        EXPECT_EQ(scalar("SELECT COUNT(*) FROM BAL"), 0);
        EXPECT_EQ(w->Edit(box)->text(), text) << "the boxes keep what was typed";
        EXPECT_EQ(w->focusWidget(), w->Edit(box));
        EXPECT_EQ(w->DBGrid1->value("SURNAME"), "Абрамов");
        type(box, "0");
    }
}

// A task's maximum catches a typo: a score above it is refused naming round, task and maximum,
// and nothing is written; a round without maxima takes any score. A score stored above a maximum
// (an earlier build let the maxima be lowered under it) is refused too when the participant is saved
// again.
TEST_F(ScoreEntry, AScoreAboveItsTasksMaximumIsRefusedAndNothingIsWritten) {
    rounds::save(db(), tr(), o.fizika, {{{"Теория", "3", "10 7,5 5"}, {"Практика", "5", ""}, {"Устный", "2", "3 3"}, {}}});
    tr().commitRetaining();
    open(false);
    EXPECT_TRUE(w->Edit(2)->toolTip().contains("7,5")) << w->Edit(2)->toolTip().toStdString();
    // A box stands out as soon as it holds what will be refused, and no longer once put right.
    w->Edit(2)->selectAll();
    QTest::keyClicks(w->Edit(2), "8");
    EXPECT_EQ(w->Edit(2)->property("refusal").toString(), "Тур 1, задача 2: балл больше наибольшего (7,5)");
    EXPECT_FALSE(w->Edit(2)->styleSheet().isEmpty());
    QTest::keyClick(w->Edit(2), Qt::Key_Backspace);
    QTest::keyClicks(w->Edit(2), "7");
    EXPECT_TRUE(w->Edit(2)->styleSheet().isEmpty());
    EXPECT_TRUE(w->Edit(7)->styleSheet().isEmpty()) << "no maximum, nothing to stand out";
    type(2, "0");
    for (const auto& [box, score, refusal] : {std::tuple<int, QString, QString>{2, "7,75", "Тур 1, задача 2: балл больше наибольшего (7,5)"},
                                              {14, "3,01", "Тур 3, задача 2: балл больше наибольшего (3)"}}) {
        msg::clearShown();
        type(box, score);
        save();
        EXPECT_EQ(msg::shownTexts(), QStringList{refusal});
        EXPECT_EQ(w->focusWidget(), w->Edit(box));
        EXPECT_EQ(scalar("SELECT COUNT(*) FROM BAL") + scalar("SELECT COUNT(*) FROM BAL_LOG"), 0);
        type(box, "0");
    }
    msg::clearShown();
    type({{1, "10"}, {2, "7,5"}, {7, "100"}, {14, "3"}});  // round 2 has no maxima
    save();
    EXPECT_TRUE(msg::shown().isEmpty()) << msg::shown()[0].text.toStdString();
    EXPECT_EQ(stored(kids[1], "SUMM"), "120,5");

    exec(QString("UPDATE TUR_MAX SET MAX_BAL = 8 WHERE ID_PREDMET = %1 AND ID = 1 AND N_ZAD = 1").arg(o.fizika));
    w->DBNavigator1->press(TDBNavigator::First);
    ASSERT_EQ(w->Edit(1)->text(), "10");
    type(13, "1");
    save();
    EXPECT_EQ(msg::shownTexts(), QStringList{"Тур 1, задача 1: балл больше наибольшего (8)"});
    EXPECT_EQ(stored(kids[1], "BAL13"), "0");
    exec(QString("UPDATE TUR_MAX SET MAX_BAL = 10 WHERE ID_PREDMET = %1 AND ID = 1 AND N_ZAD = 1").arg(o.fizika));
}

// The history holds what changed and nothing else: a save writes the boxes whose value changes,
// with the value before, and a box typed over with the value it held when it has no history yet;
// a box only passed with Enter is not written, so a round not held yet does not count as entered.
// A save that changes nothing writes nothing. The history window shows it, the latest first.
TEST_F(ScoreEntry, EverySaveLogsExactlyTheChangedTasksAndCountsEnteredRounds) {
    open(false);
    EXPECT_EQ(w->Label9->text(), "введено 0 из 3");
    const auto typeOver = [&](int box, const char* keys) {
        w->Edit(box)->selectAll();
        QTest::keyClicks(w->Edit(box), keys);
    };
    const auto log = [&](int child) {
        return text(QString("SELECT CAST(LIST(SLOT || ':' || COALESCE(OLD_BAL, '-') || '>' || COALESCE(NEW_BAL, '-'), ' ') AS VARCHAR(2000)) "
                            "FROM (SELECT * FROM BAL_LOG WHERE ID_CHILD = %1 ORDER BY ID_LOG)")
                        .arg(child));
    };
    type(1, "5");
    typeOver(7, "0");  // a zero typed in round 2
    save();
    EXPECT_EQ(log(kids[1]), "1:->5.00 7:->0.00");
    EXPECT_EQ(text(QString("SELECT DISTINCT STATION FROM BAL_LOG")), scorelog::station());
    EXPECT_EQ(scorelog::entered(db(), tr(), o.fizika, o.k9, 2), QSet<int>{kids[1]});
    EXPECT_EQ(w->Label9->text(), "введено 0 из 3") << "round 3 is not entered";

    // Борисов: round 1 typed, the other boxes passed with Enter; the last one saves him.
    ASSERT_EQ(w->DBGrid1->value("SURNAME"), "Борисов");
    QTest::keyClicks(w->focusWidget(), "3");
    for (int box = 0; box < 10; ++box) QTest::keyClick(w->focusWidget(), Qt::Key_Return);
    EXPECT_EQ(log(kids[2]), "1:->3.00");
    EXPECT_EQ(scorelog::entered(db(), tr(), o.fizika, o.k9, 2), QSet<int>{kids[1]});

    w->DBNavigator1->press(TDBNavigator::First);
    type({{2, "4"}, {9, "2,5"}});
    typeOver(13, "1");
    save();
    EXPECT_EQ(w->Label9->text(), "введено 1 из 3");
    w->DBNavigator1->press(TDBNavigator::First);
    save();  // nothing changed
    EXPECT_EQ(log(kids[1]), "1:->5.00 7:->0.00 2:0.00>4.00 9:0.00>2.50 13:0.00>1.00");

    // By cipher, round 2 only: he counts for round 2, not for the whole subject.
    scores::Shown round2{};
    for (int n = 7; n <= 11; ++n) round2[size_t(n - 1)] = true;
    const QString history = QString("SELECT COUNT(*) FROM BAL_LOG WHERE ID_CHILD = %1").arg(kids[2]);
    storeScores(db(), tr(), kids[2], o.fizika, o.k9, {{7, "1"}}, round2);
    const qint64 once = scalar(history);
    storeScores(db(), tr(), kids[2], o.fizika, o.k9, {{7, "1"}}, round2);
    EXPECT_EQ(scalar(history), once) << "the same scores saved again write no history";
    tr().commitRetaining();
    EXPECT_EQ(scorelog::entered(db(), tr(), o.fizika, o.k9, 2), (QSet<int>{kids[1], kids[2]}));
    EXPECT_EQ(scorelog::entered(db(), tr(), o.fizika, o.k9, 3), QSet<int>{kids[1]});
    EXPECT_EQ(scorelog::entered(db(), tr(), o.fizika, o.k9), QSet<int>{kids[1]});

    w->DBNavigator1->press(TDBNavigator::First);
    expectModal([&] { QTest::keyClick(w->Edit(1), Qt::Key_F9); },
                [&](QWidget* window) {
                    auto* history = qobject_cast<TFormBalLog*>(window);
                    ASSERT_NE(history, nullptr);
                    EXPECT_EQ(history->Label1->text(), "Абрамов Имя Отчество");
                    ASSERT_EQ(history->StringGrid1->rowCount(), 5);
                    const QStringList latest{history->StringGrid1->item(0, 2)->text(), history->StringGrid1->item(0, 3)->text(),
                                             history->StringGrid1->item(0, 4)->text(), history->StringGrid1->item(0, 5)->text()};
                    EXPECT_EQ(latest, (QStringList{"3 (Устный)", "1", "0", "1"}));
                    EXPECT_EQ(history->StringGrid1->item(4, 4)->text(), "—");
                    QTest::keyClick(history, Qt::Key_Escape);
                });
}

// Typed scores are never dropped silently: another participant (navigator, arrows, a click) or
// another subject asks; Отмена stays with the typing, Нет lets it go, Да saves it first (a refused
// save stays).
TEST_F(ScoreEntry, AnotherParticipantOverTypedScoresAsksAndEachAnswerDoesWhatItSays) {
    open(false);
    ASSERT_EQ(w->DBGrid1->value("SURNAME"), "Абрамов");
    const auto shown = [&] { return w->DBGrid1->value("SURNAME") + ":" + w->Edit(1)->text(); };
    type(1, "5");
    msg::setNextAnswer(msg::Answer::Cancel);
    w->DBNavigator1->press(TDBNavigator::Next);
    EXPECT_EQ(msg::shownTexts(), QStringList{kUnsavedScores});
    EXPECT_EQ(shown(), "Абрамов:5");
    w->DBGrid1->setFocus();
    msg::setNextAnswer(msg::Answer::Cancel);
    QTest::keyClick(w->DBGrid1, Qt::Key_Down);
    EXPECT_EQ(shown(), "Абрамов:5") << "the arrows too";
    msg::setNextAnswer(msg::Answer::Cancel);
    pick(w->ComboBox1, "Физика");
    EXPECT_EQ(shown(), "Абрамов:5") << "and a subject chosen again";
    EXPECT_EQ(msg::shownTexts().size(), 3);

    msg::setNextAnswer(msg::Answer::No);
    w->DBNavigator1->press(TDBNavigator::Next);
    EXPECT_EQ(shown(), "Борисов:0");
    EXPECT_EQ(stored(kids[1], "SUMM"), "-") << "Нет stores nothing";

    type(1, "7");
    msg::clearShown();
    const QRect first = w->DBGrid1->visualRect(w->DBGrid1->model()->index(0, 1));
    QTest::mouseClick(w->DBGrid1->viewport(), Qt::LeftButton, {}, first.center());  // Да
    EXPECT_EQ(msg::shownTexts(), QStringList{kUnsavedScores});
    EXPECT_EQ(stored(kids[2], "SUMM"), "7");
    EXPECT_EQ(shown(), "Абрамов:0");

    type(1, "abc");
    msg::clearShown();
    w->DBNavigator1->press(TDBNavigator::Last);
    EXPECT_EQ(msg::shownTexts(), QStringList({kUnsavedScores, "Тур 1, задача 1: \"abc\" — не число (ожидается балл, например 7 или 7,5)"}));
    EXPECT_EQ(shown(), "Абрамов:abc") << "a refused save stays";
    EXPECT_EQ(w->focusWidget(), w->Edit(1));
    type(1, "0");
}

// A round is typed with Enter alone: score, Enter, score, Enter… the last box saves the participant
// and the cursor waits in the next one's first box. A negative score is refused like a letter;
// Esc with a typed score asks before anything is lost.
TEST_F(ScoreEntry, ARoundIsTypedWithEnterAloneAndTypedWorkIsNotLost) {
    open(true);
    pick(w->ComboBox3, "1");  // "Теория": three tasks
    ASSERT_EQ(w->DBGrid1->value("SHIFR"), "Ш11");
    for (const char* score : {"7,5", "2", "1.25"}) {
        QTest::keyClicks(QApplication::focusWidget(), score);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    EXPECT_TRUE(msg::shown().isEmpty()) << msg::shownTexts().join("; ").toStdString();
    const int first = kids[2];  // Ш11
    EXPECT_EQ(stored(first, "BAL01/BAL02/BAL03"), "7,5/2/1,25");
    EXPECT_EQ(w->DBGrid1->value("SHIFR"), "Ш12");
    EXPECT_EQ(w->focusWidget(), w->Edit(1));

    QTest::keyClicks(w->Edit(1), "-1");
    QTest::keyClick(w->Edit(1), Qt::Key_Return);
    QTest::keyClick(w->Edit(2), Qt::Key_Return);
    QTest::keyClick(w->Edit(3), Qt::Key_Return);
    EXPECT_EQ(msg::shownTexts(), QStringList{"Тур 1, задача 1: балл не может быть меньше 0"});
    EXPECT_EQ(w->focusWidget(), w->Edit(1));
    EXPECT_EQ(stored(kids[1], "SUMM"), "-");

    msg::clearShown();
    msg::setNextAnswer(false);
    QTest::keyClick(w->Edit(1), Qt::Key_Escape);
    EXPECT_EQ(msg::shownTexts(), QStringList{"Введённые данные не сохранены. Закрыть окно?"});
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->Edit(1)->text(), "-1") << "No keeps what was typed";
    type(1, "0");
    msg::clearShown();
    QTest::keyClick(w->Edit(1), Qt::Key_Escape);
    EXPECT_TRUE(msg::shown().isEmpty()) << "nothing typed: Esc closes at once";
    EXPECT_FALSE(w->isVisible());
}

// By cipher only the chosen round is shown and typed; the other rounds keep what is stored, also
// what another station stored after the window loaded the participant.
TEST_F(ScoreEntry, ByCipherARoundSaveKeepsEveryOtherRoundAsStoredNow) {
    storeScores(db(), tr(), kids[0], o.fizika, o.k9, {{1, "1"}, {2, "2"}, {7, "3"}, {13, "4"}});
    tr().commitRetaining();
    open(true);
    EXPECT_TRUE(w->ComboBox3->isVisible());
    EXPECT_EQ(w->DBGrid1->rowCount(), 0) << "the list waits for a round";
    pick(w->ComboBox3, "2");
    EXPECT_TRUE(w->Edit(7)->isVisible());
    typeInto(w->ComboBox3, "7");
    QTest::keyClick(w->ComboBox3, Qt::Key_Return);
    EXPECT_FALSE(w->Edit(7)->isVisible()) << "a text that is no round shows no boxes";
    EXPECT_EQ(w->DBGrid1->rowCount(), 0) << "and no list";
    EXPECT_TRUE(msg::shown().isEmpty());
    pick(w->ComboBox3, "1");
    EXPECT_EQ(w->DBGrid1->value("SHIFR"), "Ш11") << "ciphers in text order";
    w->DBNavigator1->press(TDBNavigator::Last);
    ASSERT_EQ(w->DBGrid1->value("ID_CHILD").toInt(), kids[0]);
    EXPECT_EQ(w->Edit(2)->text(), "2");
    EXPECT_FALSE(w->Edit(7)->isVisible());

    // Another station saves round 2 of the same child after the window loaded him.
    {
        OtherStation station(db().databaseName);
        atomically(station.tr, [&] { storeScores(station.db, station.tr, kids[0], o.fizika, o.k9, {{7, "8,5"}}); });
    }
    type(1, "6");
    save();
    EXPECT_EQ(stored(kids[0], "BAL01/BAL02/BAL07/BAL13/B1/SUMM"), "6/2/8,5/4/8/20,5") << "the other station's round 2 survives";
}

TEST_F(ScoreEntry, AFailedReRankUndoesTheWholeSave) {
    storeScores(db(), tr(), kids[0], o.fizika, o.k9, {{1, "5"}});
    tr().commitRetaining();
    open(false);
    type(1, "9");  // Абрамов overtakes Волков: Волков's place changes in the re-rank, and fails
    {
        FailingWrite fail(db(), tr(), "BAL", "UPDATE", QString("OLD.ID_CHILD = %1 AND NEW.MESTO <> OLD.MESTO").arg(kids[0]));
        save();
    }
    EXPECT_EQ(msg::shownTexts(), QStringList{"не получилось"});
    EXPECT_EQ(stored(kids[1], "SUMM"), "-") << "the score row of the save is gone with it";
    EXPECT_EQ(stored(kids[0], "MESTO"), "1");
    EXPECT_EQ(w->DBGrid1->value("SURNAME"), "Абрамов") << "the list does not move";
    EXPECT_EQ(w->Edit(1)->text(), "9");

    w->close();  // asks first: the 9 typed was not stored
    msg::clearShown();
    w = showTested(new TFormEnterBelRus(nullptr, EntryMode::ByName));
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_EQ(msg::shownTexts(), QStringList{"Выберите участника"}) << "no list: nothing to save";
}

// The sums count the tasks the rounds have, and nothing else can be stored. Places are dense ranks
// of the subject and grade (every test's check makes sure they are kept so); an empty total ranks as
// 0, and another grade is left alone.
TEST_F(ScoreEntry, SumsTakeTheRoundsTasksAndPlacesAreDenseRanksOfTheGrade) {
    storeScores(db(), tr(), kids[0], o.fizika, o.k9, {{1, "1"}, {8, "2"}, {14, "4"}, {24, "0"}});
    tr().commitRetaining();
    EXPECT_EQ(stored(kids[0], "B1/B2/B3/B4/SUMM"), "1/2/4/0/7");
    for (int slot : {15, 24}) {  // round 3 has two tasks, round 4 none
        EXPECT_EQ(thrownText<DbError>([&] { storeScores(db(), tr(), kids[0], o.fizika, o.k9, {{slot, "1"}}); }),
                  QString("Тур %1, задача %2: такой задачи у тура нет").arg((slot - 1) / 6 + 1).arg((slot - 1) % 6 + 1));
        tr().rollbackRetaining();
    }

    const QList<int> all = kids + o.enrol(db(), tr(), o.fizika, o.k9, {"Г"});
    const int tenth = o.enrol(db(), tr(), o.fizika, o.k10, {"Ж"}).first();
    storeScores(db(), tr(), tenth, o.fizika, o.k10, {{1, "1"}});
    exec(QString("UPDATE BAL SET MESTO = 7 WHERE ID_CHILD = %1").arg(tenth));
    const char* totals[] = {"10", "9", "9", "0"};  // the first with 6 more in other rounds
    for (int i = 0; i < 4; ++i) storeScores(db(), tr(), all[i], o.fizika, o.k9, {{1, totals[i]}});
    exec(QString("UPDATE BAL SET BAL01 = NULL, B1 = NULL, SUMM = NULL WHERE ID_CHILD = %1").arg(all[3]));
    RecomputePlaces(db(), tr(), "Физика", "9");
    tr().commitRetaining();
    QStringList places;
    for (int child : all) places << stored(child, "MESTO");
    EXPECT_EQ(places.join(","), "1,2,2,3");
    EXPECT_EQ(stored(tenth, "MESTO"), "7") << "other grades are untouched";
    RecomputePlaces(db(), tr(), "Физика", "10");
    tr().commitRetaining();
}

// Two stations saving in one subject and grade at the same moment: both saves land, and the places
// are right.
TEST_F(ScoreEntry, TwoStationsSavingAtOnceBothSucceed) {
    open(false);
    OtherStation station(db().databaseName);
    std::atomic<int> step{0};
    std::thread other([&] {
        atomically(station.tr, [&] {
            storeScores(station.db, station.tr, kids[2], o.fizika, o.k9, {{1, "3"}});
            if (step == 0) {
                step = 1;  // holds its rows until the window's save is waiting for them
                std::this_thread::sleep_for(std::chrono::milliseconds(400));
            }
        });
        step = 2;
    });
    while (step == 0) std::this_thread::yield();
    type(1, "4");
    save();  // waits for the other station, conflicts, and runs again
    other.join();
    EXPECT_TRUE(msg::shown().isEmpty()) << msg::shownTexts().join("; ").toStdString();
    EXPECT_EQ(stored(kids[1], "SUMM/MESTO") + " " + stored(kids[2], "SUMM/MESTO"), "4/1 3/2");
}

}  // namespace
