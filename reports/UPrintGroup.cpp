#include "UPrintGroup.h"

#include "Lookups.h"
#include "participants/Ciphers.h"
#include "ui/Combo.h"
#include "ui/Handler.h"
#include "ui/Station.h"

#include <QGridLayout>
#include <QLabel>

QPointer<TFormPrintGroup> FormPrintGroup;

TFormPrintGroup::TFormPrintGroup(QWidget* owner) : TFormPrintChoice(owner) {
    setObjectName(QStringLiteral("FormPrintGroup"));
    ComboBox1 = chooser("ComboBox1", Label12, "Label12", QStringLiteral("Предмет"), 0, 1, QStringLiteral("Выберите предмет"));
    auto* by = new QLabel(QStringLiteral("по"), this);
    by->setObjectName(QStringLiteral("Label1"));
    m_grid->addWidget(by, 1, 0);
    ComboBox2 = chooser("ComboBox2", Label11, "Label11", QStringLiteral("Класс"), 0, 2, QStringLiteral("Выберите класс"));
    ComboBox3 = chooser("ComboBox3", Label2, "Label2", QStringLiteral("Группа"), 0, 3, QStringLiteral("Выберите группу"));
    finish();
    combo::onChoice(ComboBox1, this, &TFormPrintGroup::ComboBox1Change);
    combo::onChoice(ComboBox2, this, &TFormPrintGroup::ComboBox2Change);
    FormCreate();
}

void TFormPrintGroup::FormCreate() {
    combo::setItems(ComboBox1, lookup::subjectsWithParticipants(DM->IBDatabase1, DM->IBTransaction1));
}

void TFormPrintGroup::ComboBox1Change() {
    combo::clear(ComboBox3);
    combo::setItems(ComboBox2, lookup::gradesOfSubject(DM->IBDatabase1, DM->IBTransaction1, ComboBox1->currentText()));
}

void TFormPrintGroup::ComboBox2Change() {
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    QStringList items;
    for (int g : ciphers::groupNumbers(db, tr, ComboBox1->currentText(), lookup::klassKey(db, tr, ComboBox2->currentText())))
        items.append(QString::number(g));
    items.append(QStringLiteral("Все"));
    combo::setItems(ComboBox3, items);
}
