#include "UEnterBelRus.h"

#include "Lookups.h"
#include "appeals/Status.h"
#include "reference/Rounds.h"
#include "scoring/ScoreLog.h"
#include "scoring/UBalLog.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"
#include "ui/GradeChooser.h"
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
#include <QVBoxLayout>

QPointer<TFormEnterBelRus> FormEnterBelRus;

TFormEnterBelRus::TFormEnterBelRus(QWidget* owner, EntryMode mode)
    : TForm(owner),
      m_byCipher(mode == EntryMode::ByCipher),
      IBQuery1(DM->IBDatabase1, DM->IBTransaction1),
      IBQuery2(DM->IBDatabase1, DM->IBTransaction1,
               {"SELECT SH.ID_CHILD, SH.SHIFR", "FROM SHIFR SH, S_PREDMET P",
                "WHERE SH.KLASS = :KLASS   AND P.PREDMET = :PREDMET AND SH.ID_PREDMET= P.ID_PREDMET  AND "
                "SH.ID_TUR=:ID_TUR",
                "Order by SH.SHIFR;"}) {
    setObjectName(QStringLiteral("FormEnterBelRus"));
    setWindowTitle(QStringLiteral("Ввод баллов"));
    auto* lay = new QVBoxLayout(this);
    m_chooser = new TGradeChooser(this, {.round = true, .list = true});
    ComboBox1 = m_chooser->ComboBox1;
    ComboBox2 = m_chooser->ComboBox2;
    ComboBox3 = m_chooser->ComboBox3;
    Label8 = m_chooser->Label8;
    DBGrid1 = m_chooser->DBGrid1;
    DBNavigator1 = m_chooser->DBNavigator1;
    DBGrid1->setColumns(m_byCipher ? cipherColumns() : participantColumns());
    DBGrid1->setMinimumSize(m_byCipher ? 200 : 380, 300);
    lay->addWidget(m_chooser);
    auto* middle = new QHBoxLayout;
    middle->addLayout(m_chooser->listColumn, 1);
    middle->addLayout(scoreBoxes());
    lay->addLayout(middle, 1);
    lay->addLayout(bottomRow());
    setTabOrders();
    connectHandlers();
    FormCreate();
}

QGridLayout* TFormEnterBelRus::scoreBoxes() {
    auto* boxes = new QGridLayout;
    boxes->addWidget(new QLabel(QStringLiteral("Балл"), this), 0, 0, 1, 4);
    QLabel** labels[4] = {&Label3, &Label4, &Label5, &Label6};
    for (int k = 0; k < 4; ++k) {
        auto* l = new QLabel(this);
        l->setObjectName(QStringLiteral("Label%1").arg(k + 3));
        l->setStyleSheet(QStringLiteral("color: red;"));
        l->setWordWrap(true);  // a round name has up to 30 characters
        l->setFixedWidth(150);
        l->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
        *labels[k] = l;
        m_roundLabels[size_t(k)] = l;
        boxes->addWidget(l, 1, k);
    }
    for (int n = 0; n < scores::kSlots; ++n) {
        auto* e = new QLineEdit(QStringLiteral("0"), this);
        e->setObjectName(QStringLiteral("Edit%1").arg(n + 1));
        e->setMaxLength(12);
        e->setFixedWidth(150);
        e->setVisible(false);
        m_edits[size_t(n)] = e;
        connect(e, &QLineEdit::textChanged, this, [this, n] { markBox(n); });
        boxes->addWidget(e, 2 + n % 6, n / 6);
    }
    boxes->setRowStretch(8, 1);
    return boxes;
}

