// Appeals and the status of results: a decision is one action with the scores it changes, final
// results refuse every change of scores, places and degrees until reopened, and the protocol and
// the summary say what the database holds.

#include "Atomic.h"
#include "DbError.h"
#include "appeals/Appeals.h"
#include "appeals/Status.h"
#include "appeals/UAppeal.h"
#include "fixtures/FailingWrite.h"
#include "fixtures/Olympiad.h"
#include "fixtures/Spreadsheet.h"
#include "fixtures/Thrown.h"
#include "fixtures/WindowTest.h"
#include "participants/Ciphers.h"
#include "participants/Lists.h"
#include "reference/Rounds.h"
#include "reports/ReportFiles.h"
#include "reports/Reports.h"
#include "scoring/AwardRules.h"
#include "scoring/Awards.h"
#include "scoring/Scores.h"
#include "ui/DataGrid.h"
#include "ui/Messages.h"
#include "xlsx/Workbook.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

class Appeals : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        o = Olympiad::seed(db(), tr());
        rounds::save(db(), tr(), o.fizika, {{{"Теория", "3", "10 10 10"}, {"Практика", "1", "5"}, {}, {}}});
        kids = o.enrol(db(), tr(), o.fizika, o.k9, {"Абрамов", "Борисов", "Ёлкин"});
        const char* totals[][3] = {{"9", "9", "9"}, {"8", "8", "8"}, {"7", "7", "8"}};  // 27, 24, 22: 1st, 2nd, 3rd
        for (int i = 0; i < 3; ++i)  // the second round entered as 0
            storeScores(db(), tr(), kids[i], o.fizika, o.k9, {{1, totals[i][0]}, {2, totals[i][1]}, {3, totals[i][2]}, {7, "0"}});
        tr().commitRetaining();
    }
    static appeals::Task task(int n, int decision, const char* after = nullptr) {
        appeals::Task t;
        t.task = n;
        t.decision = decision;
        if (after) t.after = Score::parse(after);
        return t;
    }
    appeals::Appeal appeal(int child, QList<appeals::Task> tasks) {
        appeals::Appeal a;
        a.idChild = child;
        a.round = 1;
        a.filedOn = QDate(2026, 12, 7);
        a.reason = "Не засчитано решение второго пункта";
        a.members = "Иванова И. И., Петров П. П.";
        a.tasks = tasks;
        return a;
    }
    // Saves as the window does, in one action; the appeal as stored (its number and key given).
    appeals::Appeal save(appeals::Appeal a) {
        atomically(tr(), [&] { appeals::save(db(), tr(), a); });
        return a;
    }
    QString row(int id) {
        return text(QString("SELECT BAL01 || ' ' || BAL02 || ' ' || BAL03 || ' ' || SUMM || ' ' || MESTO FROM BAL WHERE ID_CHILD = %1").arg(id));
    }
    Olympiad o;
    QList<int> kids;
};

