#pragma once

#include "ui/Window.h"

class QLabel;
class QPushButton;
class QTableWidget;
class TComboBox;
class TGradeChooser;

// The status of the results of a subject and grade: preliminary or final, who decided and when,
// and every decision before. Button1 makes them final after a question that lists what is still
// open (refused while an appeal waits for its decision), or makes them preliminary again after a
// question; each decision is recorded.
class TFormItogi : public TForm {
    Q_OBJECT
public:
    explicit TFormItogi(QWidget* owner);

    TComboBox* ComboBox1;  // subject
    TComboBox* ComboBox2;  // grade
    QLabel* Label1;        // the status, who and when
    QTableWidget* StringGrid1;  // the decisions, the latest first
    QPushButton* Button1;  // "Сделать итоговыми" / "Вернуть предварительные"

public Q_SLOTS:
    void ComboBox2Change();
    void Button1Click();

private:
    void showStatus();
    int m_idPredmet = 0, m_idKlass = 0;
    bool m_final = false;
};

extern QPointer<TFormItogi> FormItogi;
