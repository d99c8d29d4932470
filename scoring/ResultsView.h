#pragma once

#include "Query.h"
#include "ui/Window.h"

class QGridLayout;
class QLabel;
class QLineEdit;
class TComboBox;
class TDBGrid;
class TDBNavigator;

// What the two results windows share: a list of participants chosen by the combo boxes above it,
// the teachers of the selected one with their count, and read-only boxes with his details. They
// write nothing.
class TFormResultsView : public TForm {
    Q_OBJECT
public:
    TDBGrid* DBGrid1;
    TDBNavigator* DBNavigator1;
    TDBGrid* DBGrid2;      // teachers of the selected participant
    QLabel* CountDety;     // "Всего участников:"
    QLabel* CountTeacher;  // "Всего учителей:"
    QLabel* LabelStatus;   // the status of the results listed: "Предварительные результаты", …

public Q_SLOTS:
    void ShowParticipantDetails();

protected:
    TFormResultsView(QWidget* owner, const char* caption, const char* heading);
    // A read-only detail box after its caption (and before `after`), on the next line of the details.
    QLineEdit* detail(const char* name, const QString& caption, const QString& after = QString());
    // A bold heading over the next details.
    void detailHeading(const QString& text);
    // Opens the list with the selection's parameters set, shows it and its first participant, and
    // the status of the results of the subject's grades it lists.
    void showList(Query& list, const QString& subject);
    // Fills the detail boxes from the selected row of the list (empty when there is none).
    virtual void fillDetails(bool any) = 0;
    QGridLayout* m_top;  // the selection boxes go here

private:
    QGridLayout* m_details;
    int m_detailRows = 1;
};