QHBoxLayout* TFormEnterBelRus::bottomRow() {
    auto* bottom = new QHBoxLayout;
    Label9 = new QLabel(this);
    Label9->setObjectName(QStringLiteral("Label9"));
    bottom->addWidget(Label9, 1);
    Button2 = new QPushButton(QStringLiteral("История"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    pressedByKey(Button2, QStringLiteral("Кто и когда менял баллы участника"), QKeySequence(Qt::Key_F9), {this});
    bottom->addWidget(Button2);
    Button1 = new QPushButton(QStringLiteral("Ввод"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    bottom->addWidget(Button1);
    return bottom;
}

void TFormEnterBelRus::setTabOrders() {
    // Tab goes down a round's tasks, then to the next round.
    setTabOrder(ComboBox1, ComboBox2);
    setTabOrder(ComboBox2, ComboBox3);
    setTabOrder(ComboBox3, DBGrid1);
    QWidget* previous = DBGrid1;
    for (QLineEdit* e : m_edits) {
        setTabOrder(previous, e);
        previous = e;
    }
    setTabOrder(previous, Button1);
    setTabOrder(Button1, Button2);
}

void TFormEnterBelRus::connectHandlers() {
    // A list is typed as score, Enter, score, Enter…: the last box of the participant saves him.
    ui::enterGoesOn(QList<QWidget*>(m_edits.begin(), m_edits.end()), Button1);
    m_chooser->mayLeave = [this](QWidget*) { return mayLeave(); };
    ui::connect(m_chooser, &TGradeChooser::subjectChosen, this, &TFormEnterBelRus::ComboBox1Change);
    ui::connect(m_chooser, &TGradeChooser::gradeChosen, this, &TFormEnterBelRus::ComboBox2Change);
    ui::connect(m_chooser, &TGradeChooser::roundChosen, this, &TFormEnterBelRus::ComboBox3Change);
    ui::connect(m_chooser, &TGradeChooser::participantChosen, this, &TFormEnterBelRus::DBGrid1CellClick);
    ui::connect(Button1, &QPushButton::clicked, this, &TFormEnterBelRus::Button1Click);
    ui::connect(Button2, &QPushButton::clicked, this, &TFormEnterBelRus::Button2Click);
}

void TFormEnterBelRus::FormCreate() {
    Label8->setVisible(m_byCipher);
    ComboBox3->setVisible(m_byCipher);
    m_chooser->fillSubjects();
    clearRounds();
}

void TFormEnterBelRus::clearRounds() {
    for (QLabel* l : m_roundLabels) l->clear();
    for (QLineEdit* e : m_edits) {
        e->setText(QStringLiteral("0"));
        e->setVisible(false);
    }
}

void TFormEnterBelRus::showRound(int k) {
    const std::optional<rounds::Round> r =
        rounds::describe(DM->IBDatabase1, DM->IBTransaction1, ComboBox1->currentText(), k);
    if (!r) return;
    m_roundLabels[size_t(k - 1)]->setText(r->name);
    if (r->tasks < 1 || r->tasks > rounds::kMaxTasks) return;
    for (int j = 1; j <= r->tasks; ++j) {
        const std::optional<Score>& max = m_maxima[size_t(6 * (k - 1) + j - 1)];
        Edit(6 * (k - 1) + j)->setToolTip(max ? QStringLiteral("Задача %1, наибольший балл %2").arg(j).arg(max->toString())
                                              : QStringLiteral("Задача %1").arg(j));
        Edit(6 * (k - 1) + j)->setVisible(true);
    }
}

void TFormEnterBelRus::clearList() {
    DBGrid1->clear();
    m_chooser->setShownRow(-1);
    m_shownChild = 0;
}

bool TFormEnterBelRus::mayLeave() {
    if (!unsavedWork()) return true;
    switch (msg::ask(kUnsavedScores)) {
    case msg::Answer::Yes: return saveShown();
    case msg::Answer::No: return true;
    case msg::Answer::Cancel: break;
    }
    focusFirstBox();
    return false;
}

void TFormEnterBelRus::ComboBox1Change() {
    clearRounds();
    m_maxima = rounds::maxima(DM->IBDatabase1, DM->IBTransaction1,
                              lookup::predmetKey(DM->IBDatabase1, DM->IBTransaction1, ComboBox1->currentText()));
    if (!m_byCipher)
        for (int k = 1; k <= 4; ++k) showRound(k);
    clearList();
    m_idPredmet = m_idKlass = 0;
    Label9->clear();
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    combo::setItems(ComboBox2, lookup::gradesOfSubject(db, tr, ComboBox1->currentText()));
    if (m_byCipher) {
        QStringList items;
        for (int k : rounds::numbers(db, tr, ComboBox1->currentText())) items.append(QString::number(k));
        combo::setItems(ComboBox3, items);
    }
}

void TFormEnterBelRus::ComboBox2Change() {
    if (m_byCipher) {
        combo::clearChoice(ComboBox3);
        clearRounds();
    }
    clearList();
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    m_idPredmet = lookup::predmetKey(db, tr, ComboBox1->currentText());
    m_idKlass = lookup::klassKey(db, tr, ComboBox2->currentText());
    showEntered();
    if (m_byCipher) return;  // the boxes wait for a round
    lookup::selectParticipants(IBQuery1, ComboBox1->currentText(), m_idKlass);
    IBQuery1.open();
    DBGrid1->load(IBQuery1);
    IBQuery1.close();
    loadScores();
    focusFirstBox();
}

void TFormEnterBelRus::ComboBox3Change() {
    clearRounds();
    clearList();
    const int k = ComboBox3->currentText().toInt();
    if (k < 1 || k > 4) return;
    showRound(k);
    IBQuery2.setText(QStringLiteral("PREDMET"), ComboBox1->currentText());
    IBQuery2.setInt(QStringLiteral("KLASS"), m_idKlass);
    IBQuery2.setInt(QStringLiteral("ID_TUR"), k);
    IBQuery2.open();
    DBGrid1->load(IBQuery2);
    IBQuery2.close();
    showEntered();
    loadScores();
    focusFirstBox();
}

void TFormEnterBelRus::loadScores() {
    m_chooser->setShownRow(DBGrid1->currentRow());
    m_shownChild = DBGrid1->currentRow() >= 0 ? DBGrid1->value("ID_CHILD").toInt() : 0;
    std::optional<scores::Slots> stored;
    if (m_shownChild) stored = scores::load(DM->IBDatabase1, DM->IBTransaction1, m_shownChild);
    for (int n = 0; n < scores::kSlots; ++n) {
        m_loaded[size_t(n)] = stored ? (*stored)[size_t(n)].toString() : QStringLiteral("0");
        m_edits[size_t(n)]->setText(m_loaded[size_t(n)]);
        markBox(n);  // a score stored above a maximum given later
    }
}

void TFormEnterBelRus::DBGrid1CellClick() { loadScores(); }

void TFormEnterBelRus::markBox(int n) {
    QLineEdit* e = m_edits[size_t(n)];
    const QString why = scores::refusal(n, e->text(), m_maxima[size_t(n)]);
    e->setStyleSheet(why.isEmpty() ? QString() : QStringLiteral("QLineEdit { background: #ffd6d6; }"));
    e->setProperty("refusal", why);
}

void TFormEnterBelRus::showEntered() {
    const int round = m_byCipher ? ComboBox3->currentText().toInt() : 0;
    if (m_idPredmet == 0 || m_idKlass == 0 || (m_byCipher && round == 0)) {
        Label9->clear();
        for (QLineEdit* e : m_edits) e->setReadOnly(false);
        Button1->setEnabled(true);
        return;
    }
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    const qsizetype done = scorelog::entered(db, tr, m_idPredmet, m_idKlass, round).size();
    QString text = QStringLiteral("введено %1 из %2").arg(done).arg(scorelog::participants(db, tr, m_idPredmet, m_idKlass));
    // Final results are said before anything is typed: the boxes only show them.
    const status::State state = status::of(db, tr, m_idPredmet, m_idKlass);
    if (state.final) text = QStringLiteral("%1: баллы не изменяются; %2").arg(status::heading(state), text);
    Label9->setText(text);
    for (QLineEdit* e : m_edits) e->setReadOnly(state.final);
    Button1->setEnabled(!state.final);
}

void TFormEnterBelRus::Button2Click() {
    if (DBGrid1->currentRow() < 0) {
        msg::info(msg::kChooseParticipant);
        return;
    }
    const QString who = m_byCipher ? QStringLiteral("Шифр %1").arg(DBGrid1->value("SHIFR"))
                                   : QStringList{DBGrid1->value("SURNAME"), DBGrid1->value("NAME"),
                                                 DBGrid1->value("SECONDNAME")}
                                         .join(u' ')
                                         .simplified();
    openWindow(FormBalLog, this, DBGrid1->value("ID_CHILD").toInt(), who);
}

bool TFormEnterBelRus::unsavedWork() const {
    if (m_shownChild == 0) return false;
    for (int n = 0; n < scores::kSlots; ++n)
        if (m_edits[size_t(n)]->isVisible() && m_edits[size_t(n)]->text() != m_loaded[size_t(n)]) return true;
    return false;
}

void TFormEnterBelRus::focusFirstBox() {
    for (QLineEdit* e : m_edits)
        if (e->isVisible()) {
            e->setFocus();
            e->selectAll();
            return;
        }
}

void TFormEnterBelRus::Button1Click() {
    if (m_shownChild == 0) {
        msg::info(msg::kChooseParticipant);
        return;
    }
    if (!saveShown()) return;
    DBGrid1->setCurrentRow(m_chooser->shownRow() + 1);  // on the last row the selection stays
    loadScores();
    focusFirstBox();
}

bool TFormEnterBelRus::saveShown() {
    // What the operator typed: the visible boxes whose text he changed. Everything else is taken
    // from the row as it is stored when the save runs. Every visible box is checked, also one
    // stored before the maxima were given (read again: another station may have changed them).
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    m_maxima = rounds::maxima(db, tr, m_idPredmet);
    scores::Slots typed{};
    scores::Shown shown{};
    scores::Shown confirmed{};
    for (int n = 0; n < scores::kSlots; ++n) {
        QLineEdit* e = m_edits[size_t(n)];
        if (!e->isVisible()) continue;
        const bool changed = e->text() != m_loaded[size_t(n)];
        if (const QString refused = scores::refusal(n, e->text(), m_maxima[size_t(n)]); !refused.isEmpty()) {
            msg::error(refused);
            e->setFocus();
            e->selectAll();
            return false;
        }
        // A box the operator typed in, even the value it held, confirms its round as entered; one
        // he only passed with Enter does not (a round not held yet shows its zeros too).
        confirmed[size_t(n)] = e->isModified();
        if (!changed) continue;
        typed[size_t(n)] = scores::parse(e->text());
        shown[size_t(n)] = true;
    }
    if (!guardedWrite(tr, kNotDone,
                      [&] { scores::save(db, tr, m_shownChild, m_idPredmet, m_idKlass, typed, shown, confirmed); }))
        return false;
    for (int n = 0; n < scores::kSlots; ++n) {  // stored: nothing typed is left to lose
        m_loaded[size_t(n)] = m_edits[size_t(n)]->text();
        m_edits[size_t(n)]->setModified(false);
    }
    showEntered();
    return true;
}
