#pragma once

#include "reports/PrintDialog.h"

// The subject and grade of a report, and the round for the blank score sheet.
class TFormPrintKlass : public TFormPrintChoice {
    Q_OBJECT
public:
    explicit TFormPrintKlass(QWidget* owner);

    QLabel* Label12;       // "Предмет"
    TComboBox* ComboBox1;  // subject
    QLabel* Label11;       // "Класс"
    TComboBox* ComboBox2;  // grade
    QLabel* NameTur;       // "Тур", hidden unless the report shows it
    TComboBox* ComboBox3;  // round name

    void showRound();

public Q_SLOTS:
    void FormCreate();
    void ComboBox1Change();
};

extern QPointer<TFormPrintKlass> FormPrintKlass;
