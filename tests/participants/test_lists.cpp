// The participant lists: what they show, and deleting a participant as one action.

#include "diplomas/Numbers.h"
#include "fixtures/FailingWrite.h"
#include "fixtures/Olympiad.h"
#include "fixtures/WindowTest.h"
#include "participants/Ciphers.h"
#include "participants/Groups.h"
#include "participants/Lists.h"
#include "participants/Registration.h"
#include "participants/UAddTeacher.h"
#include "participants/UPerevod.h"
#include "participants/UViewKlass.h"
#include "participants/UViewSpisok.h"
#include "reference/Rounds.h"
#include "scoring/Awards.h"
#include "scoring/ScoreLog.h"
#include "scoring/Scores.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

class Lists : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        o = Olympiad::seed(db(), tr());
        rounds::save(db(), tr(), o.fizika, {{{"Теория", "6"}, {"Практика", "6"}, {}, {}}});
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
        score(others[0], "10");
        score(victim, "9");
        score(namesake, "9");
        score(others[1], "8");
        groups::distribute(db(), tr(), "Физика", o.fizika, o.k9, {{"", 4}});
        for (int round : {1, 2}) ciphers::store(db(), tr(), victim, o.fizika, o.k9, round, QString("И%1").arg(round));
        ciphers::store(db(), tr(), namesake, o.fizika, o.k9, 1, "Н1");
        tr().commitRetaining();
    }
    // Stores the first task's score, the child's total.
    void score(int child, const char* total, int klass = 0) {
        scores::Slots s{};
        scores::Shown shown{};
        s[0] = Score::parse(total);
        shown[0] = true;
        scores::save(db(), tr(), child, o.fizika, klass ? klass : o.k9, s, shown);
    }
    TFormViewKlass* openByGrade() {
        auto* w = showTested(new TFormViewKlass(nullptr));
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
    static int column(TDBGrid* grid, const char* field) { return grid->column(field); }
    qint64 place(int child) { return scalar(QString("SELECT MESTO FROM BAL WHERE ID_CHILD = %1").arg(child)); }
    Olympiad o;
    int victim = 0, namesake = 0;
    QList<int> others;
};

// Deleting a participant is one action: a failed delete keeps everything, a done one removes all
// his rows (not his namesake's) and keeps places dense; an empty list deletes nothing.
TEST_F(Lists, DeletingAParticipantRemovesAllHisRowsOrNone) {
    TFormViewKlass* w = openByGrade();
    EXPECT_EQ(w->CountDety->text(), "4");
    EXPECT_EQ(w->DBGrid1->value("SURNAME"), "Антонов");
    w->DBNavigator1->press(TDBNavigator::Next);
    ASSERT_EQ(w->DBGrid1->value("ID_CHILD").toInt(), victim);
    EXPECT_EQ(w->DBGrid1->value("KLASS_NAME"), "9");
    EXPECT_EQ(w->CountTeacher->text(), "2");
    EXPECT_EQ(w->DBGrid2->value(0, "SURNAME"), "Смирнова") << "teachers in the order they were registered";
    {
        FailingWrite fail(db(), tr(), "SPISOK", "DELETE", QString("OLD.ID_CHILD = %1").arg(victim));
        QTest::mouseClick(w->Button1, Qt::LeftButton);
    }
    EXPECT_EQ(msg::shownTexts(),
              QStringList({"Вы уверены, что хотите удалить запись ?\nИванов Иван Иванович", "не получилось"}))
        << "the question names whom it deletes";
    EXPECT_EQ(rowsOf(victim), 7) << "scores, group, ciphers and teachers come back with him";

    msg::setNextAnswer(false);
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_EQ(rowsOf(victim), 7) << "No deletes nothing";

    // A diploma number printed for him stays in the register: he is not deleted, and told why.
    diplomanumbers::numberFor(db(), tr(), victim, 1, "Д", QDate(2026, 12, 7), false);
    tr().commitRetaining();
    msg::clearShown();
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_EQ(rowsOf(victim), 7);
    EXPECT_TRUE(msg::shown().size() == 2 && msg::shown()[1].detail.contains("номер остаётся в реестре дипломов"))
        << msg::shownTexts().join('|').toStdString();
    exec("DELETE FROM DIPLOM");

    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_EQ(rowsOf(victim), 0);
    EXPECT_EQ(rowsOf(namesake), 5) << "the namesake keeps his score, group, cipher, teacher and registration";
    EXPECT_EQ(w->CountDety->text(), "3");
    EXPECT_EQ(w->DBGrid1->value("ID_CHILD").toInt(), namesake) << "the next participant is selected";
    EXPECT_EQ(w->CountTeacher->text(), "1");

    // The namesake was the only second place: after he goes, the last one moves up (the check after
    // every test finds places dense).
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_EQ(place(others[1]), 2);

    // A new subject empties the lists and disables Delete until a grade is chosen.
    pick(w->ComboBox1, "Физика");
    EXPECT_FALSE(w->Button1->isEnabled());
    EXPECT_EQ(w->DBGrid1->rowCount() + w->DBGrid2->rowCount(), 0);
    msg::clearShown();
    w->Button1Click();
    EXPECT_TRUE(msg::shown().isEmpty()) << "with no row selected Delete asks nothing";

    // The list follows what the choosers show, the arrows included: the count never describes
    // another list.
    w->ComboBox2->setFocus();
    QTest::keyClick(w->ComboBox2, Qt::Key_Down);
    EXPECT_EQ(w->ComboBox2->currentText() + ":" + w->CountDety->text(), "9:2");
    EXPECT_EQ(w->DBGrid1->rowCount(), 2);
    EXPECT_TRUE(w->Button1->isEnabled());
    // A grade typed and left with Shift+Tab: the list follows, the focus goes where it was sent.
    typeInto(w->ComboBox2, "9");
    QTest::keyClick(w->ComboBox2, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), w->ComboBox1);
    EXPECT_EQ(w->CountDety->text(), "2");
    typeInto(w->ComboBox1, "Физ");
    EXPECT_EQ(w->ComboBox2->currentText() + ":" + w->CountDety->text() + ":" + QString::number(w->DBGrid1->rowCount()), ":0:0");
    EXPECT_TRUE(msg::shown().isEmpty());
}

