#pragma once

#include "ui/Window.h"

class QLabel;
class QPushButton;

// The printing menu: one button per report. A report asks its choices in its dialog, fills its
// sheet of a copy of the template, writes it as a new file in the reports folder and opens it in
// the desktop's spreadsheet program.
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
    QPushButton* Button9;  // "Ключ шифров": the organisers' key to the codes of a round
    QPushButton* Button3;  // "Ведомости по ФИО"
    QPushButton* Button4;  // "Списка результатов по командам"
    QPushButton* Button7;  // "Списка результатов по классам"
    QPushButton* Button5;  // "Списка победителей"
    QPushButton* Button10;  // "Протокол награждения"
    QPushButton* Button11;  // "Дипломы…": the diplomas' PDF
    QPushButton* Button12;  // "Реестр дипломов"
    QPushButton* Button13;  // "Протокол апелляции": one appeal, for the jury to sign
    QPushButton* Button14;  // "Апелляции": the appeals of a subject and grade
    QPushButton* Button15;  // "Публикация результатов…": the results as a web page

public Q_SLOTS:
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    void Button9Click();
    void Button10Click();
    void Button11Click();
    void Button12Click();
    void Button13Click();
    void Button14Click();
    void Button15Click();
};

extern QPointer<TFormPrint> FormPrint;
