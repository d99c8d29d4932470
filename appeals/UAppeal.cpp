#include "UAppeal.h"

#include "Codes.h"
#include "appeals/Status.h"

#include "Lookups.h"
#include "Query.h"
#include "Tasks.h"
#include "reference/Rounds.h"
#include "scoring/Scores.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"
#include "ui/GradeChooser.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Messages.h"
#include "ui/Station.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

QPointer<TFormAppeal> FormAppeal;

namespace {
Database& database() { return DM->IBDatabase1; }
Transaction& working() { return DM->IBTransaction1; }
const QStringList kDecisions{QString(), appeals::kRejected, appeals::kUpheld};

QString signedScore(Score s) { return s > Score() ? u'+' + s.toString() : s.toString(); }
}  // namespace

TFormAppeal::TFormAppeal(QWidget* owner) : TForm(owner) {
    setObjectName(QStringLiteral("FormAppeal"));
    setWindowTitle(QStringLiteral("Апелляции"));
    auto* lay = new QVBoxLayout(this);
    m_chooser = new TGradeChooser(this, {.list = true});
    ComboBox1 = m_chooser->ComboBox1;
    ComboBox2 = m_chooser->ComboBox2;
    DBGrid1 = m_chooser->DBGrid1;
    DBNavigator1 = m_chooser->DBNavigator1;
    DBGrid1->setColumns({{"ID_CHILD", QString(), false},
                         {"SHIFRY", QStringLiteral("Шифры")},
                         {"FIO", QStringLiteral("Фамилия, имя, отчество")},
                         {"SCHOOL", QStringLiteral("Учреждение")}});
    DBGrid1->setMinimumSize(360, 220);
    lay->addWidget(m_chooser);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setPlaceholderText(QStringLiteral("шифр или фамилия, Enter"));
    auto* find = new QHBoxLayout;
    find->addWidget(labelFor(this, QStringLiteral("Найти участника:"), Edit1));
    find->addWidget(Edit1, 1);
    m_chooser->listColumn->insertLayout(0, find);
    auto* middle = new QHBoxLayout;
    middle->addLayout(m_chooser->listColumn, 1);
    middle->addWidget(formPart());
    lay->addLayout(middle, 1);
    DBGrid2 = new TDBGrid(this);
    DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
    DBGrid2->setColumns({{"ID_APPEAL", QString(), false}, {"N", QStringLiteral("№")}, {"SHIFR", QStringLiteral("Шифр")},
                         {"FIO", QStringLiteral("Участник")}, {"TUR", QStringLiteral("Тур")},
                         {"ZAD", QStringLiteral("Задачи")}, {"RESH", QStringLiteral("Решение")},
                         {"DELTA", QStringLiteral("Изменение суммы")}, {"MB", QStringLiteral("Место до")},
                         {"MA", QStringLiteral("Место после")}});
    DBGrid2->setMinimumHeight(140);
    lay->addWidget(labelFor(this, QStringLiteral("Апелляции класса"), DBGrid2));
    lay->addWidget(DBGrid2);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setStyleSheet(QStringLiteral("color: #a00000;"));
    Label2->setWordWrap(true);
    Button4 = new QPushButton(QStringLiteral("Помощник награждения"), this);
    Button4->setObjectName(QStringLiteral("Button4"));
    Button4->setAutoDefault(false);
    Button4->setVisible(false);
    auto* warn = new QHBoxLayout;
    warn->addWidget(Label2, 1);
    warn->addWidget(Button4, 0, Qt::AlignTop);
    lay->addLayout(warn);
    connectHandlers();
    m_chooser->fillSubjects();
    setEditable(false);
}

