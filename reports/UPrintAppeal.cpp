#include "UPrintAppeal.h"

#include "appeals/Appeals.h"
#include "ui/Combo.h"
#include "ui/Station.h"

QPointer<TFormPrintAppeal> FormPrintAppeal;

TFormPrintAppeal::TFormPrintAppeal(QWidget* owner) : TFormPrintChoice(owner) {
    setObjectName(QStringLiteral("FormPrintAppeal"));
    ComboBox1 = chooser("ComboBox1", Label1, "Label1", QStringLiteral("Апелляция"), 0, 0, QStringLiteral("Выберите апелляцию"));
    ComboBox1->setMinimumWidth(320);
    finish();
    combo::setItems(ComboBox1, appeals::titles(DM->IBDatabase1, DM->IBTransaction1));
}