// Filed first, decided later: only the upheld task changes, its history row carries the appeal,
// the places follow; a rejected appeal changes no score and writes no history.
TEST_F(Appeals, AnUpheldAppealChangesExactlyItsTasksWithHistoryAndPlaces) {
    appeals::Appeal a = save(appeal(kids[2], {task(1, appeals::Undecided), task(3, appeals::Undecided)}));
    EXPECT_EQ(a.number, 1);
    EXPECT_EQ(row(kids[2]), "7.00 7.00 8.00 22.00 3");
    EXPECT_EQ(status::open(db(), tr(), o.fizika, o.k9).undecided, QStringList{"№ 1 (Ёлкин Имя)"});

    a.tasks = {task(1, appeals::Upheld, "10"), task(3, appeals::Rejected)};
    const qint64 logged = scalar("SELECT COUNT(*) FROM BAL_LOG");
    save(a);
    EXPECT_EQ(row(kids[2]), "10.00 7.00 8.00 25.00 2");
    EXPECT_EQ(row(kids[1]), "8.00 8.00 8.00 24.00 3");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM BAL_LOG") - logged, 1);
    EXPECT_EQ(text(QString("SELECT SLOT || ':' || OLD_BAL || '>' || NEW_BAL FROM BAL_LOG WHERE ID_APPEAL = %1").arg(a.id)), "1:7.00>10.00");
    const appeals::Appeal stored = *appeals::load(db(), tr(), a.id);
    EXPECT_TRUE(stored.decided());
    EXPECT_EQ(stored.decisionText(), appeals::kUpheld);
    EXPECT_EQ(QString("%1 %2 %3 %4").arg(stored.totalBefore.toString(), stored.totalAfter.toString()).arg(stored.placeBefore).arg(stored.placeAfter),
              "22 25 3 2");
    EXPECT_EQ(stored.tasks[1].before, Score::parse("8"));
    EXPECT_TRUE(status::open(db(), tr(), o.fizika, o.k9).undecided.isEmpty());
    EXPECT_THROW(save(a), DbError) << "a decided appeal stays as decided";
    EXPECT_THROW(atomically(tr(), [&] { appeals::remove(db(), tr(), a.id); }), DbError);

    save(appeal(kids[0], {task(2, appeals::Upheld, "5")}));
    EXPECT_EQ(row(kids[0]), "9.00 5.00 9.00 23.00 3");
    const QString before = row(kids[1]);
    const qint64 history = scalar("SELECT COUNT(*) FROM BAL_LOG");
    save(appeal(kids[1], {task(1, appeals::Rejected), task(2, appeals::Rejected)}));
    EXPECT_EQ(row(kids[1]), before);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM BAL_LOG"), history);
    const appeals::Summary sum = appeals::summarize(appeals::ofGrade(db(), tr(), o.fizika, o.k9));
    EXPECT_EQ(QString("%1 %2 %3 %4 %5").arg(sum.filed).arg(sum.upheld).arg(sum.rejected).arg(sum.undecided).arg(sum.placesChanged),
              "3 2 1 0 2");
}

// A refused score refuses the whole appeal; a failure on its last write leaves scores, appeals and
// places as they were.
TEST_F(Appeals, ARefusedOrFailedDecisionLeavesEverythingAsItWas) {
    const QStringList before{row(kids[0]), row(kids[1]), row(kids[2])};
    const auto refused = [&](appeals::Appeal a) { EXPECT_THROW(save(a), DbError); };
    refused(appeal(kids[2], {task(1, appeals::Upheld, "10"), task(2, appeals::Upheld, "10,5")}));  // above the maximum
    refused(appeal(kids[2], {task(1, appeals::Upheld, "7")}));                                     // the same score
    refused(appeal(kids[2], {task(1, appeals::Upheld, "9"), task(2, appeals::Undecided)}));       // partly decided
    refused(appeal(kids[2], {task(4, appeals::Rejected)}));                                        // no such task
    appeals::Appeal tomorrow = appeal(kids[2], {task(1, appeals::Undecided)}), noJury = appeal(kids[2], {task(1, appeals::Rejected)});
    tomorrow.filedOn = QDate::currentDate().addDays(1);
    noJury.members = " ";
    refused(tomorrow);
    refused(noJury);
    {
        FailingWrite fail(db(), tr(), "APPEAL", "UPDATE", "NEW.DECIDED_AT IS NOT NULL");
        refused(appeal(kids[2], {task(1, appeals::Upheld, "10")}));
    }
    EXPECT_EQ((QStringList{row(kids[0]), row(kids[1]), row(kids[2])}), before);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM APPEAL"), 0);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM BAL_LOG WHERE ID_APPEAL IS NOT NULL"), 0);
}

