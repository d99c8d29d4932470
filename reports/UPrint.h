#pragma once

#include "ui/Window.h"

class QLabel;
class QPushButton;

// The printing menu: one button per report.
class TFormPrint : public TForm {
    Q_OBJECT
public:
    explicit TFormPrint(QWidget* owner);

    QLabel* Label1;        // "Выберите отчет для "
    QLabel* Label2;        // "печати в Excel"
    QPushButton* Button1;  // "Списка участников по командам"
    QPushButton* Button2;  // "Списка участников по классам"
    QPushButton* Button6;  // "Списка участников по группам"
    QPushButton* Button8;  // "Бланк ведомости по шифрам"
    QPushButton* Button3;  // "Ведомости по ФИО"
    QPushButton* Button4;  // "Списка результатов по командам"
    QPushButton* Button7;  // "Списка результатов по классам"
    QPushButton* Button5;  // "Списка победителей"
};

extern QPointer<TFormPrint> FormPrint;
