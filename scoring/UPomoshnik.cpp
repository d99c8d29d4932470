#include "UPomoshnik.h"

#include "Lookups.h"
#include "reference/Rounds.h"
#include "reports/ReportFiles.h"
#include "reports/Reports.h"
#include "scoring/AwardChart.h"
#include "scoring/AwardReview.h"
#include "scoring/ScoreLog.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"
#include "ui/GradeChooser.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Messages.h"
#include "ui/ShowReport.h"
#include "ui/Station.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QPointer<TFormPomoshnik> FormPomoshnik;

using awardrules::Cuts;
using awardrules::Rules;

namespace {

Database& database() { return DM->IBDatabase1; }
Transaction& working() { return DM->IBTransaction1; }

}  // namespace

TFormPomoshnik::TFormPomoshnik(QWidget* owner) : TForm(owner) {
    setObjectName(QStringLiteral("FormPomoshnik"));
    setWindowTitle(QStringLiteral("Помощник награждения"));
    resize(1180, 780);
    auto* lay = new QVBoxLayout(this);
    m_chooser = new TGradeChooser(this, {});
    ComboBox1 = m_chooser->ComboBox1;
    ComboBox2 = m_chooser->ComboBox2;
    lay->addWidget(m_chooser);
    auto* middle = new QHBoxLayout;
    middle->addLayout(chartAndList(), 1);
    auto* right = new QVBoxLayout;
    QList<QLabel*> labels;  // of both forms, as wide as the widest, so that the boxes stand in one column
    right->addWidget(rulesBox(labels));
    right->addWidget(cutsBox(labels));
    int widest = 0;
    for (QLabel* l : labels) widest = std::max(widest, l->sizeHint().width());
    for (QLabel* l : labels) l->setMinimumWidth(widest);
    right->addWidget(countsBox());
    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setWordWrap(true);
    Label3->setStyleSheet(QStringLiteral("color: #a02000;"));
    Label3->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    Label3->setMaximumWidth(360);
    right->addWidget(Label3, 1);
    middle->addLayout(right);
    lay->addLayout(middle, 1);
    lay->addLayout(buttonRow());
    QWidget* order[] = {ComboBox1, ComboBox2, Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8,
                        DBGrid1,   Button1,   Button3, Button2};
    for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
    m_chooser->mayLeave = [this](QWidget* from) { return mayLeave(from); };
    ui::connect(m_chooser, &TGradeChooser::subjectChosen, this, &TFormPomoshnik::ComboBox1Change);
    ui::connect(m_chooser, &TGradeChooser::gradeChosen, this, &TFormPomoshnik::ComboBox2Change);
    ui::connect(Button1, &QPushButton::clicked, this, &TFormPomoshnik::Button1Click);
    ui::connect(Button3, &QPushButton::clicked, this, &TFormPomoshnik::Button3Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    FormCreate();
}

QVBoxLayout* TFormPomoshnik::chartAndList() {
    auto* left = new QVBoxLayout;
    Chart1 = new TAwardChart(this);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    left->addWidget(Chart1, 3);
    DBGrid1 = new TDBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setColumns({{"ID_CHILD", QString(), false},
                         {"MESTO", QStringLiteral("Место")},
                         {"FIO", QStringLiteral("Фамилия, имя, отчество")},
                         {"SUMM", QStringLiteral("Сумма")},
                         {"NOW", QStringLiteral("Сейчас")},
                         {"PROPOSED", QStringLiteral("Предложено")},
                         {"SCHOOL", QStringLiteral("Учреждение")}});
    left->addWidget(labelFor(this, QStringLiteral("Участники по местам (выделены те, чья степень изменится)"), DBGrid1));
    left->addWidget(DBGrid1, 2);
    return left;
}

QLineEdit* TFormPomoshnik::numberBox(const char* name) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::fromLatin1(name));
    e->setFixedWidth(70);
    e->installEventFilter(this);  // Enter recomputes
    return e;
}

