#pragma once

#include "reports/PrintDialog.h"

// The subject, grade and group (or "Все") of the group list.
class TFormPrintGroup : public TFormPrintChoice {
    Q_OBJECT
public:
    explicit TFormPrintGroup(QWidget* owner);

    QLabel* Label12;       // "Предмет"
    TComboBox* ComboBox1;  // subject
    QLabel* Label11;       // "Класс"
    TComboBox* ComboBox2;  // grade
    QLabel* Label2;        // "Группа"
    TComboBox* ComboBox3;  // group numbers, then "Все"

public Q_SLOTS:
    void FormCreate();
    void ComboBox1Change();
    void ComboBox2Change();
};

extern QPointer<TFormPrintGroup> FormPrintGroup;
