#include "UPrint.h"

#include "diplomas/Register.h"
#include "diplomas/UPrintDiplom.h"
#include "publish/UPublish.h"
#include "appeals/Appeals.h"
#include "reports/ReportFiles.h"
#include "reports/Reports.h"
#include "reports/UPrintAppeal.h"
#include "reports/UPrintGroup.h"
#include "reports/UPrintKlass.h"
#include "reports/UPrintKomand.h"
#include "ui/Combo.h"
#include "ui/Handler.h"
#include "ui/ShowReport.h"
#include "ui/Station.h"
#include "xlsx/FileError.h"
#include "xlsx/Workbook.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QPointer<TFormPrint> FormPrint;

namespace {
Database& database() { return DM->IBDatabase1; }
Transaction& working() { return DM->IBTransaction1; }

// The choices of a report dialog, read before the dialog goes: first, second and third chooser.
struct Choice {
    QString first, second, third;
};

// Asks the dialog; its choices when it closed with "Ввод" (they name what the report covers),
// none for Esc or the close box.
template <class Dialog>
std::optional<Choice> ask(QPointer<Dialog>& ref, QWidget* owner, bool withRound = false) {
    const std::unique_ptr<Dialog> d(new Dialog(owner));
    ref = d.get();
    if constexpr (requires { d->showRound(); })
        if (withRound) d->showRound();
    if (d->exec() != QDialog::Accepted) return std::nullopt;
    Choice c{d->ComboBox1->currentText(), {}, {}};
    if constexpr (requires { d->ComboBox2; }) c.second = d->ComboBox2->currentText();
    if constexpr (requires { d->ComboBox3; }) c.third = d->ComboBox3->currentText();
    return c;
}

// Fills the report's sheet of the template into a new file and opens it.
void makeReport(const QString& report, const std::function<void(Workbook&)>& fill) {
    ui::showReport([&] { return reportfiles::write(report, fill); });
}
}  // namespace

