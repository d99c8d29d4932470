#pragma once

#include "ui/Window.h"

class QLabel;
class QPushButton;
class TComboBox;

// Moving a registered participant to another team, subject or grade ("Перевести…" of the lists):
// the three choosers start at where he is; "Перевести" moves him with his scores, codes and group
// and re-ranks both grades, as one action.
class TFormPerevod : public TForm {
    Q_OBJECT
public:
    TFormPerevod(QWidget* owner, int idChild, const QString& name);

    QLabel* Label1;        // who
    TComboBox* ComboBox1;  // team
    TComboBox* ComboBox2;  // subject
    TComboBox* ComboBox3;  // grade
    QPushButton* Button1;  // "Перевести"
    QPushButton* Button2;  // "Отмена"

    bool moved() const { return m_moved; }

public Q_SLOTS:
    void Button1Click();

private:
    int m_idChild;
    bool m_moved = false;
};

extern QPointer<TFormPerevod> FormPerevod;
