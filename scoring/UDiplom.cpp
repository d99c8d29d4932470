#include "UDiplom.h"

#include "Lookups.h"
#include "appeals/Status.h"
#include "reference/Rounds.h"
#include "scoring/Awards.h"
#include "scoring/Scores.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"
#include "ui/GradeChooser.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Messages.h"
#include "ui/Station.h"

#include <QAbstractItemView>
#include <QGridLayout>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QPointer<TFormDiplom> FormDiplom;

namespace {
// The system names the boxes by their place in the form, not by a formula: round 1 is Edit1..6,
// rounds 2 to 4 are Edit10..15, Edit16..21, Edit22..27; the sums Edit28..31.
int taskBoxNumber(int round, int task) { return round == 1 ? task : 10 + 6 * (round - 2) + task - 1; }
const int kNameLabels[4] = {17, 18, 19, 20};
const int kSumLabels[4] = {7, 8, 9, 21};

QLineEdit* shownBox(QWidget* parent, int number) {
    QLineEdit* e = shownValue(parent, QStringLiteral("Edit%1").arg(number).toLatin1().constData());
    e->setFixedWidth(130);
    return e;
}
}  // namespace

TFormDiplom::TFormDiplom(QWidget* owner, EntryMode mode)
    : TForm(owner),
      m_byCipher(mode == EntryMode::ByCipher),
      IBQuery3(DM->IBDatabase1, DM->IBTransaction1,
               {"SELECT S.ID_CHILD, S.NAME, S.SECONDNAME, S.SURNAME, S.SCHOOL ", "FROM SPISOK S, S_PREDMET P, BAL B",
                " WHERE B.KLASS = :KLASS   AND P.PREDMET = :PREDMET AND B.ID_PREDMET= P.ID_PREDMET AND "
                "S.ID_CHILD=B.ID_CHILD",
                "ORDER BY B.MESTO NULLS FIRST, S.SURNAME, S.NAME, S.SECONDNAME, S.ID_CHILD;"}),
      IBQuery1(DM->IBDatabase1, DM->IBTransaction1,
               {"SELECT  SH.ID_CHILD, SH.SHIFR  ", "FROM SHIFR SH, S_PREDMET P, BAL B",
                " WHERE B.KLASS = :KLASS   AND P.PREDMET = :PREDMET AND B.ID_PREDMET= P.ID_PREDMET AND "
                "SH.ID_CHILD=B.ID_CHILD ",
                "AND ID_TUR=1 ", "ORDER BY B.MESTO NULLS FIRST, SH.SHIFR;"}) {
    setObjectName(QStringLiteral("FormDiplom"));
    setWindowTitle(QStringLiteral("Награждение"));
    resize(740, 500);
    auto* lay = new QVBoxLayout(this);
    m_chooser = new TGradeChooser(this, {.list = true});
    ComboBox1 = m_chooser->ComboBox1;
    ComboBox2 = m_chooser->ComboBox2;
    DBGrid1 = m_chooser->DBGrid1;
    DBNavigator1 = m_chooser->DBNavigator1;
    DBGrid1->setColumns(m_byCipher ? cipherColumns() : participantColumns());
    DBGrid1->setMinimumWidth(m_byCipher ? 160 : 300);
    lay->addWidget(m_chooser);
    auto* middle = new QHBoxLayout;
    middle->addLayout(m_chooser->listColumn, 1);
    middle->addLayout(scoreBoxes());
    lay->addLayout(middle, 1);
    lay->addLayout(resultRow());
    LabelStatus = new QLabel(this);  // final results: why the degree is not offered, on a line of its own
    LabelStatus->setObjectName(QStringLiteral("LabelStatus"));
    LabelStatus->setWordWrap(true);
    lay->addWidget(LabelStatus);
    setTabOrder(ComboBox1, ComboBox2);
    setTabOrder(ComboBox2, DBGrid1);
    setTabOrder(DBGrid1, ComboBox3);
    setTabOrder(ComboBox3, Button1);
    m_chooser->mayLeave = [this](QWidget*) { return mayLeave(); };
    ui::connect(m_chooser, &TGradeChooser::subjectChosen, this, &TFormDiplom::ComboBox1Change);
    ui::connect(m_chooser, &TGradeChooser::gradeChosen, this, &TFormDiplom::ComboBox2Change);
    ui::connect(m_chooser, &TGradeChooser::participantChosen, this, &TFormDiplom::DBGrid1CellClick);
    combo::onChoice(ComboBox3, this, &TFormDiplom::ComboBox3Change);  // a degree that names none is refused there
    ui::connect(Button1, &QPushButton::clicked, this, &TFormDiplom::Button1Click);
    ComboBox3->installEventFilter(this);
    ComboBox3->setKeepsFocusOnEnter(true);
    FormCreate();
}

