#include "UEnter.h"

#include "appeals/UAppeal.h"
#include "appeals/UItogi.h"
#include "participants/UEnterSpisok.h"
#include "participants/UGroup.h"
#include "participants/UShifr.h"
#include "scoring/UDiplom.h"
#include "scoring/UEnterBelRus.h"
#include "scoring/UPomoshnik.h"
#include "ui/Handler.h"

#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QPointer<TFormEnter> FormEnter;


TFormEnter::TFormEnter(QWidget* owner) : TForm(owner) {
    setObjectName(QStringLiteral("FormEnter"));
    setWindowTitle(QStringLiteral("Ввод данных"));
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(20, 16, 20, 16);
    Button1 = addMenuButton(this, lay, "Button1", QStringLiteral("Списки участников"));
    Button3 = addMenuButton(this, lay, "Button3", QStringLiteral("Деление на группы"));
    Button4 = addMenuButton(this, lay, "Button4", QStringLiteral("Шифровка участников"));
    Button2 = addMenuButton(this, lay, "Button2", QStringLiteral("Ввод баллов по ФИО"));
    Button6 = addMenuButton(this, lay, "Button6", QStringLiteral("Ввод баллов по шифру"));
    Button5 = addMenuButton(this, lay, "Button5", QStringLiteral("Награждение по ФИО"));
    Button7 = addMenuButton(this, lay, "Button7", QStringLiteral("Награждение по шифру"));
    Button8 = addMenuButton(this, lay, "Button8", QStringLiteral("Помощник награждения"));
    Button9 = addMenuButton(this, lay, "Button9", QStringLiteral("Апелляции"));
    Button10 = addMenuButton(this, lay, "Button10", QStringLiteral("Итоги…"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setVisible(false);


    ui::connect(Button1, &QPushButton::clicked, this, &TFormEnter::Button1Click);
    ui::connect(Button3, &QPushButton::clicked, this, &TFormEnter::Button3Click);
    ui::connect(Button4, &QPushButton::clicked, this, &TFormEnter::Button4Click);
    ui::connect(Button2, &QPushButton::clicked, this, &TFormEnter::Button2Click);
    ui::connect(Button5, &QPushButton::clicked, this, &TFormEnter::Button5Click);
    ui::connect(Button6, &QPushButton::clicked, this, &TFormEnter::Button6Click);
    ui::connect(Button7, &QPushButton::clicked, this, &TFormEnter::Button7Click);
    ui::connect(Button8, &QPushButton::clicked, this, &TFormEnter::Button8Click);
    ui::connect(Button9, &QPushButton::clicked, this, &TFormEnter::Button9Click);
    ui::connect(Button10, &QPushButton::clicked, this, &TFormEnter::Button10Click);
}

void TFormEnter::setMode(QPushButton* b) { Edit1->setText(b->text()); }

void TFormEnter::Button1Click() { openWindow(FormEnterSpisok, this); }
void TFormEnter::Button3Click() { openWindow(FormGroup, this); }
void TFormEnter::Button4Click() { openWindow(FormShifr, this); }

void TFormEnter::Button2Click() {
    setMode(Button2);
    openWindow(FormEnterBelRus, this, EntryMode::ByName);
}
void TFormEnter::Button6Click() {
    setMode(Button6);
    openWindow(FormEnterBelRus, this, EntryMode::ByCipher);
}
void TFormEnter::Button5Click() {
    setMode(Button5);
    openWindow(FormDiplom, this, EntryMode::ByName);
}
void TFormEnter::Button7Click() {
    setMode(Button7);
    openWindow(FormDiplom, this, EntryMode::ByCipher);
}
void TFormEnter::Button8Click() { openWindow(FormPomoshnik, this); }

// The appeals window asks for the award assistant when degrees no longer fit the places; it opens
// over it, and the appeals window goes on when it closes.
void TFormEnter::Button9Click() {
    std::unique_ptr<TFormAppeal> w(new TFormAppeal(this));
    FormAppeal = w.get();
    ui::connect(w.get(), &TFormAppeal::awardAssistantWanted, this, [this] { openWindow(FormPomoshnik, FormAppeal.data()); });
    w->exec();
}
void TFormEnter::Button10Click() { openWindow(FormItogi, this); }
