#include "UAddKomand.h"

#include "reference/Dictionaries.h"
#include "ui/Station.h"

QPointer<TFormAddKomand> FormAddKomand;

TFormAddKomand::TFormAddKomand(QWidget* owner)
    : TFormAddName(owner, {"Введите данные", "Введите команду", "OK", "Cancel", 50}, ui::Dictionary::Teams, true) {
    setObjectName(QStringLiteral("FormAddKomand"));
}

void TFormAddKomand::store(const QString& name) { dict::addKomand(DM->IBDatabase1, DM->IBTransaction1, name); }
