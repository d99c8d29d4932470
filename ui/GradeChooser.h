#pragma once

#include <QString>
#include <QWidget>
#include <functional>

class QLabel;
class QVBoxLayout;
class TComboBox;
class TDBGrid;
class TDBNavigator;

// What score entry, awards and the award assistant work on: a subject and a grade (and, by cipher,
// a round) chosen side by side, "по" before the first, the subjects with participants listed; and,
// for the first two, the participants of the choice in a grid with its navigator under
// "Участники", which the window places (listColumn). A choice, or another participant, that would
// replace what the window shows asks the window first (mayLeave): when it says no, the chooser's
// text or the selected participant stays as it was.
class TGradeChooser : public QWidget {
    Q_OBJECT
public:
    struct Parts {
        bool round = false;  // a round chooser (ComboBox3) after the grade
        bool list = false;   // the participants' grid (DBGrid1) and navigator (DBNavigator1)
    };
    TGradeChooser(QWidget* window, Parts parts);

    TComboBox* ComboBox1;  // subject
    TComboBox* ComboBox2;  // grade
    TComboBox* ComboBox3 = nullptr;  // round
    QLabel* Label8 = nullptr;        // "Тур"
    TDBGrid* DBGrid1 = nullptr;
    TDBNavigator* DBNavigator1 = nullptr;
    QVBoxLayout* listColumn = nullptr;  // the label, the grid and the navigator, for the window to place

    // Asked before a choice or another participant (`from`: the chooser or the grid) replaces what
    // the window shows; false keeps what is shown.
    std::function<bool(QWidget* from)> mayLeave = [](QWidget*) { return true; };

    // Lists the subjects that have participants; nothing chosen.
    void fillSubjects();
    // The row of the participant the window shows; -1 for none.
    int shownRow() const { return m_shownRow; }
    void setShownRow(int row) { m_shownRow = row; }

Q_SIGNALS:
    // A choice the window may act on (also a confirmed text that names nothing).
    void subjectChosen();
    void gradeChosen();
    void roundChosen();
    // Another participant was selected in the grid (click, keys, navigator).
    void participantChosen();

private:
    void choose(TComboBox* box, QString& shown, void (TGradeChooser::*chosen)());
    void rowChanged();

    QString m_subject, m_grade, m_round;  // the choices acted on
    int m_shownRow = -1;
};
