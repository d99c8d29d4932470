#include "UView.h"

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
    for (QPushButton* b : {Button1, Button2, Button4, Button5}) b->setEnabled(false);  // lists and results come later
}