QWidget* TFormAppeal::formPart() {
    auto* box = new QWidget(this);
    auto* form = new QGridLayout(box);
    Label1 = new QLabel(QStringLiteral("Новая апелляция"), box);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = font();
    bold.setBold(true);
    Label1->setFont(bold);
    form->addWidget(Label1, 0, 0, 1, 2);
    DateEdit1 = new QDateEdit(QDate::currentDate(), box);
    DateEdit1->setObjectName(QStringLiteral("DateEdit1"));
    DateEdit1->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    DateEdit1->setCalendarPopup(true);
    form->addWidget(labelFor(box, QStringLiteral("Дата:"), DateEdit1), 1, 0);
    form->addWidget(DateEdit1, 1, 1);
    ComboBox3 = newChooser(box, "ComboBox3", 2, 60);
    form->addWidget(labelFor(box, QStringLiteral("Тур:"), ComboBox3), 2, 0);
    form->addWidget(ComboBox3, 2, 1);
    form->addWidget(tasksPart(), 3, 0, 1, 2);
    Memo1 = new QPlainTextEdit(box);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setTabChangesFocus(true);
    Memo1->setMaximumHeight(70);
    form->addWidget(labelFor(box, QStringLiteral("Причина (со слов участника):"), Memo1), 4, 0, 1, 2);
    form->addWidget(Memo1, 5, 0, 1, 2);
    Edit2 = new QLineEdit(box);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setMaxLength(500);
    form->addWidget(labelFor(box, QStringLiteral("Члены жюри:"), Edit2), 6, 0);
    form->addWidget(Edit2, 6, 1);
    auto* buttons = new QHBoxLayout;
    Button2 = new QPushButton(QStringLiteral("Новая"), box);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    pressedByKey(Button2, QStringLiteral("Новая апелляция участника"), QKeySequence(Qt::Key_F2), {this});
    Button3 = new QPushButton(QStringLiteral("Удалить"), box);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setAutoDefault(false);
    Button1 = new QPushButton(QStringLiteral("Сохранить"), box);
    Button1->setObjectName(QStringLiteral("Button1"));
    // Not the default button (a dialog makes its first auto-default button that): Enter in a field,
    // the search above all, never stores a decision that cannot be changed afterwards. Сохранить is
    // pressed by itself: Tab to it, then Enter or Space.
    Button1->setAutoDefault(false);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), Button1);
        enter->setContext(Qt::WidgetShortcut);
        connect(enter, &QShortcut::activated, Button1, &QPushButton::click);
    }
    buttons->addWidget(Button2);
    buttons->addWidget(Button3);
    buttons->addStretch();
    buttons->addWidget(Button1);
    form->addLayout(buttons, 7, 0, 1, 2);
    return box;
}

QWidget* TFormAppeal::tasksPart() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Задача"), box), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Балл"), box), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Решение"), box), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Новый балл"), box), 0, 3);
    for (int n = 1; n <= 6; ++n) {
        auto* check = new QCheckBox(QStringLiteral("Задача %1").arg(n), box);
        check->setObjectName(QStringLiteral("CheckBox%1").arg(n));
        auto* before = new QLabel(box);
        before->setObjectName(QStringLiteral("Label%1").arg(n + 10));
        before->setMinimumWidth(50);
        TComboBox* decision = newChooser(box, QStringLiteral("ComboBox%1").arg(n + 3).toLatin1().constData(), 13, 130);
        combo::setItems(decision, kDecisions);
        auto* score = new QLineEdit(box);
        score->setObjectName(QStringLiteral("Edit%1").arg(n + 2));
        score->setMaxLength(12);
        score->setFixedWidth(80);
        m_task[size_t(n - 1)] = check;
        m_before[size_t(n - 1)] = before;
        m_decision[size_t(n - 1)] = decision;
        m_new[size_t(n - 1)] = score;
        grid->addWidget(check, n, 0);
        grid->addWidget(before, n, 1);
        grid->addWidget(decision, n, 2);
        grid->addWidget(score, n, 3);
    }
    return box;
}

