#pragma once

#include "reference/Rounds.h"
#include "ui/Window.h"

#include <array>

class QLineEdit;
class QPushButton;

// The four round slots of a subject, the one its opener names (0: none chosen): a name, a task count
// and the greatest score of each task. "Ввод" stores all four together; scores in tasks that go are
// removed (after a question) and the sums and places of the subject follow, in the same action.
class TFormTur : public TForm {
    Q_OBJECT
public:
    TFormTur(QWidget* owner, int idPredmet, const QString& subject);

    QLineEdit* Edit1;  // names of slots 1..4
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QLineEdit* Edit4;
    QLineEdit* Edit5;  // task counts of slots 1..4
    QLineEdit* Edit6;
    QLineEdit* Edit7;
    QLineEdit* Edit8;
    QLineEdit* Edit9;  // task maxima of slots 1..4, separated by blanks; may be empty
    QLineEdit* Edit10;
    QLineEdit* Edit11;
    QLineEdit* Edit12;
    QPushButton* Button1;  // "Ввод"

public Q_SLOTS:
    void FormCreate();
    void Button1Click();

protected:
    bool unsavedWork() const override;

private:
    // Slots that take tasks or lower maxima under stored scores: a maximum below a score is refused; tasks
    // that go with scores in them are asked about, a round at a time (No keeps every score and stores
    // nothing). Whether to store.
    // Asks before scores in tasks that go are cleared; `clears` tells whether any are.
    bool fitsTheScores(int key, const RoundSlots& slots, bool* clears);
    // The fields of slot 1..4 at 0..3: its name, its task count, its task maxima.
    std::array<QLineEdit*, 4> names() const { return {Edit1, Edit2, Edit3, Edit4}; }
    std::array<QLineEdit*, 4> counts() const { return {Edit5, Edit6, Edit7, Edit8}; }
    std::array<QLineEdit*, 4> maxima() const { return {Edit9, Edit10, Edit11, Edit12}; }

    const int m_idPredmet;
};

extern QPointer<TFormTur> FormTur;
