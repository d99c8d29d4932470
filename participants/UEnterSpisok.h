#pragma once

#include "Query.h"
#include "participants/Registration.h"
#include "ui/Notices.h"
#include "ui/Window.h"

#include <functional>
#include <initializer_list>
#include <utility>

class TComboBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QToolButton;

// Registration of participants: team, subject, names, the teachers, school and grade. Each "Ввод"
// stores one participant with all its teachers as one action. Teachers added with "+" are held in
// the window until then. The team and subject stay chosen for the next child of the same team.
class TFormEnterSpisok : public TForm {
    Q_OBJECT
public:
    explicit TFormEnterSpisok(QWidget* owner);

    TComboBox* ComboBox1;  // team
    TComboBox* ComboBox2;  // subject
    TComboBox* ComboBox3;  // school of the chosen team
    TComboBox* ComboBox4;  // grade
    QLineEdit* Edit1;      // participant: surname, name, patronymic
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QLineEdit* Edit6;  // teacher: surname, name, patronymic
    QLineEdit* Edit7;
    QLineEdit* Edit8;
    QLineEdit* Edit9;  // town or district: hidden, always empty
    QLabel* Label9;
    QPushButton* Button1;  // "+": hold the teacher in the fields
    QListWidget* ListTeachers;  // teachers held for this participant
    QPushButton* ButtonRemoveTeacher;
    QPushButton* Button2;  // "Ввод"
    QPushButton* Button3;  // "Отмена"
    QPushButton* ButtonImport;  // "Импорт…": a list file
    QToolButton* Button4;  // team + / -
    QToolButton* Button5;
    QToolButton* Button6;  // subject + / -
    QToolButton* Button7;
    QToolButton* Button8;  // school + / - / rename
    QToolButton* Button9;
    QToolButton* BitBtn1;
    QToolButton* Button10;  // grade +

    const QList<PersonName>& heldTeachers() const { return m_held; }

    // A dictionary changed (a dialog added to it): its chooser is filled again.
    void refill(ui::Dictionary kind);
    void refillKomands();
    void refillPredmets();
    void refillKlasses();
    // The schools of the team now shown in ComboBox1.
    void refillSchools();
    // Keys of the team and subject now shown; 0 when the text names none.
    int komandKey() const;
    int predmetKey() const;

public Q_SLOTS:
    void FormCreate();
    // A team or subject is chosen: picked from the list, or a typed name confirmed with Enter or by
    // leaving the box.
    void ComboBox1Change();
    void ComboBox2Change();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void ButtonImportClick();
    void ButtonRemoveTeacherClick();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    void Button9Click();
    void BitBtn1Click();
    void Button10Click();

protected:
    // Closing (Отмена, Esc, the close box) with a child typed or teachers held with "+" asks first.
    void reject() override;
    bool unsavedWork() const override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QGridLayout* teamAndSubject();  // the two choosers with their + and - buttons
    QGroupBox* childBox();          // the participant's names
    QGroupBox* teachersBox();       // a teacher's names, "+" and the teachers held
    QGroupBox* schoolBox();         // school and grade with their buttons; the hidden town
    QHBoxLayout* buttonRow();
    void connectHandlers();
    void clearHeld();
    PersonName teacherInFields() const;
    // Shows why "Ввод" cannot store the child and puts the cursor where the fix is.
    void refuse(QWidget* field, const QString& message, const QString& detail = QString());
    // Refuses, at its field, the first text that the database cannot hold.
    bool storable(std::initializer_list<std::pair<QWidget*, QString>> fields);
    // A dictionary delete: refused when nothing is chosen, asked, written as one action, refilled.
    void deleteChosen(bool chosen, const QString& notChosen, const std::function<void()>& remove,
                      const std::function<void()>& refill);

    Query IBQuery1;  // teams
    Query IBQuery2;  // subjects
    Query IBQuery3;  // grades
    Query IBQuery4;  // schools of a team
    QList<PersonName> m_held;
};

extern QPointer<TFormEnterSpisok> FormEnterSpisok;
