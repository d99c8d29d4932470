// The award rules and the award assistant: cut-offs worked out by hand, the rules kept in the
// database, "Применить" as one action on one subject and grade, the window driven by keys.

#include "fixtures/FailingWrite.h"
#include "fixtures/Olympiad.h"
#include "fixtures/WindowTest.h"
#include "reference/Rounds.h"
#include "scoring/AwardReview.h"
#include "scoring/AwardRules.h"
#include "scoring/Scores.h"
#include "scoring/UPomoshnik.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"

#include <QLabel>
#include <QLineEdit>

namespace {

using namespace awardrules;

Score pts(int n) { return Score::fromHundredths(n * 100); }
QList<Score> totals(std::initializer_list<std::pair<int, int>> groups) {  // {total, how many}
    QList<Score> out;
    for (const auto& [total, count] : groups)
        for (int i = 0; i < count; ++i) out.prepend(pts(total));  // ascending: the order must not matter
    return out;
}
QString cutsText(const Cuts& c) {
    QStringList l;
    for (const auto& s : c) l << (s ? s->toString() : "-");
    return l.join(' ');
}
QString tiesText(const QList<Tie>& ties) {
    QStringList l;
    for (const Tie& t : ties) l << QString("%1:%2x%3 %4->%5").arg(t.degree).arg(t.total.toString()).arg(t.count).arg(t.before).arg(t.after);
    return l.join(", ");
}

// 20 participants in groups of equal totals (positions from the top in brackets):
//   50×2 [1-2], 48 [3], 45×3 [4-6], 40 [7], 38×2 [8-9], 30×3 [10-12], 25 [13], 20×2 [14-15], 10×2, 0×3.
// P 50 %, Q 50 % of 60 (so at least 30), ratio 1:2:3, R 25 %:
//   diplomas at most 10: 50…38 hold 9, the 30s would make 12 -> m = 9, the 30s left out (tie 9 -> 12);
//   degree 1 at most floor(9/6) = 1: the two 50s would make 2, but the highest total always has the
//   1st degree -> cut 50;
//   degrees 1-2 at most floor(9·3/6) = 4: 50, 50, 48 hold 3, the 45s would make 6 -> cut 48 (tie 1 -> 4 of degree 2);
//   degree 3: the 45s, 40 and 38s -> cut 38;
//   mentions at most floor(20/4) = 5 after the 9: the 30s and 25 hold 4, the 20s would make 6 -> cut 25 (tie 4 -> 6).
TEST(AwardRules, CutOffsNeverSplitEqualTotals) {
    const QList<Score> list = totals({{50, 2}, {48, 1}, {45, 3}, {40, 1}, {38, 2}, {30, 3}, {25, 1}, {20, 2}, {10, 2}, {0, 3}});
    ASSERT_EQ(list.size(), 20);
    Rules r{50, 50, {1, 2, 3}, 25};
    Proposal p = propose(list, r, pts(60));
    EXPECT_EQ(cutsText(p.cuts), "50 48 38 25");
    EXPECT_EQ(tiesText(p.ties), "2:45x3 1->4, 3:30x3 9->12, 4:20x2 4->6");
    QList<int> degrees;
    for (int t : {50, 48, 45, 38, 30, 25, 20, 0}) degrees << degreeOf(pts(t), p.cuts);
    EXPECT_EQ(degrees, QList<int>({1, 2, 3, 3, 4, 4, 0, 0})) << "the tied 50s share degree 1";

    // A quota that ends exactly at a group's end is no tie: R 20 % gives 4 mentions, the 30s and 25.
    r.mentionPercent = 20;
    EXPECT_EQ(tiesText(propose(list, r, pts(60)).ties), "2:45x3 1->4, 3:30x3 9->12");

    // Q 50 % of 100: only the 50s may have a diploma, and they have the 1st degree; the 48 is no
    // diploma and no tie, the mentions take the next 5.
    r.mentionPercent = 25;
    p = propose(list, r, pts(100));
    EXPECT_EQ(cutsText(p.cuts), "50 - - 40");
    EXPECT_EQ(tiesText(p.ties), "");
    // The greatest total unknown: Q is not applied. 1:2:3 over three diplomas: the 1st degree all the same.
    EXPECT_EQ(cutsText(propose(list, r, std::nullopt).cuts), "50 48 38 25");
    EXPECT_EQ(cutsText(propose(totals({{10, 1}, {9, 1}, {8, 1}}), {100, 0, {1, 2, 3}, 0}, std::nullopt).cuts), "10 - 8 -");
    // A total of 0 never gets an award, whatever the shares.
    EXPECT_EQ(cutsText(propose(totals({{0, 4}}), {100, 0, {1, 1, 1}, 100}, std::nullopt).cuts), "- - - -");
    EXPECT_EQ(cutsText(propose({}, r, pts(60)).cuts), "- - - -");
}

TEST(AwardRules, TypedValuesAreReadStrictly) {
    EXPECT_EQ(parseRatio(" 1 : 2 :3 "), (std::array<int, 3>{1, 2, 3}));
    for (const char* bad : {"1:2", "1:0:3", "1:2:3:4", "a:b:c", "1;2;3", "-1:2:3"}) EXPECT_FALSE(parseRatio(bad)) << bad;
    EXPECT_EQ(parsePercent("100"), 100);
    for (const char* bad : {"101", "-1", "4,5", ""}) EXPECT_FALSE(parsePercent(bad)) << bad;
    bool ok = false;
    EXPECT_EQ(parseCut(" 12,5 ", ok), Score::fromHundredths(1250));
    EXPECT_TRUE(ok);
    EXPECT_FALSE(parseCut("", ok));
    EXPECT_TRUE(ok) << "an empty cut-off: the degree is not given";
    for (const char* bad : {"0", "-3", "1,234", "x"}) EXPECT_FALSE((parseCut(bad, ok), ok)) << bad;
    // Cut-offs must not increase; empty ones are skipped.
    EXPECT_EQ(disorder({pts(30), std::nullopt, pts(30), pts(10)}), std::make_pair(0, 0));
    EXPECT_EQ(disorder({pts(30), std::nullopt, pts(35), pts(10)}), std::make_pair(3, 1));
    EXPECT_EQ(disorder({std::nullopt, pts(20), pts(10), pts(15)}), std::make_pair(4, 3));
}

// Cut-offs typed over the rules' ones are warned about where they give more diplomas, or a diploma
// to a lower total, than the rules allow, and not where they give just as much.
TEST(AwardRules, TypedCutOffsAreWarnedOnlyBeyondTheRules) {
    Grade g{{}, pts(14), 10, 10};
    for (int t = 10; t >= 1; --t) g.list << Participant{t, QString("Ч%1").arg(t), "СОШ №1", pts(t), 11 - t, 0};
    const Rules r{40, 50, {1, 2, 3}, 0};  // 4 diplomas, none below 7
    const Proposal p = propose(totals({{10, 1}, {9, 1}, {8, 1}, {7, 1}, {6, 1}, {5, 1}, {4, 1}, {3, 1}, {2, 1}, {1, 1}}), r, pts(14));
    EXPECT_EQ(review(g, {pts(7), {}, {}, {}}, p, r).warnings, QStringList());
    EXPECT_EQ(review(g, {pts(6), {}, {}, {}}, p, r).warnings,
              QStringList({"Пороги дают дипломов больше правила: 5 из 10 (50 %) при не более 40 %.",
                           "Пороги дают диплом сумме ниже правила: 6 при не ниже 50 % максимальной суммы 14."}));
}

// Физика 9: ten participants with totals 19, 17, 17, 15, 12, 12, 10, 8, 5, 3 (greatest total 20) and an
// eleventh with no score yet; Волков (3 points) was given a mention by hand. Химия 9 and Физика 10
// have degrees of their own.
class Assistant : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        o = Olympiad::seed(db(), tr());
        rounds::save(db(), tr(), o.fizika, {{{"Теория", "2", "10 10"}, {}, {}, {}}});
        rounds::save(db(), tr(), o.khimiya, {{{"Тест", "2"}, {}, {}, {}}});
        kids = o.enrol(db(), tr(), o.fizika, o.k9, {"Ч1", "Ч2", "Ч3", "Ч4", "Ч5", "Ч6", "Ч7", "Ч8", "Ч9", "Волков", "Без баллов"});
        const int points[] = {19, 17, 17, 15, 12, 12, 10, 8, 5, 3};
        for (int i = 0; i < 10; ++i) setTotal(kids[i], o.fizika, o.k9, points[i]);
        others = o.enrol(db(), tr(), o.khimiya, o.k9, {"Химик"});
        others += o.enrol(db(), tr(), o.fizika, o.k10, {"Десятый"});
        setTotal(others[0], o.khimiya, o.k9, 1);
        setTotal(others[1], o.fizika, o.k10, 20);
        exec(QString("UPDATE BAL SET DIPL_STEP = 4 WHERE ID_CHILD IN (%1, %2)").arg(kids[9]).arg(others[0]));
    }
    void setTotal(int child, int subject, int grade, int total) {  // two tasks of at most 10
        storeScores(db(), tr(), child, subject, grade, {{1, QString::number(qMin(total, 10))}, {2, QString::number(total - qMin(total, 10))}});
    }
    TFormPomoshnik* open() {
        auto* w = showTested(new TFormPomoshnik(nullptr));
        pick(w->ComboBox1, "Физика");
        pick(w->ComboBox2, "9");
        return w;
    }
    static void type(QLineEdit* e, const QString& text) {
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, text);
        QTest::keyClick(e, Qt::Key_Return);
    }
    static QString cuts(TFormPomoshnik* w) {
        QStringList l;
        for (int d = 1; d <= 4; ++d) l << w->cutBox(d)->text();
        return l.join('|');
    }
    QString degrees(const QList<int>& children) {
        QStringList l;
        for (int c : children) l << text(QString("SELECT COALESCE(CAST(DIPL_STEP AS VARCHAR(5)), '-') FROM BAL WHERE ID_CHILD = %1").arg(c));
        return l.join(',');
    }
    Olympiad o;
    QList<int> kids, others;
};

