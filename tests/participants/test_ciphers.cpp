// Cipher codes: entry down a list by group or for the whole grade, and corrections.

#include "DbError.h"
#include "fixtures/Olympiad.h"
#include "fixtures/WindowTest.h"
#include "participants/Groups.h"
#include "participants/UEditShifr.h"
#include "participants/UShifr.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"

#include <QLineEdit>
#include <QRadioButton>

namespace {

class Ciphers : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        o = Olympiad::seed(db(), tr());
        // Registered in this order: Борисов is first in surname order but not in group 2's.
        children = o.enrol(db(), tr(), o.fizika, o.k9, {"Яковлев", "Борисов", "Волков", "Абрамов"});
        // Group 1: Яковлев, Борисов; group 2: Волков, Абрамов... listed by surname: Абрамов, Волков.
        groups::distribute(db(), tr(), "Физика", o.fizika, o.k9, {{"", 2}, {"", 2}});
        tr().commitRetaining();
        w = new TFormShifr(nullptr);
        underTest(w);
        w->show();
        QApplication::setActiveWindow(w);
        pick(w->ComboBox1, "Физика");
        pick(w->ComboBox2, "9");
    }
    void enter(const QString& code) {
        w->Edit1->setText(code);
        pressEnter(w->Edit1);
    }
    QString cipher(int child, int round) {
        return text(QString("SELECT SHIFR FROM SHIFR WHERE ID_CHILD = %1 AND ID_TUR = %2").arg(child).arg(round));
    }
    Olympiad o;
    QList<int> children;
    TFormShifr* w = nullptr;
};

TEST_F(Ciphers, CodesAreEnteredDownTheListOfAGroup) {
    EXPECT_EQ(w->ComboBox3->count(), 3);
    EXPECT_EQ(w->ComboBox3->itemText(2), "Все");
    pick(w->ComboBox3, "2");
    ASSERT_EQ(w->DBGrid1->rowCount(), 2);
    EXPECT_EQ(w->DBGrid1->value("SURNAME"), "Абрамов");

    enter("A-1");
    EXPECT_EQ(msg::shownTexts(), QStringList{"Выберите тур"});
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SHIFR"), 0);

    msg::clearShown();
    pressEnter(w->RadioButton2);  // chooses the round, and stores nothing
    EXPECT_EQ(w->round(), 2);
    EXPECT_TRUE(msg::shown().isEmpty());
    enter("  A-1 ");
    EXPECT_EQ(cipher(children[3], 2), "A-1") << "the group's first by surname, without the blanks";
    EXPECT_EQ(w->DBGrid1->value("SURNAME"), "Волков") << "moved on to the next participant";
    EXPECT_TRUE(w->Edit1->text().isEmpty());

    enter("123456789012345");  // 15 characters: stored
    EXPECT_EQ(cipher(children[2], 2), "123456789012345");
    EXPECT_EQ(w->DBGrid1->currentRow(), 1) << "on the last participant the selection stays";
    EXPECT_EQ(w->Edit1->text(), "123456789012345") << "and shows the code just stored";

    enter("1234567890123456");  // 16 characters: refused
    EXPECT_EQ(msg::shownTexts(), QStringList{"Число символов не должно превышать 15!\n\rПовторите ввод!"});
    EXPECT_EQ(cipher(children[2], 2), "123456789012345");
    EXPECT_EQ(msg::shown()[0].kind, msg::Kind::Error);
}

