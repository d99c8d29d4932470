#pragma once

#include "ui/Window.h"

class QLineEdit;
class QPushButton;

// The data-entry menu. Score entry and awards open by name or by cipher, as their button says; the
// hidden Edit1 holds the caption of the last of these buttons pressed.
class TFormEnter : public TForm {
    Q_OBJECT
public:
    explicit TFormEnter(QWidget* owner);

    QPushButton* Button1;  // "Списки участников"
    QPushButton* Button3;  // "Деление на группы"
    QPushButton* Button4;  // "Шифровка участников"
    QPushButton* Button2;  // "Ввод баллов по ФИО"
    QPushButton* Button6;  // "Ввод баллов по шифру"
    QPushButton* Button5;  // "Награждение по ФИО"
    QPushButton* Button7;  // "Награждение по шифру"
    QPushButton* Button8;  // "Помощник награждения"
    QPushButton* Button9;  // "Апелляции"
    QPushButton* Button10;  // "Итоги…": the status of results
    QLineEdit* Edit1;      // hidden: the entry mode's caption

public Q_SLOTS:
    void Button1Click();
    void Button3Click();
    void Button4Click();
    void Button2Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    void Button9Click();
    void Button10Click();

private:
    void setMode(QPushButton* b);
};

extern QPointer<TFormEnter> FormEnter;
