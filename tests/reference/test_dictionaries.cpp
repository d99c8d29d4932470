// The dictionary dialogs and deletes of the registration window.

#include "fixtures/Olympiad.h"
#include "fixtures/WindowTest.h"
#include "participants/UEnterSpisok.h"
#include "reference/UAddKlass.h"
#include "reference/UAddKomand.h"
#include "reference/UAddPredmet.h"
#include "reference/UAddSchool.h"
#include "reference/Rounds.h"
#include "ui/Combo.h"

#include <QLineEdit>

namespace {

class Dictionaries : public EnterSpisokTest {
protected:
    // Opens a dialog with `open`, types `name`, presses its OK button; returns whether it closed.
    bool addThrough(const std::function<void()>& open, const QString& name, const char* okButton = "Button1") {
        bool closed = false;
        expectModal(open, [&](QWidget* d) {
            find<QLineEdit>(d, "Edit1")->setText(name);
            click(d, okButton);
            closed = !d->isVisible();
            if (!closed) click(d, "Button2");
        });
        return closed;
    }
};

TEST_F(Dictionaries, AddingRefillsTheChooserAndRefusesBlankAndDuplicateNames) {
    pick(w->ComboBox1, "Север");
    EXPECT_TRUE(addThrough([&] { w->Button4Click(); }, "Восток"));
    EXPECT_EQ(items(w->ComboBox1), QStringList({"Север", "Юг", "Восток"}));
    EXPECT_TRUE(w->ComboBox1->currentText().isEmpty()) << "no team is chosen after an add";

    EXPECT_FALSE(addThrough([&] { w->Button4Click(); }, "   "));
    EXPECT_FALSE(addThrough([&] { w->Button4Click(); }, "Юг"));
    EXPECT_EQ(msg::shownTexts(), QStringList({"ошибка", "ошибка"}));
    EXPECT_EQ(msg::shown()[1].detail, "Такая команда уже есть.");
    EXPECT_TRUE(msg::shown()[1].technical.contains("UQ_S_KOMAND"));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_KOMAND"), 3);

    EXPECT_TRUE(addThrough([&] { w->Button6Click(); }, "  Биология "));
    EXPECT_EQ(text("SELECT PREDMET FROM S_PREDMET WHERE ID_PREDMET = (SELECT MAX(ID_PREDMET) FROM S_PREDMET)"),
              "Биология");
    EXPECT_EQ(w->ComboBox2->count(), 3);

    EXPECT_TRUE(addThrough([&] { w->Button10Click(); }, "11"));
    EXPECT_EQ(items(w->ComboBox4), QStringList({"9", "10", "11"})) << "grades in key order";
}

TEST_F(Dictionaries, SchoolsAreAddedToAndRenamedInTheChosenTeam) {
    pick(w->ComboBox1, "Юг");
    EXPECT_TRUE(addThrough([&] { w->Button8Click(); }, "Гимназия №5"));
    EXPECT_EQ(scalar("SELECT ID_KOMAND FROM S_SCHOOL WHERE SCHOOL = 'Гимназия №5'"), o.yug);
    EXPECT_EQ(items(w->ComboBox3), QStringList({"Гимназия №5", "СОШ №1"})) << "by name, not by key";
    // The same name may exist once per team.
    EXPECT_FALSE(addThrough([&] { w->Button8Click(); }, "СОШ №1"));
    EXPECT_EQ(msg::shownTexts(), QStringList{"ошибка"});
    EXPECT_EQ(msg::shown()[0].detail, "У этой команды уже есть учреждение с таким названием.");


    // Renaming finds the school by team and name: the other team's school of the same name stays.
    msg::clearShown();
    pick(w->ComboBox3, "СОШ №1");
    EXPECT_TRUE(addThrough([&] { w->BitBtn1Click(); }, "СОШ №7", "Button3"));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_SCHOOL WHERE SCHOOL = 'СОШ №7' AND ID_KOMAND = " + QString::number(o.yug)), 1);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_SCHOOL WHERE SCHOOL = 'СОШ №1' AND ID_KOMAND = " + QString::number(o.sever)), 1);
    EXPECT_EQ(items(w->ComboBox3), QStringList({"Гимназия №5", "СОШ №7"}));
    // No school chosen: refused, nothing changes.
    EXPECT_TRUE(addThrough([&] { w->BitBtn1Click(); }, "Что-то", "Button3"));
    EXPECT_EQ(msg::shownTexts(), QStringList{"Выберите учреждение"});

    msg::clearShown();
    combo::setText(w->ComboBox1, "");
    EXPECT_TRUE(addThrough([&] { w->Button8Click(); }, "Без команды"));
    EXPECT_EQ(msg::shownTexts(), QStringList{"Выберите команду"});
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_SCHOOL WHERE SCHOOL = 'Без команды'"), 0);
}

// Deleting a school touches only the chosen team's; a team or subject still in use is refused.
TEST_F(Dictionaries, DeletingTouchesOnlyTheChosenAndRefusesWhatIsInUse) {
    pick(w->ComboBox1, "Север");
    pick(w->ComboBox3, "СОШ №1");
    msg::setNextAnswer(false);
    w->Button9Click();
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_SCHOOL"), 3) << "No keeps it";
    EXPECT_EQ(msg::shownTexts(), QStringList{"Вы уверены, что хотите удалить запись ?"});
    w->Button9Click();
    EXPECT_EQ(scalar("SELECT ID_KOMAND FROM S_SCHOOL WHERE SCHOOL = 'СОШ №1'"), o.yug) << "one left, Юг's";
    EXPECT_EQ(items(w->ComboBox3), QStringList{"Лицей №2"});

    msg::clearShown();
    w->Button5Click();  // the team still has a school
    EXPECT_EQ(msg::shownTexts(), QStringList({"Вы уверены, что хотите удалить запись ?", "не получилось"}));
    EXPECT_EQ(msg::shown()[1].detail, "Команду нельзя удалить: у неё есть учреждения образования.");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_KOMAND"), 2);
    EXPECT_EQ(w->ComboBox1->count(), 2);

    // A subject with rounds but no participants goes, and its rounds with it.
    rounds::save(db(), tr(), o.khimiya, {{{"Теория", "3"}, {}, {}, {}}});
    tr().commitRetaining();
    expectModal([&] { pick(w->ComboBox2, "Химия"); }, [](QWidget*) {});  // its rounds show, and are closed
    w->Button7Click();
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_PREDMET"), 1);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM TUR"), 0);
    EXPECT_EQ(w->ComboBox2->count(), 1);

    // A team with no schools and no participants goes.
    msg::clearShown();
    EXPECT_TRUE(addThrough([&] { w->Button4Click(); }, "Восток"));
    pick(w->ComboBox1, "Восток");
    w->Button5Click();
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_KOMAND"), 2);

    // A text that names nothing is not "deleted".
    msg::clearShown();
    combo::setText(w->ComboBox1, "Нет такой");
    w->Button5Click();
    EXPECT_EQ(msg::shownTexts(), QStringList{"Выберите команду"});
}

}  // namespace
