// Division into groups: the window, the dialog, the grid of counts, and the distribution as one
// action.

#include "fixtures/FailingWrite.h"
#include "fixtures/Olympiad.h"
#include "fixtures/WindowTest.h"
#include "participants/Groups.h"
#include "participants/UDataGr.h"
#include "participants/UGroup.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"

#include <QLineEdit>

namespace {

class Groups : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        o = Olympiad::seed(db(), tr());
        // Registered in this order; the surnames are not in alphabetical order.
        children = o.enrol(db(), tr(), o.fizika, o.k9,
                           {"Яковлев", "Борисов", "Щукин", "Абрамов", "Титов", "Волков", "Жуков", "Ершов", "Гусев",
                            "Дьяков"});
        o.enrol(db(), tr(), o.fizika, o.k10, {"Другой"});
        open();
    }
    void open() {
        w = showTested(new TFormGroup(nullptr));
        pick(w->ComboBox1, "Физика");
    }
    // Chooses the grade and answers each showing of the dialog with the next of `answers`.
    void chooseGrade(const QString& grade, QStringList answers) {
        QTimer answer;
        answer.setInterval(0);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            QWidget* d = QApplication::activeModalWidget();
            if (!d || d != FormDataGr.data() || answers.isEmpty()) return;
            FormDataGr->Edit1->setText(answers.takeFirst());
            pressEnter(FormDataGr->Edit1);
        });
        answer.start();
        pick(w->ComboBox2, grade);
        QApplication::setActiveWindow(w);  // as the window manager does when the question closes
        EXPECT_TRUE(answers.isEmpty()) << "the dialog was not asked as often as expected";
    }
    // Each child's group, in registration order ("-" for none).
    QString groupsOf() {
        QStringList l;
        for (int id : children) {
            const qint64 g = scalar(QString("SELECT COALESCE(MAX(N_GROUP), 0) FROM GRUP WHERE ID_CHILD = %1").arg(id));
            l << (g ? QString::number(g) : "-");
        }
        return l.join("");
    }
    Olympiad o;
    QList<int> children;
    TFormGroup* w = nullptr;
};

TEST_F(Groups, ParticipantsFillTheGroupsInRegistrationOrderByTheCountsTypedOrKeepTheirs) {
    EXPECT_EQ(w->ComboBox2->count(), 2);
    chooseGrade("9", {"3"});
    EXPECT_EQ(w->Edit1->text(), "10");
    EXPECT_EQ(w->Edit2->text(), "3");
    ASSERT_EQ(w->DBGrid1->rowCount(), 3);
    typeIntoCell(w->DBGrid1, 0, 1, "4");
    typeIntoCell(w->DBGrid1, 1, 1, "3");
    typeIntoCell(w->DBGrid1, 2, 1, "3", true);  // still in the editor when "Ввод" is pressed
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_TRUE(msg::shown().isEmpty()) << msg::shownTexts().join("; ").toStdString();
    EXPECT_FALSE(w->isVisible()) << "a distribution closes the window";
    EXPECT_EQ(groupsOf(), "1111222333");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM GRUP"), 10) << "the other grade is untouched";

    // Again with 4, 3, 2: the tenth gets no group, and the old groups are replaced.
    open();
    chooseGrade("9", {"3"});
    typeIntoCell(w->DBGrid1, 0, 1, "4");
    typeIntoCell(w->DBGrid1, 1, 1, "3");
    typeIntoCell(w->DBGrid1, 2, 1, "2");
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_EQ(groupsOf(), "111122233-");

    // Refused or failed distributions keep the previous groups.
    open();
    chooseGrade("9", {"2"});
    typeIntoCell(w->DBGrid1, 0, 1, "5");
    typeIntoCell(w->DBGrid1, 1, 1, "5");
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    ASSERT_EQ(groupsOf(), "1111122222");

    for (const QStringList& counts : {QStringList{"4", "3", "4"}, QStringList{"12", "-3", "0"}}) {
        open();
        chooseGrade("9", {"3"});
        for (int i = 0; i < 3; ++i) typeIntoCell(w->DBGrid1, i, 1, counts[i]);
        msg::clearShown();
        QTest::mouseClick(w->Button1, Qt::LeftButton);
        EXPECT_EQ(msg::shownTexts(), QStringList{"Не правильно введино количество участников!\n\rПовторите ввод!"});
        EXPECT_TRUE(w->isVisible()) << "the counts can be corrected";
        QCoreApplication::processEvents();
        EXPECT_EQ(w->DBGrid1->currentIndex().column(), 1) << "the cursor stands in the counts";
        EXPECT_EQ(groupsOf(), "1111122222");
    }

    // Counts that leave one out are asked about first; No keeps the groups as they were.
    for (int i = 0; i < 3; ++i) typeIntoCell(w->DBGrid1, i, 1, "3");
    msg::clearShown();
    msg::setNextAnswer(false);
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_EQ(msg::shownTexts(), QStringList{"Без группы останутся участников: 1 из 10.\nОни не попадут ни в один "
                                             "список группы. Распределить так?"});
    EXPECT_EQ(groupsOf(), "1111122222");
    EXPECT_TRUE(w->isVisible());

    // Counts that fit, but the fifth insert fails: nothing of the new distribution stays.
    typeIntoCell(w->DBGrid1, 2, 1, "4");
    msg::clearShown();
    {
        FailingWrite fail(db(), tr(), "GRUP", "INSERT", QString("NEW.ID_CHILD = %1").arg(children[4]));
        QTest::mouseClick(w->Button1, Qt::LeftButton);
    }
    EXPECT_EQ(msg::shownTexts(), QStringList{"не получилось"});
    EXPECT_EQ(groupsOf(), "1111122222");
    typeIntoCell(w->DBGrid1, 0, 1, "x");
    EXPECT_EQ(msg::shownTexts().last(), "\"x\" — не число");
    EXPECT_EQ(w->DBGrid1->value(0, "KOL"), "3") << "a refused count shows the stored one";
}

