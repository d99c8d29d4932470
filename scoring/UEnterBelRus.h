#pragma once

#include "Query.h"
#include "scoring/EntryMode.h"
#include "reference/Rounds.h"
#include "scoring/Scores.h"
#include "ui/Window.h"

#include <array>

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class TComboBox;
class TDBGrid;
class TDBNavigator;
class TGradeChooser;

inline const QString kUnsavedScores = QStringLiteral("Баллы участника не сохранены. Сохранить?");

// Score entry, by name (every round's task boxes at once) or by cipher (one round, no names):
// "Ввод" stores the participant's task scores with the round sums and the total, re-ranks the
// subject and grade, all as one action, and goes on to the next participant. Typed scores are never
// dropped silently: another participant, subject, grade or round chosen over them asks
// kUnsavedScores (Да saves first, Нет lets them go, Отмена stays).
class TFormEnterBelRus : public TForm {
    Q_OBJECT
public:
    TFormEnterBelRus(QWidget* owner, EntryMode mode);

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
    void DBGrid1CellClick();  // another participant chosen: his scores shown
    void Button1Click();
    void Button2Click();

protected:
    bool unsavedWork() const override;

private:
    QGridLayout* scoreBoxes();  // the round names over the task boxes, four columns of six
    QHBoxLayout* bottomRow();   // "введено N из M", "История", "Ввод"
    void setTabOrders();
    void connectHandlers();
    bool saveShown();  // the boxes for the participant shown; false after a refusal or failure
    bool mayLeave();   // nothing typed, or saved or let go after the question
    void clearRounds();
    void clearList();  // no participant listed, none shown
    void showRound(int k);  // its name over column k and its first KOL_ZAD boxes
    void loadScores();
    void focusFirstBox();
    void showEntered();  // how many participants of the subject and grade (and round) are entered
    void markBox(int n);  // a box whose text is not a score its task takes stands out at once

    const bool m_byCipher;
    TGradeChooser* m_chooser = nullptr;
    std::array<QLineEdit*, scores::kSlots> m_edits{};
    std::array<QLabel*, 4> m_roundLabels{};
    std::array<QString, scores::kSlots> m_loaded;  // the texts shown when the participant was loaded
    rounds::Maxima m_maxima{};  // of the subject shown
    Query IBQuery1;  // participants by name
    Query IBQuery2;  // ciphers of a round
    int m_idPredmet = 0;  // the subject and grade of the list shown
    int m_idKlass = 0;
    int m_shownChild = 0;  // the participant whose scores the boxes hold
};

extern QPointer<TFormEnterBelRus> FormEnterBelRus;
