#pragma once

#include "participants/Lists.h"
#include "ui/Window.h"

class QLabel;
class QPushButton;
class TComboBox;

// Moving a registered participant to another team, subject or grade ("Перевести…" of the lists):
// the choosers start at where he is; another team shows its schools to choose his from. Within his
// subject "Перевести" moves him with his scores, codes and group; to another subject it asks first,
// for they are deleted. Both grades are re-ranked, all as one action.
class TFormPerevod : public TForm {
    Q_OBJECT
public:
    TFormPerevod(QWidget* owner, int idChild, const QString& name);

    QLabel* Label1;        // who
    TComboBox* ComboBox1;  // team
    TComboBox* ComboBox2;  // subject
    TComboBox* ComboBox3;  // grade
    TComboBox* ComboBox4;  // school, shown when the team changes
    QLabel* Label2;        // "Учреждение"
    QPushButton* Button1;  // "Перевести"
    QPushButton* Button2;  // "Отмена"

    bool moved() const { return m_moved; }

public Q_SLOTS:
    void ComboBox1Change();
    void Button1Click();

private:
    int m_idChild;
    participants::Placement m_from;
    bool m_moved = false;
};

extern QPointer<TFormPerevod> FormPerevod;
