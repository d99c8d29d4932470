#include "UAddKlass.h"

#include "reference/Dictionaries.h"
#include "ui/Station.h"

QPointer<TFormAddKlass> FormAddKlass;

TFormAddKlass::TFormAddKlass(QWidget* owner)
    : TFormAddName(owner, {"Введите класс", "Введите класс ", "Ввод", "Отмена", 30}, ui::Dictionary::Grades, false) {
    setObjectName(QStringLiteral("FormAddKlass"));
}

void TFormAddKlass::store(const QString& name) { dict::addKlass(DM->IBDatabase1, DM->IBTransaction1, name); }