QGridLayout* TFormDiplom::scoreBoxes() {
    auto* scoresLay = new QGridLayout;
    scoresLay->addWidget(new QLabel(QStringLiteral("Балл"), this), 0, 0, 1, 4);
    for (int r = 1; r <= 4; ++r) {
        auto* name = new QLabel(this);
        name->setObjectName(QStringLiteral("Label%1").arg(kNameLabels[r - 1]));
        name->setStyleSheet(QStringLiteral("color: red;"));
        name->setWordWrap(true);
        name->setFixedWidth(130);
        m_names[size_t(r - 1)] = name;
        scoresLay->addWidget(name, 1, r - 1, Qt::AlignBottom);
        for (int t = 1; t <= 6; ++t) {
            QLineEdit* e = shownBox(this, taskBoxNumber(r, t));
            m_tasks[size_t(6 * (r - 1) + t - 1)] = e;
            scoresLay->addWidget(e, 1 + t, r - 1);
        }
        auto* caption = new QLabel(this);
        caption->setObjectName(QStringLiteral("Label%1").arg(kSumLabels[r - 1]));
        m_sumCaptions[size_t(r - 1)] = caption;
        scoresLay->addWidget(caption, 8, r - 1);
        QLineEdit* sum = shownBox(this, 27 + r);
        m_sums[size_t(r - 1)] = sum;
        scoresLay->addWidget(sum, 9, r - 1);
    }
    scoresLay->setRowStretch(10, 1);
    return scoresLay;
}

