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
};

extern QPointer<TFormView> FormView;
