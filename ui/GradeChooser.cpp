#include "GradeChooser.h"

#include "Combo.h"
#include "DataGrid.h"
#include "Handler.h"
#include "Lookups.h"
#include "Station.h"
#include "Window.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

TGradeChooser::TGradeChooser(QWidget* window, Parts parts) : QWidget(window) {
    auto* top = new QGridLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    ComboBox1 = newChooser(window, "ComboBox1", 50, 220);
    ComboBox2 = newChooser(window, "ComboBox2", 30, 80);
    if (parts.round) {
        ComboBox3 = newChooser(window, "ComboBox3", 2, 60);
        Label8 = placeChoosers(this, top, {{QStringLiteral("Предмет"), ComboBox1}, {QStringLiteral("Класс"), ComboBox2},
                                           {QStringLiteral("Тур"), ComboBox3}})
                     .last();
        Label8->setObjectName(QStringLiteral("Label8"));
    } else {
        placeChoosers(this, top, {{QStringLiteral("Предмет"), ComboBox1}, {QStringLiteral("Класс"), ComboBox2}});
    }
    top->setColumnStretch(parts.round ? 4 : 3, 1);
    const auto onChoice = [this](TComboBox* box, QString& shown, void (TGradeChooser::*chosen)()) {
        const auto act = [this, box, &shown, chosen] { choose(box, shown, chosen); };
        ui::connect(box, &TComboBox::chosen, this, act);
        ui::connect(box, &TComboBox::refused, this, act);
    };
    onChoice(ComboBox1, m_subject, &TGradeChooser::subjectChosen);
    onChoice(ComboBox2, m_grade, &TGradeChooser::gradeChosen);
    if (ComboBox3) onChoice(ComboBox3, m_round, &TGradeChooser::roundChosen);
    if (!parts.list) return;

    DBGrid1 = new TDBGrid(window);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBNavigator1 = new TDBNavigator(DBGrid1, false, window);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    listColumn = new QVBoxLayout;
    listColumn->addWidget(labelFor(window, QStringLiteral("Участники"), DBGrid1));
    listColumn->addWidget(DBGrid1, 1);
    listColumn->addWidget(DBNavigator1);
    ui::connect(DBGrid1, &TDBGrid::selectedRowChanged, this, [this] { rowChanged(); });
}

void TGradeChooser::fillSubjects() {
    combo::setItems(ComboBox1, lookup::subjectsWithParticipants(DM->IBDatabase1, DM->IBTransaction1));
}

void TGradeChooser::choose(TComboBox* box, QString& shown, void (TGradeChooser::*chosen)()) {
    if (!mayLeave(box)) {
        combo::setText(box, shown);
        return;
    }
    shown = box->currentText();
    if (box == ComboBox1) m_grade.clear();  // the lists below are filled anew
    if (box != ComboBox3) m_round.clear();
    Q_EMIT(this->*chosen)();
}

void TGradeChooser::rowChanged() {
    const int target = DBGrid1->currentRow();
    if (target == m_shownRow) return;
    DBGrid1->setCurrentRow(m_shownRow);  // a question is about the one shown
    if (!mayLeave(DBGrid1)) return;
    DBGrid1->setCurrentRow(target);
    Q_EMIT participantChosen();
}