// By team: the chosen team's participants of the chosen subject; a misspelt surname is corrected
// in place and stored at once; what registration would refuse is refused, the old value kept.
TEST_F(Lists, ANameIsCorrectedInPlaceAndABadOneRefused) {
    o.enrol(db(), tr(), o.fizika, o.k9, {"Северов"});
    auto* w = showTested(new TFormViewSpisok(nullptr));
    pick(w->ComboBox1, "Юг");
    pick(w->ComboBox2, "Физика");
    EXPECT_EQ(w->CountDety->text(), "4");
    EXPECT_EQ(w->DBGrid1->value("SCHOOL"), "СОШ №1");
    const int surname = column(w->DBGrid1, "SURNAME"), name = column(w->DBGrid1, "NAME");
    w->DBGrid1->setCurrentRow(3);
    const int yashin = w->DBGrid1->value("ID_CHILD").toInt();
    ASSERT_EQ(yashin, others[1]);
    typeIntoCell(w->DBGrid1, 3, surname, "Яшина");
    EXPECT_TRUE(msg::shown().isEmpty()) << msg::shownTexts().join("; ").toStdString();
    tr().rollbackRetaining();
    EXPECT_EQ(text(QString("SELECT SURNAME FROM SPISOK WHERE ID_CHILD = %1").arg(yashin)), "Яшина") << "committed";

    const struct {
        int column;
        QString typed, said;
    } refused[] = {{surname, "12345", "Фамилия: нет ни одной буквы"},
                   {surname, "   ", "Введите фамилию"},
                   {name, "  ", "Введите имя"},
                   {surname, "Ångström", "Фамилия: Символ «Å»"}};
    for (const auto& r : refused) {
        msg::clearShown();
        typeIntoCell(w->DBGrid1, 3, r.column, r.typed);
        QApplication::processEvents();  // a refusal is said once the cell's editor is closed
        ASSERT_EQ(msg::shownTexts().size(), 1) << r.typed.toStdString();
        EXPECT_TRUE(msg::shownTexts()[0].startsWith(r.said)) << msg::shownTexts()[0].toStdString();
        EXPECT_EQ(w->DBGrid1->value(3, r.column == surname ? "SURNAME" : "NAME"), r.column == surname ? "Яшина" : "");
    }
    EXPECT_EQ(text(QString("SELECT SURNAME || '/' || NAME FROM SPISOK WHERE ID_CHILD = %1").arg(yashin)), "Яшина/");

    // A refused edit, and a stored one, keep the cursor on its cell, so that the next F2 edits the
    // same child. The arrows step over a column that cannot be changed.
    const QString first = w->DBGrid1->value(0, "SURNAME");
    typeIntoCell(w->DBGrid1, 0, surname, "12345");
    QApplication::processEvents();
    EXPECT_EQ(w->DBGrid1->currentIndex(), w->DBGrid1->model()->index(0, surname));
    typeIntoCell(w->DBGrid1, 0, surname, first + "а");
    QApplication::processEvents();
    EXPECT_EQ(w->DBGrid1->currentIndex(), w->DBGrid1->model()->index(0, surname));
    const auto editable = [&](int c) { return (w->DBGrid1->model()->flags(w->DBGrid1->model()->index(0, c)) & Qt::ItemIsEditable) && !w->DBGrid1->isColumnHidden(c); };
    int fixed = -1;
    for (int c = 1; c + 1 < w->DBGrid1->model()->columnCount() && fixed < 0; ++c)
        if (!editable(c) && !w->DBGrid1->isColumnHidden(c) && editable(c - 1)) fixed = c;
    ASSERT_GT(fixed, 0) << "the list has a column that cannot be changed";
    int after = fixed + 1;
    while (after < w->DBGrid1->model()->columnCount() && !editable(after)) ++after;
    w->DBGrid1->setCurrentIndex(w->DBGrid1->model()->index(1, fixed - 1));
    QTest::keyClick(w->DBGrid1, Qt::Key_Right);
    QApplication::processEvents();
    EXPECT_EQ(w->DBGrid1->currentIndex().column(), after < w->DBGrid1->model()->columnCount() ? after : fixed - 1);

    // Deleted on another station meanwhile: said, nothing written anywhere.
    tr().rollbackRetaining();
    participants::remove(db(), tr(), yashin);
    tr().commitRetaining();
    msg::clearShown();
    typeIntoCell(w->DBGrid1, 3, surname, "Яшкина");
    QApplication::processEvents();
    ASSERT_EQ(msg::shown().size(), 1);
    EXPECT_EQ(msg::shown()[0].detail, "Участник удалён на другом рабочем месте.");
    EXPECT_EQ(w->DBGrid1->value(3, "SURNAME"), "Яшина");

    // The school is chosen from the team's schools: Юг has one.
    const int school = column(w->DBGrid1, "SCHOOL");
    w->DBGrid1->setCurrentIndex(w->DBGrid1->model()->index(3, school));
    QTest::keyClick(w->DBGrid1, Qt::Key_F2);
    auto* chooser = w->DBGrid1->findChild<QComboBox*>();
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->count(), 1);
    EXPECT_FALSE(chooser->isEditable()) << "not typed freely";
    QTest::keyClick(chooser, Qt::Key_Escape);

    // "Публиковать": "да" for everyone registered; "нет" chosen by keys is stored at once.
    const int publ = column(w->DBGrid1, "PUBL");
    EXPECT_EQ(w->DBGrid1->value(0, "PUBL"), "да");
    w->DBGrid1->setCurrentIndex(w->DBGrid1->model()->index(0, publ));
    QTest::keyClick(w->DBGrid1, Qt::Key_F2);
    QComboBox* yesNo = nullptr;
    for (QComboBox* box : w->DBGrid1->findChildren<QComboBox*>())
        if (box->findText("нет") >= 0) yesNo = box;  // not the school's chooser, still to be deleted
    ASSERT_NE(yesNo, nullptr);
    QTest::keyClick(yesNo, Qt::Key_Down);
    QTest::keyClick(yesNo, Qt::Key_Return);
    QApplication::processEvents();
    tr().rollbackRetaining();
    EXPECT_EQ(scalar(QString("SELECT NE_PUBL FROM SPISOK WHERE ID_CHILD = %1").arg(w->DBGrid1->value(0, "ID_CHILD"))), 1);
    EXPECT_EQ(w->DBGrid1->value(0, "PUBL"), "нет");
}

