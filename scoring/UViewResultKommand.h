#pragma once

#include "scoring/ResultsView.h"

// A team's participants in a subject, by surname, with their total, place and degree.
class TFormViewResultKommand : public TFormResultsView {
    Q_OBJECT
public:
    explicit TFormViewResultKommand(QWidget* owner);

    TComboBox* ComboBox1;  // team
    TComboBox* ComboBox2;  // subject
    QLineEdit* Edit7;      // "Сумма баллов"
    QLineEdit* Edit8;      // "Место"
    QLineEdit* Edit1;      // "Диплом" .. "степени"
    QLineEdit* Edit5;      // "Учреждение"
    QLineEdit* Edit4;      // "Класс"
    QLineEdit* Edit2;      // "Город/район", hidden

public Q_SLOTS:
    void FormCreate();
    void ComboBox1Change();
    void ComboBox2Change();

protected:
    void fillDetails(bool any) override;

private:
    Query IBQuery3;
};

extern QPointer<TFormViewResultKommand> FormViewResultKommand;
