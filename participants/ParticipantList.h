#pragma once

#include "Query.h"
#include "ui/Window.h"

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class TComboBox;
class TDBGrid;
class TDBNavigator;

// The two participant list windows (by team and subject, by subject and grade): the participants
// of a selection with their teachers. A participant's names, school and town, and his teachers'
// names, are corrected in place, each edit checked as registration checks it and stored as one
// action; teachers are added (Ins) and removed (Alt+Del). "Перевести…" moves the selected
// participant to another team, subject or grade; "Delete" removes him with everything recorded
// about him. Each is one action.
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
    QPushButton* ButtonMove;           // "Перевести…"
    QPushButton* ButtonAddTeacher;     // "+" (Ins in the teachers)
    QPushButton* ButtonRemoveTeacher;  // "-" (Alt+Del in the teachers)

public Q_SLOTS:
    void FormCreate();
    void ComboBox1Change();
    void ComboBox2Change();
    void DBGrid1CellClick();
    void Button1Click();
    void ButtonMoveClick();
    void ButtonAddTeacherClick();
    void ButtonRemoveTeacherClick();

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
    QGridLayout* choosers(const Texts& t);
    TDBGrid* participantGrid(const Texts& t);  // its columns, corrected in place, and its navigator
    QHBoxLayout* teachersHeading();
    QHBoxLayout* bottomRow();  // the teachers' count, "Перевести…", "Delete"
    void connectHandlers();
    void showSecond();  // the list of the second chooser's text
    void showList();
    void showTeachers(int row = 0);
    void enableActions();
    bool storeChild(int row, const QString& field, const QString& text, QString& stored);
    bool storeTeacher(int row, const QString& field, const QString& text, QString& stored);
    Query m_list;
    QString m_first, m_second;  // the choosers' texts the list was made for
};