QGroupBox* TFormPomoshnik::rulesBox(QList<QLabel*>& labels) {
    auto* box = new QGroupBox(QStringLiteral("Правила"), this);
    auto* form = new QFormLayout(box);
    Edit1 = numberBox("Edit1");
    Edit2 = numberBox("Edit2");
    Edit3 = numberBox("Edit3");
    Edit4 = numberBox("Edit4");
    m_ruleBoxes = {Edit1, Edit2, Edit3, Edit4};
    const QString captions[4] = {QStringLiteral("Дипломы, не более % участников"),
                                 QStringLiteral("Диплом не ниже % максимальной суммы"),
                                 QStringLiteral("Соотношение степеней (например 1:2:3)"),
                                 QStringLiteral("Поощр. отзывы, % участников")};
    for (size_t i = 0; i < 4; ++i) {
        labels << labelFor(this, captions[i], m_ruleBoxes[i]);
        form->addRow(labels.last(), m_ruleBoxes[i]);
    }
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    form->addRow(Label1);
    return box;
}

QGroupBox* TFormPomoshnik::cutsBox(QList<QLabel*>& labels) {
    auto* box = new QGroupBox(QStringLiteral("Пороги: наименьшая сумма баллов"), this);
    auto* form = new QFormLayout(box);
    Edit5 = numberBox("Edit5");
    Edit6 = numberBox("Edit6");
    Edit7 = numberBox("Edit7");
    Edit8 = numberBox("Edit8");
    m_cutBoxes = {Edit5, Edit6, Edit7, Edit8};
    for (int d = 1; d <= 4; ++d) {
        labels << labelFor(this, awardrules::awardName(d), cutBox(d));
        form->addRow(labels.last(), cutBox(d));
    }
    return box;
}

QGroupBox* TFormPomoshnik::countsBox() {
    auto* box = new QGroupBox(QStringLiteral("Участников"), this);
    auto* counts = new QGridLayout(box);
    counts->addWidget(new QLabel(QStringLiteral("предложено"), this), 0, 1);
    counts->addWidget(new QLabel(QStringLiteral("сейчас"), this), 0, 2);
    for (int i = 0; i < 5; ++i) {
        const int d = awardrules::kListOrder[size_t(i)];
        counts->addWidget(new QLabel(awardrules::awardName(d), this), i + 1, 0);
        m_proposed[size_t(d)] = new QLabel(this);
        m_proposed[size_t(d)]->setObjectName(QStringLiteral("Proposed%1").arg(d));
        m_current[size_t(d)] = new QLabel(this);
        m_current[size_t(d)]->setObjectName(QStringLiteral("Current%1").arg(d));
        counts->addWidget(m_proposed[size_t(d)], i + 1, 1);
        counts->addWidget(m_current[size_t(d)], i + 1, 2);
    }
    return box;
}