TEST_F(Ciphers, ReentryReplacesSkipsWhenEmptyAndRefusesATakenCode) {
    pick(w->ComboBox3, "Все");
    ASSERT_EQ(w->DBGrid1->rowCount(), 4);
    QTest::mouseClick(w->RadioButton1, Qt::LeftButton);
    enter("К1");  // Абрамов
    enter("К2");  // Борисов
    QTest::mouseClick(w->RadioButton2, Qt::LeftButton);
    w->DBGrid1->setCurrentRow(0);
    enter("К1");  // the same code in another round is another work
    EXPECT_EQ(cipher(children[3], 2), "К1");

    QTest::mouseClick(w->RadioButton1, Qt::LeftButton);
    w->DBGrid1->setCurrentRow(0);
    w->DBGrid1CellClick();
    EXPECT_EQ(w->Edit1->text(), "К1") << "the stored code of the round is shown";
    enter("К9");  // replaces, one row
    EXPECT_EQ(scalar(QString("SELECT COUNT(*) FROM SHIFR WHERE ID_CHILD = %1").arg(children[3])), 2);
    EXPECT_EQ(cipher(children[3], 1), "К9");
    EXPECT_EQ(cipher(children[3], 2), "К1") << "the other round is untouched";

    enter("");  // Борисов: skipped, his code stays
    EXPECT_EQ(cipher(children[1], 1), "К2");
    EXPECT_EQ(w->DBGrid1->value("SURNAME"), "Волков");

    enter("k9");  // Абрамов's code of round 1, in Latin small letters: it reads the same on paper
    EXPECT_EQ(msg::shownTexts(), QStringList{"Такой шифр уже есть у другого участника!\n\rПовторите ввод!"});
    EXPECT_TRUE(cipher(children[2], 1).isEmpty());
    EXPECT_EQ(w->DBGrid1->value("SURNAME"), "Волков") << "the list waits for another code";

    // The database refuses it too, should another station get past the check.
    Query ins(db(), tr(), {"INSERT INTO SHIFR (ID_CHILD, ID_PREDMET, ID_TUR, KLASS, SHIFR) VALUES (:C, :P, 1, :K, 'К9')"});
    ins.setInt("C", children[2]);
    ins.setInt("P", o.fizika);
    ins.setInt("K", o.k9);
    EXPECT_THROW(ins.execute(), DbError);
    tr().rollbackRetaining();
}

TEST_F(Ciphers, NothingIsWrittenWithoutAParticipantAndAGradeWithoutGroupsOffersOnlyAll) {
    QTest::mouseClick(w->RadioButton1, Qt::LeftButton);
    enter("К1");
    EXPECT_EQ(msg::shownTexts(), QStringList{"Выберите участника"});
    o.enrol(db(), tr(), o.fizika, o.k10, {"Десятый"});
    pick(w->ComboBox1, "Физика");
    pick(w->ComboBox2, "10");
    EXPECT_EQ(w->ComboBox3->count(), 1);
    EXPECT_EQ(w->ComboBox3->itemText(0), "Все");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SHIFR"), 0);
}

// Corrections are stored at once, each as one action: another station sees them immediately.
TEST_F(Ciphers, CorrectionsAreStoredAtOnceAndTheEntryWindowClosesWithThem) {
    pick(w->ComboBox3, "Все");
    QTest::mouseClick(w->RadioButton1, Qt::LeftButton);
    enter("К1");
    enter("К2");
    Database station;
    station.databaseName = db().databaseName;
    station.connect();
    Transaction stationTr(station);
    stationTr.start();
    Query seen(station, stationTr, {"SELECT CAST(LIST(SHIFR || ':' || ID_TUR) AS VARCHAR(100)) AS L FROM SHIFR WHERE ID_CHILD = :C"});
    seen.setInt("C", children[3]);

    expectModal([&] { QTest::mouseClick(w->Button2, Qt::LeftButton); },
                [&](QWidget* m) {
                    auto* e = qobject_cast<TFormEditShifr*>(m);
                    ASSERT_NE(e, nullptr);
                    EXPECT_EQ(e->windowTitle(), "Редактирование шифра");
                    pick(e->ComboBox1, "Физика");
                    pick(e->ComboBox2, "9");
                    ASSERT_EQ(e->DBGrid1->value("SURNAME"), "Абрамов");
                    ASSERT_EQ(e->DBGrid2->rowCount(), 1);
                    typeIntoCell(e->DBGrid2, 0, 0, "Н7");
                    seen.open();
                    EXPECT_EQ(seen.fieldText("L"), "Н7:1");
                    typeIntoCell(e->DBGrid2, 0, 1, "3");
                    typeIntoCell(e->DBGrid2, 0, 0, "К2");  // Борисов's code of round 1 is free in round 3
                    seen.open();
                    EXPECT_EQ(seen.fieldText("L"), "К2:3");

                    for (const char* round : {"5", "два"}) typeIntoCell(e->DBGrid2, 0, 1, round);
                    EXPECT_EQ(msg::shownTexts(), QStringList({"Номер тура должен быть от 1 до 4!\n\rПовторите ввод!",
                                                              "Номер тура должен быть от 1 до 4!\n\rПовторите ввод!"}));
                    EXPECT_EQ(e->DBGrid2->value(0, "ID_TUR"), "3") << "the stored round is shown again";

                    e->DBNavigator2->press(TDBNavigator::Delete);
                    seen.open();
                    EXPECT_TRUE(seen.fieldIsNull("L"));
                    EXPECT_EQ(e->DBGrid2->rowCount(), 0);
                });
    EXPECT_FALSE(w->isVisible()) << "the entry window closes with the editing window";
}

}  // namespace
