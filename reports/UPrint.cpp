#include "UPrint.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QPointer<TFormPrint> FormPrint;

TFormPrint::TFormPrint(QWidget* owner) : TForm(owner) {
    setObjectName(QStringLiteral("FormPrint"));
    setWindowTitle(QStringLiteral("Печать данных"));
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(20, 16, 20, 16);
    QFont bold = font();
    bold.setBold(true);
    bold.setPointSizeF(font().pointSizeF() * 1.2);
    Label1 = new QLabel(QStringLiteral("Выберите отчет для "), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("печати в Excel"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    for (QLabel* l : {Label1, Label2}) {
        l->setFont(bold);
        l->setAlignment(Qt::AlignCenter);
        lay->addWidget(l);
    }
    lay->addSpacing(8);
    Button1 = addMenuButton(this, lay, "Button1", QStringLiteral("Списка участников по командам"));
    Button2 = addMenuButton(this, lay, "Button2", QStringLiteral("Списка участников по классам"));
    Button6 = addMenuButton(this, lay, "Button6", QStringLiteral("Списка участников по группам"));
    Button8 = addMenuButton(this, lay, "Button8", QStringLiteral("Бланк ведомости по шифрам"));
    Button3 = addMenuButton(this, lay, "Button3", QStringLiteral("Ведомости по ФИО"));
    Button4 = addMenuButton(this, lay, "Button4", QStringLiteral("Списка результатов по командам"));
    Button7 = addMenuButton(this, lay, "Button7", QStringLiteral("Списка результатов по классам"));
    Button5 = addMenuButton(this, lay, "Button5", QStringLiteral("Списка победителей"));
    for (QPushButton* b : {Button1, Button2, Button6, Button8, Button3, Button4, Button7, Button5})
        b->setEnabled(false);  // each report is enabled with its builder
}
