#include "UGenShifr.h"

#include "Convert.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Keyboard.h"
#include "ui/Messages.h"
#include "ui/Station.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

QPointer<TFormGenShifr> FormGenShifr;

std::function<std::uint32_t()> TFormGenShifr::seed = [] { return std::random_device{}(); };

namespace {
const QString kNothingToDo = QStringLiteral("У всех участников списка уже есть шифры на этот тур.");
const QString kAskReplace = QStringLiteral("Заменить шифры на %1-й тур новыми?\nИзменится шифров: %2.");
const QString kTooFew = QStringLiteral("Шифров такого вида не хватит: нужно %1, свободно %2.\n\rУвеличьте число цифр!");
const QString kDone = QStringLiteral("Сгенерировано шифров: %1.");
}  // namespace

TFormGenShifr::TFormGenShifr(QWidget* owner, const ciphers::Selection& selection, const QString& what,
                             const QString& prefix)
    : TForm(owner), m_selection(selection) {
    setObjectName(QStringLiteral("FormGenShifr"));
    setWindowTitle(QStringLiteral("Генерация шифров"));
    auto* lay = new QVBoxLayout(this);
    Label1 = new QLabel(what, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    lay->addWidget(Label1);

    auto* form = new QGridLayout;
    Edit1 = new QLineEdit(prefix, this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(50);  // a start too long is refused with its message, not cut silently
    Edit2 = new QLineEdit(QStringLiteral("3"), this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setMaxLength(9);
    form->addWidget(labelFor(this, QStringLiteral("Начало шифра"), Edit1), 0, 0);
    form->addWidget(Edit1, 1, 0);
    form->addWidget(labelFor(this, QStringLiteral("Число цифр"), Edit2), 0, 1);
    form->addWidget(Edit2, 1, 1);
    form->setColumnStretch(0, 1);
    lay->addLayout(form);

    RadioButton1 = new QRadioButton(QStringLiteral("Только участникам без шифра"), this);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton(QStringLiteral("Всем участникам, заменив их шифры"), this);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    lay->addWidget(RadioButton1);
    lay->addWidget(RadioButton2);

    std::tie(Button1, Button2) = addDialogButtons(this, lay, QStringLiteral("Сгенерировать"));

    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, RadioButton1);
    setTabOrder(RadioButton1, RadioButton2);
    setTabOrder(RadioButton2, Button1);
    setTabOrder(Button1, Button2);
    Edit1->setFocus();
    Edit1->selectAll();
    // Enter on a choice of whom the codes are for chooses it and generates, as Enter elsewhere does.
    ui::enterAlsoPresses(RadioButton1, Button1);
    ui::enterAlsoPresses(RadioButton2, Button1);
    ui::connect(Button1, &QPushButton::clicked, this, &TFormGenShifr::Button1Click);
}

void TFormGenShifr::Button1Click() {
    const ciphers::CodeForm form{Edit1->text(), wholeNumber(Edit2->text()).value_or(0)};
    if (const ciphers::FormRefusal refused = ciphers::formRefusal(form)) {
        msg::error(refused.text);
        QLineEdit* field = refused.inDigits ? Edit2 : Edit1;
        field->setFocus();
        field->selectAll();
        return;
    }
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    const bool replace = RadioButton2->isChecked();
    // What cannot be done is said before anything is asked.
    const ciphers::Generation planned = ciphers::plan(db, tr, m_selection, form, replace);
    if (planned.needed == 0) {
        msg::info(kNothingToDo);
        accept();
        return;
    }
    if (planned.free < planned.needed) {
        msg::error(kTooFew.arg(planned.needed).arg(planned.free));
        Edit2->setFocus();
        Edit2->selectAll();
        return;
    }
    if (replace) {
        const int changes = ciphers::withCode(db, tr, m_selection);
        if (changes > 0 && !msg::confirm(kAskReplace.arg(m_selection.idTur).arg(changes))) return;
    }
    std::mt19937 rng(seed());
    ciphers::Generation g;
    if (!guardedWrite(tr, kNotDone, [&] { g = ciphers::generate(db, tr, m_selection, form, replace, rng); })) return;
    if (g.needed == 0) {
        msg::info(kNothingToDo);
        return;
    }
    if (!g.written) {
        msg::error(kTooFew.arg(g.needed).arg(g.free));
        Edit2->setFocus();
        Edit2->selectAll();
        return;
    }
    msg::info(kDone.arg(g.needed));
    accept();
}
