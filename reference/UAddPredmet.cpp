#include "UAddPredmet.h"

#include "reference/Dictionaries.h"
#include "ui/Station.h"

QPointer<TFormAddPredmet> FormAddPredmet;

TFormAddPredmet::TFormAddPredmet(QWidget* owner)
    : TFormAddName(owner, {"Введите данные", "Введите предмет", "OK", "Cancel", 50}, ui::Dictionary::Subjects, true) {
    setObjectName(QStringLiteral("FormAddPredmet"));
}

void TFormAddPredmet::store(const QString& name) { dict::addPredmet(DM->IBDatabase1, DM->IBTransaction1, name); }
