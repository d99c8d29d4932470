// Awards and the results views.

#include "Atomic.h"
#include "appeals/Status.h"
#include "fixtures/Olympiad.h"
#include "fixtures/WindowTest.h"
#include "participants/Ciphers.h"
#include "participants/Lists.h"
#include "reference/Rounds.h"
#include "scoring/Awards.h"
#include "scoring/Scores.h"
#include "scoring/UDiplom.h"
#include "scoring/UViewResultKommand.h"
#include "scoring/UViewSpisPobed.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"

#include <QLabel>
#include <QLineEdit>

namespace {

class Awards : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        o = Olympiad::seed(db(), tr());
        rounds::save(db(), tr(), o.fizika, {{{"Теория", "2"}, {"Практика", "7"}, {}, {}}});
        // Totals 12.5, 20, 3 and 25: Гусев, last by name, comes first.
        kids = o.enrol(db(), tr(), o.fizika, o.k9, {"Борисов", "Абрамов", "Волков", "Гусев"});
        const char* totals[] = {"12,50", "20", "3", "25"};
        for (int i = 0; i < 4; ++i) storeScores(db(), tr(), kids[i], o.fizika, o.k9, {{1, totals[i]}});
        ciphers::store(db(), tr(), kids[0], o.fizika, o.k9, 1, "Ц1");
        ciphers::store(db(), tr(), kids[1], o.fizika, o.k9, 1, "Ц2");
        ciphers::store(db(), tr(), kids[2], o.fizika, o.k9, 2, "Ц3");  // no round-1 code
        tr().commitRetaining();
    }
    TFormDiplom* open(bool byCipher) {
        auto* w = showTested(new TFormDiplom(nullptr, byCipher ? EntryMode::ByCipher : EntryMode::ByName));
        pick(w->ComboBox1, "Физика");
        pick(w->ComboBox2, "9");
        return w;
    }
    QString degrees() {
        QStringList l;
        for (int child : kids) l << text(QString("SELECT COALESCE(CAST(DIPL_STEP AS VARCHAR(5)), '-') FROM BAL WHERE ID_CHILD = %1").arg(child));
        return l.join(",");
    }
    Olympiad o;
    QList<int> kids;
};

TEST_F(Awards, TheListFollowsThePlacesAndBrowsingWritesNothing) {
    exec("UPDATE SPISOK SET SCHOOL = 'Лицей №2' WHERE SURNAME = 'Гусев'");
    TFormDiplom* w = open(false);
    EXPECT_EQ(w->DBGrid1->value("SCHOOL"), "Лицей №2") << "the school tells namesakes apart";
    QStringList order;
    for (int r = 0; r < w->DBGrid1->rowCount(); ++r) order << w->DBGrid1->value(r, "SURNAME");
    EXPECT_EQ(order, QStringList({"Гусев", "Абрамов", "Борисов", "Волков"})) << "by place";
    EXPECT_EQ(shownIn({w->Edit8, w->ComboBox3, w->roundName(2)}), "1|0|Практика") << "place, degree, the second round's name";
    EXPECT_TRUE(w->taskBox(1, 2)->isVisible());
    EXPECT_FALSE(w->taskBox(1, 3)->isVisible());
    EXPECT_FALSE(w->taskBox(2, 1)->isVisible()) << "7 tasks: no boxes";
    EXPECT_FALSE(w->sumBox(2)->isVisible());

    QTest::keyClick(w->DBGrid1, Qt::Key_Down);
    w->DBNavigator1->press(TDBNavigator::Next);
    EXPECT_EQ(w->DBGrid1->value("SURNAME"), "Борисов");
    EXPECT_EQ(w->Edit7->text(), "12,5") << "the shortest form with the system's separator";
    EXPECT_EQ(w->taskBox(1, 1)->text(), "12,5");
    EXPECT_EQ(w->Edit8->text(), "3");
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    QTest::mouseClick(w->Button1, Qt::LeftButton);  // on the last: stays
    EXPECT_EQ(w->DBGrid1->value("SURNAME"), "Волков");
    pick(w->ComboBox2, "9");
    pick(w->ComboBox1, "Физика");
    EXPECT_EQ(degrees(), "-,-,-,-") << "showing participants never writes a degree";
    EXPECT_TRUE(msg::shown().isEmpty());

    pick(w->ComboBox2, "9");
    // Passing through the degree box with Tab writes nothing either.
    QApplication::setActiveWindow(w);
    w->ComboBox3->setFocus(Qt::TabFocusReason);
    w->Button1->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(degrees(), "-,-,-,-");

    w->DBNavigator1->press(TDBNavigator::Next);  // Абрамов
    pick(w->ComboBox3, "2");
    EXPECT_EQ(degrees(), "-,2,-,-") << "the shown participant only";
    w->DBNavigator1->press(TDBNavigator::First);
    w->DBNavigator1->press(TDBNavigator::Next);
    w->ComboBox3->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w->ComboBox3, Qt::Key_Down);
    EXPECT_EQ(w->ComboBox3->currentText(), "3") << "the arrows start from the degree shown";
    EXPECT_EQ(degrees(), "-,2,-,-");
}

