#pragma once

#include "appeals/Appeals.h"
#include "ui/Window.h"

#include <array>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TComboBox;
class TDBGrid;
class TDBNavigator;
class TGradeChooser;

inline const QString kUnsavedAppeal = QStringLiteral("Апелляция не сохранена. Сохранить?");

// Appeals of a subject and grade: the participant found by cipher or by name, the appeal's date,
// round, tasks, reason and the jury members present, and the decision per task ("отклонена" or
// "удовлетворена" with the new score). "Сохранить" stores it; with every task decided the new
// scores are stored with it as one action. The list shows every appeal of the grade with the change
// of total and places. When a decision moves places, the degrees given are checked against them
// and the window offers the award assistant (awardAssistantWanted), changing nothing itself.
class TFormAppeal : public TForm {
    Q_OBJECT
public:
    explicit TFormAppeal(QWidget* owner);

    TComboBox* ComboBox1;   // subject
    TComboBox* ComboBox2;   // grade
    TDBGrid* DBGrid1;       // participants
    TDBNavigator* DBNavigator1;
    QLineEdit* Edit1;       // "Найти": a cipher or the start of a surname, Enter
    TDBGrid* DBGrid2;       // the appeals of the grade
    QLabel* Label1;         // "Апелляция № 3" / "Новая апелляция"
    QDateEdit* DateEdit1;
    TComboBox* ComboBox3;   // round
    QPlainTextEdit* Memo1;  // the participant's reason
    QLineEdit* Edit2;       // the jury members present
    QLabel* Label2;         // the degree check
    QPushButton* Button1;   // "Сохранить"
    QPushButton* Button2;   // "Новая"
    QPushButton* Button3;   // "Удалить" (an appeal not decided)
    QPushButton* Button4;   // "Помощник награждения"
    // Task n (1..6): appealed, the score before, the decision, the new score.
    QCheckBox* taskBox(int n) const { return m_task[size_t(n - 1)]; }
    QLabel* beforeLabel(int n) const { return m_before[size_t(n - 1)]; }
    TComboBox* decisionBox(int n) const { return m_decision[size_t(n - 1)]; }
    QLineEdit* newScoreBox(int n) const { return m_new[size_t(n - 1)]; }
    int shownAppeal() const { return m_appeal.id; }

Q_SIGNALS:
    void awardAssistantWanted(const QString& subject, const QString& grade);

public Q_SLOTS:
    void ComboBox1Change();
    void ComboBox2Change();
    void ComboBox3Change();
    void DBGrid1CellClick();
    void DBGrid2CellClick();
    void Edit1Enter();
    void Button1Click();
    void Button2Click();
    void Button3Click();

protected:
    bool unsavedWork() const override;

private:
    QWidget* formPart();
    QWidget* tasksPart();
    void connectHandlers();
    bool mayLeave();
    bool saveShown();
    void newAppeal();            // an empty form for the participant selected
    void showAppeal(const appeals::Appeal& a);
    void showScoresBefore();
    void fillAppeals(int select = 0);
    void fillRounds();
    void setEditable(bool editable);
    void markDirty() { if (!m_loading) m_dirty = true; }
    void checkDegrees();
    appeals::Appeal typed() const;

    TGradeChooser* m_chooser = nullptr;
    std::array<QCheckBox*, 6> m_task{};
    std::array<QLabel*, 6> m_before{};
    std::array<TComboBox*, 6> m_decision{};
    std::array<QLineEdit*, 6> m_new{};
    appeals::Appeal m_appeal;  // as loaded (id 0: new)
    int m_idPredmet = 0, m_idKlass = 0;
    bool m_dirty = false, m_loading = false;
    QString m_problem;  // a text typed where a score is wanted
};

extern QPointer<TFormAppeal> FormAppeal;
