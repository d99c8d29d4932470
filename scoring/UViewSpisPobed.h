#pragma once

#include "scoring/ResultsView.h"

// The winners of a subject, degree 1 to 3 from every team, in degree order.
class TFormViewSpisPobed : public TFormResultsView {
    Q_OBJECT
public:
    explicit TFormViewSpisPobed(QWidget* owner);

    TComboBox* ComboBox2;  // subject
    QLineEdit* Edit1;      // "Диплом" .. "степени"
    QLineEdit* Edit2;      // "Команда"
    QLineEdit* Edit5;      // "Учреждение"
    QLineEdit* Edit4;      // "Класс"
    QLineEdit* Edit3;      // "Город/район", hidden

public Q_SLOTS:
    void FormCreate();
    void ComboBox2Change();

protected:
    void fillDetails(bool any) override;

private:
    Query IBQuery3;
};

extern QPointer<TFormViewSpisPobed> FormViewSpisPobed;
