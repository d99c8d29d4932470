#include "participants/ParticipantList.h"

#include "Lookups.h"
#include "participants/Lists.h"
#include "participants/UAddTeacher.h"
#include "participants/UPerevod.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Messages.h"
#include "ui/Station.h"
#include "ui/TeacherView.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The full name on the selected row of a grid of people.
QString fullName(const TDBGrid* grid) {
    return QStringList{grid->value("SURNAME"), grid->value("NAME"), grid->value("SECONDNAME")}.join(u' ').simplified();
}
}  // namespace

TFormParticipantList::TFormParticipantList(QWidget* owner, const Texts& t)
    : TForm(owner), m_list(DM->IBDatabase1, DM->IBTransaction1) {
    setWindowTitle(QString::fromUtf8(t.caption));
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(choosers(t));
    lay->addWidget(labelFor(this, QStringLiteral("Участники"), participantGrid(t)));
    lay->addWidget(DBGrid1, 3);
    auto* under = new QHBoxLayout;
    under->addWidget(DBNavigator1);
    under->addStretch();
    CountDety = new QLabel(QStringLiteral("0"), this);
    CountDety->setObjectName(QStringLiteral("CountDety"));
    under->addWidget(new QLabel(QStringLiteral("Всего участников:"), this));
    under->addWidget(CountDety);
    lay->addLayout(under);
    lay->addLayout(teachersHeading());
    lay->addWidget(DBGrid2, 1);
    lay->addLayout(bottomRow());
    setTabOrder(ComboBox1, ComboBox2);
    setTabOrder(ComboBox2, DBGrid1);
    setTabOrder(DBGrid1, DBGrid2);
    setTabOrder(DBGrid2, ButtonMove);
    setTabOrder(ButtonMove, Button1);
    connectHandlers();
}

QGridLayout* TFormParticipantList::choosers(const Texts& t) {
    auto* top = new QGridLayout;
    ComboBox1 = newChooser(this, "ComboBox1", 50, 220);
    ComboBox2 = newChooser(this, "ComboBox2", 50, 160);
    top->addWidget(labelFor(this, QString::fromUtf8(t.first), ComboBox1), 0, 0);
    top->addWidget(ComboBox1, 1, 0);
    top->addWidget(labelFor(this, QString::fromUtf8(t.second), ComboBox2), 0, 1);
    top->addWidget(ComboBox2, 1, 1);
    top->setColumnStretch(2, 1);
    return top;
}

TDBGrid* TFormParticipantList::participantGrid(const Texts& t) {
    DBGrid1 = new TDBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    std::vector<GridColumn> columns = {{"ID_CHILD", QString(), false},   {"ID_KOMAND", QString(), false},
                                       {"ID_PREDMET", QString(), false}, {"KLASS", QString(), false},
                                       {"SURNAME", QStringLiteral("Фамилия"), true, true},
                                       {"NAME", QStringLiteral("Имя"), true, true},
                                       {"SECONDNAME", QStringLiteral("Отчество"), true, true}};
    // The school is chosen from the participant's team's schools.
    const GridColumn school{"SCHOOL", QStringLiteral("Учреждение"), true, true, [this](int row) {
                                return lookup::schoolsOfTeam(DM->IBDatabase1, DM->IBTransaction1,
                                                             DBGrid1->value(row, "ID_KOMAND").toInt());
                            }};
    const GridColumn grade{"KLASS_NAME", QStringLiteral("Класс")};
    columns.push_back(t.gradeBeforeSchool ? grade : school);
    columns.push_back(t.gradeBeforeSchool ? school : grade);
    columns.push_back({"SITY", QStringLiteral("Город/район"), true, true});
    // "нет": the participant asked that his results be not published with his name.
    columns.push_back({"PUBL", QStringLiteral("Публиковать"), true, true,
                       [](int) { return QStringList{participants::kPublishedYes, participants::kPublishedNo}; }});
    DBGrid1->setColumns(columns);
    DBGrid1->setStaysAfterEdit(true);  // the row corrected stays in view with its teachers
    DBGrid1->setStore([this](int row, const QString& field, const QString& text, QString& stored) {
        return storeChild(row, field, text, stored);
    });
    DBGrid1->setToolTip(QStringLiteral("Исправить: F2 или начните печатать; Enter — сохранить, Esc — отменить"));
    DBGrid1->setMinimumSize(640, 260);
    DBNavigator1 = new TDBNavigator(DBGrid1, false, this);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    return DBGrid1;
}

