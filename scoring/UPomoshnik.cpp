#include "UPomoshnik.h"

#include "Lookups.h"
#include "reference/Rounds.h"
#include "reports/ReportFiles.h"
#include "reports/Reports.h"
#include "scoring/ScoreLog.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Messages.h"
#include "ui/ShowReport.h"
#include "ui/Station.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QPushButton>
#include <QScatterSeries>
#include <QValueAxis>
#include <QVBoxLayout>

#include <cmath>

QPointer<TFormPomoshnik> FormPomoshnik;

using awardrules::Cuts;
using awardrules::Rules;

namespace {

Database& database() { return DM->IBDatabase1; }
Transaction& working() { return DM->IBTransaction1; }

// The awards in the order the window lists them: degrees 1 to 3, the mention, none.
constexpr int kOrder[5] = {1, 2, 3, 4, 0};
const char* const kAwardNames[5] = {"Без награды", "Диплом 1-й степени", "Диплом 2-й степени", "Диплом 3-й степени",
                                    "Поощр. отзыв"};
// A cut-off named in messages: "Порог 1-й степени", "Порог поощрительного отзыва".
const char* const kCutNames[4] = {"1-й степени", "2-й степени", "3-й степени", "поощрительного отзыва"};
// The boundary a tie falls on: that of a degree's quota, of all diplomas, of the mentions.
const char* const kBoundaries[4] = {"1-й степени", "2-й степени", "дипломов", "поощрительных отзывов"};
const char* const kLineLabels[4] = {"1", "2", "3", "П"};
const QColor kFill[5] = {QColor(0xA9, 0xC8, 0xE8), QColor(0xE8, 0xC0, 0x30), QColor(0xB8, 0xBE, 0xC6),
                         QColor(0xD0, 0x8C, 0x4C), QColor(0x7C, 0xC0, 0x7C)};
const QColor kLine[5] = {QColor(0x4A, 0x6F, 0x99), QColor(0x9A, 0x75, 0x00), QColor(0x5F, 0x6A, 0x74),
                         QColor(0x8A, 0x4F, 0x1D), QColor(0x2F, 0x7A, 0x2F)};

// "участника" after 1, 21, 31…; "участников" after any other number (genitive).
QString participantsOf(int n) {
    return QStringLiteral("%1 %2").arg(n).arg(n % 10 == 1 && n % 100 != 11 ? QStringLiteral("участника")
                                                                             : QStringLiteral("участников"));
}

// A step of 1, 2 or 5 times a power of ten, at least `raw`.
double niceStep(double raw) {
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw - 1e-9) return m * power;
    return 10 * power;
}

// The step of 1, 2 or 5 times a power of ten nearest to `raw` (by ratio).
double nearStep(double raw) {
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double best = power;
    for (double m : {2.0, 5.0, 10.0})
        if (std::abs(std::log(m * power / raw)) < std::abs(std::log(best / raw))) best = m * power;
    return best;
}

double value(Score s) { return double(s.hundredths()) / 100.0; }

// Cut-offs out of order: the lower degree's (1..4) above the higher one's.
QString disorderText(int below, int above) {
    return QStringLiteral("Порог %1 не может быть выше порога %2")
        .arg(QString::fromUtf8(kCutNames[below - 1]), QString::fromUtf8(kCutNames[above - 1]));
}

}  // namespace

