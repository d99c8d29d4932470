#pragma once

#include "ui/Window.h"

class QLabel;
class QLineEdit;
class QPushButton;
class TComboBox;
class TDBGrid;
class TFormDataGr;

// Division of the participants of a subject and grade into groups: choosing a grade asks for the
// number of groups, the grid takes the number of participants wanted in each, "Ввод" distributes
// them in registration order as one action and closes the window.
class TFormGroup : public TForm {
    Q_OBJECT
public:
    explicit TFormGroup(QWidget* owner);

    TComboBox* ComboBox1;  // subject
    TComboBox* ComboBox2;  // grade
    QLineEdit* Edit1;      // "Количество участников:"
    QLineEdit* Edit2;      // "Количество групп:"
    TDBGrid* DBGrid1;      // GROUP_TEMP: "Группа", "Количество"
    QPushButton* Button1;  // "Ввод"

public Q_SLOTS:
    void FormCreate();
    void ComboBox1Change();
    void ComboBox2Change();
    void Button1Click();

private:
    // Asks for the number of groups until it is a whole number from 0 to the participant count;
    // -1 when the operator left the dialog.
    int askGroupCount(int participants);
    void showCounts();
    bool storeCount(int row, const QString& text, QString& stored);

    TFormDataGr* m_ask = nullptr;
    QString m_readySubject;  // the subject and grade whose groups the grid holds
    QString m_readyGrade;
};

extern QPointer<TFormGroup> FormGroup;