// Final results refuse a score, a degree, the assistant's degrees, a move across grades, rounds that
// would drop scores and an appeal, naming the status; an undecided appeal keeps them from becoming
// final; reopening allows everything again.
TEST_F(Appeals, FinalResultsRefuseEveryChangeUntilReopened) {
    appeals::Appeal pending = save(appeal(kids[1], {task(1, appeals::Undecided)}));
    EXPECT_FALSE(status::finalRefusal(status::open(db(), tr(), o.fizika, o.k9)).isEmpty());
    pending.tasks = {task(1, appeals::Rejected)};
    save(pending);
    EXPECT_TRUE(status::finalRefusal(status::open(db(), tr(), o.fizika, o.k9)).isEmpty());
    atomically(tr(), [&] { status::set(db(), tr(), o.fizika, o.k9, true, "секретарь@пк"); });
    EXPECT_TRUE(status::of(db(), tr(), o.fizika, o.k9).final);
    EXPECT_TRUE(status::heading(db(), tr(), "Физика", "9").startsWith("Итоговые результаты на "));
    EXPECT_EQ(status::heading(db(), tr(), "Физика", "10"), "Предварительные результаты");

    const QString before = row(kids[0]);
    const std::vector<std::pair<const char*, std::function<void()>>> changes{
        {"score", [&] { storeScores(db(), tr(), kids[0], o.fizika, o.k9, {{1, "1"}}); }},
        {"degree", [&] { awards::give(db(), tr(), kids[0], 1); }},
        {"assistant", [&] { awardrules::apply(db(), tr(), o.fizika, o.k9, {Score::parse("20"), {}, {}, {}}, {}); }},
        {"move", [&] { participants::move(db(), tr(), kids[0], {o.sever, o.fizika, o.k10, ""}); }},
        {"rounds", [&] {
             rounds::save(db(), tr(), o.fizika, {{{"Теория", "2", "10 10"}, {"Практика", "1", "5"}, {}, {}}});
             scores::fitToRounds(db(), tr(), o.fizika);
         }},
        {"appeal", [&] { appeals::Appeal a = appeal(kids[0], {task(1, appeals::Upheld, "10")}); appeals::save(db(), tr(), a); }},
        {"delete", [&] { participants::remove(db(), tr(), kids[0]); }}};
    for (const auto& [what, change] : changes)
        EXPECT_TRUE(thrownText<DbError>([&] { atomically(tr(), change); }).contains("итоговые результаты")) << what;
    EXPECT_EQ(row(kids[0]), before);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM BAL WHERE DIPL_STEP <> 0"), 0);

    atomically(tr(), [&] { status::set(db(), tr(), o.fizika, o.k9, false); });
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM ITOGI"), 2) << "both decisions are kept";
    for (const auto& [what, change] : changes)
        if (std::string(what) == "score" || std::string(what) == "degree") atomically(tr(), change);
    EXPECT_EQ(row(kids[0]), "1.00 9.00 9.00 19.00 3");
    // A participant with a decided appeal stays in the record, results final or not.
    EXPECT_TRUE(thrownText<DbError>([&] { atomically(tr(), [&] { participants::remove(db(), tr(), kids[1]); }); })
                    .startsWith("У участника есть рассмотренная апелляция № "));
}

// After a decision that moves places the degrees given are checked against the rules recorded for
// the grade and against the order of places; nothing is changed.
TEST_F(Appeals, DegreesThatNoLongerFitThePlacesAreNamed) {
    atomically(tr(), [&] {
        awardrules::Applied applied;
        applied.rules.diplomaPercent = 34;  // one diploma of three
        awardrules::apply(db(), tr(), o.fizika, o.k9, {Score::parse("27"), {}, {}, {}}, applied);
    });
    EXPECT_TRUE(appeals::degreeWarnings(db(), tr(), o.fizika, o.k9).isEmpty());
    save(appeal(kids[2], {task(1, appeals::Upheld, "10"), task(2, appeals::Upheld, "10"), task(3, appeals::Upheld, "10")}));
    const QStringList warnings = appeals::degreeWarnings(db(), tr(), o.fizika, o.k9);
    ASSERT_EQ(warnings.size(), 3) << warnings.join("\n").toStdString();
    EXPECT_TRUE(warnings[0].startsWith("Ёлкин Имя Отчество (место 1): без награды, по правилам награждения — диплом 1-й степени"));
    EXPECT_TRUE(warnings[2].startsWith("Ёлкин Имя Отчество (место 1, без награды) стоит выше, чем Абрамов"));
    EXPECT_EQ(scalar(QString("SELECT DIPL_STEP FROM BAL WHERE ID_CHILD = %1").arg(kids[0])), 1);
}