TFormPomoshnik::TFormPomoshnik(QWidget* owner) : TForm(owner) {
    setObjectName(QStringLiteral("FormPomoshnik"));
    setWindowTitle(QStringLiteral("Помощник награждения"));
    resize(1180, 780);
    auto* lay = new QVBoxLayout(this);

    auto* top = new QGridLayout;
    ComboBox1 = newChooser(this, "ComboBox1", 50, 220);
    ComboBox2 = newChooser(this, "ComboBox2", 30, 80);
    placeChoosers(this, top, {{QStringLiteral("Предмет"), ComboBox1}, {QStringLiteral("Класс"), ComboBox2}});
    top->setColumnStretch(3, 1);
    lay->addLayout(top);

    auto* middle = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    m_axisX = new QValueAxis(chart);
    m_axisX->setTitleText(QStringLiteral("Сумма баллов"));
    m_axisX->setLabelFormat(QStringLiteral("%g"));
    m_axisX->setTickType(QValueAxis::TicksDynamic);
    m_axisX->setTickAnchor(0);
    m_axisY = new QValueAxis(chart);
    m_axisY->setTitleText(QStringLiteral("Участников"));
    m_axisY->setLabelFormat(QStringLiteral("%.0f"));
    m_axisY->setTickType(QValueAxis::TicksDynamic);
    m_axisY->setTickAnchor(0);
    chart->addAxis(m_axisX, Qt::AlignBottom);
    chart->addAxis(m_axisY, Qt::AlignLeft);
    Chart1 = new QChartView(chart, this);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    Chart1->setRenderHint(QPainter::Antialiasing);
    Chart1->setMinimumSize(560, 300);
    Chart1->setFocusPolicy(Qt::NoFocus);
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
    middle->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    const auto box = [this](const char* name, int width) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setFixedWidth(width);
        e->installEventFilter(this);
        return e;
    };
    auto* rulesBox = new QGroupBox(QStringLiteral("Правила"), this);
    auto* rulesForm = new QFormLayout(rulesBox);
    Edit1 = box("Edit1", 70);
    Edit2 = box("Edit2", 70);
    Edit3 = box("Edit3", 70);
    Edit4 = box("Edit4", 70);
    QList<QLabel*> labels;  // of both forms, as wide as the widest, so that the boxes stand in one column
    const auto row = [&](QFormLayout* form, const QString& text, QLineEdit* e) {
        labels << labelFor(this, text, e);
        form->addRow(labels.last(), e);
    };
    row(rulesForm, QStringLiteral("Дипломы, не более % участников"), Edit1);
    row(rulesForm, QStringLiteral("Диплом не ниже % максимальной суммы"), Edit2);
    row(rulesForm, QStringLiteral("Соотношение степеней (например 1:2:3)"), Edit3);
    row(rulesForm, QStringLiteral("Поощр. отзывы, % участников"), Edit4);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    rulesForm->addRow(Label1);
    m_ruleBoxes = {Edit1, Edit2, Edit3, Edit4};
    right->addWidget(rulesBox);

    auto* cutsBox = new QGroupBox(QStringLiteral("Пороги: наименьшая сумма баллов"), this);
    auto* cutsForm = new QFormLayout(cutsBox);
    Edit5 = box("Edit5", 70);
    Edit6 = box("Edit6", 70);
    Edit7 = box("Edit7", 70);
    Edit8 = box("Edit8", 70);
    m_cutBoxes = {Edit5, Edit6, Edit7, Edit8};
    for (int d = 1; d <= 4; ++d) row(cutsForm, QString::fromUtf8(kAwardNames[d]), cutBox(d));
    int widest = 0;
    for (QLabel* l : labels) widest = std::max(widest, l->sizeHint().width());
    for (QLabel* l : labels) l->setMinimumWidth(widest);
    right->addWidget(cutsBox);

    auto* countsBox = new QGroupBox(QStringLiteral("Участников"), this);
    auto* counts = new QGridLayout(countsBox);
    counts->addWidget(new QLabel(QStringLiteral("предложено"), this), 0, 1);
    counts->addWidget(new QLabel(QStringLiteral("сейчас"), this), 0, 2);
    for (int i = 0; i < 5; ++i) {
        const int d = kOrder[i];
        counts->addWidget(new QLabel(QString::fromUtf8(kAwardNames[d]), this), i + 1, 0);
        m_proposed[size_t(d)] = new QLabel(this);
        m_proposed[size_t(d)]->setObjectName(QStringLiteral("Proposed%1").arg(d));
        m_current[size_t(d)] = new QLabel(this);
        m_current[size_t(d)]->setObjectName(QStringLiteral("Current%1").arg(d));
        counts->addWidget(m_proposed[size_t(d)], i + 1, 1);
        counts->addWidget(m_current[size_t(d)], i + 1, 2);
    }
    right->addWidget(countsBox);

    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setWordWrap(true);
    Label3->setStyleSheet(QStringLiteral("color: #a02000;"));
    Label3->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    Label3->setMaximumWidth(360);
    right->addWidget(Label3, 1);
    middle->addLayout(right);
    lay->addLayout(middle, 1);

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
    lay->addLayout(buttons);

    QWidget* order[] = {ComboBox1, ComboBox2, Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8,
                        DBGrid1,   Button1,   Button3, Button2};
    for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
    combo::onChoice(ComboBox1, this, &TFormPomoshnik::ComboBox1Change);
    combo::onChoice(ComboBox2, this, &TFormPomoshnik::ComboBox2Change);
    ui::connect(Button1, &QPushButton::clicked, this, &TFormPomoshnik::Button1Click);
    ui::connect(Button3, &QPushButton::clicked, this, &TFormPomoshnik::Button3Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    FormCreate();
}

