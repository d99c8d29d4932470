#include "diplomas/UPrintDiplom.h"

#include "Settings.h"
#include "diplomas/Declension.h"
#include "diplomas/Template.h"
#include "ui/Combo.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Messages.h"
#include "ui/Progress.h"
#include "ui/ShowReport.h"
#include "ui/Station.h"
#include "xlsx/FileError.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

QPointer<TFormPrintDiplom> FormPrintDiplom;

namespace {
Database& database() { return DM->IBDatabase1; }
Transaction& working() { return DM->IBTransaction1; }

const QString kNotPrinted = QStringLiteral("Дипломы не напечатаны");
constexpr int kShownDoubts = 20;

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text, bool on) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(on);
    return box;
}

// The doubtful degrees as a question: "Да" prints anyway, "Нет" goes back to the dialog.
bool printAnyway(const QStringList& doubts) {
    QStringList shown = doubts.mid(0, kShownDoubts);
    if (doubts.size() > kShownDoubts) shown << QStringLiteral("… и ещё %1").arg(doubts.size() - kShownDoubts);
    return msg::confirm(QStringLiteral("Проверьте степени участников (%1):\n\n%2\n\nПечатать дипломы всё равно?")
                            .arg(doubts.size())
                            .arg(shown.join(u'\n')));
}
}  // namespace

TFormPrintDiplom::TFormPrintDiplom(QWidget* owner) : TForm(owner) {
    setObjectName(QStringLiteral("FormPrintDiplom"));
    setWindowTitle(QStringLiteral("Дипломы"));
    auto* lay = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    lay->addLayout(grid);
    addChoosers(grid);
    addOptions(grid);
    std::tie(Button1, Button2) = addDialogButtons(this, lay, QStringLiteral("Печать"));
    ui::connect(Button1, &QPushButton::clicked, this, &TFormPrintDiplom::Button1Click);
    setTabOrder(Edit2, Button1);
    // A grade chosen goes on to "Печать", past the awards' check boxes (Tab reaches them): Enter
    // there would untick one, and the operator would print without those diplomas.
    ui::connect(ComboBox2, &TComboBox::chosen, this, [this] {
        if (ComboBox2->hasFocus()) Button1->setFocus();
    });
    // Enter alone prints every diploma; the olympiad's name is asked the first time.
    (Edit1->text().isEmpty() ? static_cast<QWidget*>(Edit1) : Button1)->setFocus();
}

