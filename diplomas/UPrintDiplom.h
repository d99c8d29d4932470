#pragma once

#include "diplomas/Diplomas.h"
#include "ui/Window.h"

#include <optional>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class TComboBox;

// "Дипломы": prints the diplomas of the participants with a degree into one PDF, one a page, from
// the template diplom.svg, numbered (diplomanumbers), and opens it. By default every subject and
// grade, degrees 1 to 3, today: Enter alone prints them all. Doubtful degrees are listed in a
// question first; the olympiad's name and the numbers' prefix are kept in the settings.
class TFormPrintDiplom : public TForm {
    Q_OBJECT
public:
    explicit TFormPrintDiplom(QWidget* owner);

    QLabel* Label1;          // "Предмет"
    TComboBox* ComboBox1;    // "Все" or a subject
    QLabel* Label2;          // "Класс"
    TComboBox* ComboBox2;    // "Все" or a grade
    QCheckBox* CheckBox1;    // "I степени"
    QCheckBox* CheckBox2;    // "II степени"
    QCheckBox* CheckBox3;    // "III степени"
    QCheckBox* CheckBox4;    // "Поощрительные отзывы"
    QLabel* Label3;          // "Дата"
    QDateEdit* DateEdit1;
    QCheckBox* CheckBox5;    // "На бланке"
    QLabel* Label4;          // "Олимпиада (название и год)"
    QLineEdit* Edit1;
    QLabel* Label5;          // "Префикс номера"
    QLineEdit* Edit2;
    QPushButton* Button1;    // "Печать"
    QPushButton* Button2;    // "Отмена"

public Q_SLOTS:
    void Button1Click();

private:
    void addChoosers(class QGridLayout* grid);
    void addOptions(class QGridLayout* grid);
    // The choices as typed, or none (and a message, the cursor on the field) where one is wrong.
    std::optional<diplomas::Choice> read();
    // Numbers, PDF and opening it; false where nothing was printed.
    bool print(const diplomas::Choice& choice);
};

extern QPointer<TFormPrintDiplom> FormPrintDiplom;