void TFormAppeal::connectHandlers() {
    m_chooser->mayLeave = [this](QWidget*) { return mayLeave(); };
    ui::connect(m_chooser, &TGradeChooser::subjectChosen, this, &TFormAppeal::ComboBox1Change);
    ui::connect(m_chooser, &TGradeChooser::gradeChosen, this, &TFormAppeal::ComboBox2Change);
    ui::connect(m_chooser, &TGradeChooser::participantChosen, this, &TFormAppeal::DBGrid1CellClick);
    combo::onChoice(ComboBox3, this, &TFormAppeal::ComboBox3Change);
    ui::connect(DBGrid2, &TDBGrid::selectedRowChanged, this, &TFormAppeal::DBGrid2CellClick);
    ui::connect(Edit1, &QLineEdit::returnPressed, this, &TFormAppeal::Edit1Enter);
    ui::connect(Button1, &QPushButton::clicked, this, &TFormAppeal::Button1Click);
    ui::connect(Button2, &QPushButton::clicked, this, &TFormAppeal::Button2Click);
    ui::connect(Button3, &QPushButton::clicked, this, &TFormAppeal::Button3Click);
    ui::connect(Button4, &QPushButton::clicked, this,
                [this] { Q_EMIT awardAssistantWanted(ComboBox1->currentText(), ComboBox2->currentText()); });
    connect(DateEdit1, &QDateEdit::dateChanged, this, [this] { markDirty(); });
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] { markDirty(); });
    connect(Edit2, &QLineEdit::textEdited, this, [this] { markDirty(); });
    for (int n = 1; n <= 6; ++n) {
        connect(taskBox(n), &QCheckBox::toggled, this, [this, n](bool on) {
            decisionBox(n)->setEnabled(on && Button1->isEnabled());
            newScoreBox(n)->setEnabled(on && Button1->isEnabled() && decisionBox(n)->currentText() == appeals::kUpheld);
            markDirty();
        });
        connect(decisionBox(n), &QComboBox::currentTextChanged, this, [this, n](const QString& d) {
            newScoreBox(n)->setEnabled(taskBox(n)->isChecked() && Button1->isEnabled() && d == appeals::kUpheld);
            markDirty();
        });
        connect(newScoreBox(n), &QLineEdit::textEdited, this, [this] { markDirty(); });
    }
}

void TFormAppeal::ComboBox1Change() {
    m_idPredmet = m_idKlass = 0;
    DBGrid1->clear();
    DBGrid2->clear();
    m_chooser->setShownRow(-1);
    combo::setItems(ComboBox2, lookup::gradesWithResults(database(), working(), ComboBox1->currentText()));
    fillRounds();
    newAppeal();
}

void TFormAppeal::fillRounds() {
    QStringList items;
    const tasks::Counts counts = tasks::inUse(database(), working(), lookup::predmetKey(database(), working(), ComboBox1->currentText()));
    for (int k = 1; k <= 4; ++k)
        if (counts[size_t(k - 1)] > 0) items << QString::number(k);
    combo::setItems(ComboBox3, items);
}

void TFormAppeal::ComboBox2Change() {
    m_idPredmet = lookup::predmetKey(database(), working(), ComboBox1->currentText());
    m_idKlass = lookup::klassKey(database(), working(), ComboBox2->currentText());
    Query q(database(), working(),
            {"SELECT S.ID_CHILD, (SELECT CAST(LIST(TRIM(SH.SHIFR), ', ') AS VARCHAR(200)) FROM SHIFR SH WHERE SH.ID_CHILD = S.ID_CHILD) AS SHIFRY,",
             "TRIM(S.SURNAME) || ' ' || TRIM(COALESCE(S.NAME, '')) || ' ' || TRIM(COALESCE(S.SECONDNAME, '')) AS FIO, S.SCHOOL",
             "FROM SPISOK S JOIN BAL B ON B.ID_CHILD = S.ID_CHILD WHERE S.ID_PREDMET = :ID_PREDMET AND S.KLASS = :KLASS",
             "ORDER BY S.SURNAME, S.NAME, S.SECONDNAME, S.ID_CHILD"});
    q.setInt("ID_PREDMET", m_idPredmet);
    q.setInt("KLASS", m_idKlass);
    q.open();
    DBGrid1->load(q);
    m_chooser->setShownRow(DBGrid1->currentRow());
    fillAppeals();
    newAppeal();
    // Final results are said as soon as the grade is chosen: no appeal is recorded until reopened.
    Label2->setText(status::refusalText(database(), working(), m_idPredmet, m_idKlass));
    Button4->setVisible(false);
    Edit1->setFocus();
}

