#pragma once

#include "Query.h"
#include "reference/Rounds.h"
#include "scoring/Scores.h"
#include "ui/Window.h"

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class TComboBox;
class TDBGrid;
class TDBNavigator;

// Score entry, by name (every round's task boxes at once) or by cipher (one round, no names):
// "Ввод" stores the participant's task scores with the round sums and the total, re-ranks the
// subject and grade, all as one action, and goes on to the next participant.
class TFormEnterBelRus : public TForm {
    Q_OBJECT
public:
    explicit TFormEnterBelRus(QWidget* owner);

    TComboBox* ComboBox1;  // subject
    TComboBox* ComboBox2;  // grade
    TComboBox* ComboBox3;  // round (by cipher)
    QLabel* Label8;        // "Тур"
    TDBGrid* DBGrid1;
    TDBNavigator* DBNavigator1;
    QLabel* Label3;  // round names over the four columns
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QPushButton* Button1;  // "Ввод"
    QPushButton* Button2;  // "История" (F9): who changed the participant's scores, and when
    QLabel* Label9;        // "введено N из M"
    // Edit1..Edit24: round k, task j is Edit(6(k-1)+j).
    QLineEdit* Edit(int n) const { return m_edits[size_t(n - 1)]; }

    bool byCipher() const { return m_byCipher; }

public Q_SLOTS:
    void FormCreate();
    void ComboBox1Change();
    void ComboBox2Change();
    void ComboBox3Change();
    void DBGrid1CellClick();
    void Button1Click();
    void Button2Click();

protected:
    bool unsavedWork() const override;

private:
    void clearRounds();
    void showRound(int k);  // its name over column k and its first KOL_ZAD boxes
    void loadScores();
    void focusFirstBox();
    void showEntered();  // how many participants of the subject and grade (and round) are entered
    void markBox(int n);  // a box whose text is not a score its task takes stands out at once

    const bool m_byCipher;
    std::array<QLineEdit*, scores::kSlots> m_edits{};
    std::array<QLabel*, 4> m_roundLabels{};
    std::array<QString, scores::kSlots> m_loaded;
    rounds::Maxima m_maxima{};  // of the subject shown  // the texts shown when the participant was loaded
    Query IBQuery1;  // participants by name
    Query IBQuery2;  // ciphers of a round
    int m_idPredmet = 0;  // the subject and grade of the list shown
    int m_idKlass = 0;
};

extern QPointer<TFormEnterBelRus> FormEnterBelRus;
