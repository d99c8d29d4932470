#include "UShifr.h"

#include "Convert.h"
#include "Lookups.h"
#include "participants/Ciphers.h"
#include "reference/Rounds.h"
#include "participants/UEditShifr.h"
#include "participants/UGenShifr.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Messages.h"
#include "ui/Station.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

QPointer<TFormShifr> FormShifr;

namespace {
const QString kAll = QStringLiteral("Все");
const QString kChooseList = QStringLiteral("Выберите предмет, класс и группу");
const QKeySequence kGenerateKey(Qt::CTRL | Qt::Key_G);
}

TFormShifr::TFormShifr(QWidget* owner)
    : TForm(owner),
      IBQuery1(DM->IBDatabase1, DM->IBTransaction1) {
    setObjectName(QStringLiteral("FormShifr"));
    setWindowTitle(QStringLiteral("Введите шифр участника"));
    auto* lay = new QVBoxLayout(this);

    auto* top = new QGridLayout;
    ComboBox1 = newChooser(this, "ComboBox1", 50, 220);
    ComboBox2 = newChooser(this, "ComboBox2", 30, 80);
    ComboBox3 = newChooser(this, "ComboBox3", 10, 80);
    placeChoosers(this, top, {{QStringLiteral("Предмет"), ComboBox1}, {QStringLiteral("Класс"), ComboBox2},
                              {QStringLiteral("Группа"), ComboBox3}});
    top->setColumnStretch(1, 1);
    lay->addLayout(top);
    lay->addLayout(roundButtons());
    DBGrid1 = new TDBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setColumns(participantColumns({{"SHIFR", QStringLiteral("Шифр")}}));
    DBGrid1->setMinimumSize(560, 240);
    DBNavigator1 = new TDBNavigator(DBGrid1, false, this);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    lay->addWidget(DBGrid1, 1);
    lay->addWidget(DBNavigator1);
    lay->addLayout(bottomRow());
    // Tab follows the layout: the choosers, the round buttons, the list, the code, the buttons.
    QWidget* order[] = {ComboBox1,    ComboBox2, ComboBox3, RadioButton1, RadioButton2, RadioButton3,
                        RadioButton4, DBGrid1,   Edit1,     Button1,      Button2,      Button3};
    for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
    combo::onChoice(ComboBox1, this, &TFormShifr::ComboBox1Change);
    combo::onChoice(ComboBox2, this, &TFormShifr::ComboBox2Change);
    combo::onChoice(ComboBox3, this, &TFormShifr::ComboBox3Change);
    ui::connect(DBGrid1, &TDBGrid::selectedRowChanged, this, &TFormShifr::DBGrid1CellClick);
    ui::connect(Button1, &QPushButton::clicked, this, &TFormShifr::Button1Click);
    ui::connect(Button2, &QPushButton::clicked, this, &TFormShifr::Button2Click);
    ui::connect(Button3, &QPushButton::clicked, this, &TFormShifr::Button3Click);
    FormCreate();
}

QHBoxLayout* TFormShifr::roundButtons() {
    auto* rounds = new QHBoxLayout;
    rounds->addWidget(new QLabel(QStringLiteral("Тур"), this));
    auto* roundGroup = new QButtonGroup(this);
    QRadioButton** buttons[4] = {&RadioButton1, &RadioButton2, &RadioButton3, &RadioButton4};
    for (int k = 1; k <= 4; ++k) {
        auto* b = new QRadioButton(QStringLiteral("%1-й тур").arg(k), this);
        b->setObjectName(QStringLiteral("RadioButton%1").arg(k));
        roundGroup->addButton(b, k);
        rounds->addWidget(b);
        *buttons[k - 1] = b;
    }
    rounds->addStretch();
    ui::connect(roundGroup, &QButtonGroup::idClicked, this, [this](int k) { RadioButtonClick(k); });
    return rounds;
}

