#pragma once

#include "ui/Window.h"

class QPushButton;

// The viewing menu.
class TFormView : public TForm {
    Q_OBJECT
public:
    explicit TFormView(QWidget* owner);

    QPushButton* Button1;  // "Списки участников по командам"
    QPushButton* Button2;  // "Списки участников по классам"
    QPushButton* Button4;  // "Результаты команд"
    QPushButton* Button5;  // "Список победителей"

public Q_SLOTS:
    void Button1Click();
    void Button2Click();
    void Button4Click();
    void Button5Click();
};

extern QPointer<TFormView> FormView;