QHBoxLayout* TFormPomoshnik::buttonRow() {
    auto* buttons = new QHBoxLayout;
    Button3 = new QPushButton(QStringLiteral("Протокол"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button1 = new QPushButton(QStringLiteral("Применить"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("Закрыть"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    // Enter in a box recomputes; it never presses a button the cursor is not on.
    for (QPushButton* b : {Button1, Button2, Button3}) b->setAutoDefault(false);
    buttons->addWidget(Button3);
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    return buttons;
}

void TFormPomoshnik::FormCreate() {
    m_storedRules = m_rules = awardrules::load(database(), working());
    const std::array<QString, 4> texts = ruleTexts(m_rules);
    for (size_t i = 0; i < 4; ++i) m_ruleBoxes[i]->setText(texts[i]);
    m_chooser->fillSubjects();
    load();
}

std::array<QString, 4> TFormPomoshnik::ruleTexts(const Rules& r) {
    return {QString::number(r.diplomaPercent), QString::number(r.minPercent), awardrules::ratioText(r.ratio),
            QString::number(r.mentionPercent)};
}

std::array<QString, 4> TFormPomoshnik::cutTexts(const Cuts& cuts) {
    std::array<QString, 4> out;
    for (size_t i = 0; i < 4; ++i) out[i] = cuts[i] ? cuts[i]->toString() : QString();
    return out;
}

std::array<QString, 4> TFormPomoshnik::textsOf(const std::array<QLineEdit*, 4>& boxes) {
    std::array<QString, 4> out;
    for (size_t i = 0; i < 4; ++i) out[i] = boxes[i]->text().trimmed();
    return out;
}

void TFormPomoshnik::ComboBox1Change() {
    m_idPredmet = combo::namesItem(ComboBox1) ? lookup::predmetKey(database(), working(), ComboBox1->currentText()) : 0;
    combo::setItems(ComboBox2, m_idPredmet ? lookup::gradesWithResults(database(), working(), ComboBox1->currentText())
                                           : QStringList());
    m_idKlass = 0;
    load();
}

void TFormPomoshnik::ComboBox2Change() {
    m_idKlass = m_idPredmet && combo::namesItem(ComboBox2)
                    ? lookup::klassKey(database(), working(), ComboBox2->currentText())
                    : 0;
    load();
}

void TFormPomoshnik::load() {
    Database& db = database();
    Transaction& tr = working();
    m_list.clear();
    m_max.reset();
    m_inGrade = m_entered = 0;
    m_applied.reset();
    if (m_idPredmet) m_max = rounds::maxTotal(db, tr, m_idPredmet);
    if (m_idPredmet && m_idKlass) {
        m_applied = awardrules::applied(db, tr, m_idPredmet, m_idKlass);
        m_list = awardrules::participants(db, tr, m_idPredmet, m_idKlass);
        m_inGrade = scorelog::participants(db, tr, m_idPredmet, m_idKlass);
        m_entered = int(scorelog::entered(db, tr, m_idPredmet, m_idKlass).size());
    }
    if (!m_idPredmet)
        Label1->clear();
    else
        Label1->setText(m_max ? QStringLiteral("Максимальная сумма баллов: %1").arg(m_max->toString())
                              : QStringLiteral("Максимальная сумма баллов не задана"));
    propose();
}

void TFormPomoshnik::propose() {
    QList<Score> totals;
    for (const awardrules::Participant& p : m_list) totals.append(p.total);
    m_proposal = awardrules::propose(totals, m_rules, m_max);
    m_cuts = m_proposal.cuts;
    m_shownCuts = cutTexts(m_cuts);
    for (size_t i = 0; i < 4; ++i) m_cutBoxes[i]->setText(m_shownCuts[i]);
    refresh();
}

bool TFormPomoshnik::readRules() {
    Rules r;
    const auto percent = [this](QLineEdit* e, int& to, const QString& refusal) {
        const std::optional<int> v = awardrules::parsePercent(e->text());
        if (v) {
            to = *v;
            return true;
        }
        msg::error(refusal.arg(e->text()));
        e->setFocus();
        e->selectAll();
        return false;
    };
    if (!percent(Edit1, r.diplomaPercent,
                 QStringLiteral("Дипломы: доля участников должна быть целым числом от 0 до 100 (сейчас «%1»)")) ||
        !percent(Edit2, r.minPercent,
                 QStringLiteral("Не ниже: доля максимальной суммы должна быть целым числом от 0 до 100 (сейчас «%1»)")))
        return false;
    const std::optional<std::array<int, 3>> ratio = awardrules::parseRatio(Edit3->text());
    if (!ratio) {
        msg::error(QStringLiteral("Соотношение степеней: нужны три целых положительных числа через двоеточие, "
                                  "например 1:2:3 (сейчас «%1»)")
                       .arg(Edit3->text()));
        Edit3->setFocus();
        Edit3->selectAll();
        return false;
    }
    r.ratio = *ratio;
    if (!percent(Edit4, r.mentionPercent,
                 QStringLiteral("Поощрительные отзывы: доля участников должна быть целым числом от 0 до 100 (сейчас «%1»)")))
        return false;
    m_rules = r;
    const std::array<QString, 4> texts = ruleTexts(r);  // as the rules read them: "1:2:3", "45"
    for (size_t i = 0; i < 4; ++i) m_ruleBoxes[i]->setText(texts[i]);
    return true;
}

bool TFormPomoshnik::readCuts() {
    Cuts cuts;
    for (int d = 1; d <= 4; ++d) {
        bool ok = true;
        cuts[size_t(d - 1)] = awardrules::parseCut(cutBox(d)->text(), ok);
        if (!ok) {
            msg::error(QStringLiteral("Порог %1: сумма баллов должна быть больше нуля или пустой (сейчас «%2»)")
                           .arg(awardrules::cutName(d), cutBox(d)->text()));
            cutBox(d)->setFocus();
            cutBox(d)->selectAll();
            return false;
        }
    }
    m_cuts = cuts;  // in any order: one out of order is a warning until Применить
    const std::array<QString, 4> texts = cutTexts(cuts);
    for (size_t i = 0; i < 4; ++i) m_cutBoxes[i]->setText(texts[i]);
    return true;
}

void TFormPomoshnik::RulesEnter() {
    if (!readRules()) return;
    propose();
}

void TFormPomoshnik::CutsEnter() {
    if (!readCuts()) return;
    refresh();
}

bool TFormPomoshnik::shownAsApplied() {
    // Rules typed without Enter: the cut-offs they give replace those shown, so they are shown
    // first and nothing is applied unseen.
    if (textsOf(m_ruleBoxes) != ruleTexts(m_rules)) {
        const Rules before = m_rules;
        if (!readRules()) return false;
        if (m_rules != before) {
            propose();
            msg::info(QStringLiteral("Правила изменены: пороги пересчитаны. Проверьте их и нажмите «Применить» ещё раз."));
            return false;
        }
    }
    if (textsOf(m_cutBoxes) != cutTexts(m_cuts)) {
        if (!readCuts()) return false;
        refresh();
    }
    if (const auto [below, above] = awardrules::disorder(m_cuts); below) {
        msg::error(awardrules::disorderText(below, above));
        cutBox(below)->setFocus();
        cutBox(below)->selectAll();
        return false;
    }
    return true;
}

bool TFormPomoshnik::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            const auto inRules = std::find(m_ruleBoxes.begin(), m_ruleBoxes.end(), watched) != m_ruleBoxes.end();
            const auto inCuts = std::find(m_cutBoxes.begin(), m_cutBoxes.end(), watched) != m_cutBoxes.end();
            if (inRules || inCuts) {
                ui::run([&] {
                    if (inRules)
                        RulesEnter();
                    else
                        CutsEnter();
                });
                return true;
            }
        }
    }
    return TForm::eventFilter(watched, e);
}

bool TFormPomoshnik::unsavedWork() const {
    // Rules typed (entered or not) that are not stored, or cut-offs typed and not applied.
    return textsOf(m_ruleBoxes) != ruleTexts(m_storedRules) || typedCuts();
}

bool TFormPomoshnik::mayLeave(QWidget* from) {
    if (!typedCuts()) return true;
    switch (msg::ask(kUnappliedCuts)) {
    case msg::Answer::Yes: return applyShown(false);  // a refusal leaves the cursor where it put it
    case msg::Answer::No: return true;
    case msg::Answer::Cancel: break;
    }
    from->setFocus();
    return false;
}

bool TFormPomoshnik::typedCuts() const {
    // Cut-offs typed over the rules' ones that would change a degree, or that cannot be read.
    if (textsOf(m_cutBoxes) == m_shownCuts) return false;
    Cuts typed;
    for (size_t i = 0; i < 4; ++i) {
        bool ok = true;
        typed[i] = awardrules::parseCut(m_cutBoxes[i]->text(), ok);
        if (!ok) return true;
    }
    return awardrules::disorder(typed).first != 0 || awardrules::changes(m_list, typed) > 0;
}

void TFormPomoshnik::refresh() {
    const awardrules::Review review =
        awardrules::review({m_list, m_max, m_inGrade, m_entered}, m_cuts, m_proposal, m_rules);
    std::vector<QStringList> rows;
    std::vector<bool> marked;
    for (const awardrules::Participant& p : m_list) {
        const int d = awardrules::degreeOf(p.total, m_cuts);
        rows.push_back({QString::number(p.idChild), p.place > 0 ? QString::number(p.place) : QString(), p.name,
                        p.total.toString(), reports::diplomaText(p.degree), reports::diplomaText(d), p.school});
        marked.push_back(d != p.degree);
    }
    const int row = DBGrid1->currentRow();
    DBGrid1->load(std::move(rows), std::move(marked));
    if (row > 0) DBGrid1->setCurrentRow(qMin(row, DBGrid1->rowCount() - 1));
    const int all = int(m_list.size());
    for (int d = 0; d <= 4; ++d) {
        const int proposed = review.proposed[size_t(d)];
        m_proposed[size_t(d)]->setText(m_list.isEmpty() ? QString()
                                                        : QStringLiteral("%1 (%2)").arg(proposed).arg(awardrules::shareText(proposed, all)));
        m_current[size_t(d)]->setText(m_list.isEmpty() ? QString() : QString::number(review.current[size_t(d)]));
    }
    Label3->setText(m_idPredmet && m_idKlass ? review.warnings.join(QStringLiteral("\n\n")) : QString());
    // A cut-off typed over the rules' one is bold, the rules' one in its tip.
    for (size_t i = 0; i < 4; ++i) {
        const bool typed = m_cuts[i] != m_proposal.cuts[i];
        QFont f = m_cutBoxes[i]->font();
        f.setBold(typed);
        m_cutBoxes[i]->setFont(f);
        m_cutBoxes[i]->setToolTip(typed ? QStringLiteral("По правилам: %1").arg(cutTexts(m_proposal.cuts)[i]) : QString());
    }
    Button1->setToolTip(review.differ ? QStringLiteral("Изменится степеней: %1").arg(review.differ) : QString());
    Chart1->draw(m_list, m_cuts, m_max, m_rules.minPercent);
}

bool TFormPomoshnik::chosen() {
    if (!m_idPredmet) {
        msg::error(QStringLiteral("Выберите предмет"));
        ComboBox1->setFocus();
        return false;
    }
    if (!m_idKlass) {
        msg::error(QStringLiteral("Выберите класс"));
        ComboBox2->setFocus();
        return false;
    }
    return true;
}

void TFormPomoshnik::Button1Click() { applyShown(true); }

bool TFormPomoshnik::applyShown(bool ask) {
    if (!chosen() || !shownAsApplied()) return false;
    Database& db = database();
    Transaction& tr = working();
    const bool byHand = m_cuts != m_proposal.cuts;
    const awardrules::Applied now{m_rules, byHand, byHand ? m_cuts : awardrules::Cuts{}};
    const int n = awardrules::changes(m_list, m_cuts);
    if (n == 0) {
        if (m_rules != m_storedRules || m_applied != now) {
            if (!guardedWrite(tr, kNotDone, [&] {
                    awardrules::store(db, tr, m_rules);
                    awardrules::record(db, tr, m_idPredmet, m_idKlass, now);
                }))
                return false;
            m_storedRules = m_rules;
            m_applied = now;
            msg::info(QStringLiteral("Степени не изменятся. Правила сохранены."));
        } else {
            msg::info(QStringLiteral("Степени не изменятся."));
        }
        m_shownCuts = textsOf(m_cutBoxes);
        return true;
    }
    if (ask && !msg::confirm(QStringLiteral("Изменится степеней: %1. Применить?").arg(n))) return false;
    const bool done = guardedWrite(tr, kNotDone, [&] { awardrules::apply(db, tr, m_idPredmet, m_idKlass, m_cuts, now); });
    if (done) {
        m_storedRules = m_rules;
        m_applied = now;
        m_shownCuts = textsOf(m_cutBoxes);
    }
    m_list = awardrules::participants(db, tr, m_idPredmet, m_idKlass);  // the degrees as stored now
    refresh();
    return done;
}

void TFormPomoshnik::Button3Click() {
    if (!chosen()) return;
    if (awardrules::changes(m_list, m_cuts) > 0 &&
        !msg::confirm(QStringLiteral("Предложенные степени не применены: протокол покажет выставленные. Продолжить?")))
        return;
    const QString subject = ComboBox1->currentText();
    const QString grade = ComboBox2->currentText();
    ui::showReport([&] {
        return reportfiles::write(QStringLiteral("Протокол награждения"),
                                  [&](Workbook& wb) { reports::awardProtocol(database(), working(), wb, subject, grade); });
    });
}
