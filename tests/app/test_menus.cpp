// The main window and the menus: texts in order, the windows they open, the keyboard.

#include "app/UEnter.h"
#include "app/UMain.h"
#include "app/UView.h"
#include "fixtures/WindowTest.h"
#include "reports/UPrint.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>

namespace {

class Menus : public WindowTest {};

// The captions of the visible buttons of a window, top to bottom.
QStringList buttonsInOrder(QWidget* w) {
    QList<QPushButton*> buttons = w->findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(), [](QPushButton* a, QPushButton* b) { return a->y() < b->y(); });
    QStringList texts;
    for (QPushButton* b : buttons) texts << b->objectName() + "=" + b->text();
    return texts;
}

TEST_F(Menus, EachMenuOpensModallyOwnedByTheMainWindowWithItsTexts) {
    TMainForm main;
    main.show();
    EXPECT_EQ(buttonsInOrder(&main), QStringList({"Button1=Ввод данных", "Button2=Просмотр данных", "Button3=Печать",
                                                  "Button5=Объединение", "Button4=Выход"}));
    EXPECT_FALSE(main.ProgressBar1->isVisible());

    QStringList seen;
    expectModal([&] { main.Button1Click(); },
                [&](QWidget* w) {
                    seen << w->windowTitle() << buttonsInOrder(w);
                    EXPECT_EQ(w->parentWidget(), &main);
                    EXPECT_EQ(w, FormEnter.data());
                    EXPECT_FALSE(find<QLineEdit>(w, "Edit1")->isVisible());
                });
    EXPECT_EQ(seen, QStringList({"Ввод данных", "Button1=Списки участников", "Button3=Деление на группы",
                                 "Button4=Шифровка участников", "Button2=Ввод баллов по ФИО",
                                 "Button6=Ввод баллов по шифру", "Button5=Награждение по ФИО",
                                 "Button7=Награждение по шифру"}));
    seen.clear();
    expectModal([&] { main.Button2Click(); }, [&](QWidget* w) { seen << w->windowTitle() << buttonsInOrder(w); });
    EXPECT_EQ(seen, QStringList({"Просмотр данных", "Button1=Списки участников по командам",
                                 "Button2=Списки участников по классам", "Button4=Результаты команд",
                                 "Button5=Список победителей"}));
    seen.clear();
    expectModal([&] { main.Button3Click(); },
                [&](QWidget* w) {
                    seen << w->windowTitle() << find<QLabel>(w, "Label1")->text() << find<QLabel>(w, "Label2")->text()
                         << buttonsInOrder(w);
                });
    EXPECT_EQ(seen, QStringList({"Печать данных", "Выберите отчет для ", "печати в Excel",
                                 "Button1=Списка участников по командам", "Button2=Списка участников по классам",
                                 "Button6=Списка участников по группам", "Button8=Бланк ведомости по шифрам",
                                 "Button9=Ключ шифров",                                 "Button3=Ведомости по ФИО", "Button4=Списка результатов по командам",
                                 "Button7=Списка результатов по классам", "Button5=Списка победителей"}));
}

TEST_F(Menus, ReopeningMakesASecondInstanceAndTheFirstStaysHidden) {
    TMainForm main;
    main.show();
    expectModal([&] { main.Button2Click(); }, [](QWidget*) {});
    QPointer<TFormView> first = FormView;
    expectModal([&] { main.Button2Click(); }, [](QWidget*) {});
    ASSERT_TRUE(first);
    EXPECT_NE(first.data(), FormView.data());
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(first->parentWidget(), &main);
}

// The menus are worked with the keyboard alone: Enter on a focused button presses it, Esc closes a
// menu, Enter on "Выход" ends the program.
TEST_F(Menus, EnterPressesTheFocusedMenuButton) {
    TMainForm main;
    main.show();
    QApplication::setActiveWindow(&main);
    QString opened;
    expectModal([&] { pressEnter(main.Button2); },
                [&](QWidget* w) {
                    opened = w->windowTitle();
                    QTest::keyClick(w, Qt::Key_Escape);
                    EXPECT_FALSE(w->isVisible());
                });
    EXPECT_EQ(opened, "Просмотр данных");
    pressEnter(main.Button4);
    EXPECT_FALSE(main.isVisible());
}

TEST_F(Menus, StandardButtonsSpeakRussianAndEveryBoxHasTheProgramsTitle) {
    QMessageBox box(QMessageBox::Question, msg::kTitle, "?", QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove('&'), "Да");
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove('&'), "Нет");
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove('&'), "Отмена");
    EXPECT_EQ(msg::kTitle, "Таврин");
}

}  // namespace
