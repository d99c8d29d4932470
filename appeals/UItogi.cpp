#include "UItogi.h"

#include "DbError.h"
#include "Lookups.h"
#include "Query.h"
#include "appeals/Status.h"
#include "ui/Combo.h"
#include "ui/GradeChooser.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Messages.h"
#include "ui/Station.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

QPointer<TFormItogi> FormItogi;

namespace {
Database& database() { return DM->IBDatabase1; }
Transaction& working() { return DM->IBTransaction1; }
}  // namespace

TFormItogi::TFormItogi(QWidget* owner) : TForm(owner) {
    setObjectName(QStringLiteral("FormItogi"));
    setWindowTitle(QStringLiteral("Итоги"));
    auto* lay = new QVBoxLayout(this);
    auto* chooser = new TGradeChooser(this, {});
    ComboBox1 = chooser->ComboBox1;
    ComboBox2 = chooser->ComboBox2;
    lay->addWidget(chooser);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = font();
    bold.setBold(true);
    Label1->setFont(bold);
    lay->addWidget(Label1);
    StringGrid1 = new QTableWidget(0, 3, this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setHorizontalHeaderLabels({QStringLiteral("Когда"), QStringLiteral("Результаты"), QStringLiteral("Кто")});
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->horizontalHeader()->setStretchLastSection(true);
    StringGrid1->setMinimumSize(520, 180);
    lay->addWidget(StringGrid1, 1);
    Button1 = new QPushButton(QStringLiteral("Сделать итоговыми"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button1->setEnabled(false);
    lay->addWidget(Button1, 0, Qt::AlignRight);
    ui::connect(chooser, &TGradeChooser::subjectChosen, this, [this] {
        combo::setItems(ComboBox2, lookup::gradesOfSubject(database(), working(), ComboBox1->currentText()));
        m_idPredmet = m_idKlass = 0;
        showStatus();
    });
    ui::connect(chooser, &TGradeChooser::gradeChosen, this, &TFormItogi::ComboBox2Change);
    ui::connect(Button1, &QPushButton::clicked, this, &TFormItogi::Button1Click);
    chooser->fillSubjects();
}

void TFormItogi::ComboBox2Change() {
    m_idPredmet = lookup::predmetKey(database(), working(), ComboBox1->currentText());
    m_idKlass = lookup::klassKey(database(), working(), ComboBox2->currentText());
    showStatus();
    if (m_idKlass) Button1->setFocus();
}

void TFormItogi::showStatus() {
    StringGrid1->setRowCount(0);
    Button1->setEnabled(m_idPredmet != 0 && m_idKlass != 0);
    if (!Button1->isEnabled()) {
        Label1->clear();
        return;
    }
    const status::State s = status::of(database(), working(), m_idPredmet, m_idKlass);
    m_final = s.final;
    Label1->setText(s.at.isValid() ? QStringLiteral("%1 (%2, %3)").arg(status::heading(s), s.who, s.at.toString(QStringLiteral("dd.MM.yyyy HH:mm")))
                                   : status::heading(s));
    Button1->setText(s.final ? QStringLiteral("Вернуть предварительные") : QStringLiteral("Сделать итоговыми"));
    Query q(database(), working(),
            {"SELECT FINAL, CAST(CHANGED_AT AS VARCHAR(24)) AS CHANGED_TEXT, WHO FROM ITOGI",
             "WHERE ID_PREDMET = :ID_PREDMET AND KLASS = :KLASS ORDER BY CHANGED_AT DESC, ID_ITOGI DESC"});
    q.setInt("ID_PREDMET", m_idPredmet);
    q.setInt("KLASS", m_idKlass);
    q.open();
    for (q.first(); !q.eof(); q.next()) {
        const int r = StringGrid1->rowCount();
        StringGrid1->insertRow(r);
        const QDateTime at = QDateTime::fromString(q.fieldText("CHANGED_TEXT").left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        StringGrid1->setItem(r, 0, new QTableWidgetItem(at.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))));
        StringGrid1->setItem(r, 1, new QTableWidgetItem(q.fieldInt("FINAL") ? status::kFinal : status::kPreliminary));
        StringGrid1->setItem(r, 2, new QTableWidgetItem(q.fieldText("WHO")));
    }
    StringGrid1->resizeColumnsToContents();
}

void TFormItogi::Button1Click() {
    if (m_idPredmet == 0 || m_idKlass == 0) return;
    const QString where = QStringLiteral("«%1», %2 класс").arg(ComboBox1->currentText(), ComboBox2->currentText());
    const bool makeFinal = !m_final;
    if (makeFinal) {
        const status::Open open = status::open(database(), working(), m_idPredmet, m_idKlass);
        if (const QString why = status::finalRefusal(open); !why.isEmpty()) {
            msg::error(why);
            return;
        }
        QString question = QStringLiteral("Сделать результаты %1 итоговыми? После этого баллы и степени по ним изменить нельзя.").arg(where);
        if (open.notEntered > 0)
            question += QStringLiteral("\nВведены не все туры у участников: %1 из %2.").arg(open.notEntered).arg(open.participants);
        if (!msg::confirm(question)) return;
    } else if (!msg::confirm(QStringLiteral("Результаты %1 снова станут предварительными, и их можно будет изменить. Вернуть?").arg(where))) {
        return;
    }
    guardedWrite(working(), kNotDone, [&] {
        if (makeFinal) {  // read again in the action: an appeal filed meanwhile at another station
            if (const QString why = status::finalRefusal(status::open(database(), working(), m_idPredmet, m_idKlass)); !why.isEmpty())
                throw DbError(why);
        }
        status::set(database(), working(), m_idPredmet, m_idKlass, makeFinal);
    });
    showStatus();
}
