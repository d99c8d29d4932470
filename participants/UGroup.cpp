#include "UGroup.h"

#include "Convert.h"
#include "Lookups.h"
#include "Query.h"
#include "participants/Groups.h"
#include "participants/UDataGr.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Messages.h"
#include "ui/Station.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QPointer<TFormGroup> FormGroup;

namespace {
const QString kEnterValue = QStringLiteral("Введите  значение!");
const QString kTooManyGroups = QStringLiteral("Количество групп превышает число участников!\n\rВведите другое значение");
const QString kWrongCounts = QStringLiteral("Не правильно введино количество участников!\n\rПовторите ввод!");
const QString kSomeLeftOut = QStringLiteral("Без группы останутся участников: %1 из %2.\nОни не попадут ни в один список "
                                            "группы. Распределить так?");
}  // namespace

TFormGroup::TFormGroup(QWidget* owner) : TForm(owner) {
    setObjectName(QStringLiteral("FormGroup"));
    setWindowTitle(QStringLiteral("Деление участников на группы"));
    auto* lay = new QVBoxLayout(this);

    auto* top = new QGridLayout;
    ComboBox1 = newChooser(this, "ComboBox1", 50, 220);
    ComboBox2 = newChooser(this, "ComboBox2", 30, 80);
    placeChoosers(this, top, {{QStringLiteral("Предмет"), ComboBox1}, {QStringLiteral("Класс"), ComboBox2}});
    Edit1 = shownValue(this, "Edit1");
    Edit2 = shownValue(this, "Edit2");
    top->addWidget(new QLabel(QStringLiteral("Количество участников:"), this), 2, 1, Qt::AlignRight);
    top->addWidget(Edit1, 2, 2);
    top->addWidget(new QLabel(QStringLiteral("Количество групп:"), this), 3, 1, Qt::AlignRight);
    top->addWidget(Edit2, 3, 2);
    top->setColumnStretch(1, 1);
    lay->addLayout(top);

    DBGrid1 = new TDBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setColumns({{"NAME", QStringLiteral("Группа")}, {"KOL", QStringLiteral("Количество"), true, true}});
    DBGrid1->setStore([this](int row, const QString&, const QString& text, QString& stored) {
        return storeCount(row, text, stored);
    });
    DBGrid1->setMinimumHeight(120);
    lay->addWidget(labelFor(this, QStringLiteral("Введите число участников в каждой группе"), DBGrid1));
    lay->addWidget(DBGrid1, 1);

    Button1 = new QPushButton(QStringLiteral("Ввод"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    lay->addWidget(Button1, 0, Qt::AlignRight);

    setTabOrder(ComboBox1, ComboBox2);
    setTabOrder(ComboBox2, DBGrid1);
    setTabOrder(DBGrid1, Button1);
    combo::onChoice(ComboBox1, this, &TFormGroup::ComboBox1Change);
    combo::onChoice(ComboBox2, this, &TFormGroup::ComboBox2Change);
    ui::connect(Button1, &QPushButton::clicked, this, &TFormGroup::Button1Click);
    FormCreate();
}

void TFormGroup::FormCreate() {
    combo::setItems(ComboBox1, lookup::subjectsWithParticipants(DM->IBDatabase1, DM->IBTransaction1));
}

void TFormGroup::ComboBox1Change() {
    Edit1->clear();
    Edit2->clear();
    DBGrid1->clear();
    m_readySubject.clear();
    combo::setItems(ComboBox2, lookup::gradesOfSubject(DM->IBDatabase1, DM->IBTransaction1, ComboBox1->currentText()));
}

int TFormGroup::askGroupCount(int participants) {
    if (!m_ask) m_ask = new TFormDataGr(this);  // the same dialog each time, as the operator left it
    FormDataGr = m_ask;
    for (;;) {
        m_ask->Edit1->selectAll();
        m_ask->Edit1->setFocus();
        if (m_ask->exec() != QDialog::Accepted) return -1;
        const QString text = m_ask->Edit1->text().trimmed();
        const std::optional<int> typed = wholeNumber(text);
        const int n = typed.value_or(-1);
        if (text.isEmpty() || (typed && n < 0)) {
            msg::error(kEnterValue);
        } else if (!typed) {
            msg::error(notANumber(text));
        } else if (n > participants) {
            msg::error(kTooManyGroups);
        } else {
            return n;
        }
    }
}

void TFormGroup::ComboBox2Change() {
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    Edit1->clear();
    Edit2->clear();
    DBGrid1->clear();
    m_readySubject.clear();
    const QString subject = ComboBox1->currentText();
    const QString grade = ComboBox2->currentText();
    if (!combo::namesItem(ComboBox1) || !combo::namesItem(ComboBox2)) return;  // nothing to divide
    const int participants =
        int(groups::participants(db, tr, subject, lookup::klassKey(db, tr, grade)).size());
    Edit1->setText(QString::number(participants));

    const int n = askGroupCount(participants);
    if (n < 0) return;  // the question was left: nothing is written, no grid
    Edit2->setText(QString::number(n));
    if (!guardedWrite(tr, kNotDone, [&] { groups::prepareCounts(db, tr, n); })) return;
    showCounts();
    m_readySubject = subject;
    m_readyGrade = grade;
    activateWindow();  // back from the question, the counts are typed at once
    DBGrid1->setFocus();
}

void TFormGroup::showCounts() {
    Query q(DM->IBDatabase1, DM->IBTransaction1);
    groups::selectCounts(q);
    q.open();
    DBGrid1->load(q);
}

bool TFormGroup::storeCount(int row, const QString& text, QString& stored) {
    std::optional<int> kol;
    if (!text.trimmed().isEmpty()) {
        kol = wholeNumber(text);
        if (!kol) {
            msg::error(notANumber(text));
            return false;
        }
    }
    const QString name = DBGrid1->value(row, QStringLiteral("NAME"));
    if (!guardedWrite(DM->IBTransaction1, kNotDone,
                      [&] { groups::setCount(DM->IBDatabase1, DM->IBTransaction1, name, kol); }))
        return false;
    stored = kol ? QString::number(*kol) : QString();
    return true;
}

void TFormGroup::Button1Click() {
    // Only the groups asked for the subject and grade shown now are given out.
    if (m_readySubject.isEmpty() || m_readySubject != ComboBox1->currentText() ||
        m_readyGrade != ComboBox2->currentText())
        return;
    DBGrid1->commitPendingEdit();
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    const int idPredmet = lookup::predmetKey(db, tr, m_readySubject);
    const int idKlass = lookup::klassKey(db, tr, m_readyGrade);
    const QList<groups::Count> counts = groups::counts(db, tr);
    const int participants = Edit1->text().toInt();
    bool fits = groups::countsFit(counts, participants);
    if (fits) {
        int given = 0;
        for (const groups::Count& c : counts) given += c.kol;
        if (given < participants && !msg::confirm(kSomeLeftOut.arg(participants - given).arg(participants))) {
            DBGrid1->setFocus();
            return;
        }
    }
    if (fits && !guardedWrite(tr, kNotDone, [&] {
            fits = groups::distribute(db, tr, m_readySubject, idPredmet, idKlass, counts);
        }))
        return;
    if (!fits) {
        msg::error(kWrongCounts);
        DBGrid1->setFocus();
        return;
    }
    accept();
}