void TFormAppeal::fillAppeals(int select) {
    std::vector<QStringList> rows;
    int at = -1;
    for (const appeals::Appeal& a : appeals::ofGrade(database(), working(), m_idPredmet, m_idKlass)) {
        if (a.id == select) at = int(rows.size());
        rows.push_back({QString::number(a.id), QString::number(a.number), a.cipher, a.name, QString::number(a.round),
                        a.tasksText(), a.decisionText(), a.decided() ? signedScore(a.totalAfter - a.totalBefore) : QString(),
                        a.decided() ? QString::number(a.placeBefore) : QString(),
                        a.decided() ? QString::number(a.placeAfter) : QString()});
    }
    const QSignalBlocker quiet(DBGrid2);
    DBGrid2->load(std::move(rows));
    DBGrid2->setCurrentRow(at);
}

void TFormAppeal::DBGrid1CellClick() {
    m_chooser->setShownRow(DBGrid1->currentRow());
    newAppeal();
}

void TFormAppeal::Edit1Enter() {
    const QString text = Edit1->text().trimmed();
    if (text.isEmpty()) return;
    // As the paper reads: capitals or not, Ё or Е, a Latin letter that looks like a Cyrillic one.
    const QString typed = codes::lookalike(text);
    for (int r = 0; r < DBGrid1->rowCount(); ++r) {
        const QStringList shown = DBGrid1->value(r, "SHIFRY").split(QStringLiteral(", "));
        const bool byCode = std::any_of(shown.begin(), shown.end(), [&](const QString& c) { return codes::lookalike(c) == typed; });
        if (byCode || codes::lookalike(DBGrid1->value(r, "FIO")).startsWith(typed)) {
            if (DBGrid1->currentRow() != r) {  // his own row already shown: the typed appeal stays
                DBGrid1->setCurrentRow(r);  // asks about typed work through the chooser
                if (DBGrid1->currentRow() == r) DBGrid1CellClick();
            }
            ComboBox3->setFocus();
            return;
        }
    }
    msg::info(QStringLiteral("Участник «%1» в этом классе не найден.").arg(text));
}

void TFormAppeal::DBGrid2CellClick() {
    const int row = DBGrid2->currentRow();
    if (row < 0) return;
    const int id = DBGrid2->value(row, "ID_APPEAL").toInt();
    if (id == m_appeal.id) return;
    if (!mayLeave()) {
        fillAppeals(m_appeal.id);
        return;
    }
    const std::optional<appeals::Appeal> a = appeals::load(database(), working(), id);
    if (!a) return;
    for (int r = 0; r < DBGrid1->rowCount(); ++r)
        if (DBGrid1->value(r, "ID_CHILD").toInt() == a->idChild) {
            const QSignalBlocker quiet(DBGrid1);
            DBGrid1->setCurrentRow(r);
            m_chooser->setShownRow(r);
        }
    showAppeal(*a);
}

void TFormAppeal::setEditable(bool editable) {
    for (QWidget* w : std::initializer_list<QWidget*>{DateEdit1, ComboBox3, Memo1, Edit2, Button1})
        w->setEnabled(editable);
    for (int n = 1; n <= 6; ++n) {
        taskBox(n)->setEnabled(editable);
        decisionBox(n)->setEnabled(editable && taskBox(n)->isChecked());
        newScoreBox(n)->setEnabled(editable && taskBox(n)->isChecked() && decisionBox(n)->currentText() == appeals::kUpheld);
    }
    Button3->setEnabled(m_appeal.id != 0 && !m_appeal.decided());
}

