// The rounds window: four slots stored together, shown again as stored.

#include "fixtures/FailingWrite.h"
#include "fixtures/Olympiad.h"
#include "fixtures/WindowTest.h"
#include "participants/UEnterSpisok.h"
#include "reference/Rounds.h"
#include "reference/UTur.h"
#include "scoring/Awards.h"
#include "scoring/Scores.h"
#include "ui/Combo.h"

#include <QLineEdit>

namespace {

class Rounds : public EnterSpisokTest {
protected:
    // Picks the subject; `act` works in the rounds window that opens.
    void withRounds(const QString& subject, const std::function<void(TFormTur*)>& act) {
        if (w->ComboBox1->currentText().isEmpty()) pick(w->ComboBox1, "Север");
        expectModal([&] { pick(w->ComboBox2, subject); },
                    [&](QWidget* m) {
                        auto* t = qobject_cast<TFormTur*>(m);
                        ASSERT_NE(t, nullptr);
                        act(t);
                    });
    }
    static void fill(TFormTur* t, std::initializer_list<std::pair<const char*, const char*>> slots) {
        QLineEdit* names[4] = {t->Edit1, t->Edit2, t->Edit3, t->Edit4};
        QLineEdit* counts[4] = {t->Edit5, t->Edit6, t->Edit7, t->Edit8};
        int n = 0;
        for (const auto& [name, count] : slots) {
            names[n]->setText(QString::fromUtf8(name));
            counts[n++]->setText(QString::fromUtf8(count));
        }
    }
    // Saves what `enter` types into Физика's rounds and expects the save refused saying `said`, the
    // window open with the cursor in `field` to correct, and nothing written.
    void expectRefused(const std::function<void(TFormTur*)>& enter, QLineEdit* TFormTur::*field, const QString& said) {
        msg::clearShown();
        withRounds("Физика", [&](TFormTur* t) {
            enter(t);
            t->Button1Click();
            EXPECT_TRUE(t->isVisible());
            EXPECT_EQ(t->focusWidget(), t->*field);
        });
        EXPECT_EQ(msg::shownTexts(), QStringList{said});
        EXPECT_EQ(slots(), "") << "nothing is written, not even a valid slot";
    }
    QString slots() {
        QStringList l;
        Query q(db(), tr(), {"SELECT * FROM TUR WHERE ID_PREDMET = :P ORDER BY ID"});
        q.setInt("P", o.fizika);
        q.open();
        for (; !q.eof(); q.next())
            l << QString("%1:%2:%3:%4").arg(q.fieldText("ID"), q.fieldText("ID_TUR"), q.fieldText("NAME_TUR"),
                                             q.fieldText("KOL_ZAD"));
        return l.join(' ');
    }
};

TEST_F(Rounds, SlotsAreStoredWholeAndShownAgainAsStored) {
    withRounds("Физика", [](TFormTur* t) {
        for (QLineEdit* e : {t->Edit1, t->Edit2, t->Edit3, t->Edit4, t->Edit5, t->Edit6, t->Edit7, t->Edit8})
            EXPECT_TRUE(e->text().isEmpty());
        fill(t, {{"Теоретический тур олимпиады", "4"}, {"Эксперимент", " 2 "}, {"", "5"}});  // no name: count ignored
        pressEnter(t->Edit2);
        EXPECT_FALSE(t->isVisible());
    });
    EXPECT_EQ(slots(), "1:1:Теоретический тур олимпиады:4 2:2:Эксперимент:2 3:0::0 4:0::0");

    withRounds("Физика", [](TFormTur* t) {
        EXPECT_EQ(t->Edit1->cursorPosition(), 0) << "a long name shows its start";
        EXPECT_EQ(shownIn({t->Edit6, t->Edit7}), "2|0") << "a stored empty slot shows the count 0";
        t->Edit2->setText("   ");
        fill(t, {{"Теория", "4"}, {"", ""}, {"", ""}, {"Устный", "6"}});
        t->Button1Click();
    });
    EXPECT_EQ(slots(), "1:1:Теория:4 2:0::0 3:0::0 4:4:Устный:6");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM TUR WHERE ID_PREDMET = " + QString::number(o.khimiya)), 0);
    EXPECT_TRUE(msg::shown().isEmpty()) << msg::shownTexts().join("; ").toStdString();

    // A subject with some slots only (as an earlier build left it) gets the missing ones.
    exec(QString("DELETE FROM TUR WHERE ID <> 1 AND ID_PREDMET = %1").arg(o.fizika));
    exec(QString("INSERT INTO TUR (ID, ID_PREDMET, ID_TUR, NAME_TUR, KOL_ZAD) VALUES (3, %1, 3, 'Устный', 2)").arg(o.fizika));
    withRounds("Физика", [](TFormTur* t) {
        EXPECT_EQ(t->Edit3->text(), "Устный");
        fill(t, {{"Теория", "3"}, {"Практика", "5"}, {"Устный", "2"}, {"Финал", "1"}});
        t->Button1Click();
    });
    EXPECT_EQ(slots(), "1:1:Теория:3 2:2:Практика:5 3:3:Устный:2 4:4:Финал:1");
}

TEST_F(Rounds, ARefusedOrFailedSaveWritesNothingAndKeepsTheWindowOpen) {
    for (const char* count : {"7", "0", "", "два", "1,5"})
        expectRefused([&](TFormTur* t) { fill(t, {{"Теория", "3"}, {"Практика", count}}); }, &TFormTur::Edit6,
                      QString("Тур2: количество задач должно быть целым числом от 1 до 6 (сейчас «%1»)").arg(QString::fromUtf8(count)));
    // Two rounds of one name: the reports could not tell them apart.
    expectRefused([&](TFormTur* t) { fill(t, {{"Теория", "3"}, {"Практика", "2"}, {"теория ", "1"}}); }, &TFormTur::Edit3,
                  "Тур3: такое же название, как у тура 1 («теория»). Названия туров должны различаться.");

    withRounds("Физика", [](TFormTur* t) {
        fill(t, {{"Теория", "3"}});
        t->Button1Click();
    });
    msg::clearShown();
    withRounds("Физика", [&](TFormTur* t) {
        fill(t, {{"Теория новая", "4"}, {"Практика", "2"}, {"Устный", "1"}});
        FailingWrite fail(db(), tr(), "TUR", "INSERT OR UPDATE", "NEW.ID = 3");
        t->Button1Click();
        EXPECT_TRUE(t->isVisible());
    });
    EXPECT_EQ(msg::shownTexts(), QStringList{"не получилось"});
    EXPECT_EQ(slots(), "1:1:Теория:3 2:0::0 3:0::0 4:0::0") << "slots 1 and 2 of the failed save are undone";
}

// The greatest score of each task: one number above 0 per task, either decimal separator, or
// nothing; stored with the round and shown again; a wrong list is refused at its field with
// nothing written, and so are maxima of a round without a name.
TEST_F(Rounds, TaskMaximaAreStoredOnePerTaskOrRefusedAtTheirField) {
    const QString said = "Тур1: наибольшие баллы — по одному числу больше 0 на каждую из 3 задач, через пробел (сейчас «%1»), или ничего";
    for (const QString maxima : {"10 10", "10 0 5", "10 пять 5"})
        expectRefused([&](TFormTur* t) { fill(t, {{"Теория", "3"}}); t->Edit9->setText(maxima); }, &TFormTur::Edit9, said.arg(maxima));
    expectRefused([&](TFormTur* t) { fill(t, {{"Теория", "3"}}); t->Edit10->setText("4 4"); }, &TFormTur::Edit10,
                  "Тур2: у тура нет названия, его наибольшие баллы не сохранятся. Введите название или сотрите баллы.");

    withRounds("Физика", [&](TFormTur* t) {
        fill(t, {{"Теория", "3"}, {"Практика", "2"}});
        t->Edit9->setText("10 7.5  2,25");
        t->Button1Click();
    });
    const rounds::Maxima m = rounds::maxima(db(), tr(), o.fizika);
    EXPECT_EQ(m[2], Score::parse("2,25"));
    EXPECT_FALSE(m[6].has_value()) << "round 2 has none";
    EXPECT_FALSE(rounds::maxTotal(db(), tr(), o.fizika).has_value()) << "a task without a maximum: no greatest total";
    withRounds("Физика", [&](TFormTur* t) {
        EXPECT_EQ(t->Edit9->text(), "10 7,5 2,25") << "shown again as stored";
        t->Edit10->setText("5 5");
        t->Button1Click();
    });
    EXPECT_EQ(rounds::maxTotal(db(), tr(), o.fizika), Score::parse("29,75"));
}

// The window opens by itself when a subject is chosen, often while the operator types on: keys
// typed before it appeared (queued, delivered to whatever has the focus then) never reach it; keys
// typed once it is on screen do.
TEST_F(Rounds, KeysTypedBeforeTheWindowAppearedNeverReachIt) {
    pick(w->ComboBox1, "Север");
    w->Edit1->setFocus();
    const auto typedAhead = [](Qt::Key key, const QString& text) {
        QMetaObject::invokeMethod(
            qApp,
            [=] {
                if (QWidget* f = QApplication::focusWidget()) QTest::sendKeyEvent(QTest::Click, f, key, text, Qt::NoModifier);
            },
            Qt::QueuedConnection);
    };
    for (const QString& c : {"П", "ё", "т", "р"}) typedAhead(Qt::Key_unknown, c);
    typedAhead(Qt::Key_Tab, "");
    typedAhead(Qt::Key_Space, " ");
    typedAhead(Qt::Key_Return, "\r");
    withRounds("Физика", [&](TFormTur* t) {
        EXPECT_TRUE(t->isVisible());
        EXPECT_EQ(t->focusWidget(), t->Button1) << "Tab was dropped too";
        for (QLineEdit* e : {t->Edit1, t->Edit2, t->Edit5}) EXPECT_TRUE(e->text().isEmpty());
        for (const QChar c : QString("Теория")) QTest::sendKeyEvent(QTest::Click, t->Edit1, Qt::Key_unknown, QString(c), Qt::NoModifier);
        EXPECT_EQ(t->Edit1->text(), "Теория") << "once on screen it takes keys";
        QTest::keyClick(t->Edit1, Qt::Key_Escape);  // asks; Да closes
    });
    EXPECT_EQ(slots(), "") << "nothing stored";
    EXPECT_TRUE(w->Edit1->text().isEmpty()) << "nor typed into the registration behind it";

    // Esc with nothing typed closes it at once; Esc after typing asks first and keeps the typing on No.
    msg::clearShown();
    withRounds("Физика", [](TFormTur* t) { QTest::keyClick(t, Qt::Key_Escape); });
    EXPECT_TRUE(msg::shown().isEmpty());
    withRounds("Физика", [](TFormTur* t) {
        QTest::keyClicks(t->Edit9, "10 10");
        msg::setNextAnswer(false);
        QTest::keyClick(t->Edit9, Qt::Key_Escape);
        EXPECT_EQ(msg::shownTexts(), QStringList{kUnsaved});
        EXPECT_TRUE(t->isVisible());
        EXPECT_EQ(t->Edit9->text(), "10 10");
        msg::setNextAnswer(true);
        QTest::keyClick(t->Edit9, Qt::Key_Escape);
        EXPECT_FALSE(t->isVisible());
    });
    EXPECT_EQ(slots(), "");
}

// Fewer tasks, or a round emptied, where participants hold scores in the tasks that go: a maximum
// below a score is refused, each round losing scores asks first (No stores nothing), and Yes
// empties those tasks, writes the scores to the history as removed, and makes the sums and places
// of the subject follow, all in one action.
TEST_F(Rounds, TasksThatGoWithScoresAreAskedAboutAndTheSumsFollow) {
    rounds::save(db(), tr(), o.fizika, {{{"Теория", "3"}, {"Практика", "2"}, {}, {}}});
    const QList<int> kids = o.enrol(db(), tr(), o.fizika, o.k9, {"Альфа", "Бета", "Гамма"});
    scores::Shown typedZero{};
    typedZero[2] = true;
    storeScores(db(), tr(), kids[0], o.fizika, o.k9, {{1, "5"}, {3, "2"}, {7, "1"}});  // 8
    storeScores(db(), tr(), kids[1], o.fizika, o.k9, {{1, "4"}}, typedZero);          // 4, task 3 a typed 0
    storeScores(db(), tr(), kids[2], o.fizika, o.k9, {{2, "1"}, {7, "9"}});           // 10
    awards::give(db(), tr(), kids[2], 1);          // given on the totals that are about to change
    tr().commitRetaining();
    const QString before = text("SELECT CAST(LIST(BAL03 || '/' || SUMM || '/' || MESTO, ' ') AS VARCHAR(200)) FROM BAL");
    const QString going = "У участников (1) есть баллы по задачам, которых не станет: тур 1, задачи 3–3. Удалить эти баллы?";
    withRounds("Физика", [&](TFormTur* t) {
        fill(t, {{"Теория", "2"}, {"Практика", "2"}});
        t->Edit9->setText("4 10");
        t->Button1Click();
        EXPECT_EQ(msg::shownTexts(), QStringList{"Тур1, задача 1: у участников (1) балл больше нового наибольшего (4). "
                                                 "Исправьте баллы или наибольший балл."});
        EXPECT_EQ(t->focusWidget(), t->Edit9);
        t->Edit9->clear();
        msg::clearShown();
        msg::setNextAnswer(false);
        t->Button1Click();
        EXPECT_EQ(msg::shownTexts(), QStringList{going});
        EXPECT_TRUE(t->isVisible()) << "No stores nothing";
        EXPECT_EQ(t->focusWidget(), t->Edit5);
        t->Edit2->clear();  // and round 2 goes as well
        msg::clearShown();
        t->Button1Click();
        EXPECT_EQ(msg::shownTexts(),
                  QStringList({going, "У участников (2) есть баллы по задачам, которых не станет: тур 2, задачи 1–2. Удалить эти баллы?",
                               awards::kDegreesOnOldTotals}));
        EXPECT_FALSE(t->isVisible());
    });
    EXPECT_NE(before, text("SELECT CAST(LIST(BAL03 || '/' || SUMM || '/' || MESTO, ' ') AS VARCHAR(200)) FROM BAL"));
    EXPECT_EQ(slots(), "1:1:Теория:2 2:0::0 3:0::0 4:0::0");
    QStringList rows;
    for (int child : kids)
        rows << text(QString("SELECT COALESCE(BAL03, '-') || '/' || COALESCE(BAL07, '-') || '/' || B1 || '/' || B2 || '/' || SUMM "
                             "|| '/' || MESTO FROM BAL WHERE ID_CHILD = %1").arg(child));
    EXPECT_EQ(rows, QStringList({"-/-/5.00/0.00/5.00/1", "-/-/4.00/0.00/4.00/2", "-/-/1.00/0.00/1.00/3"}));
    EXPECT_EQ(text("SELECT CAST(LIST(L.SLOT || ':' || L.OLD_BAL, ' ') AS VARCHAR(200)) FROM (SELECT * FROM BAL_LOG WHERE "
                   "NEW_BAL IS NULL ORDER BY ID_CHILD, SLOT) L"),
              "3:2.00 7:1.00 3:0.00 7:9.00") << "the scores removed, the typed 0 too; zeros never typed are not history";
}

}  // namespace