void TFormPomoshnik::FormCreate() {
    m_storedRules = m_rules = awardrules::load(database(), working());
    const std::array<QString, 4> texts = ruleTexts(m_rules);
    for (size_t i = 0; i < 4; ++i) m_ruleBoxes[i]->setText(texts[i]);
    combo::setItems(ComboBox1, lookup::subjectsWithParticipants(database(), working()));
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
    if (!mayChoose(ComboBox1, m_subject)) return;
    m_subject = ComboBox1->currentText();
    m_grade.clear();
    m_idPredmet = combo::namesItem(ComboBox1) ? lookup::predmetKey(database(), working(), ComboBox1->currentText()) : 0;
    combo::setItems(ComboBox2, m_idPredmet ? lookup::gradesWithResults(database(), working(), ComboBox1->currentText())
                                           : QStringList());
    m_idKlass = 0;
    load();
}

void TFormPomoshnik::ComboBox2Change() {
    if (!mayChoose(ComboBox2, m_grade)) return;
    m_grade = ComboBox2->currentText();
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
                           .arg(QString::fromUtf8(kCutNames[d - 1]), cutBox(d)->text()));
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
        msg::error(disorderText(below, above));
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

bool TFormPomoshnik::mayChoose(TComboBox* box, const QString& shown) {
    if (!typedCuts()) return true;
    switch (msg::ask(kUnappliedCuts)) {
    case msg::Answer::Yes:
        if (applyShown(false)) return true;
        combo::setText(box, shown);  // the cursor waits where the refusal put it
        return false;
    case msg::Answer::No: return true;
    case msg::Answer::Cancel: break;
    }
    combo::setText(box, shown);
    box->setFocus();
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
    const int all = int(m_list.size());
    std::array<int, 5> proposed{}, current{};
    int differ = 0, overrule = 0;
    std::optional<Score> lowestDiploma;
    std::vector<QStringList> rows;
    std::vector<bool> marked;
    for (const awardrules::Participant& p : m_list) {
        const int d = awardrules::degreeOf(p.total, m_cuts);
        ++proposed[size_t(d)];
        if (d >= 1 && d <= 3) lowestDiploma = p.total;  // the list runs from the highest total down
        if (p.degree >= 0 && p.degree <= 4) ++current[size_t(p.degree)];
        if (d != p.degree) {
            ++differ;
            if (p.degree != 0) ++overrule;
        }
        rows.push_back({QString::number(p.idChild), p.place > 0 ? QString::number(p.place) : QString(), p.name,
                        p.total.toString(), reports::diplomaText(p.degree), reports::diplomaText(d), p.school});
        marked.push_back(d != p.degree);
    }
    const int row = DBGrid1->currentRow();
    DBGrid1->load(std::move(rows), std::move(marked));
    if (row > 0) DBGrid1->setCurrentRow(qMin(row, DBGrid1->rowCount() - 1));
    for (int d = 0; d <= 4; ++d) {
        m_proposed[size_t(d)]->setText(
            m_list.isEmpty() ? QString() : QStringLiteral("%1 (%2)").arg(proposed[size_t(d)]).arg(awardrules::shareText(proposed[size_t(d)], all)));
        m_current[size_t(d)]->setText(m_list.isEmpty() ? QString() : QString::number(current[size_t(d)]));
    }

    QStringList warnings;
    if (m_idPredmet && m_idKlass) {
        if (m_entered < m_inGrade)
            warnings << QStringLiteral("Не все туры введены у %1 из %2.")
                            .arg(m_inGrade - m_entered)
                            .arg(participantsOf(m_inGrade));
        if (!m_max && m_rules.minPercent > 0)
            warnings << QStringLiteral("Максимальная сумма не задана (не у всех задач есть максимум): правило "
                                       "«не ниже % максимальной суммы» не применено.");
        for (const awardrules::Tie& t : m_proposal.ties) {
            if (m_cuts[size_t(t.degree - 1)] != m_proposal.cuts[size_t(t.degree - 1)]) continue;  // typed over
            warnings << QStringLiteral("Граница %1 пришлась на равные суммы: у %2 по %3. Все они оставлены ниже: "
                                       "доля %4 вместо %5.")
                            .arg(QString::fromUtf8(kBoundaries[t.degree - 1]), participantsOf(t.count),
                                 t.total.toString(), awardrules::shareText(t.before, all), awardrules::shareText(t.after, all));
        }
        if (const auto [below, above] = awardrules::disorder(m_cuts); below)
            warnings << disorderText(below, above) + QStringLiteral(": исправьте до «Применить».");
        // Cut-offs typed over the rules' ones may give what the rules do not allow.
        const int diplomas = proposed[1] + proposed[2] + proposed[3];
        if (qint64(diplomas) * 100 > qint64(all) * m_rules.diplomaPercent)
            warnings << QStringLiteral("Пороги дают дипломов больше правила: %1 из %2 (%3) при не более %4 %.")
                            .arg(diplomas)
                            .arg(all)
                            .arg(awardrules::shareText(diplomas, all))
                            .arg(m_rules.diplomaPercent);
        if (m_max && lowestDiploma && lowestDiploma->hundredths() * 100 < m_max->hundredths() * m_rules.minPercent)
            warnings << QStringLiteral("Пороги дают диплом сумме ниже правила: %1 при не ниже %2 % максимальной суммы %3.")
                            .arg(lowestDiploma->toString())
                            .arg(m_rules.minPercent)
                            .arg(m_max->toString());
        if (overrule > 0)
            warnings << QStringLiteral("Предложение расходится со степенями, уже выставленными вручную, у %1.")
                            .arg(participantsOf(overrule));
        if (m_list.isEmpty()) warnings << QStringLiteral("В классе нет участников с баллами.");
    }
    Label3->setText(warnings.join(QStringLiteral("\n\n")));
    // A cut-off typed over the rules' one is bold, the rules' one in its tip.
    for (size_t i = 0; i < 4; ++i) {
        const bool typed = m_cuts[i] != m_proposal.cuts[i];
        QFont f = m_cutBoxes[i]->font();
        f.setBold(typed);
        m_cutBoxes[i]->setFont(f);
        m_cutBoxes[i]->setToolTip(typed ? QStringLiteral("По правилам: %1").arg(cutTexts(m_proposal.cuts)[i]) : QString());
    }
    Button1->setToolTip(differ ? QStringLiteral("Изменится степеней: %1").arg(differ) : QString());
    drawChart();
}