TEST_F(Awards, OnlyADegreeFromZeroToFourIsWritten) {
    exec(QString("UPDATE BAL SET DIPL_STEP = 7 WHERE ID_CHILD = %1").arg(kids[1]));
    TFormDiplom* w = open(false);
    w->DBNavigator1->press(TDBNavigator::Next);
    EXPECT_EQ(w->ComboBox3->currentText(), "7") << "an old value outside 0 to 4 still shows";
    for (const char* typed : {"12", "-1", "5", ""}) {
        msg::clearShown();
        typeInto(w->ComboBox3, QString::fromUtf8(typed));
        EXPECT_EQ(degrees(), "-,7,-,-") << "typing writes nothing";
        QTest::keyClick(w->ComboBox3, Qt::Key_Return);
        EXPECT_EQ(msg::shownTexts(), QStringList{"Степень должна быть 0, 1, 2, 3 или 4!"}) << typed;
        EXPECT_EQ(w->ComboBox3->currentText(), "7");
        EXPECT_EQ(degrees(), "-,7,-,-");
    }
    typeInto(w->ComboBox3, "3");
    QTest::keyClick(w->ComboBox3, Qt::Key_Return);
    EXPECT_EQ(degrees(), "-,3,-,-");
    // Enter wrote it and went on to the next participant, the cursor still in the degree box.
    EXPECT_EQ(w->DBGrid1->currentRow(), 2);
    EXPECT_EQ(w->focusWidget(), w->ComboBox3);
    typeInto(w->ComboBox3, "2");
    QTest::keyClick(w->ComboBox3, Qt::Key_Return);
    EXPECT_EQ(degrees(), "2,3,-,-") << "the next in place order";
    w->DBNavigator1->press(TDBNavigator::First);
    w->DBNavigator1->press(TDBNavigator::Next);

    // The participant was deleted at another station: nothing to write.
    msg::clearShown();
    participants::remove(db(), tr(), kids[1]);
    tr().commitRetaining();
    pick(w->ComboBox3, "1");
    EXPECT_EQ(msg::shownTexts(), QStringList{"не получилось"});
    EXPECT_EQ(w->ComboBox3->currentText(), "0");
}

