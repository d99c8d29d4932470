// The participant lists: what they show, and deleting a participant as one action.

#include "fixtures/FailingWrite.h"
#include "fixtures/Olympiad.h"
#include "fixtures/WindowTest.h"
#include "participants/Ciphers.h"
#include "participants/Groups.h"
#include "participants/Registration.h"
#include "participants/UViewKlass.h"
#include "participants/UViewSpisok.h"
#include "scoring/Scores.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"

#include <QLabel>

namespace {

class Lists : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        o = Olympiad::seed(db(), tr());
        // Two namesakes; the first has everything: scores, a group, two ciphers, two teachers.
        Registration r;
        r.idKomand = o.yug;
        r.idPredmet = o.fizika;
        r.idKlass = o.k9;
        r.school = "СОШ №1";
        r.child = {"Иванов", "Иван", "Иванович"};
        r.teachers = {{"Смирнова", "Анна", ""}, {"Орлов", "Пётр", ""}};
        victim = insertParticipant(db(), tr(), r);
        r.teachers = {{"Козлов", "", ""}};
        namesake = insertParticipant(db(), tr(), r);
        r.child = {"Антонов", "", ""};
        r.teachers.clear();
        others = {insertParticipant(db(), tr(), r)};
        r.child = {"Яшин", "", ""};
        others << insertParticipant(db(), tr(), r);
        const auto score = [&](int child, const char* total) {
            scores::Slots s{};
            scores::Shown shown{};
            s[0] = Score::parse(total);
            shown[0] = true;
            scores::save(db(), tr(), child, o.fizika, o.k9, s, shown);
        };
        score(others[0], "10");
        score(victim, "9");
        score(namesake, "9");
        score(others[1], "8");
        groups::distribute(db(), tr(), "Физика", o.fizika, o.k9, {{"", 4}});
        for (int round : {1, 2}) ciphers::store(db(), tr(), victim, o.fizika, o.k9, round, QString("И%1").arg(round));
        ciphers::store(db(), tr(), namesake, o.fizika, o.k9, 1, "Н1");
        tr().commitRetaining();
    }
    TFormViewKlass* openByGrade() {
        auto* w = new TFormViewKlass(nullptr);
        underTest(w);
        w->show();
        QApplication::setActiveWindow(w);
        pick(w->ComboBox1, "Физика");
        pick(w->ComboBox2, "9");
        return w;
    }
    qint64 rowsOf(int child) {
        qint64 n = 0;
        for (const char* t : {"BAL", "GRUP", "SHIFR", "TEACHERS", "SPISOK"})
            n += scalar(QString("SELECT COUNT(*) FROM %1 WHERE ID_CHILD = %2").arg(t).arg(child));
        return n;
    }
    qint64 place(int child) { return scalar(QString("SELECT MESTO FROM BAL WHERE ID_CHILD = %1").arg(child)); }
    Olympiad o;
    int victim = 0, namesake = 0;
    QList<int> others;
};

TEST_F(Lists, DeletingAParticipantRemovesAllHisRowsAndKeepsPlacesDense) {
    TFormViewKlass* w = openByGrade();
    EXPECT_EQ(w->CountDety->text(), "4");
    EXPECT_EQ(w->DBGrid1->value("SURNAME"), "Антонов");
    w->DBNavigator1->press(TDBNavigator::Next);
    ASSERT_EQ(w->DBGrid1->value("ID_CHILD").toInt(), victim);
    EXPECT_EQ(w->DBGrid1->value("KLASS_NAME"), "9");
    EXPECT_EQ(w->CountTeacher->text(), "2");
    EXPECT_EQ(w->DBGrid2->value(0, "SURNAME"), "Смирнова") << "teachers in the order they were registered";
    EXPECT_EQ(place(namesake), 2);
    EXPECT_EQ(place(others[1]), 3);

    msg::setNextAnswer(false);
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_EQ(rowsOf(victim), 7) << "No deletes nothing";

    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_EQ(rowsOf(victim), 0);
    EXPECT_EQ(rowsOf(namesake), 5) << "the namesake keeps his score, group, cipher, teacher and registration";
    EXPECT_EQ(w->CountDety->text(), "3");
    EXPECT_EQ(w->DBGrid1->value("ID_CHILD").toInt(), namesake) << "the next participant is selected";
    EXPECT_EQ(w->CountTeacher->text(), "1");
    EXPECT_EQ(place(namesake), 2);
    EXPECT_EQ(place(others[1]), 3);

    // The namesake was the only second place: after he goes, the last one moves up.
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_EQ(place(others[1]), 2);
}

TEST_F(Lists, AFailedDeleteKeepsEverythingAndAnEmptyListDeletesNothing) {
    TFormViewKlass* w = openByGrade();
    w->DBNavigator1->press(TDBNavigator::Next);
    {
        FailingWrite fail(db(), tr(), "SPISOK", "DELETE", QString("OLD.ID_CHILD = %1").arg(victim));
        QTest::mouseClick(w->Button1, Qt::LeftButton);
    }
    EXPECT_EQ(msg::shownTexts(), QStringList({"Вы уверены, что хотите удалить запись ?", "не получилось"}));
    EXPECT_EQ(rowsOf(victim), 7) << "scores, group, ciphers and teachers come back with him";
    EXPECT_EQ(place(others[1]), 3);

    // A new subject empties the lists and disables Delete until a grade is chosen.
    pick(w->ComboBox1, "Физика");
    EXPECT_FALSE(w->Button1->isEnabled());
    EXPECT_EQ(w->DBGrid1->rowCount(), 0);
    EXPECT_EQ(w->DBGrid2->rowCount(), 0);
    msg::clearShown();
    w->Button1Click();
    EXPECT_TRUE(msg::shown().isEmpty()) << "with no row selected Delete asks nothing";
}

// By team: the chosen team's participants of the chosen subject, in grids that cannot be edited.
TEST_F(Lists, ByTeamOnlyTheTeamsParticipantsShowAndTheGridsAreReadOnly) {
    o.enrol(db(), tr(), o.fizika, o.k9, {"Северов"});
    auto* w = new TFormViewSpisok(nullptr);
    underTest(w);
    w->show();
    pick(w->ComboBox1, "Юг");
    pick(w->ComboBox2, "Физика");
    EXPECT_EQ(w->CountDety->text(), "4");
    EXPECT_EQ(w->DBGrid1->value("SCHOOL"), "СОШ №1");
    EXPECT_FALSE(w->DBGrid1->model()->flags(w->DBGrid1->model()->index(0, 5)) & Qt::ItemIsEditable);
}

}  // namespace