void TFormAppeal::newAppeal() {
    appeals::Appeal a;
    a.idChild = DBGrid1->currentRow() >= 0 ? DBGrid1->value("ID_CHILD").toInt() : 0;
    a.filedOn = QDate::currentDate();
    showAppeal(a);
}

void TFormAppeal::showAppeal(const appeals::Appeal& a) {
    m_loading = true;
    m_appeal = a;
    Label1->setText(a.id == 0 ? QStringLiteral("Новая апелляция")
                              : QStringLiteral("Апелляция № %1 — %2").arg(a.number).arg(a.decisionText()));
    DateEdit1->setDate(a.filedOn.isValid() ? a.filedOn : QDate::currentDate());
    combo::setText(ComboBox3, a.round ? QString::number(a.round) : QString());
    Memo1->setPlainText(a.reason);
    Edit2->setText(a.members);
    for (int n = 1; n <= 6; ++n) {
        const auto t = std::find_if(a.tasks.begin(), a.tasks.end(), [n](const appeals::Task& x) { return x.task == n; });
        const bool in = t != a.tasks.end();
        taskBox(n)->setChecked(in);
        combo::setText(decisionBox(n), in && t->decision != appeals::Undecided ? kDecisions[t->decision + 1] : QString());
        newScoreBox(n)->setText(in && t->after ? t->after->toString() : QString());
    }
    showScoresBefore();
    setEditable(a.idChild != 0 && !a.decided());
    m_dirty = false;
    m_loading = false;
}

// The scores the tasks hold: as stored now, or as they were when the appeal was decided.
void TFormAppeal::showScoresBefore() {
    const int round = ComboBox3->currentText().toInt();
    const tasks::Counts counts = tasks::inUse(database(), working(), m_idPredmet);
    const int inRound = round >= 1 && round <= 4 ? counts[size_t(round - 1)] : 0;
    const auto stored = appeals::storedScores(database(), working(), m_appeal.idChild, round);
    for (int n = 1; n <= 6; ++n) {
        const auto t = std::find_if(m_appeal.tasks.begin(), m_appeal.tasks.end(), [n](const appeals::Task& x) { return x.task == n; });
        std::optional<Score> before = stored[size_t(n - 1)];
        if (m_appeal.decided() && t != m_appeal.tasks.end()) before = t->before;
        beforeLabel(n)->setText(n <= inRound && before ? before->toString() : QString());
        for (QWidget* w : std::initializer_list<QWidget*>{taskBox(n), beforeLabel(n), decisionBox(n), newScoreBox(n)})
            w->setVisible(n <= inRound);
    }
}

void TFormAppeal::ComboBox3Change() {
    for (int n = 1; n <= 6; ++n) taskBox(n)->setChecked(false);
    showScoresBefore();
    markDirty();
}

appeals::Appeal TFormAppeal::typed() const {
    appeals::Appeal a = m_appeal;
    a.round = ComboBox3->currentText().toInt();
    a.filedOn = DateEdit1->date();
    a.reason = Memo1->toPlainText().trimmed();
    a.members = Edit2->text().trimmed();
    a.tasks.clear();
    for (int n = 1; n <= 6; ++n) {
        if (!taskBox(n)->isVisible() || !taskBox(n)->isChecked()) continue;
        appeals::Task t;
        t.task = n;
        t.decision = int(kDecisions.indexOf(decisionBox(n)->currentText())) - 1;
        if (t.decision == appeals::Upheld && !newScoreBox(n)->text().trimmed().isEmpty())
            t.after = Score::parse(newScoreBox(n)->text());
        a.tasks << t;
    }
    return a;
}

