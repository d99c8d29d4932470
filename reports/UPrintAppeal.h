#pragma once

#include "reports/PrintDialog.h"

// The appeal whose protocol is printed, by its number.
class TFormPrintAppeal : public TFormPrintChoice {
    Q_OBJECT
public:
    explicit TFormPrintAppeal(QWidget* owner);

    QLabel* Label1;        // "Апелляция"
    TComboBox* ComboBox1;  // "№ 3: Физика, 9 класс, А-12"
};

extern QPointer<TFormPrintAppeal> FormPrintAppeal;
