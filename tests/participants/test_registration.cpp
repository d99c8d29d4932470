// Registering participants in the real window, against a real database.

#include "fixtures/FailingWrite.h"
#include "fixtures/Olympiad.h"
#include "fixtures/WindowTest.h"
#include "participants/UEnterSpisok.h"
#include "reference/Rounds.h"
#include "reference/UTur.h"
#include "ui/Combo.h"

#include <QLineEdit>
#include <QListWidget>

namespace {

class Registration : public EnterSpisokTest {
protected:
    // Picks a subject from the list; returns how many rounds windows opened (each is closed).
    int pickSubject(const QString& subject) {
        int opened = 0;
        expectModal([&] { pick(w->ComboBox2, subject); },
                    [&](QWidget* m) {
                        EXPECT_EQ(m, FormTur.data());
                        ++opened;
                    });
        return opened;
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
        w->Edit1->setText("Иванова");
        w->Edit2->setText("Мария");
        w->Edit3->setText("Петровна");
    }
    qint64 children() { return scalar("SELECT COUNT(*) FROM SPISOK"); }
    qint64 teachers() { return scalar("SELECT COUNT(*) FROM TEACHERS"); }
};

TEST_F(Registration, AChildWithHeldTeachersAndOneInTheFieldsIsStoredWhole) {
    prepare();
    holdTeacher("Смирнова", "Анна", "Ивановна");
    holdTeacher("Орлов", "Пётр");
    EXPECT_EQ(w->ListTeachers->count(), 2);
    EXPECT_EQ(w->ListTeachers->item(1)->text(), "Орлов Пётр");
    EXPECT_EQ(teachers(), 0) << "held teachers are not written before the child";
    w->Edit6->setText("Козлов");
    w->Edit7->setText("Игорь");

    QTest::mouseClick(w->Button2, Qt::LeftButton);
    EXPECT_TRUE(msg::shown().isEmpty()) << msg::shownTexts().join("; ").toStdString();
    const qint64 id = scalar("SELECT MAX(ID_CHILD) FROM SPISOK");
    EXPECT_EQ(text(QString("SELECT ID_KOMAND || '|' || ID_PREDMET || '|' || KLASS || '|' || SURNAME || ' ' || NAME || ' ' || "
                           "SECONDNAME || '|' || SCHOOL || '|' || IIF(SITY IS NULL, 'no', 'ok') FROM SPISOK WHERE ID_CHILD = %1")
                       .arg(id)),
              QString("%1|%2|%3|Иванова Мария Петровна|Лицей №2|ok").arg(o.sever).arg(o.fizika).arg(o.k10));
    EXPECT_EQ(text("SELECT CAST(LIST(SURNAME, ',') AS VARCHAR(200)) FROM (SELECT SURNAME FROM TEACHERS WHERE ID_CHILD = " +
                   QString::number(id) + " ORDER BY ID_TEACHER)"),
              "Смирнова,Орлов,Козлов");
    EXPECT_EQ(teachers(), 3);

    // Ready for the next child of the same team and subject, with school and grade not chosen.
    EXPECT_EQ(shownIn({w->ComboBox1, w->ComboBox2, w->ComboBox3, w->ComboBox4, w->Edit1, w->Edit2, w->Edit3, w->Edit6, w->Edit7,
                       w->Edit8}),
              "Север|Физика||||||||");
    EXPECT_EQ(w->ListTeachers->count(), 0);
    EXPECT_EQ(w->focusWidget(), w->Edit1);
    w->ComboBox4->setFocus();
    QTest::keyClick(w->ComboBox4, Qt::Key_Down);
    EXPECT_EQ(w->ComboBox4->currentText(), "9") << "Down in the emptied grade box starts at the first grade";

    // The next child, no teachers, entered with the keyboard: Enter goes through the parts of the
    // name and the last one stores; without a given name he is refused there.
    msg::clearShown();
    w->Edit1->setText("Петров");
    for (QLineEdit* part : {w->Edit1, w->Edit2, w->Edit3}) QTest::keyClick(part, Qt::Key_Return);
    EXPECT_EQ(msg::shownTexts(), QStringList{"Введите имя"});
    EXPECT_EQ(w->focusWidget(), w->Edit2);
    EXPECT_EQ(children(), 1);
    w->Edit2->setText("Иван");
    QTest::keyClick(w->Edit2, Qt::Key_Return);
    EXPECT_EQ(children(), 1) << "Enter in the name goes on to the patronymic";
    QTest::keyClick(w->Edit3, Qt::Key_Return);
    EXPECT_EQ(children(), 2);
    EXPECT_EQ(teachers(), 3) << "no teacher attaches to the next child";
}

TEST_F(Registration, HeldTeachersAreRemovedOrDiscardedOnlyWhenTheOperatorSays) {
    prepare();
    holdTeacher("Первая");
    holdTeacher("Вторая");
    w->ListTeachers->setCurrentRow(0);
    QTest::mouseClick(w->ButtonRemoveTeacher, Qt::LeftButton);
    ASSERT_EQ(w->ListTeachers->count(), 1);
    holdTeacher("", "Имя");  // "+" with an empty surname holds nothing and clears the fields
    EXPECT_EQ(w->ListTeachers->count(), 1);
    EXPECT_TRUE(w->Edit7->text().isEmpty());

    msg::setNextAnswer(false);
    QTest::mouseClick(w->Button3, Qt::LeftButton);
    ASSERT_EQ(msg::shown().size(), 1);
    EXPECT_EQ(msg::shown()[0].kind, msg::Kind::Confirmation);
    EXPECT_TRUE(w->isVisible());

    QTest::mouseClick(w->Button2, Qt::LeftButton);
    EXPECT_EQ(text("SELECT CAST(LIST(SURNAME) AS VARCHAR(200)) FROM TEACHERS"), "Вторая");

    // Discarded on closing: the next window's first child gets no stray teacher.
    holdTeacher("Смирнова");
    msg::setNextAnswer(true);
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    FormEnterSpisok = w = showTested(new TFormEnterSpisok(nullptr));
    prepare();
    QTest::mouseClick(w->Button2, Qt::LeftButton);
    EXPECT_EQ(children(), 2);
    EXPECT_EQ(teachers(), 1);

    msg::clearShown();
    QTest::mouseClick(w->Button3, Qt::LeftButton);
    EXPECT_TRUE(msg::shown().isEmpty()) << "with nothing held, closing asks nothing";
    EXPECT_FALSE(w->isVisible());
}

TEST_F(Registration, WhatCannotBeStoredIsRefusedAtItsFieldAndNothingIsWritten) {
    struct Case {
        std::function<QWidget*()> spoil;  // returns the field that must get the focus
        QString message;
    };
    const std::vector<Case> cases = {
        {[&] { combo::setText(w->ComboBox1, "Запад"); return w->ComboBox1; }, "Выберите команду"},
        {[&] { combo::setText(w->ComboBox2, ""); return w->ComboBox2; }, "Выберите предмет"},
        {[&] { w->Edit1->setText("   "); return w->Edit1; }, "Введите фамилию"},
        {[&] { combo::setText(w->ComboBox4, "12"); return w->ComboBox4; }, "Выберите класс"},
        {[&] { w->Edit3->setText("Ångström"); return w->Edit3; }, "Отчество: Символ «Å» (U+00C5)"},
        {[&] { w->Edit7->setText("Müller"); w->Edit6->setText("Мюллер"); return w->Edit7; }, "Имя учителя: Символ «ü»"},
        {[&] { w->Edit1->setText("123"); return w->Edit1; }, "Фамилия: нет ни одной буквы"},
        // A Latin "a" in a Russian name looks the same on paper and never matches the real one.
        {[&] { w->Edit2->setText("Мaрия"); return w->Edit2; }, "Имя: в слове «Мaрия» есть и русские, и латинские буквы"},
    };
    for (const Case& c : cases) {
        msg::clearShown();
        prepare();
        holdTeacher("Смирнова");
        QWidget* field = c.spoil();
        const QString surname = w->Edit1->text();
        pressEnter(w->Button2);
        ASSERT_EQ(msg::shownTexts().size(), 1);
        EXPECT_TRUE(msg::shownTexts()[0].startsWith(c.message)) << msg::shownTexts()[0].toStdString();
        EXPECT_EQ(w->focusWidget(), field) << c.message.toStdString();
        EXPECT_EQ(children(), 0);
        EXPECT_EQ(teachers(), 0);
        EXPECT_EQ(w->Edit1->text(), surname) << "the fields keep their text";
        EXPECT_EQ(w->heldTeachers().size(), 1);
        w->ListTeachers->setCurrentRow(0);
        w->ButtonRemoveTeacherClick();
    }
    // A teacher the database cannot hold is not held either; the character is named by its code.
    msg::clearShown();
    holdTeacher(QString::fromUtf8("Смайл \xF0\x9F\x98\x80"));
    EXPECT_EQ(w->ListTeachers->count(), 0);
    ASSERT_EQ(msg::shown().size(), 1);
    EXPECT_TRUE(msg::shown()[0].text.contains("U+1F600")) << msg::shown()[0].text.toStdString();
}

// The same child registered again is usually a slip: asked (No by default), written only on Yes;
// the same name in another grade is another child and asks nothing.
TEST_F(Registration, TheSameChildAgainIsAskedFirst) {
    prepare();
    QTest::mouseClick(w->Button2, Qt::LeftButton);
    ASSERT_EQ(children(), 1);
    prepare();
    w->Edit1->setText("иванова");
    w->Edit3->setText("Пётровна");  // Ё as Е: the same name read aloud
    msg::setNextAnswer(false);
    QTest::mouseClick(w->Button2, Qt::LeftButton);
    ASSERT_EQ(msg::shown().size(), 1);
    EXPECT_EQ(msg::shown()[0].kind, msg::Kind::Confirmation);
    EXPECT_TRUE(msg::shown()[0].text.startsWith("иванова Мария Пётровна уже зарегистрирован(а): команда «Север», "
                                                "предмет «Физика», класс «10».\nИванова Мария Петровна (Лицей №2)"))
        << msg::shown()[0].text.toStdString();
    EXPECT_TRUE(msg::shown()[0].text.endsWith("Зарегистрировать ещё раз?"));
    EXPECT_EQ(children(), 1);
    EXPECT_EQ(w->Edit1->text(), "иванова") << "the fields keep their text";
    msg::clearShown();
    msg::setNextAnswer(true);
    QTest::mouseClick(w->Button2, Qt::LeftButton);
    EXPECT_EQ(children(), 2);
    msg::clearShown();
    prepare();
    pick(w->ComboBox4, "9");
    QTest::mouseClick(w->Button2, Qt::LeftButton);
    EXPECT_TRUE(msg::shown().isEmpty()) << msg::shownTexts().join("; ").toStdString();
    EXPECT_EQ(children(), 3);
}

// The keyboard through the window: Enter in a chooser goes on to the next field; the rounds
// window that a subject choice opens never takes the typing meant for the surname; Tab from the
// grade reaches "Ввод" first; Esc with a child typed asks before it is lost.
TEST_F(Registration, TheKeyboardGoesWhereTheOperatorTypes) {
    rounds::save(db(), tr(), o.fizika, {{{"Теория", "3"}, {}, {}, {}}});
    tr().commitRetaining();
    typeInto(w->ComboBox1, "север");
    QTest::keyClick(w->ComboBox1, Qt::Key_Return);
    EXPECT_EQ(w->ComboBox1->currentText(), "Север");
    EXPECT_EQ(w->focusWidget(), w->ComboBox2) << "Enter in the team goes on to the subject";
    // The subject browsed to with the arrows, then a click in "Фамилия" and typing: the rounds
    // window opens on the click, its cursor on a button.
    w->ComboBox2->setFocus();
    QTest::keyClick(w->ComboBox2, Qt::Key_Down);
    ASSERT_EQ(w->ComboBox2->currentText(), "Физика");
    expectModal([&] { QTest::mouseClick(w->Edit1, Qt::LeftButton); },
                [&](QWidget* m) {
                    auto* tur = qobject_cast<TFormTur*>(m);
                    ASSERT_NE(tur, nullptr);
                    EXPECT_EQ(tur->focusWidget(), tur->Button1);
                    QTest::keyClick(m, Qt::Key_Escape);
                });
    EXPECT_EQ(text(QString("SELECT NAME_TUR FROM TUR WHERE ID_PREDMET = %1 AND ID = 1").arg(o.fizika)), "Теория");

    pick(w->ComboBox4, "10");
    w->ComboBox4->setFocus();
    QTest::keyClick(w->ComboBox4, Qt::Key_Tab);
    EXPECT_EQ(w->focusWidget(), w->Button2) << "Tab from the grade reaches «Ввод» before «Импорт…»";

    // The name is typed with Enter between its parts; Enter in the patronymic is "Ввод".
    w->Edit1->setFocus();
    QTest::keyClick(w->Edit1, Qt::Key_Return);
    EXPECT_EQ(w->focusWidget(), w->Edit2);
    QTest::keyClick(w->Edit2, Qt::Key_Return);
    EXPECT_EQ(w->focusWidget(), w->Edit3);
    EXPECT_TRUE(msg::shown().isEmpty()) << "nothing is stored half-typed";

    w->Edit1->setText("Иванова");
    msg::setNextAnswer(false);
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(msg::shownTexts(), QStringList{"Введённые данные не сохранены. Закрыть окно?"});
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->Edit1->text(), "Иванова");
}

