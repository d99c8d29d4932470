#include "UEditShifr.h"

#include "Convert.h"
#include "Lookups.h"
#include "participants/Ciphers.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Messages.h"
#include "ui/Station.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

QPointer<TFormEditShifr> FormEditShifr;

TFormEditShifr::TFormEditShifr(QWidget* owner)
    : TForm(owner),
      IBQuery1(DM->IBDatabase1, DM->IBTransaction1),
      IBQuery2(DM->IBDatabase1, DM->IBTransaction1,
               {"SELECT * FROM SHIFR", "WHERE ID_CHILD = :ID_CHILD AND ID_PREDMET = :ID_PREDMET", "ORDER BY ID_TUR"}) {
    setObjectName(QStringLiteral("FormEditShifr"));
    setWindowTitle(QStringLiteral("Редактирование шифра"));
    auto* lay = new QVBoxLayout(this);

    auto* top = new QGridLayout;
    ComboBox1 = newChooser(this, "ComboBox1", 50, 220);
    ComboBox2 = newChooser(this, "ComboBox2", 30, 80);
    top->addWidget(labelFor(this, QStringLiteral("Предмет"), ComboBox1), 0, 0);
    top->addWidget(ComboBox1, 1, 0);
    top->addWidget(labelFor(this, QStringLiteral("Класс"), ComboBox2), 0, 1);
    top->addWidget(ComboBox2, 1, 1);
    top->setColumnStretch(0, 1);
    lay->addLayout(top);

    DBGrid1 = new TDBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setColumns(participantColumns());
    DBGrid1->setMinimumSize(460, 220);
    DBNavigator1 = new TDBNavigator(DBGrid1, false, this);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    lay->addWidget(DBGrid1, 2);
    lay->addWidget(DBNavigator1);

    DBGrid2 = new TDBGrid(this);
    DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
    DBGrid2->setColumns({{"SHIFR", QStringLiteral("Шифр"), true, true}, {"ID_TUR", QStringLiteral("Тур"), true, true}});
    DBGrid2->setStore([this](int row, const QString& field, const QString& text, QString& stored) {
        return storeEdit(row, field, text, stored);
    });
    DBGrid2->setMinimumHeight(120);
    DBNavigator2 = new TDBNavigator(DBGrid2, true, this);
    DBNavigator2->setObjectName(QStringLiteral("DBNavigator2"));
    lay->addWidget(DBGrid2, 1);
    lay->addWidget(DBNavigator2);

    setTabOrder(ComboBox1, ComboBox2);
    setTabOrder(ComboBox2, DBGrid1);
    setTabOrder(DBGrid1, DBGrid2);
    combo::onChoice(ComboBox1, this, &TFormEditShifr::ComboBox1Change);
    combo::onChoice(ComboBox2, this, &TFormEditShifr::ComboBox2Change);
    ui::connect(DBGrid1, &TDBGrid::selectedRowChanged, this, &TFormEditShifr::DBGrid1CellClick);
    ui::connect(DBNavigator2, &TDBNavigator::deleteRequested, this, [this](int row) { DBNavigator2Delete(row); });
    FormCreate();
}

void TFormEditShifr::FormCreate() {
    combo::setItems(ComboBox1, lookup::subjectsWithParticipants(DM->IBDatabase1, DM->IBTransaction1));
}

void TFormEditShifr::ComboBox1Change() {
    DBGrid1->clear();
    DBGrid2->clear();
    combo::setItems(ComboBox2, lookup::gradesOfSubject(DM->IBDatabase1, DM->IBTransaction1, ComboBox1->currentText()));
}

void TFormEditShifr::ComboBox2Change() {
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    m_idPredmet = lookup::predmetKey(db, tr, ComboBox1->currentText());
    m_idKlass = lookup::klassKey(db, tr, ComboBox2->currentText());
    lookup::selectParticipants(IBQuery1, ComboBox1->currentText(), m_idKlass);
    IBQuery1.open();
    DBGrid1->load(IBQuery1);
    IBQuery1.close();
    DBGrid1->setFocus();
    DBGrid1CellClick();
}

void TFormEditShifr::DBGrid1CellClick() {
    if (DBGrid1->currentRow() < 0) {
        DBGrid2->clear();
        return;
    }
    IBQuery2.setInt(QStringLiteral("ID_CHILD"), DBGrid1->value("ID_CHILD").toInt());
    IBQuery2.setInt(QStringLiteral("ID_PREDMET"), m_idPredmet);
    IBQuery2.open();
    DBGrid2->load(IBQuery2);
    IBQuery2.close();
}

bool TFormEditShifr::storeEdit(int row, const QString& field, const QString& text, QString& stored) {
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    const int idChild = DBGrid1->value("ID_CHILD").toInt();
    const int idTur = DBGrid2->value(row, QStringLiteral("ID_TUR")).toInt();
    const QString code = DBGrid2->value(row, QStringLiteral("SHIFR"));
    // The code and round the row gets, checked and written in one action.
    QString refused;
    std::function<void()> write;
    int newTur = idTur;
    QString newCode = code;
    if (field == u"SHIFR") {
        newCode = text.trimmed();
        stored = newCode;
        write = [&db, &tr, idChild, idTur, newCode] { ciphers::recode(db, tr, idChild, idTur, newCode); };
    } else {
        const std::optional<int> typed = wholeNumber(text);
        if (!typed) {
            msg::error(ciphers::kBadRound);
            return false;
        }
        newTur = *typed;
        stored = QString::number(newTur);
        write = [&db, &tr, idChild, idTur, newTur] { ciphers::moveToRound(db, tr, idChild, idTur, newTur); };
    }
    if (!guardedWrite(tr, kNotDone, [&] {
            refused = ciphers::writeChecked(db, tr, m_idPredmet, m_idKlass, newTur, newCode, idChild, write);
        }))
        return false;
    if (refused.isEmpty()) return true;
    msg::error(refused);
    return false;
}

void TFormEditShifr::DBNavigator2Delete(int row) {
    const int idChild = DBGrid1->value("ID_CHILD").toInt();
    const int idTur = DBGrid2->value(row, QStringLiteral("ID_TUR")).toInt();
    if (guardedWrite(DM->IBTransaction1, kNotDone,
                     [&] { ciphers::remove(DM->IBDatabase1, DM->IBTransaction1, idChild, idTur); }))
        DBGrid1CellClick();
}