TEST_F(Groups, TheGroupCountIsAskedUntilItFitsOrTheQuestionIsLeft) {
    typeInto(w->ComboBox2, "10");  // typed key by key: no dialog for "1"
    expectModal([&] { QTest::keyClick(w->ComboBox2, Qt::Key_Return); },
                [&](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); });
    EXPECT_TRUE(w->Edit2->text().isEmpty());
    EXPECT_EQ(w->DBGrid1->rowCount(), 0) << "the question left: no grid";
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM GRUP"), 0) << "«Ввод» before a grade choice completed does nothing";

    chooseGrade("9", {"", "два", "-1", "11", "0"});
    EXPECT_EQ(msg::shownTexts(), QStringList({"Введите  значение!", "\"два\" — не число", "Введите  значение!",
                                              "Количество групп превышает число участников!\n\rВведите другое значение"}));
    EXPECT_EQ(w->Edit2->text(), "0");
    EXPECT_EQ(w->DBGrid1->rowCount(), 0);
    exec(QString("INSERT INTO GRUP (ID_CHILD, ID_PREDMET, KLASS, N_GROUP) VALUES (%1, %2, %3, 1)")
             .arg(children[0]).arg(o.fizika).arg(o.k9));
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM GRUP"), 0) << "no groups: the grade's groups are removed";
}

// Each connection has its own counts: two stations dividing at once never see each other's.
TEST_F(Groups, CountsArePrivateToEachConnectionAndInGroupOrder) {
    OtherStation other(db().databaseName);
    Database& station = other.db;
    Transaction& stationTr = other.tr;
    groups::prepareCounts(db(), tr(), 12);
    tr().commitRetaining();
    groups::prepareCounts(station, stationTr, 2);
    groups::setCount(station, stationTr, "Группа 2", 7);
    stationTr.commitRetaining();
    const QList<groups::Count> mine = groups::counts(db(), tr());
    ASSERT_EQ(mine.size(), 12);
    EXPECT_EQ(mine[8].name, "Группа 9");
    EXPECT_EQ(mine[9].name, "Группа 10");
    EXPECT_EQ(mine[1].kol, 0);
    EXPECT_EQ(groups::counts(station, stationTr).size(), 2);
}

}  // namespace