// A degree typed and not written is never dropped silently: the next participant asks first.
TEST_F(Awards, ADegreeTypedAndNotWrittenIsAskedAbout) {
    TFormDiplom* w = open(false);
    const auto shown = [&] { return w->DBGrid1->value("SURNAME") + ":" + w->ComboBox3->currentText(); };
    typeInto(w->ComboBox3, "2");
    msg::setNextAnswer(msg::Answer::Cancel);
    w->DBNavigator1->press(TDBNavigator::Next);
    EXPECT_EQ(msg::shownTexts(), QStringList{kUnsavedDegree});
    EXPECT_EQ(shown(), "Гусев:2");
    msg::setNextAnswer(msg::Answer::No);
    w->DBNavigator1->press(TDBNavigator::Next);
    EXPECT_EQ(shown(), "Абрамов:0");
    EXPECT_EQ(degrees(), "-,-,-,-");
    typeInto(w->ComboBox3, "3");
    w->DBNavigator1->press(TDBNavigator::Next);  // Да
    EXPECT_EQ(degrees(), "-,3,-,-");
    EXPECT_EQ(shown(), "Борисов:0");
    typeInto(w->ComboBox3, "9");
    msg::clearShown();
    w->DBNavigator1->press(TDBNavigator::Last);
    EXPECT_EQ(msg::shownTexts(), QStringList({kUnsavedDegree, awards::kBadDegree}));
    EXPECT_EQ(shown(), "Борисов:0") << "a refused degree stays with its participant";
}

// By code the list shows round-1 codes; final results are said in both modes, the degree not offered.
TEST_F(Awards, ByCipherTheListShowsRoundOneCodes) {
    TFormDiplom* w = open(true);
    ASSERT_EQ(w->DBGrid1->rowCount(), 2) << "a participant without a round-1 code is missing";
    EXPECT_EQ(w->DBGrid1->value(0, "SHIFR"), "Ц2");
    EXPECT_TRUE(w->LabelStatus->text().isEmpty());
    EXPECT_TRUE(w->Button1->isEnabled());
    atomically(tr(), [&] { status::set(db(), tr(), o.fizika, o.k9, true, "жюри@стол"); });
    for (bool byCipher : {true, false}) {
        TFormDiplom* f = open(byCipher);
        EXPECT_TRUE(f->LabelStatus->text().startsWith("Итоговые результаты на ")) << f->LabelStatus->text().toStdString();
        EXPECT_FALSE(f->ComboBox3->isEnabled());
        EXPECT_FALSE(f->Button1->isEnabled());
    }
}

TEST_F(Awards, ResultViewsShowTeamsByNameAndWinnersByDegree) {
    for (const auto& [kid, degree] : {std::pair{0, 2}, {2, 1}, {1, 4}})
        exec(QString("UPDATE BAL SET DIPL_STEP = %1 WHERE ID_CHILD = %2").arg(degree).arg(kids[kid]));
    const int aistov = o.enrol(db(), tr(), o.fizika, o.k10, {"Аистов"}).first();  // registered, no scores
    for (const char* t : {"Вторая", "Альфа"}) exec(QString("INSERT INTO TEACHERS (ID_CHILD, SURNAME) VALUES (%1, '%2')").arg(aistov).arg(t));

    auto* results = showTested(new TFormViewResultKommand(nullptr));
    pick(results->ComboBox1, "Север");
    pick(results->ComboBox2, "Физика");
    EXPECT_EQ(results->CountDety->text(), "5");
    EXPECT_EQ(results->DBGrid1->value("SURNAME"), "Абрамов") << "by surname, whatever the place";
    results->DBNavigator1->press(TDBNavigator::Next);
    EXPECT_EQ(results->DBGrid1->value("SURNAME"), "Аистов");
    EXPECT_EQ(shownIn({results->Edit7, results->Edit8, results->Edit1, results->Edit4, results->CountTeacher}), "0|0|0|10|2");
    pick(results->ComboBox1, "Север");
    EXPECT_TRUE(results->Edit4->text().isEmpty()) << "a new team empties the details";
    EXPECT_EQ(results->CountDety->text(), "5") << "the counters keep their values";

    auto* winners = showTested(new TFormViewSpisPobed(nullptr));
    pick(winners->ComboBox2, "Физика");
    QStringList listed;
    for (int i = 0; i < winners->DBGrid1->rowCount(); ++i)
        listed << winners->DBGrid1->value(i, "SURNAME") + ":" + winners->DBGrid1->value(i, "DIPL_STEP");
    EXPECT_EQ(listed, QStringList({"Волков:1", "Борисов:2"})) << "degrees 1 to 3 only, in degree order";
    EXPECT_EQ(shownIn({winners->Edit2, winners->Edit1}), "Север|1");
}

}  // namespace