QHBoxLayout* TFormDiplom::resultRow() {
    auto* result = new QHBoxLayout;
    Edit7 = shownBox(this, 7);
    Edit8 = shownBox(this, 8);
    ComboBox3 = newChooser(this, "ComboBox3", 3, 60);
    combo::setItems(ComboBox3, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                                QStringLiteral("0")});
    QFont bold = font();
    bold.setBold(true);
    auto* diploma = new QLabel(QStringLiteral("диплом"), this);
    diploma->setFont(bold);
    auto* degree = new QLabel(QStringLiteral("степени"), this);
    degree->setFont(bold);
    result->addWidget(new QLabel(QStringLiteral("Общая сумма баллов:"), this));
    result->addWidget(Edit7);
    result->addWidget(new QLabel(QStringLiteral("Место:"), this));
    result->addWidget(Edit8);
    result->addWidget(labelFor(this, QStringLiteral("Награждение:"), ComboBox3));
    result->addWidget(diploma);
    result->addWidget(ComboBox3);
    result->addWidget(degree);
    result->addStretch();
    Button1 = new QPushButton(QStringLiteral("Ввод"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    result->addWidget(Button1);
    return result;
}

void TFormDiplom::FormCreate() {
    m_chooser->fillSubjects();
    resetRounds();
}

void TFormDiplom::resetRounds() {
    for (int r = 1; r <= 4; ++r) {
        roundName(r)->clear();
        sumCaption(r)->clear();
    }
    clearDisplay();
    for (QLineEdit* e : m_tasks) e->setVisible(false);
    for (QLineEdit* e : m_sums) e->setVisible(false);
}

void TFormDiplom::clearDisplay() {
    for (QLineEdit* e : m_tasks) e->setText(QStringLiteral("0"));
    for (QLineEdit* e : m_sums) e->setText(QStringLiteral("0"));
    Edit7->setText(QStringLiteral("0"));
    Edit8->clear();
    m_chooser->setShownRow(-1);
    m_shownChild = 0;
    m_storedDegree = QStringLiteral("0");
    combo::setText(ComboBox3, m_storedDegree);
}

bool TFormDiplom::mayLeave() {
    if (!unsavedWork()) return true;
    switch (msg::ask(kUnsavedDegree)) {
    case msg::Answer::Yes: return storeDegree();
    case msg::Answer::No: return true;
    case msg::Answer::Cancel: break;
    }
    ComboBox3->setFocus();
    return false;
}

void TFormDiplom::ComboBox1Change() {
    resetRounds();
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    const QString subject = ComboBox1->currentText();
    for (int r = 1; r <= 4; ++r) {
        const std::optional<rounds::Round> round = rounds::describe(db, tr, subject, r);
        if (!round) continue;
        roundName(r)->setText(round->name);
        sumCaption(r)->setText(QStringLiteral("Сумма"));
        if (round->tasks < 1 || round->tasks > rounds::kMaxTasks) continue;
        for (int t = 1; t <= round->tasks; ++t) taskBox(r, t)->setVisible(true);
        sumBox(r)->setVisible(true);
    }
    DBGrid1->clear();
    showStatus(0, 0);
    combo::setItems(ComboBox2, lookup::gradesWithResults(db, tr, subject));
}

void TFormDiplom::showStatus(int idPredmet, int idKlass) {
    const status::State state = idKlass ? status::of(DM->IBDatabase1, DM->IBTransaction1, idPredmet, idKlass) : status::State{};
    LabelStatus->setText(state.final ? QStringLiteral("%1: степени не изменяются").arg(status::heading(state)) : QString());
    ComboBox3->setEnabled(!state.final);
    Button1->setEnabled(!state.final);
}

void TFormDiplom::ComboBox2Change() {
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    Query& list = m_byCipher ? IBQuery1 : IBQuery3;
    list.setText(QStringLiteral("PREDMET"), ComboBox1->currentText());
    const int idKlass = lookup::klassKey(db, tr, ComboBox2->currentText());
    list.setInt(QStringLiteral("KLASS"), idKlass);
    showStatus(lookup::predmetKey(db, tr, ComboBox1->currentText()), idKlass);
    list.open();
    DBGrid1->load(list);
    list.close();
    ShowParticipantResult();
    DBGrid1->setFocus();
}

void TFormDiplom::ShowParticipantResult() {
    if (DBGrid1->currentRow() < 0) {  // nothing listed: nothing of another participant stays shown
        clearDisplay();
        return;
    }
    const int idChild = DBGrid1->value("ID_CHILD").toInt();
    const std::optional<scores::Row> row = scores::loadRow(DM->IBDatabase1, DM->IBTransaction1, idChild);
    if (!row) {
        clearDisplay();
        return;
    }
    m_chooser->setShownRow(DBGrid1->currentRow());
    m_shownChild = idChild;
    for (int n = 0; n < scores::kSlots; ++n)
        if (m_tasks[size_t(n)]->isVisible()) m_tasks[size_t(n)]->setText(row->slots[size_t(n)].toString());
    for (int r = 1; r <= 4; ++r) sumBox(r)->setText(row->sums[size_t(r - 1)].toString());
    Edit7->setText(row->total.toString());
    Edit8->setText(QString::number(row->place));
    m_storedDegree = QString::number(row->degree);
    combo::setText(ComboBox3, m_storedDegree);  // showing a degree writes nothing
}

void TFormDiplom::DBGrid1CellClick() { ShowParticipantResult(); }

void TFormDiplom::Button1Click() {
    if (!mayLeave()) return;
    DBGrid1->setCurrentRow(DBGrid1->currentRow() + 1);  // on the last row it stays
    ShowParticipantResult();
}

bool TFormDiplom::eventFilter(QObject* watched, QEvent* e) {
    // Enter in the degree box writes the degree, then goes on to the next participant (below).
    if (watched == ComboBox3 && e->type() == QEvent::KeyPress && !ComboBox3->view()->isVisible()) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) m_advance = true;
    }
    return TForm::eventFilter(watched, e);
}

bool TFormDiplom::unsavedWork() const {
    return m_shownChild != 0 && ComboBox3->currentText().trimmed() != m_storedDegree;
}

bool TFormDiplom::storeDegree() {
    const int degree = awards::degree(ComboBox3->currentText());
    if (degree < 0) {
        msg::error(awards::kBadDegree);
        combo::setText(ComboBox3, m_storedDegree);
        ComboBox3->setFocus();
        return false;
    }
    bool found = true;
    if (!guardedWrite(DM->IBTransaction1, kNotDone,
                      [&] { found = awards::give(DM->IBDatabase1, DM->IBTransaction1, m_shownChild, degree); }) ||
        !found) {
        if (!found) msg::error(kNotDone, QStringLiteral("Участник удалён на другом рабочем месте."));
        const std::optional<scores::Row> row = scores::loadRow(DM->IBDatabase1, DM->IBTransaction1, m_shownChild);
        m_storedDegree = QString::number(row ? row->degree : 0);
        combo::setText(ComboBox3, m_storedDegree);  // the stored degree again
        return false;
    }
    m_storedDegree = QString::number(degree);
    combo::setText(ComboBox3, m_storedDegree);
    return true;
}

void TFormDiplom::ComboBox3Change() {
    const bool advance = std::exchange(m_advance, false);
    if (m_shownChild == 0) {
        combo::setText(ComboBox3, m_storedDegree);
        return;
    }
    if (!storeDegree()) return;
    if (advance) {
        Button1Click();
        ComboBox3->setFocus();
        ComboBox3->lineEdit()->selectAll();
    }
}
