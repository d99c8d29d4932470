#include "UAddPredmet.h"

#include "participants/UEnterSpisok.h"
#include "reference/Dictionaries.h"
#include "ui/Station.h"

QPointer<TFormAddPredmet> FormAddPredmet;

TFormAddPredmet::TFormAddPredmet(QWidget* owner)
    : TFormAddName(owner, {"Введите данные", "Введите предмет", "OK", "Cancel", 50}, true) {
    setObjectName(QStringLiteral("FormAddPredmet"));
}

void TFormAddPredmet::store(const QString& name) { dict::addPredmet(DM->IBDatabase1, DM->IBTransaction1, name); }

void TFormAddPredmet::refill() {
    if (FormEnterSpisok) FormEnterSpisok->refillPredmets();
}