void TFormPomoshnik::drawChart() {
    QChart* chart = Chart1->chart();
    chart->removeAllSeries();
    // The range: up to the greatest total the subject allows, or reached, or a cut-off.
    double top = 1;
    if (m_max) top = std::max(top, value(*m_max));
    for (const awardrules::Participant& p : m_list) top = std::max(top, value(p.total));
    for (const auto& c : m_cuts)
        if (c) top = std::max(top, value(*c));
    // Bins enough to show the shape and few enough to fill them: about twice the square root of the
    // number of participants, between 20 and 40.
    const double wanted = std::clamp(2 * std::sqrt(double(m_list.size())), 20.0, 40.0);
    const double width = std::max(0.5, nearStep(top / wanted));
    const int bins = int(std::floor(top / width + 1e-9)) + 1;
    const double right = bins * width;

    // Per bin, how many of each award; stacked from degree 1 at the bottom to none on top.
    std::vector<std::array<int, 5>> count(size_t(bins), std::array<int, 5>{});
    for (const awardrules::Participant& p : m_list) {
        const int bin = std::clamp(int(std::floor(value(p.total) / width + 1e-9)), 0, bins - 1);
        ++count[size_t(bin)][size_t(awardrules::degreeOf(p.total, m_cuts))];
    }
    int highest = 0;
    for (const auto& c : count) highest = std::max(highest, c[0] + c[1] + c[2] + c[3] + c[4]);
    const double yStep = niceStep(std::max(1.0, highest / 6.0));
    const double yTop = (std::floor(highest / yStep) + 1) * yStep;

    const auto hideFromLegend = [chart](QAbstractSeries* s) {
        for (QLegendMarker* m : chart->legend()->markers(s)) m->setVisible(false);
    };
    std::vector<int> below(size_t(bins), 0);
    for (int d : kOrder) {
        auto* area = new QAreaSeries;
        auto* upper = new QLineSeries(area);
        auto* lower = new QLineSeries(area);
        for (int b = 0; b < bins; ++b) {
            const int under = below[size_t(b)];
            const int over = under + count[size_t(b)][size_t(d)];
            upper->append(b * width, over);
            upper->append((b + 1) * width, over);
            lower->append(b * width, under);
            lower->append((b + 1) * width, under);
            below[size_t(b)] = over;
        }
        area->setUpperSeries(upper);
        area->setLowerSeries(lower);
        area->setName(QString::fromUtf8(kAwardNames[d]));
        area->setColor(kFill[d]);
        area->setBorderColor(kFill[d].darker(140));
        chart->addSeries(area);
        area->attachAxis(m_axisX);
        area->attachAxis(m_axisY);
    }
    // The vertical lines, each with its label over the plot; a label close to the one before it
    // goes lower, so that none covers another.
    struct Line {
        double x;
        QColor colour;
        Qt::PenStyle style;
        QString label;
    };
    std::vector<Line> lines;
    if (m_max && m_rules.minPercent > 0)
        lines.push_back({value(*m_max) * m_rules.minPercent / 100.0, Qt::darkGray, Qt::DotLine,
                         QStringLiteral("%1 %").arg(m_rules.minPercent)});
    for (int d = 1; d <= 4; ++d)
        if (m_cuts[size_t(d - 1)])
            lines.push_back({value(*m_cuts[size_t(d - 1)]), kLine[d], Qt::DashLine, QString::fromUtf8(kLineLabels[d - 1])});
    std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.x < b.x; });
    double lastX = -1e9;
    int level = 0;
    for (const Line& l : lines) {
        level = l.x - lastX < right / 15 ? (level + 1) % 3 : 0;
        lastX = l.x;
        const double y = yTop * (1 - 0.09 * level);  // the line ends at its label
        auto* s = new QLineSeries;
        s->append(l.x, 0);
        s->append(l.x, y);
        s->setPen(QPen(l.colour, 2, l.style));
        chart->addSeries(s);
        s->attachAxis(m_axisX);
        s->attachAxis(m_axisY);
        hideFromLegend(s);
        auto* mark = new QScatterSeries;
        mark->append(l.x, y);
        mark->setMarkerSize(6);
        mark->setColor(l.colour);
        mark->setBorderColor(l.colour);
        mark->setPointLabelsFormat(l.label);
        mark->setPointLabelsVisible(true);
        mark->setPointLabelsClipping(false);
        mark->setPointLabelsColor(l.colour);
        QFont bold = mark->pointLabelsFont();
        bold.setBold(true);
        bold.setPointSizeF(bold.pointSizeF() * 1.2);
        mark->setPointLabelsFont(bold);
        chart->addSeries(mark);
        mark->attachAxis(m_axisX);
        mark->attachAxis(m_axisY);
        hideFromLegend(mark);
    }

    m_axisX->setRange(0, right);
    m_axisX->setTickInterval(niceStep(right / 12));
    m_axisY->setRange(0, yTop);
    m_axisY->setTickInterval(yStep);
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
    const awardrules::Applied now{m_rules, m_cuts != m_proposal.cuts};
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