// "Перевести…": a child with scores, two codes and a group moves to another grade with all of
// them; both grades stay densely ranked. A code the new grade has already refuses the move.
TEST_F(Lists, AChildMovesToAnotherGradeWithEverythingOfHis) {
    const int tenth = o.enrol(db(), tr(), o.fizika, o.k10, {"Десятов"}).first();
    score(tenth, "9,5", o.k10);
    ciphers::store(db(), tr(), tenth, o.fizika, o.k10, 2, "и2");  // reads as И2 on paper
    score(victim, "9,75");  // ahead of his namesake: the places of grade 9 change when he leaves
    awards::give(db(), tr(), victim, 1);
    tr().commitRetaining();
    ASSERT_EQ(place(namesake), 3);
    TFormViewKlass* w = openByGrade();
    w->DBNavigator1->press(TDBNavigator::Next);
    ASSERT_EQ(w->DBGrid1->value("ID_CHILD").toInt(), victim);

    const auto moveTo = [&](const QString& grade) {
        expectModal([&] { QTest::mouseClick(w->ButtonMove, Qt::LeftButton); },
                    [&](QWidget* dialog) {
                        auto* d = static_cast<TFormPerevod*>(dialog);
                        EXPECT_EQ(d->ComboBox3->currentText(), "9") << "the choosers start where he is";
                        pick(d->ComboBox3, grade);
                        pressEnter(d->Button1);
                    });
    };
    const QString consistent = QString("SELECT COUNT(*) FROM SPISOK S JOIN %1 R ON R.ID_CHILD = S.ID_CHILD WHERE "
                                       "S.ID_CHILD = %2 AND R.KLASS = S.KLASS AND R.ID_PREDMET = S.ID_PREDMET");
    moveTo("10");
    ASSERT_FALSE(msg::shown().isEmpty());
    EXPECT_TRUE(msg::shownTexts().last().startsWith("Участник не переведён"));
    EXPECT_TRUE(msg::shown().last().detail.contains("«И2» (тур 2)")) << msg::shown().last().detail.toStdString();
    EXPECT_EQ(scalar(QString("SELECT KLASS FROM SPISOK WHERE ID_CHILD = %1").arg(victim)), o.k9) << "nothing written";
    EXPECT_EQ(scalar(QString("SELECT DIPL_STEP FROM BAL WHERE ID_CHILD = %1").arg(victim)), 1);
    EXPECT_EQ(scalar(consistent.arg("SHIFR").arg(victim)), 2);

    ciphers::recode(db(), tr(), tenth, 2, "Д2");
    tr().commitRetaining();
    moveTo("10");
    EXPECT_EQ(w->CountDety->text(), "3") << "he left the list of grade 9";
    for (const char* table : {"BAL", "GRUP"}) EXPECT_EQ(scalar(consistent.arg(table).arg(victim)), 1) << table;
    EXPECT_EQ(scalar(consistent.arg("SHIFR").arg(victim)), 2);
    EXPECT_EQ(scalar(QString("SELECT KLASS FROM SPISOK WHERE ID_CHILD = %1").arg(victim)), o.k10);
    EXPECT_EQ(text(QString("SELECT SUMM FROM BAL WHERE ID_CHILD = %1").arg(victim)), "9,75") << "his scores go with him";
    EXPECT_EQ(scalar(QString("SELECT DIPL_STEP FROM BAL WHERE ID_CHILD = %1").arg(victim)), 0)
        << "a degree of grade 9 is not one of grade 10";
    EXPECT_EQ(place(tenth), 2) << "ranked in grade 10 (the check after the test sees grade 9 ranked again)";
}

