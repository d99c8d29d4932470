#include "UDataGr.h"

#include "ui/Handler.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QPointer<TFormDataGr> FormDataGr;

TFormDataGr::TFormDataGr(QWidget* owner) : TForm(owner) {
    setObjectName(QStringLiteral("FormDataGr"));
    setWindowTitle(QStringLiteral("Введите данные"));
    setMinimumWidth(300);
    auto* lay = new QVBoxLayout(this);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(9);
    Label1 = labelFor(this, QStringLiteral("На сколько групп разделить ?"), Edit1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Button1 = new QPushButton(QStringLiteral("Ввод"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    lay->addWidget(Label1);
    lay->addWidget(Edit1);
    lay->addWidget(Button1, 0, Qt::AlignRight);
    ui::connect(Button1, &QPushButton::clicked, this, &TFormDataGr::Button1Click);
}

void TFormDataGr::Button1Click() { accept(); }
