#pragma once

#include "Query.h"
#include "scoring/EntryMode.h"
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

inline const QString kUnsavedDegree = QStringLiteral("Степень участника не сохранена. Сохранить?");

// Awards: the participants of a subject and grade in place order (by name, or by their round-1
// cipher), the selected one's scores, total and place, and his degree, written when the operator
// chooses one. A degree typed and not written is never dropped silently: another participant,
// subject or grade asks kUnsavedDegree (Да writes it first, Нет lets it go, Отмена stays).
class TFormDiplom : public TForm {
    Q_OBJECT
public:
    TFormDiplom(QWidget* owner, EntryMode mode);

    TComboBox* ComboBox1;  // subject
    TComboBox* ComboBox2;  // grade
    TComboBox* ComboBox3;  // degree: "1", "2", "3", "4", "0"
    TDBGrid* DBGrid1;
    TDBNavigator* DBNavigator1;
    QLineEdit* Edit7;  // total
    QLineEdit* Edit8;  // place
    QPushButton* Button1;  // "Ввод"
    QLabel* LabelStatus;   // final results of the grade, said before anything is chosen
    // Round r, task t: the box of BAL column 6(r-1)+t; round sums Edit28..Edit31.
    QLineEdit* taskBox(int round, int task) const { return m_tasks[size_t(6 * (round - 1) + task - 1)]; }
    QLineEdit* sumBox(int round) const { return m_sums[size_t(round - 1)]; }
    QLabel* roundName(int round) const { return m_names[size_t(round - 1)]; }
    QLabel* sumCaption(int round) const { return m_sumCaptions[size_t(round - 1)]; }
    bool byCipher() const { return m_byCipher; }

public Q_SLOTS:
    void FormCreate();
    void ComboBox1Change();
    void ComboBox2Change();
    void ComboBox3Change();
    void ShowParticipantResult();
    void DBGrid1CellClick();  // another participant chosen: his results shown
    void Button1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    bool unsavedWork() const override;

private:
    QGridLayout* scoreBoxes();  // the round names, task boxes and sums, four columns
    QHBoxLayout* resultRow();   // total, place, the degree chooser and "Ввод"
    bool storeDegree();  // the degree box for the participant shown; false after a refusal or failure
    bool mayLeave();
    void clearDisplay();
    void resetRounds();
    void showStatus(int idPredmet, int idKlass);  // final results: the degree not offered, and why

    const bool m_byCipher;
    TGradeChooser* m_chooser = nullptr;
    std::array<QLineEdit*, 24> m_tasks{};
    std::array<QLineEdit*, 4> m_sums{};
    std::array<QLabel*, 4> m_names{};
    std::array<QLabel*, 4> m_sumCaptions{};
    Query IBQuery3;  // by name, in place order
    Query IBQuery1;  // round-1 ciphers, in place order
    QString m_storedDegree;  // what the degree box showed when the participant was shown
    int m_shownChild = 0;     // the participant whose degree the box shows
    bool m_advance = false;  // Enter in the degree box: on to the next participant once it is written
};

extern QPointer<TFormDiplom> FormDiplom;
