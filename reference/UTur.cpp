#include "UTur.h"

#include "Tasks.h"
#include "Text.h"
#include "reference/Rounds.h"
#include "scoring/Awards.h"
#include "scoring/Scores.h"
#include "ui/Combo.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Messages.h"
#include "ui/Notices.h"
#include "ui/Station.h"
#include "ui/TypeAhead.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

QPointer<TFormTur> FormTur;

TFormTur::TFormTur(QWidget* owner, int idPredmet, const QString& subject)
    : TForm(owner), m_idPredmet(idPredmet) {
    setObjectName(QStringLiteral("FormTur"));
    setWindowTitle(QStringLiteral("Тур"));
    auto* grid = new QGridLayout(this);
    auto* heading = new QLabel(subject, this);
    heading->setObjectName(QStringLiteral("LabelSubject"));
    QFont bold = font();
    bold.setBold(true);
    heading->setFont(bold);
    grid->addWidget(heading, 0, 0, 1, 5);
    grid->addWidget(new QLabel(QStringLiteral("Название тура"), this), 2, 0);
    auto* countLabel = new QLabel(QStringLiteral("Количество задач\n(не более 6)"), this);
    grid->addWidget(countLabel, 3, 0);
    grid->addWidget(new QLabel(QStringLiteral("Наибольшие баллы задач\n(через пробел)"), this), 4, 0);
    const auto field = [&](int number, int maxLength, int row, int column) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QStringLiteral("Edit%1").arg(number));
        e->setMaxLength(maxLength);
        grid->addWidget(e, row, column);
        return e;
    };
    QLineEdit** fields[12] = {&Edit1, &Edit2, &Edit3, &Edit4, &Edit5, &Edit6, &Edit7, &Edit8, &Edit9, &Edit10, &Edit11, &Edit12};
    for (int n = 0; n < 4; ++n) {
        auto* head = new QLabel(QStringLiteral("Тур%1").arg(n + 1), this);
        head->setAlignment(Qt::AlignCenter);
        grid->addWidget(head, 1, n + 1);
        *fields[n] = field(n + 1, 30, 2, n + 1);
        (*fields[n])->setMinimumWidth(140);
        *fields[n + 4] = field(n + 5, 3, 3, n + 1);
        *fields[n + 8] = field(n + 9, 80, 4, n + 1);
        (*fields[n + 8])->setToolTip(QStringLiteral("Например: 10 10 7,5 — балл выше наибольшего не будет принят"));
    }
    Button1 = new QPushButton(QStringLiteral("Ввод"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    grid->addWidget(Button1, 5, 4);
    // Typing goes along a slot: its name, its count, its maxima, then the next slot.
    QWidget* previous = nullptr;
    for (size_t n = 0; n < 4; ++n)
        for (QWidget* w : {static_cast<QWidget*>(names()[n]), static_cast<QWidget*>(counts()[n]),
                           static_cast<QWidget*>(maxima()[n])}) {
            if (previous) setTabOrder(previous, w);
            previous = w;
        }
    setTabOrder(previous, Button1);
    ui::connect(Button1, &QPushButton::clicked, this, &TFormTur::Button1Click);
    FormCreate();
    // The window opens when a subject is chosen, often as the operator goes on typing elsewhere:
    // keys typed before it appeared are dropped, and the cursor waits on the button, so that typing
    // meant for another field changes no round.
    ui::guardTypeAhead(this);
    Button1->setFocus();
}

bool TFormTur::unsavedWork() const {
    for (const auto& row : {names(), counts(), maxima()})
        for (const QLineEdit* e : row)
            if (e->isModified()) return true;  // typed since the slots were shown
    return false;
}

void TFormTur::FormCreate() {
    const RoundSlots slots = rounds::load(DM->IBDatabase1, DM->IBTransaction1, m_idPredmet);
    for (size_t n = 0; n < 4; ++n) {
        showText(names()[n], slots[n].name);
        showText(counts()[n], slots[n].count);
        showText(maxima()[n], slots[n].maxima);
    }
}

void TFormTur::Button1Click() {
    const int key = m_idPredmet;
    if (key == 0) {
        msg::error(QStringLiteral("Выберите предмет"));
        return;
    }
    RoundSlots slots;
    for (size_t n = 0; n < 4; ++n) slots[n] = {names()[n]->text(), counts()[n]->text(), maxima()[n]->text()};
    for (QLineEdit* name : names())
        if (const QString refused = text1251::refusal(name->text()); !refused.isEmpty()) {
            msg::error(kNotDone, refused);
            name->setFocus();
            return;
        }
    if (const rounds::SlotProblem problem = rounds::problem(slots)) {
        msg::error(problem.text);
        const std::array<QLineEdit*, 4> field = problem.field == rounds::SlotProblem::Name    ? names()
                                                : problem.field == rounds::SlotProblem::Count ? counts()
                                                                                              : maxima();
        field[size_t(problem.slot - 1)]->setFocus();
        return;
    }
    bool clears = false;
    if (!fitsTheScores(key, slots, &clears)) return;
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    const bool tasksChange = rounds::typedTasks(slots) != tasks::inUse(db, tr, key);
    if (guardedWrite(tr, kNotDone, [&] {
            rounds::save(db, tr, key, slots);
            if (tasksChange) scores::fitToRounds(db, tr, key);  // sums and places follow the tasks
        })) {
        Q_EMIT ui::notices().dictionaryChanged(ui::Dictionary::Rounds);
        if (clears && awards::anyGiven(db, tr, key)) msg::info(awards::kDegreesOnOldTotals);
        accept();
    }
}

bool TFormTur::fitsTheScores(int key, const RoundSlots& slots, bool* clears) {
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    for (const scores::Above& a : scores::aboveMaxima(db, tr, key, rounds::typedMaxima(slots))) {
        msg::error(QStringLiteral("Тур%1, задача %2: у участников (%3) балл больше нового наибольшего (%4). Исправьте баллы "
                                  "или наибольший балл.")
                       .arg(a.slot / 6 + 1)
                       .arg(a.slot % 6 + 1)
                       .arg(a.participants)
                       .arg(a.maximum.toString()));
        maxima()[size_t(a.slot / 6)]->setFocus();
        return false;
    }
    for (const scores::Going& g : scores::goingScores(db, tr, key, rounds::typedTasks(slots))) {
        *clears = true;
        if (!msg::confirm(QStringLiteral("У участников (%1) есть баллы по задачам, которых не станет: тур %2, задачи %3–%4. "
                                         "Удалить эти баллы?")
                              .arg(g.participants)
                              .arg(g.round)
                              .arg(g.firstTask)
                              .arg(g.lastTask))) {
            counts()[size_t(g.round - 1)]->setFocus();
            return false;
        }
    }
    return true;
}
