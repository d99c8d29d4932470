#include "UViewSpisPobed.h"

#include "Lookups.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"
#include "ui/Handler.h"
#include "ui/Station.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

QPointer<TFormViewSpisPobed> FormViewSpisPobed;

TFormViewSpisPobed::TFormViewSpisPobed(QWidget* owner)
    : TFormResultsView(owner, "Список победителей", "Награда"),
      IBQuery3(DM->IBDatabase1, DM->IBTransaction1,
               {"SELECT S.ID_CHILD, S.NAME, S.SECONDNAME, S.SURNAME, S.KLASS, S.SCHOOL, S.SITY, K.KOMAND, B.DIPL_STEP,",
                "  K2.KLASS AS KLASS_NAME",
                "FROM SPISOK S JOIN S_PREDMET P ON S.ID_PREDMET = P.ID_PREDMET",
                "  JOIN S_KOMAND K ON K.ID_KOMAND = S.ID_KOMAND JOIN BAL B ON S.ID_CHILD = B.ID_CHILD",
                "  LEFT JOIN S_KLASS K2 ON K2.ID_KLASS = S.KLASS",
                "WHERE B.DIPL_STEP >0  AND  B.DIPL_STEP < 4 AND P.PREDMET = :PREDMET",
                "ORDER BY B.DIPL_STEP, S.SURNAME, S.NAME, S.SECONDNAME, S.ID_CHILD;"}) {
    setObjectName(QStringLiteral("FormViewSpisPobed"));
    ComboBox2 = newChooser(this, "ComboBox2", 50, 220);
    placeChoosers(this, m_top, {{QStringLiteral("Предмет"), ComboBox2}});
    DBGrid1->setColumns(participantColumns({{"KLASS", QString(), false},
                         {"KLASS_NAME", QString(), false},
                         {"SITY", QString(), false},
                         {"KOMAND", QString(), false},
                         {"DIPL_STEP", QString(), false}}));
    Edit1 = detail("Edit1", QStringLiteral("Диплом"), QStringLiteral("степени"));
    Edit2 = detail("Edit2", QStringLiteral("Команда"));
    detailHeading(QStringLiteral("Учреждение образования"));
    Edit5 = detail("Edit5", QStringLiteral("Учреждение"));
    Edit4 = detail("Edit4", QStringLiteral("Класс"));
    Edit3 = detail("Edit3", QStringLiteral("Город/район"));
    Edit3->setVisible(false);
    findChild<QLabel*>(QStringLiteral("CaptionEdit3"))->setVisible(false);
    setTabOrder(ComboBox2, DBGrid1);
    ComboBox2->setFocus();
    combo::onChoice(ComboBox2, this, &TFormViewSpisPobed::ComboBox2Change);
    FormCreate();
}

void TFormViewSpisPobed::FormCreate() {
    combo::setItems(ComboBox2,
                    lookup::subjectsWithParticipants(DM->IBDatabase1, DM->IBTransaction1, lookup::Order::ByKey));
}

void TFormViewSpisPobed::ComboBox2Change() {
    IBQuery3.setText(QStringLiteral("PREDMET"), ComboBox2->currentText());
    showList(IBQuery3, ComboBox2->currentText());
}

void TFormViewSpisPobed::fillDetails(bool any) {
    const auto field = [&](const char* name) { return any ? DBGrid1->value(QString::fromLatin1(name)) : QString(); };
    Edit1->setText(field("DIPL_STEP"));
    Edit2->setText(field("KOMAND"));
    showText(Edit5, field("SCHOOL"));
    Edit4->setText(field("KLASS_NAME"));
    Edit3->setText(field("SITY"));
}
