#pragma once

#include "ui/Window.h"

class QLabel;
class QLineEdit;
class QPushButton;

// The schools of a team, the one its opener names (0: none chosen): adds a school (Button1) or,
// opened in rename mode, gives the school chosen there a new name (Button3, in the same place).
class TFormAddSchool : public TForm {
    Q_OBJECT
public:
    TFormAddSchool(QWidget* owner, int idKomand);

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* Button1;  // "Ввод": add
    QPushButton* Button3;  // "Ввод": rename; shown only in rename mode
    QPushButton* Button2;  // "Отмена"

    // Rename mode: the school's name as chosen in the edit, Button3 instead of Button1.
    void setRenameMode(const QString& oldName);

public Q_SLOTS:
    void Button1Click();
    void Button2Click();
    void Button3Click();

private:
    const int m_idKomand;
    QString m_oldName;  // the school renamed
};

extern QPointer<TFormAddSchool> FormAddSchool;
