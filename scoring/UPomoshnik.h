#pragma once

#include "scoring/AwardRules.h"
#include "ui/Window.h"

#include <array>

class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class TAwardChart;
class TComboBox;
class TDBGrid;
class TGradeChooser;

inline const QString kUnappliedCuts = QStringLiteral("Введённые пороги не применены. Применить?");

// The award assistant: for a subject and grade, the totals as a histogram with the cut-off lines,
// the award rules and the cut-offs they give (each may be typed over), the participants in place
// order with the degree they have and the one proposed, how many get each degree, and what to
// look out for (cut-offs typed out of order among them: they are refused only by "Применить").
// "Применить" gives every participant of the subject and grade the degree the cut-offs
// shown make and records the rules with them, as one action; "Протокол" makes the award protocol of
// the subject and grade.
class TFormPomoshnik : public TForm {
    Q_OBJECT
public:
    explicit TFormPomoshnik(QWidget* owner);

    TComboBox* ComboBox1;  // subject
    TComboBox* ComboBox2;  // grade
    QLineEdit* Edit1;      // diplomas, at most % of the participants
    QLineEdit* Edit2;      // no diploma below % of the greatest total
    QLineEdit* Edit3;      // the ratio of the degrees, "1:2:3"
    QLineEdit* Edit4;      // mentions, % of the participants
    QLabel* Label1;        // the greatest total, or that it is not known
    QLineEdit* Edit5;      // cut-offs: degree 1
    QLineEdit* Edit6;      // degree 2
    QLineEdit* Edit7;      // degree 3
    QLineEdit* Edit8;      // mention
    TAwardChart* Chart1;
    TDBGrid* DBGrid1;
    QLabel* Label3;        // what to look out for
    QPushButton* Button1;  // "Применить"
    QPushButton* Button2;  // "Закрыть"
    QPushButton* Button3;  // "Протокол"

    // The cut-off box of a degree (1..4).
    QLineEdit* cutBox(int degree) const { return m_cutBoxes[size_t(degree - 1)]; }
    // How many the proposal gives a degree (0..4) and their share, "3 (15 %)"; how many have it now.
    QLabel* proposedCount(int degree) const { return m_proposed[size_t(degree)]; }
    QLabel* currentCount(int degree) const { return m_current[size_t(degree)]; }
    const awardrules::Cuts& cuts() const { return m_cuts; }

public Q_SLOTS:
    void FormCreate();
    void ComboBox1Change();
    void ComboBox2Change();
    void RulesEnter();  // Enter in a rule box: the cut-offs the rules give
    void CutsEnter();   // Enter in a cut-off box: the proposal follows the cut-offs as typed
    void Button1Click();
    void Button3Click();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    bool unsavedWork() const override;

private:
    QVBoxLayout* chartAndList();
    QLineEdit* numberBox(const char* name);  // a rule or cut-off box, in which Enter recomputes
    // The rule and cut-off boxes under their labels (added to `labels`), and the counts of each award.
    QGroupBox* rulesBox(QList<QLabel*>& labels);
    QGroupBox* cutsBox(QList<QLabel*>& labels);
    QGroupBox* countsBox();
    QHBoxLayout* buttonRow();
    bool chosen();                  // a subject and grade are chosen; else says which to choose
    bool readRules();               // the rule boxes into m_rules; false after the refusal
    bool readCuts();                // the cut-off boxes into m_cuts; false after the refusal
    bool shownAsApplied();          // takes what was typed without Enter; false after a refusal, cut-offs out of
                                    // order, or new cut-offs to look at
    bool applyShown(bool ask);      // "Применить" (asking how many degrees change); false when nothing was applied
    bool typedCuts() const;         // cut-offs typed over the shown ones that would change a degree, or unreadable
    // Another subject or grade over typed cut-offs asks kUnappliedCuts: Да applies them, Нет lets them
    // go, Отмена stays.
    bool mayLeave(QWidget* from);
    void load();                    // the participants of the chosen subject and grade
    void propose();                 // the rules' cut-offs, shown in the boxes
    void refresh();                 // table, counts, warnings and chart for m_cuts
    static std::array<QString, 4> ruleTexts(const awardrules::Rules& r);
    static std::array<QString, 4> cutTexts(const awardrules::Cuts& cuts);
    static std::array<QString, 4> textsOf(const std::array<QLineEdit*, 4>& boxes);

    std::array<QLineEdit*, 4> m_ruleBoxes{};
    std::array<QLineEdit*, 4> m_cutBoxes{};
    std::array<QLabel*, 5> m_proposed{};
    std::array<QLabel*, 5> m_current{};
    TGradeChooser* m_chooser = nullptr;

    int m_idPredmet = 0;
    int m_idKlass = 0;
    QList<awardrules::Participant> m_list;
    std::optional<Score> m_max;  // the subject's greatest total
    int m_inGrade = 0;           // participants registered in the subject and grade
    int m_entered = 0;           // of them with every round entered
    awardrules::Rules m_rules;        // in use
    awardrules::Rules m_storedRules;  // as the database keeps them
    awardrules::Proposal m_proposal;  // what the rules give
    awardrules::Cuts m_cuts;          // in use: the rules' or typed
    std::optional<awardrules::Applied> m_applied;  // as recorded for the subject and grade
    std::array<QString, 4> m_shownCuts;  // the cut-offs as the rules gave them or as last applied
};

extern QPointer<TFormPomoshnik> FormPomoshnik;
