#include "participants/ParticipantList.h"

#include "app/UDM.h"
#include "participants/Lists.h"
#include "participants/TeacherView.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Messages.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TFormParticipantList::TFormParticipantList(QWidget* owner, const Texts& t)
    : TForm(owner), m_list(DM->IBDatabase1, DM->IBTransaction1) {
    setWindowTitle(QString::fromUtf8(t.caption));
    auto* lay = new QVBoxLayout(this);

    auto* top = new QGridLayout;
    ComboBox1 = newChooser(this, "ComboBox1", 50, 220);
    ComboBox2 = newChooser(this, "ComboBox2", 50, 160);
    top->addWidget(labelFor(this, QString::fromUtf8(t.first), ComboBox1), 0, 0);
    top->addWidget(ComboBox1, 1, 0);
    top->addWidget(labelFor(this, QString::fromUtf8(t.second), ComboBox2), 0, 1);
    top->addWidget(ComboBox2, 1, 1);
    top->setColumnStretch(2, 1);
    lay->addLayout(top);

    DBGrid1 = new TDBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    std::vector<GridColumn> columns = {{"ID_CHILD", QString(), false},   {"ID_KOMAND", QString(), false},
                                       {"ID_PREDMET", QString(), false}, {"KLASS", QString(), false},
                                       {"SITY", QStringLiteral("Город/район"), false},
                                       {"SURNAME", QStringLiteral("Фамилия")}, {"NAME", QStringLiteral("Имя")},
                                       {"SECONDNAME", QStringLiteral("Отчество")}};
    const GridColumn school{"SCHOOL", QStringLiteral("Учреждение")}, grade{"KLASS_NAME", QStringLiteral("Класс")};
    columns.push_back(t.gradeBeforeSchool ? grade : school);
    columns.push_back(t.gradeBeforeSchool ? school : grade);
    DBGrid1->setColumns(columns);
    DBGrid1->setMinimumSize(640, 260);
    DBNavigator1 = new TDBNavigator(DBGrid1, false, this);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    lay->addWidget(labelFor(this, QStringLiteral("Участники"), DBGrid1));
    lay->addWidget(DBGrid1, 3);
    auto* under = new QHBoxLayout;
    under->addWidget(DBNavigator1);
    under->addStretch();
    CountDety = new QLabel(QStringLiteral("0"), this);
    CountDety->setObjectName(QStringLiteral("CountDety"));
    under->addWidget(new QLabel(QStringLiteral("Всего участников:"), this));
    under->addWidget(CountDety);
    lay->addLayout(under);

    DBGrid2 = teachers::newGrid(this);
    lay->addWidget(labelFor(this, QStringLiteral("Учителя"), DBGrid2));
    lay->addWidget(DBGrid2, 1);
    auto* bottom = new QHBoxLayout;
    CountTeacher = new QLabel(QStringLiteral("0"), this);
    CountTeacher->setObjectName(QStringLiteral("CountTeacher"));
    bottom->addWidget(new QLabel(QStringLiteral("Всего учителей:"), this));
    bottom->addWidget(CountTeacher);
    bottom->addStretch();
    Button1 = new QPushButton(QStringLiteral("Delete"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setEnabled(false);
    Button1->setAutoDefault(false);  // never the window's default: Enter must not lead to a delete
    bottom->addWidget(Button1);
    lay->addLayout(bottom);

    setTabOrder(ComboBox1, ComboBox2);
    setTabOrder(ComboBox2, DBGrid1);
    setTabOrder(DBGrid1, DBGrid2);
    setTabOrder(DBGrid2, Button1);
    ui::connect(ComboBox1, &TComboBox::chosen, this, &TFormParticipantList::ComboBox1Change);
    ui::connect(ComboBox2, &TComboBox::chosen, this, &TFormParticipantList::ComboBox2Change);
    ui::connect(DBGrid1, &TDBGrid::selectedRowChanged, this, &TFormParticipantList::DBGrid1CellClick);
    ui::connect(Button1, &QPushButton::clicked, this, &TFormParticipantList::Button1Click);
}

void TFormParticipantList::FormCreate() { combo::setItems(ComboBox1, firstItems()); }

void TFormParticipantList::ComboBox1Change() {
    DBGrid1->clear();
    DBGrid2->clear();
    CountDety->setText(QStringLiteral("0"));
    CountTeacher->setText(QStringLiteral("0"));
    combo::setItems(ComboBox2, secondItems(ComboBox1->currentText()));
    Button1->setEnabled(false);
}

void TFormParticipantList::showList() {
    selectList(m_list, ComboBox1->currentText(), ComboBox2->currentText());
    m_list.open();
    DBGrid1->load(m_list);
    CountDety->setText(QString::number(m_list.recordCount()));
    m_list.close();
    DBGrid1CellClick();
}

void TFormParticipantList::ComboBox2Change() {
    showList();
    Button1->setEnabled(true);
    DBGrid1->setFocus();
}

void TFormParticipantList::DBGrid1CellClick() { teachers::show(DBGrid2, CountTeacher, DBGrid1->value("ID_CHILD").toInt()); }

void TFormParticipantList::Button1Click() {
    const int row = DBGrid1->currentRow();
    if (row < 0) return;  // nothing selected: nothing to ask or delete
    if (!msg::confirm(kSureDelete)) return;
    const int idChild = DBGrid1->value("ID_CHILD").toInt();
    if (!guardedWrite(DM->IBTransaction1, kNotDone,
                      [&] { participants::remove(DM->IBDatabase1, DM->IBTransaction1, idChild); }))
        return;
    showList();
    DBGrid1->setCurrentRow(qMin(row, DBGrid1->rowCount() - 1));
    DBGrid1CellClick();
}