// The code of the selected participant, "Ввод", "Исправить", "Сгенерировать…".
QHBoxLayout* TFormShifr::bottomRow() {
    auto* bottom = new QHBoxLayout;
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(50);  // longer codes are refused with their message, not cut silently
    Button1 = new QPushButton(QStringLiteral("Ввод"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Исправить"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button3 = new QPushButton(QStringLiteral("Сгенерировать…"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    pressedByKey(Button3, QStringLiteral("Сгенерировать шифры списка на выбранный тур"), kGenerateKey, {this});
    bottom->addWidget(labelFor(this, QStringLiteral("Шифр"), Edit1));
    bottom->addWidget(Edit1, 1);
    bottom->addWidget(Button1);
    bottom->addWidget(Button2);
    bottom->addWidget(Button3);
    return bottom;
}

void TFormShifr::FormCreate() {
    combo::setItems(ComboBox1, lookup::subjectsWithParticipants(DM->IBDatabase1, DM->IBTransaction1));
}

void TFormShifr::closeLists() {
    DBGrid1->clear();
    m_idPredmet = m_idKlass = 0;
}

void TFormShifr::loadList(int row) {
    // "Все" or a group's number; a text that is neither names no group.
    const int group = m_group == kAll ? 0 : qMax(wholeNumber(m_group).value_or(-1), -1);
    lookup::selectParticipants(
        IBQuery1, m_subject, m_idKlass,
        QStringLiteral("(SELECT SH.SHIFR FROM SHIFR SH WHERE SH.ID_CHILD = S.ID_CHILD AND SH.ID_TUR = :ID_TUR) AS SHIFR"),
        group == 0 && m_group != kAll ? -1 : group);
    IBQuery1.setInt(QStringLiteral("ID_TUR"), m_round);
    IBQuery1.open();
    DBGrid1->load(IBQuery1);
    IBQuery1.close();
    if (row > 0) DBGrid1->setCurrentRow(qMin(row, DBGrid1->rowCount() - 1));
}

void TFormShifr::ComboBox1Change() {
    Edit1->clear();
    closeLists();
    combo::clear(ComboBox3);
    combo::setItems(ComboBox2, lookup::gradesOfSubject(DM->IBDatabase1, DM->IBTransaction1, ComboBox1->currentText()));
}

void TFormShifr::ComboBox2Change() {
    Edit1->clear();
    closeLists();
    if (!combo::namesItem(ComboBox2)) return combo::clear(ComboBox3);
    const int idKlass = lookup::klassKey(DM->IBDatabase1, DM->IBTransaction1, ComboBox2->currentText());
    QStringList items;
    for (int g : ciphers::groupNumbers(DM->IBDatabase1, DM->IBTransaction1, ComboBox1->currentText(), idKlass))
        items.append(QString::number(g));
    items.append(kAll);
    combo::setItems(ComboBox3, items);
}

void TFormShifr::ComboBox3Change() {
    closeLists();
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    m_subject = ComboBox1->currentText();
    m_grade = ComboBox2->currentText();
    m_group = ComboBox3->currentText();
    m_idKlass = lookup::klassKey(db, tr, m_grade);
    loadList(0);
    m_idPredmet = lookup::predmetKey(db, tr, m_subject);
    showCipher();
    Edit1->setFocus();
}

void TFormShifr::showCipher() {
    const int row = DBGrid1->currentRow();
    if (row < 0 || m_round == 0) {
        Edit1->clear();
        return;
    }
    Edit1->setText(
        ciphers::current(DM->IBDatabase1, DM->IBTransaction1, DBGrid1->value("ID_CHILD").toInt(), m_round));
    Edit1->selectAll();
}

void TFormShifr::RadioButtonClick(int round) {
    m_round = round;
    if (m_idPredmet != 0) loadList(DBGrid1->currentRow());  // the codes of this round
    // A code typed before the round was chosen stays, to be stored for it.
    const bool typed = Edit1->isModified() && !Edit1->text().trimmed().isEmpty();
    const QString code = Edit1->text();
    showCipher();
    if (typed) {
        Edit1->setText(code);
        Edit1->setModified(true);
    }
}

void TFormShifr::DBGrid1CellClick() { showCipher(); }

void TFormShifr::Button1Click() {
    if (m_round == 0) {
        msg::error(ciphers::kChooseRound);
        RadioButton1->setFocus();
        return;
    }
    const int row = DBGrid1->currentRow();
    if (row < 0) {
        msg::error(msg::kChooseParticipant);
        return;
    }
    const int idChild = DBGrid1->value("ID_CHILD").toInt();
    const QString code = Edit1->text().trimmed();
    if (!code.isEmpty()) {  // an empty box skips the participant and keeps what is stored
        Database& db = DM->IBDatabase1;
        Transaction& tr = DM->IBTransaction1;
        QString refused;
        const bool written = guardedWrite(tr, kNotDone, [&] {
            refused = ciphers::writeChecked(db, tr, m_idPredmet, m_idKlass, m_round, code, idChild,
                                            [&] { ciphers::store(db, tr, idChild, m_idPredmet, m_idKlass, m_round, code); });
        });
        if (written && !refused.isEmpty()) msg::error(refused);
        if (!written || !refused.isEmpty()) {
            Edit1->setFocus();
            return;
        }
    }
    if (!code.isEmpty()) loadList(row);
    DBGrid1->setCurrentRow(row + 1);  // on the last participant the selection stays
    showCipher();
    Edit1->setFocus();
}

void TFormShifr::Button2Click() {
    openWindow(FormEditShifr, this);
    close();  // corrections end the entry: back to the menu
}

bool TFormShifr::listShown() const {
    return m_idPredmet != 0 && DBGrid1->rowCount() > 0 && m_subject == ComboBox1->currentText() &&
           m_grade == ComboBox2->currentText() && m_group == ComboBox3->currentText();
}

void TFormShifr::Button3Click() {
    if (!listShown()) {  // the list must be the one the choosers show
        msg::error(kChooseList);
        ComboBox1->setFocus();
        return;
    }
    if (m_round == 0) {
        msg::error(ciphers::kChooseRound);
        RadioButton1->setFocus();
        return;
    }
    if (!rounds::numbers(DM->IBDatabase1, DM->IBTransaction1, m_subject).contains(m_round)) {
        msg::error(QStringLiteral("У предмета «%1» нет %2-го тура!\n\rЗадайте туры предмета в окне «Тур».")
                       .arg(m_subject)
                       .arg(m_round));
        RadioButton1->setFocus();
        return;
    }
    ciphers::Selection selection{m_idPredmet, m_idKlass, m_round, {}};
    for (int r = 0; r < DBGrid1->rowCount(); ++r) selection.children.append(DBGrid1->value(r, "ID_CHILD").toInt());
    const QString what = QStringLiteral("%1, класс %2, %3-й тур, %4 (участников: %5)")
                             .arg(m_subject, m_grade)
                             .arg(m_round)
                             .arg(m_group == kAll ? QStringLiteral("все группы") : QStringLiteral("группа ") + m_group)
                             .arg(selection.children.size());
    const int row = DBGrid1->currentRow();
    const auto d = openWindow(FormGenShifr, this, selection, what, m_grade + u'-');
    if (d->result() == QDialog::Accepted) {
        loadList(row);
        showCipher();
    }
    activateWindow();  // back from the dialog and its last box, the keyboard works here again
    Edit1->setFocus();
}