TEST_F(Assistant, RulesAndCutOffsAreTypedCheckedAndApplied) {
    TFormPomoshnik* w = open();
    EXPECT_EQ(shownIn({w->Edit1, w->Edit2, w->Edit3, w->Edit4, w->Label1}), "45|50|1:2:3|0|Максимальная сумма баллов: 20")
        << "the defaults while the database keeps no rules";
    // 45 % of 10: 4 diplomas (19, 17, 17, 15); 19 the 1st degree; degrees 1-2 at most 2 cut through the 17s.
    EXPECT_EQ(cuts(w), "19||15|");
    EXPECT_EQ(w->DBGrid1->rowCount(), 10);
    EXPECT_EQ(w->DBGrid1->value(0, "PROPOSED") + "/" + w->DBGrid1->value(9, "NOW"), "1-й степени/поощр. отзыв");
    for (const char* warning : {"Не все туры введены у 1 из 11 участников.", "уже выставленными вручную, у 1 участника.",
                                "Граница 2-й степени пришлась на равные суммы: у 2 участников по 17. Все они оставлены ниже: доля 0 % вместо 20 %."})
        EXPECT_TRUE(w->Label3->text().contains(warning)) << w->Label3->text().toStdString();

    // Every bad value is refused, naming its field, and changes nothing.
    const struct {
        QLineEdit* box;
        const char *bad, *good, *refusal;
    } refusals[] = {
        {w->Edit1, "150", "45", "Дипломы: доля участников должна быть целым числом от 0 до 100 (сейчас «150»)"},
        {w->Edit3, "1:2", "1:2:3", "Соотношение степеней: нужны три целых положительных числа через двоеточие, например 1:2:3 (сейчас «1:2»)"},
        {w->Edit7, "0", "15", "Порог 3-й степени: сумма баллов должна быть больше нуля или пустой (сейчас «0»)"}};
    for (const auto& r : refusals) {
        msg::clearShown();
        type(r.box, r.bad);
        EXPECT_EQ(msg::shownTexts(), QStringList{r.refusal});
        EXPECT_EQ(w->focusWidget(), r.box);
        type(r.box, r.good);
        EXPECT_EQ(cuts(w), "19||15|");
    }
    // Typed top-down, the cut-offs pass through disorder: a warning in the window, no message until
    // "Применить", which refuses it.
    msg::clearShown();
    type(w->Edit5, "14");  // below the 3rd degree's 15 for a moment
    const QString disorder = "Порог 3-й степени не может быть выше порога 1-й степени";
    EXPECT_TRUE(w->Label3->text().contains(disorder + ": исправьте до «Применить».")) << w->Label3->text().toStdString();
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_EQ(msg::shownTexts(), QStringList{disorder});
    EXPECT_EQ(w->focusWidget(), w->Edit7);
    type(w->Edit6, "12");
    type(w->Edit7, "10");
    EXPECT_EQ(msg::shownTexts(), QStringList{disorder});
    EXPECT_EQ(cuts(w), "14|12|10|");
    EXPECT_FALSE(w->Label3->text().contains("не может быть выше"));

    // 60 %: six diplomas, 1 : 2 : 3 of them.
    type(w->Edit1, "60");
    EXPECT_EQ(cuts(w), "19|17|12|");
    EXPECT_EQ(w->proposedCount(3)->text(), "3 (30 %)");
    // A cut-off typed over keeps the others; the proposal follows it.
    type(w->Edit7, "15");
    EXPECT_EQ(cuts(w), "19|17|15|");
    EXPECT_EQ(w->proposedCount(3)->text() + " " + w->proposedCount(0)->text(), "1 (10 %) 6 (60 %)");

    // Esc asks while something typed is not applied.
    msg::setNextAnswer(false);
    QTest::keyClick(w->Edit7, Qt::Key_Escape);
    EXPECT_EQ(msg::shownTexts().last(), kUnsaved);
    EXPECT_TRUE(w->isVisible());

    // 19: 1; 17, 17: 2; 15: 3; Волков's mention goes: five degrees change.
    msg::clearShown();
    msg::setNextAnswer(true);
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_EQ(msg::shownTexts(), QStringList{"Изменится степеней: 5. Применить?"});
    EXPECT_EQ(degrees(kids.mid(0, 10)), "1,2,2,3,-,-,-,-,-,0") << "a null that stays none is not written";
    EXPECT_EQ(degrees(others), "4,-") << "another subject and grade are left alone";
    EXPECT_EQ(load(db(), tr()), (Rules{60, 50, {1, 2, 3}, 0}));
    EXPECT_EQ(applied(db(), tr(), o.fizika, o.k9), (Applied{{60, 50, {1, 2, 3}, 0}, true, {Score::parse("19"), Score::parse("17"), Score::parse("15"), {}}})) << "the cut-off of degree 3 typed";
    EXPECT_EQ(w->DBGrid1->value(0, "NOW"), "1-й степени");

    msg::clearShown();
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_EQ(msg::shownTexts(), QStringList{"Степени не изменятся."});
    QTest::keyClick(w->Edit1, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible()) << "nothing unapplied: Esc closes at once";

    // Opened again: the stored rules; unknown maxima leave Q out and say so.
    exec(QString("DELETE FROM TUR_MAX WHERE ID_PREDMET = %1 AND N_ZAD = 2").arg(o.fizika));
    w = open();
    EXPECT_EQ(shownIn({w->Edit1, w->Label1}), "60|Максимальная сумма баллов не задана");
    EXPECT_TRUE(w->Label3->text().contains("правило «не ниже % максимальной суммы» не применено"));
}

