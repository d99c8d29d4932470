#pragma once

#include "ui/Window.h"

class QLineEdit;
class QPushButton;

// A teacher added to a registered participant from the participant lists: surname, name and
// patronymic, checked as registration checks them; "Ввод" stores him as one action.
class TFormAddTeacher : public TForm {
    Q_OBJECT
public:
    TFormAddTeacher(QWidget* owner, int idChild);

    QLineEdit* Edit1;  // surname, name, patronymic
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QPushButton* Button1;  // "Ввод"
    QPushButton* Button2;  // "Отмена"

    bool added() const { return m_added; }

public Q_SLOTS:
    void Button1Click();

protected:
    bool unsavedWork() const override;

private:
    int m_idChild;
    bool m_added = false;
};

extern QPointer<TFormAddTeacher> FormAddTeacher;