TEST_F(Registration, AFailedTeacherWriteLeavesNoChildBehind) {
    prepare();
    holdTeacher("Смирнова");
    w->Edit6->setText("Сбой");
    {
        FailingWrite fail(db(), tr(), "TEACHERS", "INSERT", "NEW.SURNAME = 'Сбой'");
        QTest::mouseClick(w->Button2, Qt::LeftButton);
    }
    ASSERT_EQ(msg::shown().size(), 1);
    EXPECT_EQ(msg::shown()[0].text, "не получилось");
    EXPECT_EQ(children(), 0) << "the child's insert went before the teacher's and is undone with it";
    EXPECT_EQ(teachers(), 0);
    EXPECT_EQ(w->Edit1->text(), "Иванова");
    EXPECT_EQ(w->Edit6->text(), "Сбой");
    EXPECT_EQ(w->heldTeachers().size(), 1);

    QTest::mouseClick(w->Button2, Qt::LeftButton);
    EXPECT_EQ(children(), 1);
    EXPECT_EQ(teachers(), 2);
}

// Typing, browsing and Enter in the choosers only choose: they never open the rounds window
// before a subject is chosen, never register, and never show a box. Another team chosen resets
// subject, school and grade.
TEST_F(Registration, ChoosersActOnlyOnAChosenValue) {
    pick(w->ComboBox1, "Север");
    pickSubject("Физика");
    pick(w->ComboBox3, "Лицей №2");
    pick(w->ComboBox4, "10");
    typeInto(w->ComboBox1, "Юг");  // typed, not yet confirmed: the schools stay
    EXPECT_EQ(w->ComboBox3->count(), 2);
    QTest::keyClick(w->ComboBox1, Qt::Key_Return);
    EXPECT_EQ(w->ComboBox3->count(), 1) << "Enter confirms the typed team; only its schools";
    EXPECT_EQ(shownIn({w->ComboBox2, w->ComboBox3, w->ComboBox4}), "||");
    EXPECT_EQ(w->ComboBox2->count(), 2);

    typeInto(w->ComboBox2, "Физ");
    QTest::keyClick(w->ComboBox2, Qt::Key_Backspace);
    QTest::keyClick(w->ComboBox2, Qt::Key_Up);
    QTest::keyClick(w->ComboBox2, Qt::Key_Down);
    combo::setText(w->ComboBox2, "химия");
    int opened = 0;
    expectModal([&] { QTest::keyClick(w->ComboBox2, Qt::Key_Return); },
                [&](QWidget* m) {
                    ++opened;
                    EXPECT_EQ(m->windowTitle(), "Тур");
                });
    EXPECT_EQ(opened, 1) << "typing and arrows opened nothing; Enter opened the rounds once";
    EXPECT_EQ(w->ComboBox2->currentText(), "Химия") << "a name typed in small letters is the item's";

    w->Edit1->setFocus(Qt::TabFocusReason);  // leaving the box with the same subject opens nothing more
    QTest::keyClick(w->Edit1, Qt::Key_A);
    EXPECT_EQ(children(), 0);
    EXPECT_TRUE(msg::shown().isEmpty()) << msg::shownTexts().join("; ").toStdString();

    // A character the database cannot hold names nothing: no box, nothing opens.
    typeInto(w->ComboBox2, QString::fromUtf8("Физика \xF0\x9F\x98\x80"));
    QTest::keyClick(w->ComboBox2, Qt::Key_Return);
    EXPECT_TRUE(msg::shown().isEmpty()) << msg::shownTexts().join("; ").toStdString();
    EXPECT_EQ(children(), 0);

    // Closing the window with a typed subject not yet confirmed opens nothing on the way out.
    const QPointer<TFormTur> shown = FormTur;
    typeInto(w->ComboBox2, "Химия");
    QTest::keyClick(w->ComboBox2, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(FormTur.data(), shown.data());
}

TEST_F(Registration, EnterOnAFocusedButtonOrAKeyPressesThatButton) {
    prepare();
    pressEnter(w->Button3);
    EXPECT_FALSE(w->isVisible()) << "Enter on «Отмена» cancels";
    EXPECT_EQ(children(), 0);

    w->show();
    QApplication::setActiveWindow(w);
    w->Edit6->setText("Смирнова");
    pressEnter(w->Button1);
    EXPECT_EQ(w->heldTeachers().size(), 1) << "Enter on the teacher «+» holds the teacher";
    EXPECT_EQ(children(), 0);

    // "Импорт…" is never the window's default: Enter on it would register the child typed, were
    // it not for the rule; it opens the list file instead.
    prepare();
    msg::clearShown();
    pressEnter(w->ButtonImport);
    ASSERT_EQ(msg::shown().size(), 1);
    EXPECT_EQ(msg::shown()[0].kind, msg::Kind::FileChoice);
    EXPECT_EQ(children(), 0);

    // The dictionary buttons are worked with their keys in the choosers.
    msg::clearShown();
    pick(w->ComboBox1, "Юг");
    bool added = false;
    expectModal([&] { QTest::keyClick(w->ComboBox1, Qt::Key_Insert); },
                [&](QWidget* d) {
                    added = d->windowTitle() == "Введите данные";
                    find<QLineEdit>(d, "Edit1")->setText("Восток");
                    pressEnter(find<QPushButton>(d, "Button2"));  // Enter on «Cancel»
                });
    EXPECT_TRUE(added);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_KOMAND"), 2) << "Enter on Cancel cancels the add";

    pick(w->ComboBox3, "СОШ №1");
    expectModal([&] { QTest::keyClick(w->ComboBox3, Qt::Key_F2); },
                [&](QWidget* d) { EXPECT_EQ(find<QLineEdit>(d, "Edit1")->text(), "СОШ №1") << "the school to rename"; });
    msg::setNextAnswer(false);
    QTest::keyClick(w->ComboBox3, Qt::Key_Delete, Qt::AltModifier);
    EXPECT_EQ(msg::shownTexts(), QStringList{"Вы уверены, что хотите удалить запись ?"});
}

}  // namespace
