// The mechanisms every window uses: the general error box, the guarded write, combo filling and
// the data grid with its navigator.

#include "DbError.h"
#include "Convert.h"
#include "fixtures/WindowTest.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"
#include "ui/GuardedWrite.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>

namespace {

class Mechanisms : public WindowTest {
protected:
    void addTeams(std::initializer_list<const char*> names) {
        for (const char* n : names) {
            Query q(db(), tr(), {"INSERT INTO S_KOMAND (KOMAND) VALUES (:K)"});
            q.setText("K", n);
            q.execute();
        }
        tr().commitRetaining();
    }
};

TEST_F(Mechanisms, AnExceptionFromAHandlerIsShownAndTheProgramGoesOn) {
    QWidget w;
    auto* edit = new QLineEdit(&w);
    auto* button = new QPushButton("Ввод", &w);
    int done = 0;
    QObject::connect(button, &QPushButton::clicked, [&] {
        parseWholeNumber(edit->text());
        ++done;
    });
    w.show();
    edit->setText("12а");
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(msg::shown().size(), 1);
    EXPECT_EQ(msg::shown()[0].kind, msg::Kind::GeneralError);
    EXPECT_EQ(msg::shown()[0].text, "\"12а\" — не число");
    EXPECT_EQ(done, 0);
    edit->setText("12");
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(done, 1);

    QObject::disconnect(button, nullptr, nullptr, nullptr);
    QObject::connect(button, &QPushButton::clicked, [&] {
        Query q(db(), tr(), {"SELECT NO_SUCH FROM S_KOMAND"});
        q.open();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(msg::shown().size(), 2);
    EXPECT_TRUE(msg::shown()[1].text.contains("NO_SUCH"));
}

TEST_F(Mechanisms, GuardedWriteCommitsTheWholeActionOrUndoesItAll) {
    Query ins(db(), tr(), {"INSERT INTO S_KOMAND (KOMAND) VALUES (:K)"});
    const bool ok = guardedWrite(tr(), kNotDone, [&] {
        for (const char* k : {"А", "Б"}) {
            ins.setText("K", k);
            ins.execute();
        }
    });
    EXPECT_TRUE(ok);
    tr().rollbackRetaining();  // nothing left to undo: the action was committed
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_KOMAND"), 2);

    const bool failed = guardedWrite(tr(), kNotDone, [&] {
        for (const char* k : {"В", "Г", "А"}) {  // the third is a duplicate
            ins.setText("K", k);
            ins.execute();
        }
    });
    EXPECT_FALSE(failed);
    EXPECT_EQ(msg::shownTexts(), QStringList{"не получилось"});
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_KOMAND"), 2) << "the first two writes of the failed action stay undone";

    EXPECT_THROW(guardedWrite(tr(), kNotDone,
                              [&] {
                                  ins.setText("K", "Д");
                                  ins.execute();
                                  parseWholeNumber("x");
                              }),
                 ConversionError);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_KOMAND"), 2) << "a conversion error also undoes the action";
}

TEST_F(Mechanisms, FillingAComboRunsNoChangeHandler) {
    addTeams({"Север", "Юг"});
    QComboBox box;
    box.setEditable(true);
    int changes = 0;
    QObject::connect(&box, &QComboBox::currentTextChanged, [&] { ++changes; });
    QObject::connect(&box, &QComboBox::editTextChanged, [&] { ++changes; });
    Query q(db(), tr(), {"SELECT * FROM S_KOMAND ORDER BY ID_KOMAND"});
    combo::setText(&box, "что-то");
    combo::fillFrom(&box, q, "KOMAND");
    EXPECT_EQ(box.count(), 2);
    EXPECT_EQ(box.itemText(1), "Юг");
    EXPECT_TRUE(box.currentText().isEmpty());
    combo::setText(&box, "Юг");
    combo::clear(&box);
    EXPECT_EQ(box.count(), 0);
    EXPECT_EQ(changes, 0);
    box.show();
    QTest::keyClicks(&box, "S");
    EXPECT_GT(changes, 0) << "typing does run it";
}

TEST_F(Mechanisms, GridReportsTheSelectedRowForClicksKeysAndTheNavigator) {
    addTeams({"Север", "Юг", "Запад"});
    Query q(db(), tr(), {"SELECT * FROM S_KOMAND ORDER BY ID_KOMAND"});
    q.open();
    QWidget w;
    auto* grid = new TDBGrid(&w);
    auto* nav = new TDBNavigator(grid, true, &w);
    grid->setColumns({{"ID_KOMAND", "Код", false}, {"KOMAND", "Команда"}});
    grid->load(q);
    w.resize(400, 300);
    w.show();
    ASSERT_EQ(grid->rowCount(), 3);
    EXPECT_TRUE(grid->isColumnHidden(0));
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), "Команда");
    EXPECT_EQ(grid->value("KOMAND"), "Север");
    EXPECT_EQ(grid->value("ID_KOMAND").toLongLong(), scalar("SELECT MIN(ID_KOMAND) FROM S_KOMAND"));

    QSignalSpy spy(grid, &TDBGrid::selectedRowChanged);
    const QRect cell = grid->visualRect(grid->model()->index(2, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_GE(spy.size(), 1);
    EXPECT_EQ(spy.last().at(0).toInt(), 2);
    EXPECT_EQ(grid->value("KOMAND"), "Запад");

    spy.clear();
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(spy.size(), 2) << "key press and key release";
    EXPECT_EQ(spy.last().at(0).toInt(), 1);

    spy.clear();
    nav->press(TDBNavigator::First);
    EXPECT_EQ(spy.last().at(0).toInt(), 0);
    nav->press(TDBNavigator::Prior);
    EXPECT_EQ(spy.last().at(0).toInt(), 0) << "no row before the first";
    QTest::mouseClick(nav->button(TDBNavigator::Last), Qt::LeftButton);
    EXPECT_EQ(spy.last().at(0).toInt(), 2);
    nav->press(TDBNavigator::Next);
    EXPECT_EQ(spy.last().at(0).toInt(), 2) << "no row after the last";
    EXPECT_EQ(spy.size(), 4);

    QSignalSpy del(nav, &TDBNavigator::deleteRequested);
    nav->press(TDBNavigator::Delete);
    ASSERT_EQ(del.size(), 1);
    EXPECT_EQ(del.at(0).at(0).toInt(), 2);

    TDBNavigator noDelete(grid, false);
    EXPECT_EQ(noDelete.button(TDBNavigator::Delete), nullptr);
}

}  // namespace