void TFormPrintDiplom::addChoosers(QGridLayout* grid) {
    ComboBox1 = newChooser(this, "ComboBox1", 50, 200);
    ComboBox2 = newChooser(this, "ComboBox2", 30, 120);
    combo::fillAllOrOne(ComboBox1, ComboBox2);
    Label1 = labelFor(this, QStringLiteral("&Предмет"), ComboBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = labelFor(this, QStringLiteral("&Класс"), ComboBox2);
    Label2->setObjectName(QStringLiteral("Label2"));
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(ComboBox1, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(ComboBox2, 1, 1);
    CheckBox1 = checkBox(this, "CheckBox1", QStringLiteral("&I степени"), true);
    CheckBox2 = checkBox(this, "CheckBox2", QStringLiteral("I&I степени"), true);
    CheckBox3 = checkBox(this, "CheckBox3", QStringLiteral("II&I степени"), true);
    CheckBox4 = checkBox(this, "CheckBox4", QStringLiteral("П&оощрительные отзывы"), false);
    auto* degrees = new QLabel(QStringLiteral("Награды:"), this);
    grid->addWidget(degrees, 2, 0, Qt::AlignTop);
    auto* boxes = new QVBoxLayout;
    for (QCheckBox* b : {CheckBox1, CheckBox2, CheckBox3, CheckBox4}) boxes->addWidget(b);
    grid->addLayout(boxes, 2, 1);
}

void TFormPrintDiplom::addOptions(QGridLayout* grid) {
    DateEdit1 = new QDateEdit(QDate::currentDate(), this);
    DateEdit1->setObjectName(QStringLiteral("DateEdit1"));
    DateEdit1->setCalendarPopup(true);
    DateEdit1->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    Label3 = labelFor(this, QStringLiteral("&Дата"), DateEdit1);
    Label3->setObjectName(QStringLiteral("Label3"));
    CheckBox5 = checkBox(this, "CheckBox5", QStringLiteral("На &бланке (только поля, без фона и надписей)"), false);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(200);
    Edit1->setMinimumWidth(320);
    Edit1->setText(settings::value(database(), working(), settings::kOlympiad).value_or(QString()));
    Label4 = labelFor(this, QStringLiteral("&Олимпиада (название и год)"), Edit1);
    Label4->setObjectName(QStringLiteral("Label4"));
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setMaxLength(10);
    // No prefix is offered: two stations that both printed "Д-1" could never be merged.
    Edit2->setText(settings::value(database(), working(), settings::kDiplomaPrefix).value_or(QString()));
    Label5 = labelFor(this, QStringLiteral("П&рефикс номера"), Edit2);
    Label5->setObjectName(QStringLiteral("Label5"));
    const std::pair<QLabel*, QWidget*> rows[] = {{Label3, DateEdit1}, {nullptr, CheckBox5}, {Label4, Edit1}, {Label5, Edit2}};
    int row = 3;
    for (const auto& [label, field] : rows) {
        if (label) grid->addWidget(label, row, 0);
        grid->addWidget(field, row++, 1);
    }
}

std::optional<diplomas::Choice> TFormPrintDiplom::read() {
    diplomas::Choice c;
    const std::optional<QString> subject = combo::allOrOne(ComboBox1, QStringLiteral("Выберите предмет или «Все»"));
    const std::optional<QString> grade = subject ? combo::allOrOne(ComboBox2, QStringLiteral("Выберите класс или «Все»")) : std::nullopt;
    if (!grade) return std::nullopt;
    c.subject = *subject;
    c.grade = *grade;
    c.degrees = {CheckBox1->isChecked(), CheckBox2->isChecked(), CheckBox3->isChecked(), CheckBox4->isChecked()};
    if (!std::count(c.degrees.begin(), c.degrees.end(), true)) {
        msg::error(QStringLiteral("Отметьте хотя бы одну награду"));
        CheckBox1->setFocus();
        return std::nullopt;
    }
    c.date = DateEdit1->date();
    c.blank = CheckBox5->isChecked();
    // Russian letters only: a Latin look-alike would read on paper as another station's prefix.
    static const QRegularExpression prefix(QStringLiteral("^[0-9А-ЯЁа-яё]{1,10}$"));
    if (!prefix.match(Edit2->text().trimmed()).hasMatch()) {
        msg::error(QStringLiteral("Префикс номера: от 1 до 10 русских букв или цифр, на каждом рабочем месте свой "
                                  "(например, Д1, Д2)"));
        Edit2->setFocus();
        return std::nullopt;
    }
    return c;
}

void TFormPrintDiplom::Button1Click() {
    const std::optional<diplomas::Choice> c = read();
    if (c && print(*c)) accept();
}

bool TFormPrintDiplom::print(const diplomas::Choice& choice) {
    std::optional<diplomas::Template> t;
    std::optional<declension::Rules> rules;
    try {
        t = diplomas::Template::load(diplomas::Template::defaultPath());
        rules = declension::Rules::load(declension::Rules::defaultPath());
    } catch (const FileError& e) {
        msg::error(kNotPrinted, e.text());
        return false;
    }
    const QString olympiad = Edit1->text().simplified(), prefix = Edit2->text().trimmed();
    if (olympiad.isEmpty() && t->uses(QStringLiteral("ОЛИМПИАДА"))) {
        msg::error(QStringLiteral("Введите название олимпиады и год: они печатаются на дипломе"));
        Edit1->setFocus();
        return false;
    }
    if (!guardedWrite(working(), kNotPrinted, [&] {
            settings::setValue(database(), working(), settings::kOlympiad, olympiad);
            settings::setValue(database(), working(), settings::kDiplomaPrefix, prefix);
        }))
        return false;
    const QList<diplomas::Winner> winners = diplomas::winners(database(), working(), choice);
    if (winners.isEmpty()) {
        msg::info(QStringLiteral("Нет участников с выбранными наградами."));
        return false;
    }
    if (const QStringList doubts = diplomas::doubts(database(), working(), winners); !doubts.isEmpty() && !printAnyway(doubts))
        return false;
    const QString folder = ui::reportsFolder(kNotPrinted);
    if (folder.isEmpty()) return false;
    diplomas::Printed done;
    const bool printed = ui::finished(
        this, QStringLiteral("Печать дипломов"), QStringLiteral("Печать дипломов прервана, файл не записан, номера не выданы."),
        kNotPrinted, [&](ui::Work& work) {
            // A connection of its own: the numbers are committed with the finished file.
            TWorkConnection into(database());
            done = diplomas::print(into.db, into.tr, winners, choice, *t, *rules, prefix, olympiad, folder, [&](int n, int all) {
                work.tell(QStringLiteral("Дипломы"), n, all);
                work.stopIfCancelled();  // the file's part goes, the numbers with the action
            });
            work.pastUndoing();
            try {
                into.tr.commit();
            } catch (...) {
                QFile::remove(done.path);
                throw;
            }
        });
    if (!printed) return false;
    if (done.nominative > 0)
        msg::info(QStringLiteral("Имена участников (%1) напечатаны в именительном падеже: правила склонения не дали "
                                 "надёжной формы. В реестре дипломов они отмечены.").arg(done.nominative));
    if (!ui::documentOpener(done.path))
        msg::error(QStringLiteral("Дипломы сохранены в файл %1, но открыть его не удалось.").arg(QDir::toNativeSeparators(done.path)),
                   QStringLiteral("Откройте этот файл в программе для просмотра PDF."));
    return true;
}