// "Учителя" with the + and - buttons over the teachers' grid.
QHBoxLayout* TFormParticipantList::teachersHeading() {
    DBGrid2 = teachers::newGrid(this, true);
    DBGrid2->setStaysAfterEdit(true);
    DBGrid2->setStore([this](int row, const QString& field, const QString& text, QString& stored) {
        return storeTeacher(row, field, text, stored);
    });
    auto* teachersTop = new QHBoxLayout;
    teachersTop->addWidget(labelFor(this, QStringLiteral("Учителя"), DBGrid2));
    teachersTop->addStretch();
    ButtonAddTeacher = new QPushButton(QStringLiteral("+"), this);
    ButtonAddTeacher->setObjectName(QStringLiteral("ButtonAddTeacher"));
    ButtonRemoveTeacher = new QPushButton(QStringLiteral("-"), this);
    ButtonRemoveTeacher->setObjectName(QStringLiteral("ButtonRemoveTeacher"));
    for (QPushButton* b : {ButtonAddTeacher, ButtonRemoveTeacher}) {
        b->setFixedWidth(32);
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::NoFocus);  // their keys work in the teachers' list
        b->setEnabled(false);
        teachersTop->addWidget(b);
    }
    pressedByKey(ButtonAddTeacher, QStringLiteral("Добавить учителя"), QKeySequence(Qt::Key_Insert), {DBGrid2});
    pressedByKey(ButtonRemoveTeacher, QStringLiteral("Удалить учителя"), QKeySequence(Qt::ALT | Qt::Key_Delete), {DBGrid2});
    return teachersTop;
}

