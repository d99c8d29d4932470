#include "UView.h"

#include <QPushButton>
#include <QVBoxLayout>

QPointer<TFormView> FormView;

TFormView::TFormView(QWidget* owner) : TForm(owner) {
    setObjectName(QStringLiteral("FormView"));
    setWindowTitle(QStringLiteral("Просмотр данных"));
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(20, 16, 20, 16);
    const auto add = [&](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setMinimumHeight(32);
        b->setMinimumWidth(260);
        b->setAutoDefault(false);
        b->setEnabled(false);  // the lists and results open from here as they come
        lay->addWidget(b);
        return b;
    };
    Button1 = add("Button1", QStringLiteral("Списки участников по командам"));
    Button2 = add("Button2", QStringLiteral("Списки участников по классам"));
    Button4 = add("Button4", QStringLiteral("Результаты команд"));
    Button5 = add("Button5", QStringLiteral("Список победителей"));
}