// Teachers of the selected participant: corrected in place, added (Ins) and removed (Alt+Del)
// after a question, each one action. Scores, codes and group belong to the subject's rounds: a move
// to another subject asks first, then deletes them, writing his task scores to the history as
// removed, and ranks the grade he left again. Another team needs his school among its own.
TEST_F(Lists, TeachersAreEditedAndAChildMovedToAnotherSubjectLeavesHisScoresBehind) {
    TFormViewKlass* w = openByGrade();
    w->DBNavigator1->press(TDBNavigator::Next);
    ASSERT_EQ(w->DBGrid1->value("ID_CHILD").toInt(), victim);
    typeIntoCell(w->DBGrid2, 1, column(w->DBGrid2, "SURNAME"), "Орлова");
    EXPECT_EQ(text(QString("SELECT CAST(LIST(SURNAME, ',') AS VARCHAR(99)) FROM (SELECT SURNAME FROM TEACHERS WHERE "
                           "ID_CHILD = %1 ORDER BY ID_TEACHER)").arg(victim)),
              "Смирнова,Орлова");

    w->DBGrid2->setFocus();
    expectModal([&] { QTest::keyClick(w->DBGrid2, Qt::Key_Insert); },
                [&](QWidget* dialog) {
                    auto* d = static_cast<TFormAddTeacher*>(dialog);
                    QTest::keyClick(d->Button1, Qt::Key_Return);  // no surname: refused, nothing stored
                    EXPECT_EQ(msg::shownTexts().last(), "Введите фамилию учителя");
                    d->Edit2->setText("Ольга");
                    msg::setNextAnswer(false);
                    QTest::keyClick(d->Edit2, Qt::Key_Escape);  // typed work: asked, kept on No
                    EXPECT_EQ(msg::shownTexts().last(), kUnsaved);
                    EXPECT_TRUE(d->isVisible());
                    d->Edit1->setText("Козлова");
                    d->Edit2->setText("Ольга");
                    d->Button1->click();
                });
    EXPECT_EQ(w->CountTeacher->text(), "3");
    EXPECT_EQ(w->DBGrid2->value("SURNAME"), "Козлова") << "the new teacher is selected";

    msg::setNextAnswer(false);
    QTest::keyClick(w->DBGrid2, Qt::Key_Delete, Qt::AltModifier);
    EXPECT_EQ(msg::shownTexts().last(), "Удалить учителя «Козлова Ольга»?");
    EXPECT_EQ(w->CountTeacher->text(), "3");
    QTest::keyClick(w->DBGrid2, Qt::Key_Delete, Qt::AltModifier);
    EXPECT_EQ(w->CountTeacher->text(), "2");
    EXPECT_EQ(scalar(QString("SELECT COUNT(*) FROM TEACHERS WHERE ID_CHILD = %1").arg(victim)), 2);

    msg::clearShown();
    const QString leave = participants::kLeaveSubject.arg("Физика");
    expectModal([&] { QTest::mouseClick(w->ButtonMove, Qt::LeftButton); },
                [&](QWidget* dialog) {
                    auto* d = static_cast<TFormPerevod*>(dialog);
                    EXPECT_FALSE(d->ComboBox4->isVisible());
                    pick(d->ComboBox2, "Химия");
                    msg::setNextAnswer(false);
                    pressEnter(d->Button1);
                    EXPECT_EQ(msg::shownTexts(), QStringList{leave});
                    EXPECT_TRUE(d->isVisible()) << "No moves nothing";
                    pick(d->ComboBox1, "Север");
                    EXPECT_TRUE(d->ComboBox4->isVisible());
                    EXPECT_EQ(d->ComboBox4->count(), 2) << "Север's schools";
                    pressEnter(d->Button1);
                    EXPECT_EQ(msg::shownTexts().last(), participants::kChooseSchool);
                    EXPECT_EQ(d->focusWidget(), d->ComboBox4);
                    pick(d->ComboBox4, "Лицей №2");
                    msg::clearShown();
                    pressEnter(d->Button1);
                    EXPECT_EQ(msg::shownTexts(), QStringList{leave});
                });
    EXPECT_EQ(text(QString("SELECT P.PREDMET || '|' || K.KOMAND || '|' || S.SCHOOL FROM SPISOK S JOIN S_PREDMET P ON "
                           "P.ID_PREDMET = S.ID_PREDMET JOIN S_KOMAND K ON K.ID_KOMAND = S.ID_KOMAND WHERE S.ID_CHILD = %1")
                       .arg(victim)),
              "Химия|Север|Лицей №2");
    EXPECT_EQ(rowsOf(victim), 3) << "his registration and teachers only";
    EXPECT_EQ(text(QString("SELECT CAST(LIST(SLOT || ':' || OLD_BAL, ' ') AS VARCHAR(500)) FROM (SELECT * FROM BAL_LOG WHERE "
                           "ID_CHILD = %1 AND NEW_BAL IS NULL AND STATION = '%2' ORDER BY SLOT)")
                       .arg(victim)
                       .arg(scorelog::station())),
              "1:9.00 2:0.00 3:0.00 4:0.00 5:0.00 6:0.00 7:0.00 8:0.00 9:0.00 10:0.00 11:0.00 12:0.00")
        << "the tasks of Физика's two rounds";
    EXPECT_EQ(place(namesake), 2) << "grade 9 ranked again without him";
    rounds::save(db(), tr(), o.khimiya, {{{"Тест", "6"}, {}, {}, {}}});
    EXPECT_TRUE(scorelog::entered(db(), tr(), o.khimiya, o.k9).isEmpty()) << "Физика's history enters nothing of Химия";
    EXPECT_EQ(w->CountDety->text(), "3");
}

}  // namespace
