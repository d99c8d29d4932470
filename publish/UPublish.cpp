#include "publish/UPublish.h"

#include "Settings.h"
#include "publish/Site.h"
#include "ui/Combo.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Keyboard.h"
#include "ui/Messages.h"
#include "ui/Progress.h"
#include "ui/ShowReport.h"
#include "ui/Station.h"

#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

QPointer<TFormPublish> FormPublish;

namespace {
Database& database() { return DM->IBDatabase1; }
Transaction& working() { return DM->IBTransaction1; }

const QString kNotPublished = QStringLiteral("Результаты не опубликованы");
}  // namespace

TFormPublish::TFormPublish(QWidget* owner) : TForm(owner) {
    setObjectName(QStringLiteral("FormPublish"));
    setWindowTitle(QStringLiteral("Публикация результатов"));
    auto* lay = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    lay->addLayout(grid);
    ComboBox1 = newChooser(this, "ComboBox1", 50, 200);
    ComboBox2 = newChooser(this, "ComboBox2", 30, 120);
    combo::fillAllOrOne(ComboBox1, ComboBox2);
    Label1 = labelFor(this, QStringLiteral("&Предмет"), ComboBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = labelFor(this, QStringLiteral("&Класс"), ComboBox2);
    Label2->setObjectName(QStringLiteral("Label2"));
    RadioButton1 = new QRadioButton(QStringLiteral("По &шифрам (без фамилий)"), this);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton(QStringLiteral("С &фамилиями (только итоговые результаты)"), this);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(200);
    Edit1->setMinimumWidth(320);
    Edit1->setText(settings::value(database(), working(), settings::kOlympiad).value_or(QString()));
    Label3 = labelFor(this, QStringLiteral("&Олимпиада (название и год)"), Edit1);
    Label3->setObjectName(QStringLiteral("Label3"));
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(ComboBox1, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(ComboBox2, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Форма:"), this), 2, 0, Qt::AlignTop);
    auto* forms = new QVBoxLayout;
    forms->addWidget(RadioButton1);
    forms->addWidget(RadioButton2);
    grid->addLayout(forms, 2, 1);
    grid->addWidget(Label3, 3, 0);
    grid->addWidget(Edit1, 3, 1);
    std::tie(Button1, Button2) = addDialogButtons(this, lay, QStringLiteral("Опубликовать"));
    ui::connect(Button1, &QPushButton::clicked, this, &TFormPublish::Button1Click);
    // Enter on a form chooses it and publishes.
    for (QRadioButton* form : {RadioButton1, RadioButton2}) ui::enterAlsoPresses(form, Button1);
    // A grade chosen goes on to "Опубликовать": Enter there publishes.
    ui::connect(ComboBox2, &TComboBox::chosen, this, [this] {
        if (ComboBox2->hasFocus()) Button1->setFocus();
    });
    Button1->setFocus();
}

std::optional<publish::Choice> TFormPublish::read() {
    const std::optional<QString> subject = combo::allOrOne(ComboBox1, QStringLiteral("Выберите предмет или «Все»"));
    const std::optional<QString> grade = subject ? combo::allOrOne(ComboBox2, QStringLiteral("Выберите класс или «Все»")) : std::nullopt;
    if (!grade) return std::nullopt;
    publish::Choice c;
    c.subject = *subject;
    c.grade = *grade;
    c.form = RadioButton2->isChecked() ? publish::Form::Names : publish::Form::Ciphers;
    return c;
}

void TFormPublish::Button1Click() {
    const std::optional<publish::Choice> c = read();
    if (!c) return;
    const QString olympiad = Edit1->text().simplified();
    const std::optional<QString> stored = settings::value(database(), working(), settings::kOlympiad);
    if (olympiad != stored.value_or(QString()) && !guardedWrite(working(), kNotPublished, [&] {
            settings::setValue(database(), working(), settings::kOlympiad, olympiad);
        }))
        return;
    if (publishSite(*c, olympiad)) accept();
}

bool TFormPublish::publishSite(const publish::Choice& choice, const QString& olympiad) {
    const QString folder = ui::reportsFolder(kNotPublished);
    if (folder.isEmpty()) return false;
    QString refused;
    bool none = false;
    QString path;
    const bool written = ui::finished(
        this, QStringLiteral("Публикация результатов"), QStringLiteral("Публикация прервана, ничего не записано."),
        kNotPublished, [&](ui::Work& work) {
            TWorkConnection from(database());
            work.tell(QStringLiteral("Чтение результатов"), 0, 0);
            const QList<publish::Table> tables = publish::tables(from.db, from.tr, choice);
            refused = publish::refusal(tables, choice.form);
            none = tables.isEmpty();
            if (none || !refused.isEmpty()) return;
            publish::Site site;
            site.olympiad = olympiad;
            site.form = choice.form;
            path = publish::write(tables, site, folder, [&](int done, int total) {
                work.tell(QStringLiteral("Страницы"), done, total);
            }, work.asked());
        });
    if (!written) return false;
    if (none) {
        msg::info(QStringLiteral("Нет участников для публикации."));
        return false;
    }
    if (!refused.isEmpty()) {
        msg::error(kNotPublished, refused);
        RadioButton1->setFocus();
        return false;
    }
    m_written = path;
    const QString index = QDir(path).filePath(QStringLiteral("index.html"));
    if (!ui::documentOpener(index))
        msg::error(QStringLiteral("Результаты сохранены в папку %1, но открыть их в браузере не удалось.").arg(QDir::toNativeSeparators(path)),
                   QStringLiteral("Откройте файл index.html из этой папки в браузере."));
    return true;
}
