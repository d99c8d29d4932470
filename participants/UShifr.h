#pragma once

#include "Query.h"
#include "ui/Window.h"

class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TComboBox;
class TDBGrid;
class TDBNavigator;

// Cipher entry: the participants of a subject, grade and group with their codes of the chosen
// round, one after another; "Ввод" stores the code typed and moves on to the next participant.
// "Сгенерировать…" gives the whole list random codes at once.
class TFormShifr : public TForm {
    Q_OBJECT
public:
    explicit TFormShifr(QWidget* owner);

    TComboBox* ComboBox1;  // subject
    TComboBox* ComboBox2;  // grade
    TComboBox* ComboBox3;  // group numbers, then "Все"
    QRadioButton* RadioButton1;  // "1-й тур" .. "4-й тур"
    QRadioButton* RadioButton2;
    QRadioButton* RadioButton3;
    QRadioButton* RadioButton4;
    TDBGrid* DBGrid1;
    TDBNavigator* DBNavigator1;
    QLineEdit* Edit1;      // the cipher
    QPushButton* Button1;  // "Ввод"
    QPushButton* Button2;  // "Исправить"
    QPushButton* Button3;  // "Сгенерировать…" (Ctrl+G)

    // The round chosen with the buttons, 0 before any.
    int round() const { return m_round; }

public Q_SLOTS:
    void FormCreate();
    void ComboBox1Change();
    void ComboBox2Change();
    void ComboBox3Change();
    void RadioButtonClick(int round);
    void DBGrid1CellClick();
    void Button1Click();
    void Button2Click();
    void Button3Click();

private:
    QHBoxLayout* roundButtons();  // "Тур" and a button for each of the four rounds
    QHBoxLayout* bottomRow();
    // A list is shown, and for what the choosers show now.
    bool listShown() const;
    void closeLists();
    void showCipher();
    // Shows the chosen list with the codes of the chosen round, on the given row.
    void loadList(int row);

    Query IBQuery1;  // the list: the whole subject and grade, or one group
    int m_round = 0;
    int m_idPredmet = 0;  // the subject and grade of the list shown
    int m_idKlass = 0;
    QString m_subject, m_grade, m_group;  // as chosen for the list shown
};

extern QPointer<TFormShifr> FormShifr;