// Typed cut-offs that break the rules are named; "Применить" applies only what the window shows;
// another grade chosen over typed cut-offs asks first.
TEST_F(Assistant, TypedCutOffsAreWarnedKeptAndAppliedOnlyAsShown) {
    TFormPomoshnik* w = open();
    type(w->Edit7, "10");
    EXPECT_TRUE(w->Label3->text().contains("Пороги дают дипломов больше правила: 7 из 10 (70 %) при не более 45 %."))
        << w->Label3->text().toStdString();
    type(w->Edit7, "8");
    EXPECT_TRUE(w->Label3->text().contains("Пороги дают диплом сумме ниже правила: 8 при не ниже 50 % максимальной суммы 20."))
        << w->Label3->text().toStdString();

    // Another grade over them asks; Отмена: the grade and the typed cut-offs stay.
    msg::clearShown();
    msg::setNextAnswer(msg::Answer::Cancel);
    pick(w->ComboBox2, "10");
    EXPECT_EQ(msg::shownTexts(), QStringList{kUnappliedCuts});
    EXPECT_EQ(w->ComboBox2->currentText() + " " + cuts(w), "9 19||8|");

    // A rule typed without Enter: the cut-offs it gives are shown, nothing is asked or written.
    msg::clearShown();
    w->Edit1->setText("60");
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_EQ(msg::shownTexts(), QStringList{"Правила изменены: пороги пересчитаны. Проверьте их и нажмите «Применить» ещё раз."});
    EXPECT_EQ(cuts(w), "19|17|12|");
    EXPECT_EQ(degrees(kids.mid(0, 10)), "-,-,-,-,-,-,-,-,-,4");
    // A cut-off typed without Enter is applied as it stands, after the window shows what it gives.
    w->Edit7->setText("15");
    msg::clearShown();
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_EQ(msg::shownTexts(), QStringList{"Изменится степеней: 5. Применить?"});
    EXPECT_EQ(degrees(kids.mid(0, 10)), "1,2,2,3,-,-,-,-,-,0");
    EXPECT_EQ(applied(db(), tr(), o.fizika, o.k9), (Applied{{60, 50, {1, 2, 3}, 0}, true, {Score::parse("19"), Score::parse("17"), Score::parse("15"), {}}}));

    // The rules' own cut-offs applied where no degree changes: recorded as the rules'.
    type(w->Edit1, "40");
    type(w->Edit3, "1:2:1");  // 4 diplomas: 19, the 17s, 15, as given
    ASSERT_EQ(cuts(w), "19|17|15|");
    msg::clearShown();
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_EQ(msg::shownTexts(), QStringList{"Степени не изменятся. Правила сохранены."});
    EXPECT_EQ(applied(db(), tr(), o.fizika, o.k9), (Applied{{40, 50, {1, 2, 1}, 0}, false}));

    // Да applies what is typed, then the other grade is shown.
    type(w->Edit7, "12");
    msg::clearShown();
    pick(w->ComboBox2, "10");
    EXPECT_EQ(msg::shownTexts(), QStringList{kUnappliedCuts});
    EXPECT_EQ(degrees(kids.mid(0, 10)), "1,2,2,3,3,3,-,-,-,0");
    EXPECT_EQ(w->ComboBox2->currentText(), "10");
}

TEST_F(Assistant, AFailedWriteLeavesEveryDegreeAndTheRules) {
    TFormPomoshnik* w = open();
    type(w->Edit1, "60");
    const FailingWrite fail(db(), tr(), "BAL", "UPDATE", QString("OLD.ID_CHILD = %1").arg(kids[3]));
    msg::clearShown();
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    ASSERT_EQ(msg::shownTexts(), QStringList({"Изменится степеней: 7. Применить?", "не получилось"}));
    EXPECT_EQ(degrees(kids.mid(0, 10)), "-,-,-,-,-,-,-,-,-,4") << "the degrees written before the failing row are undone too";
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM NASTROIKI"), 0);
    EXPECT_EQ(w->DBGrid1->value(0, "NOW"), "");

    // Declined: nothing is written either.
    msg::setNextAnswer(false);
    QTest::mouseClick(w->Button1, Qt::LeftButton);
    EXPECT_EQ(degrees(kids.mid(0, 10)), "-,-,-,-,-,-,-,-,-,4");
}

}  // namespace
