#pragma once

#include "Query.h"
#include "ui/Window.h"

class QLabel;
class QPushButton;
class TComboBox;
class TDBGrid;
class TDBNavigator;

// The two participant list windows (by team and subject, by subject and grade): the participants
// of a selection with their teachers, and "Delete", which removes the selected participant with
// everything recorded about him as one action. The grids are read-only.
class TFormParticipantList : public TForm {
    Q_OBJECT
public:
    TComboBox* ComboBox1;
    TComboBox* ComboBox2;
    TDBGrid* DBGrid1;
    TDBNavigator* DBNavigator1;
    TDBGrid* DBGrid2;     // teachers of the selected participant
    QLabel* CountDety;    // "Всего участников:"
    QLabel* CountTeacher; // "Всего учителей:"
    QPushButton* Button1; // "Delete"

public Q_SLOTS:
    void FormCreate();
    void ComboBox1Change();
    void ComboBox2Change();
    void DBGrid1CellClick();
    void Button1Click();

protected:
    struct Texts {
        const char* caption;
        const char* first;   // caption of ComboBox1
        const char* second;  // caption of ComboBox2
        bool gradeBeforeSchool;
    };
    TFormParticipantList(QWidget* owner, const Texts& texts);
    // The items of the first selector; of the second for the first's text.
    virtual QStringList firstItems() = 0;
    virtual QStringList secondItems(const QString& first) = 0;
    // The list statement (with the grade text as KLASS_NAME) and its parameters for the selection.
    virtual void selectList(Query& q, const QString& first, const QString& second) = 0;

private:
    void showList();
    Query m_list;
};
