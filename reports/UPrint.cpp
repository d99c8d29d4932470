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
    const auto add = [&](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setMinimumHeight(30);
        b->setMinimumWidth(280);
        b->setAutoDefault(false);
        b->setEnabled(false);  // each report is enabled with its builder
        lay->addWidget(b);
        return b;
    };
    Button1 = add("Button1", QStringLiteral("Списка участников по командам"));
    Button2 = add("Button2", QStringLiteral("Списка участников по классам"));
    Button6 = add("Button6", QStringLiteral("Списка участников по группам"));
    Button8 = add("Button8", QStringLiteral("Бланк ведомости по шифрам"));
    Button3 = add("Button3", QStringLiteral("Ведомости по ФИО"));
    Button4 = add("Button4", QStringLiteral("Списка результатов по командам"));
    Button7 = add("Button7", QStringLiteral("Списка результатов по классам"));
    Button5 = add("Button5", QStringLiteral("Списка победителей"));
}
