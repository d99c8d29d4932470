#include "UView.h"

#include "participants/UViewKlass.h"
#include "participants/UViewSpisok.h"
#include "scoring/UViewResultKommand.h"
#include "scoring/UViewSpisPobed.h"
#include "ui/Handler.h"

#include <QPushButton>
#include <QVBoxLayout>

QPointer<TFormView> FormView;

TFormView::TFormView(QWidget* owner) : TForm(owner) {
    setObjectName(QStringLiteral("FormView"));
    setWindowTitle(QStringLiteral("Просмотр данных"));
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(20, 16, 20, 16);
    Button1 = addMenuButton(this, lay, "Button1", QStringLiteral("Списки участников по командам"));
    Button2 = addMenuButton(this, lay, "Button2", QStringLiteral("Списки участников по классам"));
    Button4 = addMenuButton(this, lay, "Button4", QStringLiteral("Результаты команд"));
    Button5 = addMenuButton(this, lay, "Button5", QStringLiteral("Список победителей"));
    ui::connect(Button1, &QPushButton::clicked, this, &TFormView::Button1Click);
    ui::connect(Button2, &QPushButton::clicked, this, &TFormView::Button2Click);
    ui::connect(Button4, &QPushButton::clicked, this, &TFormView::Button4Click);
    ui::connect(Button5, &QPushButton::clicked, this, &TFormView::Button5Click);
}

void TFormView::Button1Click() { openWindow(FormViewSpisok, this); }
void TFormView::Button2Click() { openWindow(FormViewKlass, this); }
void TFormView::Button4Click() { openWindow(FormViewResultKommand, this); }
void TFormView::Button5Click() { openWindow(FormViewSpisPobed, this); }