TFormPrint::TFormPrint(QWidget* owner) : TForm(owner) {
    setObjectName(QStringLiteral("FormPrint"));
    setWindowTitle(QStringLiteral("Печать данных"));
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(20, 16, 20, 16);
    QFont bold = font();
    bold.setBold(true);
    bold.setPointSizeF(font().pointSizeF() * 1.2);
    Label1 = new QLabel(QStringLiteral("Выберите отчет для "), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("печати в Excel"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    for (QLabel* l : {Label1, Label2}) {
        l->setFont(bold);
        l->setAlignment(Qt::AlignCenter);
        lay->addWidget(l);
    }
    lay->addSpacing(8);
    Button1 = addMenuButton(this, lay, "Button1", QStringLiteral("Списка участников по командам"));
    Button2 = addMenuButton(this, lay, "Button2", QStringLiteral("Списка участников по классам"));
    Button6 = addMenuButton(this, lay, "Button6", QStringLiteral("Списка участников по группам"));
    Button8 = addMenuButton(this, lay, "Button8", QStringLiteral("Бланк ведомости по шифрам"));
    Button9 = addMenuButton(this, lay, "Button9", QStringLiteral("Ключ шифров"));
    Button3 = addMenuButton(this, lay, "Button3", QStringLiteral("Ведомости по ФИО"));
    Button4 = addMenuButton(this, lay, "Button4", QStringLiteral("Списка результатов по командам"));
    Button7 = addMenuButton(this, lay, "Button7", QStringLiteral("Списка результатов по классам"));
    Button5 = addMenuButton(this, lay, "Button5", QStringLiteral("Списка победителей"));
    Button10 = addMenuButton(this, lay, "Button10", QStringLiteral("Протокол награждения"));
    Button11 = addMenuButton(this, lay, "Button11", QStringLiteral("Дипломы…"));
    Button12 = addMenuButton(this, lay, "Button12", QStringLiteral("Реестр дипломов"));
    Button13 = addMenuButton(this, lay, "Button13", QStringLiteral("Протокол апелляции"));
    Button14 = addMenuButton(this, lay, "Button14", QStringLiteral("Апелляции"));
    Button15 = addMenuButton(this, lay, "Button15", QStringLiteral("Публикация результатов…"));
    ui::connect(Button1, &QPushButton::clicked, this, &TFormPrint::Button1Click);
    ui::connect(Button2, &QPushButton::clicked, this, &TFormPrint::Button2Click);
    ui::connect(Button3, &QPushButton::clicked, this, &TFormPrint::Button3Click);
    ui::connect(Button4, &QPushButton::clicked, this, &TFormPrint::Button4Click);
    ui::connect(Button5, &QPushButton::clicked, this, &TFormPrint::Button5Click);
    ui::connect(Button6, &QPushButton::clicked, this, &TFormPrint::Button6Click);
    ui::connect(Button7, &QPushButton::clicked, this, &TFormPrint::Button7Click);
    ui::connect(Button8, &QPushButton::clicked, this, &TFormPrint::Button8Click);
    ui::connect(Button9, &QPushButton::clicked, this, &TFormPrint::Button9Click);
    ui::connect(Button10, &QPushButton::clicked, this, &TFormPrint::Button10Click);
    ui::connect(Button11, &QPushButton::clicked, this, &TFormPrint::Button11Click);
    ui::connect(Button12, &QPushButton::clicked, this, &TFormPrint::Button12Click);
    ui::connect(Button13, &QPushButton::clicked, this, &TFormPrint::Button13Click);
    ui::connect(Button14, &QPushButton::clicked, this, &TFormPrint::Button14Click);
    ui::connect(Button15, &QPushButton::clicked, this, &TFormPrint::Button15Click);
}

void TFormPrint::Button1Click() {
    if (const auto c = ask(FormPrintKomand, this))
        makeReport(Button1->text(), [&](Workbook& wb) { reports::teamList(database(), working(), wb, c->first, c->second); });
}

void TFormPrint::Button2Click() {
    if (const auto c = ask(FormPrintKlass, this))
        makeReport(Button2->text(), [&](Workbook& wb) { reports::gradeList(database(), working(), wb, c->first, c->second); });
}

void TFormPrint::Button3Click() {
    if (const auto c = ask(FormPrintKlass, this))
        makeReport(Button3->text(), [&](Workbook& wb) { reports::scoreSheet(database(), working(), wb, c->first, c->second); });
}

void TFormPrint::Button4Click() {
    if (const auto c = ask(FormPrintKomand, this))
        makeReport(Button4->text(), [&](Workbook& wb) { reports::teamResults(database(), working(), wb, c->first, c->second); });
}

void TFormPrint::Button5Click() {
    makeReport(Button5->text(), [&](Workbook& wb) { reports::winners(database(), working(), wb); });
}

void TFormPrint::Button6Click() {
    if (const auto c = ask(FormPrintGroup, this))
        makeReport(Button6->text(),
             [&](Workbook& wb) { reports::groupList(database(), working(), wb, c->first, c->second, c->third); });
}

void TFormPrint::Button7Click() {
    if (const auto c = ask(FormPrintKlass, this))
        makeReport(Button7->text(), [&](Workbook& wb) { reports::gradeResults(database(), working(), wb, c->first, c->second); });
}

void TFormPrint::Button8Click() {
    if (const auto c = ask(FormPrintKlass, this, true))
        makeReport(Button8->text(),
             [&](Workbook& wb) { reports::blankSheet(database(), working(), wb, c->first, c->second, c->third); });
}

void TFormPrint::Button9Click() {
    if (const auto c = ask(FormPrintKlass, this, true))
        makeReport(Button9->text(),
             [&](Workbook& wb) { reports::cipherKey(database(), working(), wb, c->first, c->second, c->third); });
}

void TFormPrint::Button10Click() {
    if (const auto c = ask(FormPrintKlass, this))
        makeReport(Button10->text(),
                   [&](Workbook& wb) { reports::awardProtocol(database(), working(), wb, c->first, c->second); });
}

void TFormPrint::Button11Click() { openWindow(FormPrintDiplom, this); }

void TFormPrint::Button12Click() {
    makeReport(Button12->text(), [&](Workbook& wb) { diplomas::registerSheet(database(), working(), wb); });
}

void TFormPrint::Button13Click() {
    if (const auto c = ask(FormPrintAppeal, this)) {
        const int number = appeals::numberOf(c->first);
        makeReport(Button13->text() + QStringLiteral(" %1").arg(number), [&](Workbook& wb) {
            if (!reports::appealProtocol(database(), working(), wb, number))
                throw FileError(QStringLiteral("Апелляции № %1 нет: возможно, её удалили на другом рабочем месте.").arg(number));
        });
    }
}

void TFormPrint::Button14Click() {
    if (const auto c = ask(FormPrintKlass, this))
        makeReport(Button14->text(), [&](Workbook& wb) { reports::appealSummary(database(), working(), wb, c->first, c->second); });
}

void TFormPrint::Button15Click() { openWindow(FormPublish, this); }
