// The main window and the menus: the windows they open, the entry modes, the keyboard.

#include "app/UEnter.h"
#include "app/UMain.h"
#include "app/UView.h"
#include "fixtures/WindowTest.h"
#include "scoring/UDiplom.h"
#include "scoring/UEnterBelRus.h"
#include "scoring/UPomoshnik.h"

#include <QLineEdit>
#include <QMessageBox>

namespace {

class Menus : public WindowTest {};

// Every menu window is modal and owned by the main window, and destroyed once closed. The score and award windows take their mode from the button pressed.
TEST_F(Menus, EachMenuOpensModallyOwnedByTheMainWindowAndTheKeyboardWorksThem) {
    TMainForm main;
    main.show();
    expectModal([&] { main.Button1Click(); },
                [&](QWidget* w) {
                    EXPECT_EQ(w->parentWidget(), &main);
                    ASSERT_EQ(w, FormEnter.data());
                    EXPECT_FALSE(FormEnter->Edit1->isVisible());
                    const std::pair<QPushButton*, bool> modes[] = {{FormEnter->Button2, false},
                                                                   {FormEnter->Button6, true},
                                                                   {FormEnter->Button5, false},
                                                                   {FormEnter->Button7, true}};
                    for (const auto& [button, byCipher] : modes)
                        expectModal([&] { button->click(); },
                                    [&](QWidget* m) {
                                        const auto* entry = qobject_cast<TFormEnterBelRus*>(m);
                                        const auto* awards = qobject_cast<TFormDiplom*>(m);
                                        ASSERT_TRUE(entry || awards);
                                        EXPECT_EQ(entry ? entry->byCipher() : awards->byCipher(), byCipher);
                                    });
                    expectModal([&] { FormEnter->Button8->click(); },
                                [&](QWidget* a) { EXPECT_EQ(a, FormPomoshnik.data()); });
                });
    expectModal([&] { main.Button3Click(); }, [&](QWidget* w) { EXPECT_EQ(w->parentWidget(), &main); });
    // A closed window goes: a day of opening menus leaves nothing behind. The menus are worked with
    // the keyboard alone: Enter on a focused button presses it, Esc closes a menu.
    QApplication::setActiveWindow(&main);
    QPointer<TFormView> first;
    expectModal([&] { pressEnter(main.Button2); },
                [&](QWidget* w) {
                    first = FormView;
                    EXPECT_EQ(w->windowTitle(), "Просмотр данных");
                    QTest::keyClick(w, Qt::Key_Escape);
                    EXPECT_FALSE(w->isVisible());
                });
    EXPECT_TRUE(first.isNull());
    const int children = int(main.findChildren<QDialog*>().size());
    for (int i = 0; i < 3; ++i) expectModal([&] { main.Button2Click(); }, [](QWidget*) {});
    EXPECT_EQ(int(main.findChildren<QDialog*>().size()), children);
    pressEnter(main.Button4);
    EXPECT_FALSE(main.isVisible()) << "Enter on «Выход» ends the program";

    // The program loads Qt's Russian texts for the standard buttons.
    QMessageBox box(QMessageBox::Question, msg::kTitle, "?", QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    for (const auto& [button, text] : {std::pair{QMessageBox::Yes, "Да"}, {QMessageBox::No, "Нет"}, {QMessageBox::Cancel, "Отмена"}})
        EXPECT_EQ(box.button(button)->text().remove('&'), text);
}

}  // namespace
