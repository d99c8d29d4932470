// The main window and the menus: texts in order, the windows they open, the entry mode.

#include "app/UEnter.h"
#include "app/UMain.h"
#include "app/UView.h"
#include "fixtures/WindowTest.h"
#include "reports/UPrint.h"

#include <QLabel>
#include <QLineEdit>
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

TEST_F(Menus, MainWindowButtonsInOrder) {
    TMainForm main;
    main.show();
    EXPECT_EQ(main.windowTitle(), "MainForm");
    EXPECT_EQ(buttonsInOrder(&main), QStringList({"Button1=Ввод данных", "Button2=Просмотр данных", "Button3=Печать",
                                                  "Button5=Объединение", "Button4=Выход"}));
    EXPECT_FALSE(main.ProgressBar1->isVisible());
    EXPECT_TRUE(main.OpenDialog1Filter.startsWith("InterBase (*.GDB"));
}

TEST_F(Menus, EachMenuOpensModallyOwnedByTheMainWindowWithItsTexts) {
    TMainForm main;
    main.show();
    QStringList seen;
    onNextModal([&](QWidget* w) {
        seen << w->windowTitle() << buttonsInOrder(w);
        EXPECT_EQ(w->parentWidget(), &main);
        EXPECT_EQ(w, FormEnter.data());
        EXPECT_FALSE(find<QLineEdit>(w, "Edit1")->isVisible());
        EXPECT_TRUE(find<QLineEdit>(w, "Edit1")->text().isEmpty());
        w->close();
    });
    main.Button1Click();
    EXPECT_EQ(seen, QStringList({"Ввод данных", "Button1=Списки участников", "Button3=Деление на группы",
                                 "Button4=Шифровка участников", "Button2=Ввод баллов по ФИО",
                                 "Button6=Ввод баллов по шифру", "Button5=Награждение по ФИО",
                                 "Button7=Награждение по шифру"}));
    seen.clear();
    onNextModal([&](QWidget* w) {
        seen << w->windowTitle() << buttonsInOrder(w);
        EXPECT_EQ(w, FormView.data());
        w->close();
    });
    main.Button2Click();
    EXPECT_EQ(seen, QStringList({"Просмотр данных", "Button1=Списки участников по командам",
                                 "Button2=Списки участников по классам", "Button4=Результаты команд",
                                 "Button5=Список победителей"}));
    seen.clear();
    onNextModal([&](QWidget* w) {
        seen << w->windowTitle() << find<QLabel>(w, "Label1")->text() << find<QLabel>(w, "Label2")->text()
             << buttonsInOrder(w);
        EXPECT_EQ(w, FormPrint.data());
        w->close();
    });
    main.Button3Click();
    EXPECT_EQ(seen, QStringList({"Печать данных", "Выберите отчет для ", "печати в Excel",
                                 "Button1=Списка участников по командам", "Button2=Списка участников по классам",
                                 "Button6=Списка участников по группам", "Button8=Бланк ведомости по шифрам",
                                 "Button3=Ведомости по ФИО", "Button4=Списка результатов по командам",
                                 "Button7=Списка результатов по классам", "Button5=Списка победителей"}));
}

TEST_F(Menus, ReopeningMakesASecondInstanceAndTheFirstStaysHidden) {
    TMainForm main;
    main.show();
    onNextModal([](QWidget* w) { w->close(); });
    main.Button2Click();
    QPointer<TFormView> first = FormView;
    onNextModal([](QWidget* w) { w->close(); });
    main.Button2Click();
    ASSERT_TRUE(first);
    EXPECT_NE(first.data(), FormView.data());
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(first->parentWidget(), &main);
}

TEST_F(Menus, EntryModeIsTheCaptionOfTheLastModeButton) {
    TMainForm main;
    TFormEnter enter(&main);
    EXPECT_TRUE(enter.Edit1->text().isEmpty());
    enter.Button6Click();
    EXPECT_EQ(enter.Edit1->text(), "Ввод баллов по шифру");
    EXPECT_TRUE(enter.byCipher());
    enter.Button2Click();
    EXPECT_EQ(enter.Edit1->text(), "Ввод баллов по ФИО");
    EXPECT_FALSE(enter.byCipher());
    enter.Button7Click();
    EXPECT_EQ(enter.Edit1->text(), "Награждение по шифру");
    EXPECT_TRUE(enter.byCipher());
    enter.Button5Click();
    EXPECT_EQ(enter.Edit1->text(), "Награждение по ФИО");
    EXPECT_FALSE(enter.byCipher());
    TFormEnter another(&main);
    EXPECT_TRUE(another.Edit1->text().isEmpty()) << "a new menu starts with no mode";
}

TEST_F(Menus, ExitClosesTheMainWindow) {
    TMainForm main;
    main.show();
    QTest::mouseClick(main.Button4, Qt::LeftButton);
    EXPECT_FALSE(main.isVisible());
}

}  // namespace
