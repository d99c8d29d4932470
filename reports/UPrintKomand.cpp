#include "UPrintKomand.h"

#include "Lookups.h"
#include "ui/Combo.h"
#include "ui/Handler.h"
#include "ui/Station.h"

QPointer<TFormPrintKomand> FormPrintKomand;

TFormPrintKomand::TFormPrintKomand(QWidget* owner) : TFormPrintChoice(owner) {
    setObjectName(QStringLiteral("FormPrintKomand"));
    ComboBox1 = chooser("ComboBox1", Label11, "Label11", QStringLiteral("Команда"), 0, 0, QStringLiteral("Выберите команду"));
    ComboBox2 = chooser("ComboBox2", Label12, "Label12", QStringLiteral("Предмет"), 2, 0, QStringLiteral("Выберите предмет"));
    finish();
    combo::onChoice(ComboBox1, this, &TFormPrintKomand::ComboBox1Change);
    FormCreate();
}

void TFormPrintKomand::FormCreate() {
    combo::setItems(ComboBox1,
                    lookup::teamsWithParticipants(DM->IBDatabase1, DM->IBTransaction1, lookup::Order::ByName));
}

void TFormPrintKomand::ComboBox1Change() {
    combo::setItems(ComboBox2, lookup::subjectsOfTeam(DM->IBDatabase1, DM->IBTransaction1, ComboBox1->currentText(),
                                                      lookup::Order::ByName));
}
