#include "UViewResultKommand.h"

#include "Lookups.h"
#include "Score.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"
#include "ui/Handler.h"
#include "ui/Station.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

QPointer<TFormViewResultKommand> FormViewResultKommand;

TFormViewResultKommand::TFormViewResultKommand(QWidget* owner)
    : TFormResultsView(owner, "Результаты комманд", "Результат"),
      IBQuery3(DM->IBDatabase1, DM->IBTransaction1,
               {"SELECT S.ID_CHILD, S.NAME, S.SECONDNAME, S.SURNAME, S.KLASS, S.SCHOOL, S.SITY,",
                "  K2.KLASS AS KLASS_NAME, B.SUMM, B.MESTO, B.DIPL_STEP",
                "FROM SPISOK S JOIN S_PREDMET P ON S.ID_PREDMET = P.ID_PREDMET",
                "  JOIN S_KOMAND K ON S.ID_KOMAND = K.ID_KOMAND",
                "  LEFT JOIN S_KLASS K2 ON K2.ID_KLASS = S.KLASS LEFT JOIN BAL B ON B.ID_CHILD = S.ID_CHILD",
                "WHERE K.KOMAND = :KOMAND AND P.PREDMET = :PREDMET",
                "ORDER BY S.SURNAME, S.NAME, S.SECONDNAME, S.ID_CHILD;"}) {
    setObjectName(QStringLiteral("FormViewResultKommand"));
    ComboBox1 = newChooser(this, "ComboBox1", 50, 220);
    ComboBox2 = newChooser(this, "ComboBox2", 50, 180);
    m_top->addWidget(labelFor(this, QStringLiteral("Команда"), ComboBox1), 0, 0);
    m_top->addWidget(ComboBox1, 1, 0);
    m_top->addWidget(new QLabel(QStringLiteral("по"), this), 1, 1);
    m_top->addWidget(labelFor(this, QStringLiteral("Предмет"), ComboBox2), 0, 2);
    m_top->addWidget(ComboBox2, 1, 2);
    DBGrid1->setColumns(participantColumns({{"KLASS", QString(), false},
                         {"KLASS_NAME", QString(), false},
                         {"SITY", QString(), false},
                         {"SUMM", QString(), false},
                         {"MESTO", QString(), false},
                         {"DIPL_STEP", QString(), false}}));
    Edit7 = detail("Edit7", QStringLiteral("Сумма баллов"));
    Edit8 = detail("Edit8", QStringLiteral("Место"));
    Edit1 = detail("Edit1", QStringLiteral("Диплом"), QStringLiteral("степени"));
    detailHeading(QStringLiteral("Учреждение образования"));
    Edit5 = detail("Edit5", QStringLiteral("Учреждение"));
    Edit4 = detail("Edit4", QStringLiteral("Класс"));
    Edit2 = detail("Edit2", QStringLiteral("Город/район"));
    Edit2->setVisible(false);
    findChild<QLabel*>(QStringLiteral("CaptionEdit2"))->setVisible(false);
    setTabOrder(ComboBox1, ComboBox2);
    setTabOrder(ComboBox2, DBGrid1);
    ComboBox1->setFocus();
    combo::onChoice(ComboBox1, this, &TFormViewResultKommand::ComboBox1Change);
    combo::onChoice(ComboBox2, this, &TFormViewResultKommand::ComboBox2Change);
    FormCreate();
}

void TFormViewResultKommand::FormCreate() {
    combo::setItems(ComboBox1, lookup::teamsWithParticipants(DM->IBDatabase1, DM->IBTransaction1));
}

void TFormViewResultKommand::ComboBox1Change() {
    DBGrid1->clear();
    DBGrid2->clear();
    fillDetails(false);  // the counters keep their values
    combo::setItems(ComboBox2, lookup::subjectsOfTeam(DM->IBDatabase1, DM->IBTransaction1, ComboBox1->currentText()));
}

void TFormViewResultKommand::ComboBox2Change() {
    IBQuery3.setText(QStringLiteral("KOMAND"), ComboBox1->currentText());
    IBQuery3.setText(QStringLiteral("PREDMET"), ComboBox2->currentText());
    showList(IBQuery3, ComboBox2->currentText());
}

void TFormViewResultKommand::fillDetails(bool any) {
    const auto field = [&](const char* name) { return any ? DBGrid1->value(QString::fromLatin1(name)) : QString(); };
    Edit7->setText(any ? (field("SUMM").isEmpty() ? QStringLiteral("0") : field("SUMM")) : QString());
    Edit8->setText(any ? (field("MESTO").isEmpty() ? QStringLiteral("0") : field("MESTO")) : QString());
    Edit1->setText(any ? (field("DIPL_STEP").isEmpty() ? QStringLiteral("0") : field("DIPL_STEP")) : QString());
    showText(Edit5, field("SCHOOL"));
    Edit4->setText(field("KLASS_NAME"));
    Edit2->setText(field("SITY"));
}
