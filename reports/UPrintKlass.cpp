#include "UPrintKlass.h"

#include "Lookups.h"
#include "reference/Rounds.h"
#include "ui/Combo.h"
#include "ui/Handler.h"
#include "ui/Station.h"

#include <QLabel>

QPointer<TFormPrintKlass> FormPrintKlass;

TFormPrintKlass::TFormPrintKlass(QWidget* owner) : TFormPrintChoice(owner) {
    setObjectName(QStringLiteral("FormPrintKlass"));
    ComboBox1 = chooser("ComboBox1", Label12, "Label12", QStringLiteral("Предмет"), 0, 0, QStringLiteral("Выберите предмет"));
    ComboBox2 = chooser("ComboBox2", Label11, "Label11", QStringLiteral("Класс"), 0, 1, QStringLiteral("Выберите класс"));
    ComboBox3 = chooser("ComboBox3", NameTur, "NameTur", QStringLiteral("Тур"), 2, 0, QStringLiteral("Выберите тур"));
    NameTur->setVisible(false);
    ComboBox3->setVisible(false);
    finish();
    combo::onChoice(ComboBox1, this, &TFormPrintKlass::ComboBox1Change);
    FormCreate();
}

void TFormPrintKlass::showRound() {
    NameTur->setVisible(true);
    ComboBox3->setVisible(true);
}

void TFormPrintKlass::FormCreate() {
    combo::setItems(ComboBox1, lookup::subjectsWithParticipants(DM->IBDatabase1, DM->IBTransaction1));
}

void TFormPrintKlass::ComboBox1Change() {
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    combo::setItems(ComboBox2, lookup::gradesOfSubject(db, tr, ComboBox1->currentText()));
    combo::setItems(ComboBox3, rounds::names(db, tr, ComboBox1->currentText()));
}
