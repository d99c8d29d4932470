// Registering participants in the real window, against a real database.

#include "fixtures/Olympiad.h"
#include "fixtures/WindowTest.h"
#include "participants/UEnterSpisok.h"
#include "reference/UTur.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>

namespace {

class Registration : public EnterSpisokTest {
protected:

    // Picks a subject from the list; the rounds window opens on it and is closed.
    int pickSubject(const QString& subject) {
        int opened = 0;
        onNextModal([&](QWidget* m) {
            EXPECT_EQ(m, FormTur.data());
            ++opened;
            m->close();
        });
        pick(w->ComboBox2, subject);
        Q_EMIT w->ComboBox2->textActivated(subject);
        return opened;
    }
    void fillChild(const QString& surname, const QString& name, const QString& second) {
        w->Edit1->setText(surname);
        w->Edit2->setText(name);
        w->Edit3->setText(second);
    }
    void holdTeacher(const QString& surname, const QString& name = {}, const QString& second = {}) {
        w->Edit6->setText(surname);
        w->Edit7->setText(name);
        w->Edit8->setText(second);
        QTest::mouseClick(w->Button1, Qt::LeftButton);
    }
    // Team, subject, school and grade chosen, names typed.
    void prepare() {
        pick(w->ComboBox1, "Север");
        pickSubject("Физика");
        pick(w->ComboBox3, "Лицей №2");
        pick(w->ComboBox4, "10");
        fillChild("Иванова", "Мария", "Петровна");
    }
};

TEST_F(Registration, AChildWithHeldTeachersAndOneInTheFieldsIsStoredWhole) {
    prepare();
    holdTeacher("Смирнова", "Анна", "Ивановна");
    holdTeacher("Орлов", "Пётр");
    EXPECT_EQ(w->ListTeachers->count(), 2);
    EXPECT_EQ(w->ListTeachers->item(1)->text(), "Орлов Пётр");
    EXPECT_TRUE(w->Edit6->text().isEmpty() && w->Edit7->text().isEmpty());
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM TEACHERS"), 0) << "held teachers are not written before the child";
    w->Edit6->setText("Козлов");
    w->Edit7->setText("Игорь");

    QTest::mouseClick(w->Button2, Qt::LeftButton);
    EXPECT_TRUE(msg::shown().isEmpty()) << msg::shownTexts().join("; ").toStdString();
    const qint64 id = scalar("SELECT MAX(ID_CHILD) FROM SPISOK");
    Query q(db(), tr(), {"SELECT * FROM SPISOK WHERE ID_CHILD = :ID"});
    q.setInt("ID", id);
    q.open();
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.fieldInt("ID_KOMAND"), o.sever);
    EXPECT_EQ(q.fieldInt("ID_PREDMET"), o.fizika);
    EXPECT_EQ(q.fieldInt("KLASS"), o.k10);
    EXPECT_EQ(q.fieldText("SURNAME"), "Иванова");
    EXPECT_EQ(q.fieldText("NAME"), "Мария");
    EXPECT_EQ(q.fieldText("SECONDNAME"), "Петровна");
    EXPECT_EQ(q.fieldText("SCHOOL"), "Лицей №2");
    EXPECT_FALSE(q.fieldIsNull("SITY"));
    EXPECT_EQ(q.fieldText("SITY"), "");
    EXPECT_EQ(text("SELECT CAST(LIST(SURNAME, ',') AS VARCHAR(200)) FROM (SELECT SURNAME FROM TEACHERS WHERE ID_CHILD = " +
                   QString::number(id) + " ORDER BY ID_TEACHER)"),
              "Смирнова,Орлов,Козлов");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM TEACHERS"), 3);

    // Ready for the next child of the same team and subject.
    EXPECT_EQ(w->ComboBox1->currentText(), "Север");
    EXPECT_EQ(w->ComboBox2->currentText(), "Физика");
    EXPECT_TRUE(w->ComboBox3->currentText().isEmpty());
    EXPECT_TRUE(w->ComboBox4->currentText().isEmpty());
    EXPECT_EQ(w->ComboBox4->count(), 2) << "the grade list stays";
    for (QLineEdit* e : {w->Edit1, w->Edit2, w->Edit3, w->Edit6, w->Edit7, w->Edit8}) EXPECT_TRUE(e->text().isEmpty());
    EXPECT_EQ(w->ListTeachers->count(), 0);
    EXPECT_EQ(w->focusWidget(), w->Edit1);

    // The next child, no teachers, typed and entered with the keyboard.
    pick(w->ComboBox4, "9");
    w->Edit1->setText("Петров");
    QTest::keyClick(w->Edit1, Qt::Key_Return);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SPISOK"), 2);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM TEACHERS"), 3) << "no teacher attaches to the next child";
}

TEST_F(Registration, AHeldTeacherCanBeRemovedBeforeEntry) {
    prepare();
    holdTeacher("Первая");
    holdTeacher("Вторая");
    w->ListTeachers->setCurrentRow(0);
    QTest::mouseClick(w->ButtonRemoveTeacher, Qt::LeftButton);
    ASSERT_EQ(w->ListTeachers->count(), 1);
    holdTeacher("");  // "+" with an empty surname holds nothing and clears the fields
    EXPECT_EQ(w->ListTeachers->count(), 1);
    QTest::mouseClick(w->Button2, Qt::LeftButton);
    EXPECT_EQ(text("SELECT CAST(LIST(SURNAME) AS VARCHAR(200)) FROM TEACHERS"), "Вторая");
}