// The window's search finds a participant as the paper reads him (small letters, Е for Ё, a Latin
// letter that looks like a Cyrillic one), and its Enter never saves: a decision once stored stays.
TEST_F(Appeals, TheSearchFindsANameAsThePaperReadsIt) {
    TFormAppeal w(nullptr);
    showTested(&w);
    pick(w.ComboBox1, "Физика");
    pick(w.ComboBox2, "9");
    for (const char* typed : {"елкин", "EЛКИН"}) {  // the second with a Latin E
        w.DBGrid1->setCurrentRow(0);
        w.Edit1->setText(QString::fromUtf8(typed));
        pressEnter(w.Edit1);
        EXPECT_TRUE(w.DBGrid1->value(w.DBGrid1->currentRow(), "FIO").startsWith("Ёлкин")) << typed;
    }
    EXPECT_TRUE(msg::shownTexts().isEmpty()) << msg::shownTexts().join("\n").toStdString();
    pressEnter(w.Button1);  // Сохранить itself is pressed by Enter: nothing typed yet
    EXPECT_EQ(msg::shownTexts(), QStringList{"Выберите тур, в котором есть задачи."});
    // Final results: said when the grade is chosen, and a save is refused before any question.
    status::set(db(), tr(), o.fizika, o.k9, true, "жюри@стол");
    tr().commitRetaining();
    w.ComboBox2Change();  // the grade chosen again
    EXPECT_TRUE(w.Label2->text().contains("изменения не принимаются")) << w.Label2->text().toStdString();
    msg::clearShown();
    pressEnter(w.Button1);
    ASSERT_EQ(msg::shown().size(), 1) << "no question first";
    EXPECT_TRUE(msg::shown()[0].text.contains("изменения не принимаются"));
}

// The protocol and the summary, read back by LibreOffice, say what the database holds; the results
// by grade state their status.
TEST_F(Appeals, TheProtocolAndTheSummaryReadBackMatchTheDatabase) {
    ciphers::store(db(), tr(), kids[2], o.fizika, o.k9, 1, "Ф-17");
    const appeals::Appeal a = save(appeal(kids[2], {task(1, appeals::Upheld, "9,5"), task(3, appeals::Rejected)}));
    save(appeal(kids[0], {task(2, appeals::Undecided)}));
    reportfiles::useTemplate(TAVRIN_TEMPLATE);
    const QList<sheets::Book> books = sheets::read(
        {reportfiles::write("Протокол", [&](Workbook& wb) { ASSERT_TRUE(reports::appealProtocol(db(), tr(), wb, a.number)); }),
         reportfiles::write("Сводка", [&](Workbook& wb) { reports::appealSummary(db(), tr(), wb, "Физика", "9"); }),
         reportfiles::write("Итоги", [&](Workbook& wb) { reports::gradeResults(db(), tr(), wb, "Физика", "9"); })});
    ASSERT_EQ(books.size(), 3);
    const sheets::Sheet& p = books[0].sheets.first();
    EXPECT_EQ(p.text(2, 2), "1");
    EXPECT_EQ(p.text(7, 2), "Ф-17");
    EXPECT_EQ(p.text(8, 2), "Ёлкин Имя Отчество");
    EXPECT_EQ(p.text(10, 2), a.reason);
    EXPECT_EQ(p.text(11, 2), a.members);
    EXPECT_EQ((QStringList{p.text(15, 1), p.text(15, 2), p.text(15, 3), p.text(15, 4)}), (QStringList{"1", "7", "удовлетворена", "9.5"}));
    EXPECT_EQ((QStringList{p.text(16, 1), p.text(16, 2), p.text(16, 3), p.text(16, 4)}), (QStringList{"3", "8", "отклонена", "8"}));
    EXPECT_TRUE(p.text(18, 1).startsWith("Сумма баллов: было 22, стало 24,5. Место: было 3, стало 2."));
    const sheets::Sheet& s = books[1].sheets.first();
    EXPECT_EQ(s.text(4, 2), "Предварительные результаты");
    EXPECT_EQ((QStringList{s.text(6, 3), s.text(7, 3), s.text(8, 3), s.text(9, 3), s.text(10, 3)}), (QStringList{"2", "1", "0", "1", "1"}));
    EXPECT_EQ((QStringList{s.text(13, 1), s.text(13, 2), s.text(13, 6), s.text(13, 7), s.text(13, 8), s.text(13, 9)}),
              (QStringList{"1", "Ф-17", "удовлетворена", "2.5", "3", "2"}));
    EXPECT_EQ(s.text(14, 6), "не рассмотрена");
    EXPECT_EQ(books[2].sheets.first().text(4, 2), "Предварительные результаты");
}

}  // namespace