QHBoxLayout* TFormParticipantList::bottomRow() {
    auto* bottom = new QHBoxLayout;
    CountTeacher = new QLabel(QStringLiteral("0"), this);
    CountTeacher->setObjectName(QStringLiteral("CountTeacher"));
    bottom->addWidget(new QLabel(QStringLiteral("Всего учителей:"), this));
    bottom->addWidget(CountTeacher);
    bottom->addStretch();
    ButtonMove = new QPushButton(QStringLiteral("&Перевести…"), this);
    ButtonMove->setObjectName(QStringLiteral("ButtonMove"));
    ButtonMove->setToolTip(QStringLiteral("Перевести участника в другой класс, предмет или команду вместе с баллами, "
                                          "шифрами и группой"));
    ButtonMove->setEnabled(false);
    ButtonMove->setAutoDefault(false);
    bottom->addWidget(ButtonMove);
    Button1 = new QPushButton(QStringLiteral("Delete"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setEnabled(false);
    Button1->setAutoDefault(false);  // never the window's default: Enter must not lead to a delete
    bottom->addWidget(Button1);
    return bottom;
}

void TFormParticipantList::connectHandlers() {
    combo::onChoice(ComboBox1, this, &TFormParticipantList::ComboBox1Change);
    combo::onChoice(ComboBox2, this, &TFormParticipantList::ComboBox2Change);
    // The list follows what the choosers show, also while the arrows browse them or a name is being
    // typed (nothing is written, the query is cheap): the count never describes another list.
    ui::connect(ComboBox1, &QComboBox::currentTextChanged, this, [this] {
        if (ComboBox1->currentText() != m_first) ComboBox1Change();
    });
    ui::connect(ComboBox2, &QComboBox::currentTextChanged, this, [this] {
        if (ComboBox2->currentText() != m_second) showSecond();
    });
    ui::connect(DBGrid1, &TDBGrid::selectedRowChanged, this, &TFormParticipantList::DBGrid1CellClick);
    ui::connect(Button1, &QPushButton::clicked, this, &TFormParticipantList::Button1Click);
    ui::connect(ButtonMove, &QPushButton::clicked, this, &TFormParticipantList::ButtonMoveClick);
    ui::connect(ButtonAddTeacher, &QPushButton::clicked, this, &TFormParticipantList::ButtonAddTeacherClick);
    ui::connect(ButtonRemoveTeacher, &QPushButton::clicked, this, &TFormParticipantList::ButtonRemoveTeacherClick);
    ui::connect(DBGrid2, &TDBGrid::selectedRowChanged, this, [this] { enableActions(); });
}

void TFormParticipantList::FormCreate() { combo::setItems(ComboBox1, firstItems()); }

void TFormParticipantList::ComboBox1Change() {
    m_first = ComboBox1->currentText();
    m_second.clear();
    DBGrid1->clear();
    DBGrid2->clear();
    CountDety->setText(QStringLiteral("0"));
    CountTeacher->setText(QStringLiteral("0"));
    combo::setItems(ComboBox2, secondItems(ComboBox1->currentText()));
    Button1->setEnabled(false);
    enableActions();
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
    showSecond();
    // On to the list after Enter or a pick; a choice confirmed by leaving the box (Tab, Shift+Tab,
    // a click elsewhere) leaves the focus where the operator sent it.
    if (ComboBox2->hasFocus()) DBGrid1->setFocus();
}

void TFormParticipantList::showSecond() {
    m_second = ComboBox2->currentText();
    Button1->setEnabled(combo::namesItem(ComboBox2));
    showList();
}

void TFormParticipantList::DBGrid1CellClick() { showTeachers(); }

void TFormParticipantList::showTeachers(int row) {
    teachers::show(DBGrid2, CountTeacher, DBGrid1->value("ID_CHILD").toInt());
    DBGrid2->setCurrentRow(qMin(row, DBGrid2->rowCount() - 1));
    enableActions();
}

void TFormParticipantList::enableActions() {
    const bool child = Button1->isEnabled() && DBGrid1->currentRow() >= 0;
    ButtonMove->setEnabled(child);
    ButtonAddTeacher->setEnabled(child);
    ButtonRemoveTeacher->setEnabled(child && DBGrid2->currentRow() >= 0);
}

namespace {
// A corrected cell: refused with its reason, or stored as one action; the cell then shows it trimmed.
bool storeCorrection(const QString& refusal, const QString& text, QString& stored, const std::function<void()>& write) {
    if (!refusal.isEmpty()) {
        msg::error(refusal);
        return false;
    }
    if (!guardedWrite(DM->IBTransaction1, kNotDone, write)) return false;
    stored = text.trimmed();
    return true;
}
}  // namespace

bool TFormParticipantList::storeChild(int row, const QString& field, const QString& text, QString& stored) {
    const int idChild = DBGrid1->value(row, "ID_CHILD").toInt();
    if (field == u"PUBL")
        return storeCorrection(participants::publishedRefusal(text), text.trimmed().toLower(), stored, [&] {
            participants::setPublished(DM->IBDatabase1, DM->IBTransaction1, idChild, text);
        });
    return storeCorrection(participants::correctionRefusal(field, text), text, stored, [&] {
        participants::correct(DM->IBDatabase1, DM->IBTransaction1, idChild, field, text);
    });
}

bool TFormParticipantList::storeTeacher(int row, const QString& field, const QString& text, QString& stored) {
    const int idTeacher = DBGrid2->value(row, "ID_TEACHER").toInt();
    return storeCorrection(participants::teacherCorrectionRefusal(field, text), text, stored, [&] {
        participants::correctTeacher(DM->IBDatabase1, DM->IBTransaction1, idTeacher, field, text);
    });
}

void TFormParticipantList::ButtonMoveClick() {
    const int row = DBGrid1->currentRow();
    if (row < 0) return msg::error(msg::kChooseParticipant);
    DBGrid1->commitPendingEdit();
    const int idChild = DBGrid1->value("ID_CHILD").toInt();
    if (!openWindow(FormPerevod, this, idChild, fullName(DBGrid1))->moved()) return;
    showList();
    DBGrid1->setCurrentRow(qMin(row, DBGrid1->rowCount() - 1));
    showTeachers();
}

void TFormParticipantList::ButtonAddTeacherClick() {
    if (DBGrid1->currentRow() < 0) return msg::error(msg::kChooseParticipant);
    const int idChild = DBGrid1->value("ID_CHILD").toInt();
    if (!openWindow(FormAddTeacher, this, idChild)->added()) return;
    showTeachers(DBGrid2->rowCount());  // the new one, last in order of registration
    DBGrid2->setFocus();
}

void TFormParticipantList::ButtonRemoveTeacherClick() {
    const int row = DBGrid2->currentRow();
    if (row < 0) return;
    if (!msg::confirm(QStringLiteral("Удалить учителя «%1»?").arg(fullName(DBGrid2)))) return;
    const int idTeacher = DBGrid2->value("ID_TEACHER").toInt();
    if (!guardedWrite(DM->IBTransaction1, kNotDone,
                      [&] { participants::removeTeacher(DM->IBDatabase1, DM->IBTransaction1, idTeacher); }))
        return;
    showTeachers(row);
}

void TFormParticipantList::Button1Click() {
    const int row = DBGrid1->currentRow();
    if (row < 0) return;  // nothing selected: nothing to ask or delete
    if (!msg::confirm(kSureDelete + u'\n' + fullName(DBGrid1))) return;
    const int idChild = DBGrid1->value("ID_CHILD").toInt();
    if (!guardedWrite(DM->IBTransaction1, kNotDone,
                      [&] { participants::remove(DM->IBDatabase1, DM->IBTransaction1, idChild); }))
        return;
    showList();
    DBGrid1->setCurrentRow(qMin(row, DBGrid1->rowCount() - 1));
    DBGrid1CellClick();
}
