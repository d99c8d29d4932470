// The mechanisms every window uses: the general error box, the guarded write, combo filling and
// the data grid with its navigator.

#include "DbError.h"
#include "Convert.h"
#include "fixtures/WindowTest.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/ShowReport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QLineEdit>
#include <QSignalSpy>

namespace {

class Mechanisms : public WindowTest {
protected:
    void addTeams(std::initializer_list<const char*> names) {
        for (const char* n : names) exec(QString("INSERT INTO S_KOMAND (KOMAND) VALUES ('%1')").arg(n));
    }
};

// A report is opened only where the desktop names a program for workbooks: a desktop that names
// none (or cannot say) would take the file and show nothing.
TEST_F(Mechanisms, AReportOpensOnlyWhereTheDesktopHasASpreadsheetProgram) {
    QTemporaryDir bin;
    const QByteArray path = qgetenv("PATH");
    const auto desktopSays = [&](const char* script) {
        QFile f(bin.filePath("xdg-mime"));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(QByteArray("#!/bin/sh\n") + script + "\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", bin.path().toUtf8() + ":" + path);
        const bool known = ui::programKnown("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet");
        qputenv("PATH", path);
        return known;
    };
    EXPECT_TRUE(desktopSays("echo libreoffice-calc.desktop"));
    EXPECT_FALSE(desktopSays("echo"));
    EXPECT_FALSE(desktopSays("echo calc.desktop; exit 4"));
}

TEST_F(Mechanisms, AnExceptionFromAHandlerIsShownAndTheProgramGoesOn) {
    QWidget w;
    auto* edit = new QLineEdit(&w);
    auto* button = new QPushButton("Ввод", &w);
    int done = 0;
    ui::connect(button, &QPushButton::clicked, &w, [&] {
        Score::parse(edit->text());
        ++done;
    });
    w.show();
    edit->setText("12а");
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(msg::shown().size(), 1);
    EXPECT_EQ(msg::shown()[0].kind, msg::Kind::GeneralError);
    EXPECT_TRUE(msg::shown()[0].text.startsWith("\"12а\" — не число"));
    EXPECT_EQ(done, 0);
    edit->setText("12");
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(done, 1);

    // A database refusal that escapes a handler: the client's text with its meaning under it.
    addTeams({"Север"});
    QObject::disconnect(button, nullptr, nullptr, nullptr);
    ui::connect(button, &QPushButton::clicked, &w, [&] { addTeams({"Север"}); });
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(msg::shown().size(), 2);
    EXPECT_TRUE(msg::shown()[1].text.contains("UQ_S_KOMAND"));
    EXPECT_EQ(msg::shown()[1].detail, "Такая команда уже есть.");
    tr().rollbackRetaining();
    msg::clearShown();
}

TEST_F(Mechanisms, GuardedWriteCommitsTheWholeActionOrUndoesItAll) {
    Query ins(db(), tr(), {"INSERT INTO S_KOMAND (KOMAND) VALUES (:K)"});
    const auto insert = [&](const QStringList& teams) {
        for (const QString& k : teams) {
            ins.setText("K", k);
            ins.execute();
        }
    };
    EXPECT_TRUE(guardedWrite(tr(), kNotDone, [&] { insert({"А", "Б"}); }));
    tr().rollbackRetaining();  // nothing left to undo: the action was committed
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_KOMAND"), 2);

    EXPECT_FALSE(guardedWrite(tr(), kNotDone, [&] { insert({"В", "Г", "А"}); }));  // the third is a duplicate
    EXPECT_EQ(msg::shownTexts(), QStringList{"не получилось"});
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_KOMAND"), 2) << "the first two writes of the failed action stay undone";

    EXPECT_THROW(guardedWrite(tr(), kNotDone,
                              [&] {
                                  insert({"Д"});
                                  Score::parse("x");
                              }),
                 ConversionError);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_KOMAND"), 2) << "a conversion error also undoes the action";
}

TEST_F(Mechanisms, ALostConnectionIsReportedAsSuchAndNothingEscapes) {
    OtherStation station(db().databaseName);
    Query id(station.db, station.tr, {"SELECT CURRENT_CONNECTION AS ID FROM RDB$DATABASE"});
    id.open();
    exec(QString("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = %1").arg(id.fieldInt("ID")));

    EXPECT_FALSE(guardedWrite(station.tr, kNotDone, [&] { Query(station.db, station.tr, {"INSERT INTO S_KOMAND (KOMAND) VALUES ('Север')"}).execute(); }));
    ASSERT_EQ(msg::shown().size(), 1);
    EXPECT_EQ(msg::shown()[0].detail, "Нет связи с базой данных. Закройте программу и запустите её снова.");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_KOMAND"), 0);
}

// A chooser acts only on a chosen value: picked from its list, or typed and confirmed with Enter or
// by leaving it. Code that fills, clears or sets it, typing and browsing never choose.
TEST_F(Mechanisms, AChooserReportsOnlyChosenValues) {
    addTeams({"Север", "Юг", "Запад"});
    QWidget w;
    auto* box = new TComboBox(&w);
    auto* other = new QLineEdit(&w);
    QStringList chosen;
    QObject::connect(box, &TComboBox::chosen, [&](const QString& t) { chosen << t; });
    Query q(db(), tr(), {"SELECT * FROM S_KOMAND ORDER BY ID_KOMAND"});
    combo::setText(box, "что-то");
    combo::fillFrom(box, q, "KOMAND");
    EXPECT_EQ(box->count(), 3);
    EXPECT_TRUE(box->currentText().isEmpty());
    combo::setText(box, "Юг");
    combo::clearChoice(box);
    w.show();
    QApplication::setActiveWindow(&w);

    typeInto(box, "за");
    QTest::keyClick(box, Qt::Key_Down);
    QWheelEvent wheel(QPointF(5, 5), box->mapToGlobal(QPointF(5, 5)), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(box, &wheel);
    EXPECT_TRUE(chosen.isEmpty()) << "filling, typing, arrows and the wheel choose nothing";

    combo::setText(box, "юг");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(chosen, QStringList{"Юг"}) << "Enter chooses the item the text names";
    other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(chosen.size(), 1) << "leaving an unchanged box chooses nothing again";

    box->setFocus(Qt::TabFocusReason);
    QTest::keyClick(box, Qt::Key_Up);
    other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(chosen, QStringList({"Юг", "Север"})) << "leaving after browsing chooses";

    pick(box, "Запад");
    pick(box, "Запад");
    EXPECT_EQ(chosen, QStringList({"Юг", "Север", "Запад", "Запад"})) << "every pick from the list chooses";

    other->setFocus();
    QApplication::sendEvent(box, &wheel);
    EXPECT_EQ(box->currentText(), "Запад") << "the wheel over a box without the focus changes nothing";
}

TEST_F(Mechanisms, GridReportsTheSelectedRowForClicksMovesAndTheNavigator) {
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
    EXPECT_EQ(grid->value("KOMAND"), "Север");

    QSignalSpy spy(grid, &TDBGrid::selectedRowChanged);
    const QRect cell = grid->visualRect(grid->model()->index(2, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_GE(spy.size(), 1);
    EXPECT_EQ(spy.last().at(0).toInt(), 2);

    spy.clear();
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(spy.size(), 1) << "a key that moves reports once; its release, not moving, reports nothing";
    EXPECT_EQ(spy.last().at(0).toInt(), 1);

    spy.clear();
    nav->press(TDBNavigator::Prior);
    nav->press(TDBNavigator::Prior);
    EXPECT_EQ(spy.last().at(0).toInt(), 0) << "no row before the first";
    QTest::mouseClick(nav->button(TDBNavigator::Last), Qt::LeftButton);
    EXPECT_EQ(spy.last().at(0).toInt(), 2);

    // Delete asks first; No deletes nothing.
    QSignalSpy del(nav, &TDBNavigator::deleteRequested);
    msg::setNextAnswer(false);
    nav->press(TDBNavigator::Delete);
    nav->press(TDBNavigator::Delete);
    EXPECT_EQ(msg::shownTexts(), QStringList({"Вы уверены, что хотите удалить запись ?", "Вы уверены, что хотите удалить запись ?"}));
    ASSERT_EQ(del.size(), 1);
    EXPECT_EQ(del.at(0).at(0).toInt(), 2);
}

// Editable columns hand each edit to the window's store and show the value as stored; a refusal's
// box, a real one, is shown only after the editor has closed. (Refused edits and an edit still in
// its editor are read in the groups window's tests.)
TEST_F(Mechanisms, AnEditableGridStoresEachEditAndSaysARefusalAfterTheEditorCloses) {
    addTeams({"Север", "Юг"});
    Query q(db(), tr(), {"SELECT * FROM S_KOMAND ORDER BY ID_KOMAND"});
    q.open();
    QWidget w;
    auto* grid = new TDBGrid(&w);
    grid->setColumns({{"ID_KOMAND", "Код", false}, {"KOMAND", "Команда", true, true}});
    QStringList stores;
    grid->setStore([&](int row, const QString& field, const QString& text, QString& stored) {
        stores << QString("%1:%2:%3").arg(row).arg(field, text);
        stored = text.trimmed();
        return true;
    });
    grid->load(q);
    w.show();
    typeIntoCell(grid, 1, 1, " Восток ");
    EXPECT_EQ(stores, QStringList{"1:KOMAND: Восток "});
    EXPECT_EQ(grid->value(1, "KOMAND"), "Восток");

    grid->setStore([&](int, const QString&, const QString&, QString&) {
        msg::error("нельзя");
        return false;
    });
    msg::setTestMode(false);
    expectModal(
        [&] {
            typeIntoCell(grid, 1, 1, "Запад");
            QTest::qWait(20);  // the box comes once the program is back in its event loop
        },
        [&](QWidget* box) {
            EXPECT_EQ(box->windowTitle(), "Таврин");
            EXPECT_FALSE(grid->editing()) << "the editor is closed";
        });
    msg::setTestMode(true);
    EXPECT_EQ(grid->value(1, "KOMAND"), "Восток");
    msg::clearShown();
}

}  // namespace
