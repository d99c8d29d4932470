#pragma once

#include "reports/PrintDialog.h"

// The team and subject of a report.
class TFormPrintKomand : public TFormPrintChoice {
    Q_OBJECT
public:
    explicit TFormPrintKomand(QWidget* owner);

    QLabel* Label11;       // "Команда"
    TComboBox* ComboBox1;  // team
    QLabel* Label12;       // "Предмет"
    TComboBox* ComboBox2;  // subject

public Q_SLOTS:
    void FormCreate();
    void ComboBox1Change();
};

extern QPointer<TFormPrintKomand> FormPrintKomand;