bool TFormAppeal::saveShown() {
    if (m_appeal.idChild == 0) {
        msg::info(msg::kChooseParticipant);
        return false;
    }
    for (int n = 1; n <= 6; ++n) {
        if (!taskBox(n)->isVisible() || !taskBox(n)->isChecked()) continue;
        if (kDecisions.indexOf(decisionBox(n)->currentText()) < 0) {
            msg::error(QStringLiteral("Задача %1: решение — «%2», «%3» или пусто, пока апелляция не рассмотрена")
                           .arg(n).arg(appeals::kRejected, appeals::kUpheld));
            decisionBox(n)->setFocus();
            return false;
        }
        if (decisionBox(n)->currentText() != appeals::kUpheld) continue;
        if (const QString why = scores::refusal(6 * (ComboBox3->currentText().toInt() - 1) + n - 1, newScoreBox(n)->text());
            !why.isEmpty()) {
            msg::error(why);
            newScoreBox(n)->setFocus();
            return false;
        }
    }
    appeals::Appeal a = typed();
    // What the save would refuse is said before the question, not after it.
    if (const QString why = status::refusalText(database(), working(), m_idPredmet, m_idKlass); !why.isEmpty()) {
        msg::error(why);
        return false;
    }
    const tasks::Counts counts = tasks::inUse(database(), working(), m_idPredmet);
    const int inRound = a.round >= 1 && a.round <= 4 ? counts[size_t(a.round - 1)] : 0;
    if (const QString why = appeals::refusal(a, inRound, rounds::maxima(database(), working(), m_idPredmet)); !why.isEmpty()) {
        msg::error(why);
        return false;
    }
    if (a.allDecided() &&
        !msg::confirm(QStringLiteral("Решение по апелляции будет записано и больше не изменится. Записать?")))
        return false;
    if (!guardedWrite(working(), kNotDone, [&] { a = typed(); appeals::save(database(), working(), a); })) return false;
    m_dirty = false;
    fillAppeals(a.id);
    showAppeal(*appeals::load(database(), working(), a.id));
    // A changed total may move others through a tie even where his own place stays.
    if (a.decided() && a.totalBefore != a.totalAfter) checkDegrees();
    return true;
}

void TFormAppeal::checkDegrees() {
    const QStringList warnings = appeals::degreeWarnings(database(), working(), m_idPredmet, m_idKlass);
    Label2->setText(warnings.isEmpty() ? QString()
                                       : QStringLiteral("Места изменились, степени теперь не согласуются с ними:\n%1")
                                             .arg(warnings.mid(0, 6).join(u'\n')));
    Button4->setVisible(!warnings.isEmpty());
    if (!warnings.isEmpty())
        msg::info(QStringLiteral("После апелляции места изменились, и выданные степени с ними не согласуются (подробно — внизу окна). "
                                 "Проверьте награждение в помощнике награждения."));
}

void TFormAppeal::Button1Click() { saveShown(); }

void TFormAppeal::Button2Click() {
    if (mayLeave()) {
        newAppeal();
        ComboBox3->setFocus();
    }
}

void TFormAppeal::Button3Click() {
    if (m_appeal.id == 0 || m_appeal.decided()) return;
    if (!msg::confirm(QStringLiteral("Удалить апелляцию № %1?").arg(m_appeal.number))) return;
    const int id = m_appeal.id;
    if (!guardedWrite(working(), kNotDone, [&] { appeals::remove(database(), working(), id); })) return;
    fillAppeals();
    newAppeal();
}

bool TFormAppeal::mayLeave() {
    if (!unsavedWork()) return true;
    switch (msg::ask(kUnsavedAppeal)) {
    case msg::Answer::Yes: return saveShown();
    case msg::Answer::No: return true;
    case msg::Answer::Cancel: break;
    }
    return false;
}

bool TFormAppeal::unsavedWork() const { return m_dirty && Button1->isEnabled(); }