TEST_F(Registration, ClosingDiscardsHeldTeachersOnlyAfterAsking) {
    prepare();
    holdTeacher("Смирнова");
    msg::setNextAnswer(false);
    QTest::mouseClick(w->Button3, Qt::LeftButton);
    ASSERT_EQ(msg::shown().size(), 1);
    EXPECT_EQ(msg::shown()[0].kind, msg::Kind::Confirmation);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->heldTeachers().size(), 1);

    msg::setNextAnswer(true);
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(w->heldTeachers().isEmpty());
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM TEACHERS"), 0);

    // A new window's first child gets no stray teacher.
    auto* again = new TFormEnterSpisok(nullptr);
    FormEnterSpisok = again;
    w = again;
    w->show();
    prepare();
    QTest::mouseClick(w->Button2, Qt::LeftButton);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SPISOK"), 1);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM TEACHERS"), 0);

    // With nothing held, closing asks nothing.
    msg::clearShown();
    QTest::mouseClick(w->Button3, Qt::LeftButton);
    EXPECT_TRUE(msg::shown().isEmpty());
    EXPECT_FALSE(w->isVisible());
}

TEST_F(Registration, WhatNamesNothingIsRefusedAndNothingIsWritten) {
    struct Case {
        std::function<void()> spoil;
        QString message;
    };
    const std::vector<Case> cases = {
        {[&] { w->ComboBox1->lineEdit()->setText("Запад"); }, "Выберите команду"},
        {[&] { w->ComboBox2->lineEdit()->setText(""); }, "Выберите предмет"},
        {[&] { w->Edit1->setText("   "); }, "Введите фамилию"},
        {[&] { w->ComboBox4->lineEdit()->setText("12"); }, "Выберите класс"},
    };
    for (const Case& c : cases) {
        msg::clearShown();
        prepare();
        holdTeacher("Смирнова");
        c.spoil();
        const QString surname = w->Edit1->text();
        QTest::mouseClick(w->Button2, Qt::LeftButton);
        EXPECT_EQ(msg::shownTexts(), QStringList{c.message});
        EXPECT_EQ(scalar("SELECT COUNT(*) FROM SPISOK"), 0);
        EXPECT_EQ(scalar("SELECT COUNT(*) FROM TEACHERS"), 0);
        EXPECT_EQ(w->Edit1->text(), surname) << "the fields keep their text";
        EXPECT_EQ(w->heldTeachers().size(), 1);
        w->ButtonRemoveTeacherClick();
        w->ListTeachers->setCurrentRow(0);
        w->ButtonRemoveTeacherClick();
    }
}

TEST_F(Registration, AFailedTeacherWriteLeavesNoChildBehind) {
    prepare();
    holdTeacher("Смирнова");
    w->Edit6->setText("Müller");  // not in Windows-1251: the teacher's insert fails after the child's
    QTest::mouseClick(w->Button2, Qt::LeftButton);
    ASSERT_EQ(msg::shown().size(), 1);
    EXPECT_EQ(msg::shown()[0].text, "не получилось");
    EXPECT_TRUE(msg::shown()[0].detail.contains("Windows-1251"));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SPISOK"), 0);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM TEACHERS"), 0);
    EXPECT_EQ(w->Edit1->text(), "Иванова");
    EXPECT_EQ(w->Edit6->text(), "Müller");
    EXPECT_EQ(w->heldTeachers().size(), 1);

    w->Edit6->setText("Мюллер");
    QTest::mouseClick(w->Button2, Qt::LeftButton);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SPISOK"), 1);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM TEACHERS"), 2);
}

TEST_F(Registration, ATeacherThatCannotBeStoredIsNotHeld) {
    prepare();
    holdTeacher("Ångström");
    EXPECT_EQ(msg::shownTexts(), QStringList{"не получилось"});
    EXPECT_EQ(w->ListTeachers->count(), 0);
    EXPECT_EQ(w->Edit6->text(), "Ångström");
}

TEST_F(Registration, ChoosingAnotherTeamResetsSubjectSchoolAndGrade) {
    prepare();
    EXPECT_EQ(w->ComboBox3->count(), 2);
    EXPECT_EQ(w->ComboBox3->itemText(0), "Лицей №2") << "schools in alphabetical order";
    pick(w->ComboBox1, "Юг");
    EXPECT_TRUE(w->ComboBox2->currentText().isEmpty());
    EXPECT_EQ(w->ComboBox2->count(), 2);
    EXPECT_TRUE(w->ComboBox3->currentText().isEmpty());
    EXPECT_EQ(w->ComboBox3->count(), 1) << "only the chosen team's schools";
    EXPECT_TRUE(w->ComboBox4->currentText().isEmpty());
    EXPECT_EQ(w->ComboBox4->count(), 2);
    EXPECT_EQ(pickSubject("Химия"), 1);
}

TEST_F(Registration, RoundsOpenOnlyOnAChosenSubject) {
    pick(w->ComboBox1, "Север");
    QLineEdit* subject = w->ComboBox2->lineEdit();
    subject->setFocus();
    subject->insert("Физ");
    QTest::keyClick(subject, Qt::Key_Return);  // names no subject
    EXPECT_EQ(FormTur.data(), nullptr) << "partial typing opens nothing";

    int opened = 0;
    onNextModal([&](QWidget* m) {
        ++opened;
        EXPECT_EQ(m->windowTitle(), "Тур");
        m->close();
    });
    subject->setText("Физика");
    QTest::keyClick(subject, Qt::Key_Return);
    EXPECT_EQ(opened, 1);
    w->Edit1->setFocus();  // leaving the box with the same subject opens nothing more
    QTest::keyClick(w->Edit1, Qt::Key_A);
    EXPECT_EQ(opened, 1);

    EXPECT_EQ(pickSubject("Химия"), 1);
    EXPECT_EQ(pickSubject("Химия"), 1) << "picking from the list again shows the rounds again";
}

}  // namespace
