// Cipher codes: entry down a list by group or for the whole grade, and corrections.

#include "Atomic.h"
#include "DbError.h"
#include "fixtures/FailingWrite.h"
#include "fixtures/Olympiad.h"
#include "reference/Rounds.h"
#include "fixtures/WindowTest.h"
#include "participants/Ciphers.h"
#include "participants/Groups.h"
#include "participants/UEditShifr.h"
#include "participants/UGenShifr.h"
#include "participants/UShifr.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <thread>

namespace {

class Ciphers : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        o = Olympiad::seed(db(), tr());
        // Registered in this order: Борисов is first in surname order but not in group 2's.
        children = o.enrol(db(), tr(), o.fizika, o.k9, {"Яковлев", "Борисов", "Волков", "Абрамов"});
        // Group 1: Яковлев, Борисов; group 2: Волков, Абрамов... listed by surname: Абрамов, Волков.
        groups::distribute(db(), tr(), "Физика", o.fizika, o.k9, {{"", 2}, {"", 2}});
        rounds::save(db(), tr(), o.fizika, {{{"Теория", "3"}, {"Практика", "2"}, {}, {}}});
        tr().commitRetaining();
        w = showTested(new TFormShifr(nullptr));
        pick(w->ComboBox1, "Физика");
        pick(w->ComboBox2, "9");
        TFormGenShifr::seed = [] { return 16u; };
    }
    void enter(const QString& code) {
        w->Edit1->setText(code);
        pressEnter(w->Edit1);
    }
    QString cipher(int child, int round) {
        return text(QString("SELECT SHIFR FROM SHIFR WHERE ID_CHILD = %1 AND ID_TUR = %2").arg(child).arg(round));
    }
    void store(int child, int round, const QString& code) { ciphers::store(db(), tr(), child, o.fizika, o.k9, round, code); }
    // Ctrl+G in the list, then `act` in the generation dialog.
    void generate(const std::function<void(TFormGenShifr*)>& act) {
        expectModal([&] { QTest::keyClick(w->DBGrid1, Qt::Key_G, Qt::ControlModifier); },
                    [&](QWidget* m) { act(qobject_cast<TFormGenShifr*>(m)); });
    }
    static void fill(TFormGenShifr* g, const QString& prefix, const QString& digits) {
        g->Edit1->setText(prefix);
        g->Edit2->setText(digits);
    }
    // The codes of the round by participant: as stored, and as the list shows them.
    QMap<int, QString> stored(int round) {
        Query q(db(), tr(), {"SELECT ID_CHILD, SHIFR FROM SHIFR WHERE ID_TUR = :T"});
        q.setInt("T", round);
        QMap<int, QString> m;
        for (q.open(); !q.eof(); q.next()) m[int(q.fieldInt("ID_CHILD"))] = q.fieldText("SHIFR");
        return m;
    }
    QMap<int, QString> listed() {
        QMap<int, QString> m;
        for (int r = 0; r < w->DBGrid1->rowCount(); ++r) m[w->DBGrid1->value(r, "ID_CHILD").toInt()] = w->DBGrid1->value(r, "SHIFR");
        return m;
    }
    Olympiad o;
    QList<int> children;
    TFormShifr* w = nullptr;
};

TEST_F(Ciphers, CodesAreEnteredDownTheListReplacedSkippedOrRefused) {
    EXPECT_EQ(items(w->ComboBox3), QStringList({"1", "2", "Все"}));
    exec("UPDATE SPISOK SET SCHOOL = 'Лицей №2' WHERE SURNAME = 'Абрамов'");
    pick(w->ComboBox3, "2");
    ASSERT_EQ(w->DBGrid1->rowCount(), 2);
    EXPECT_EQ(w->DBGrid1->value("SURNAME"), "Абрамов");
    EXPECT_EQ(w->DBGrid1->value("SCHOOL"), "Лицей №2") << "the school tells namesakes apart";

    enter("A-1");
    EXPECT_EQ(msg::shownTexts(), QStringList{"Выберите тур"});
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SHIFR"), 0);

    msg::clearShown();
    pressEnter(w->RadioButton2);  // chooses the round, and stores nothing
    EXPECT_EQ(w->round(), 2);
    EXPECT_TRUE(msg::shown().isEmpty());
    enter("  A-1 ");
    EXPECT_EQ(cipher(children[3], 2), "A-1") << "the group's first by surname, without the blanks";
    EXPECT_EQ(w->DBGrid1->value("SURNAME"), "Волков") << "moved on to the next participant";
    EXPECT_TRUE(w->Edit1->text().isEmpty());

    enter("123456789012345");  // 15 characters: stored
    EXPECT_EQ(cipher(children[2], 2), "123456789012345");
    EXPECT_EQ(w->DBGrid1->currentRow(), 1) << "on the last participant the selection stays";
    EXPECT_EQ(w->Edit1->text(), "123456789012345") << "and shows the code just stored";

    enter("1234567890123456");  // 16 characters: refused
    EXPECT_EQ(msg::shownTexts(), QStringList{"Число символов не должно превышать 15!\n\rПовторите ввод!"});
    EXPECT_EQ(cipher(children[2], 2), "123456789012345");
    EXPECT_EQ(msg::shown()[0].kind, msg::Kind::Error);

    // Entered again: a code replaces the round's own, an empty one skips, a taken one is refused.
    msg::clearShown();
    pick(w->ComboBox3, "Все");
    ASSERT_EQ(w->DBGrid1->rowCount(), 4);
    QTest::mouseClick(w->RadioButton1, Qt::LeftButton);
    enter("К1");  // Абрамов
    enter("К2");  // Борисов
    QTest::mouseClick(w->RadioButton2, Qt::LeftButton);
    w->DBGrid1->setCurrentRow(0);
    enter("К1");  // the same code in another round is another work
    EXPECT_EQ(cipher(children[3], 2), "К1");

    QTest::mouseClick(w->RadioButton1, Qt::LeftButton);
    w->DBGrid1->setCurrentRow(0);
    w->DBGrid1CellClick();
    EXPECT_EQ(w->Edit1->text(), "К1") << "the stored code of the round is shown";
    enter("К9");  // replaces, one row
    EXPECT_EQ(scalar(QString("SELECT COUNT(*) FROM SHIFR WHERE ID_CHILD = %1").arg(children[3])), 2);
    EXPECT_EQ(cipher(children[3], 1), "К9");
    EXPECT_EQ(cipher(children[3], 2), "К1") << "the other round is untouched";

    enter("");  // Борисов: skipped, his code stays
    EXPECT_EQ(cipher(children[1], 1), "К2");
    EXPECT_EQ(w->DBGrid1->value("SURNAME"), "Волков");

    enter("k9");  // Абрамов's code of round 1, in Latin small letters: it reads the same on paper
    EXPECT_EQ(msg::shownTexts(), QStringList{"Такой шифр уже есть у другого участника!\n\rПовторите ввод!"});
    EXPECT_TRUE(cipher(children[2], 1).isEmpty());
    EXPECT_EQ(w->DBGrid1->value("SURNAME"), "Волков") << "the list waits for another code";

    // The database refuses it too, should another station get past the check.
    EXPECT_THROW(exec(QString("INSERT INTO SHIFR (ID_CHILD, ID_PREDMET, ID_TUR, KLASS, SHIFR) VALUES (%1, %2, 1, %3, 'К9')")
                          .arg(children[2]).arg(o.fizika).arg(o.k9)),
                 DbError);
    tr().rollbackRetaining();
}

// A chooser retyped to a text that names nothing empties what depends on it, and the generation
// refuses rather than give codes to the list that was shown before. Tab follows the layout; a code
// typed before the round is chosen stays.
// Nothing is written without a participant; a grade without groups offers only "Все".
TEST_F(Ciphers, WhatTheScreenShowsIsWhatTheActionsDo) {
    QTest::mouseClick(w->RadioButton1, Qt::LeftButton);
    enter("К1");
    EXPECT_EQ(msg::shownTexts(), QStringList{"Выберите участника"});
    o.enrol(db(), tr(), o.fizika, o.k10, {"Десятый"});
    pick(w->ComboBox1, "Физика");
    pick(w->ComboBox2, "10");
    EXPECT_EQ(items(w->ComboBox3), QStringList{"Все"});
    msg::clearShown();
    pick(w->ComboBox2, "9");
    pick(w->ComboBox3, "Все");
    ASSERT_EQ(w->DBGrid1->rowCount(), 4);
    typeInto(w->ComboBox2, "99");
    QTest::keyClick(w->ComboBox2, Qt::Key_Return);
    EXPECT_EQ(w->ComboBox3->count(), 0);
    EXPECT_EQ(w->DBGrid1->rowCount(), 0);
    QTest::mouseClick(w->RadioButton1, Qt::LeftButton);
    QTest::keyClick(w->Edit1, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(msg::shownTexts(), QStringList{"Выберите предмет, класс и группу"});
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SHIFR"), 0);

    // Retyped without confirming (the cursor still in the box): the list shown is not the one asked.
    msg::clearShown();
    pick(w->ComboBox2, "9");
    pick(w->ComboBox3, "Все");
    typeInto(w->ComboBox3, "1");
    QTest::keyClick(w->ComboBox3, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(msg::shownTexts(), QStringList{"Выберите предмет, класс и группу"});
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SHIFR"), 0);

    pick(w->ComboBox3, "Все");
    QWidget* order[] = {w->ComboBox1, w->ComboBox2, w->ComboBox3, w->RadioButton1, w->DBGrid1, w->Edit1,
                        w->Button1,   w->Button2,   w->Button3};
    w->ComboBox1->setFocus();
    for (size_t i = 1; i < std::size(order); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), order[i]) << "Tab " << i;
    }
    QTest::mouseClick(w->RadioButton2, Qt::LeftButton);
    w->ComboBox1->setFocus();
    QTest::keyClick(w->ComboBox1, Qt::Key_Tab);
    QTest::keyClick(w->ComboBox2, Qt::Key_Tab);
    QTest::keyClick(w->ComboBox3, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w->RadioButton2) << "the round chosen, right after the choosers";

    w->Edit1->setFocus();
    QTest::keyClicks(w->Edit1, "B-7");
    QTest::mouseClick(w->RadioButton1, Qt::LeftButton);
    EXPECT_EQ(w->Edit1->text(), "B-7") << "choosing the round keeps the code typed";
}

// A code is taken when another participant of the same subject, grade and round holds it or one
// that reads the same on paper (Ё as Е, capitals, Latin look-alikes); another grade may have it.
// Two stations typing look-alike codes at once: the second waits for the first, then is refused.
TEST_F(Ciphers, ATakenCodeIsOneOfTheSameGradeThatReadsTheSame) {
    store(children[0], 1, "Ё1");
    tr().commitRetaining();
    const int tenth = o.enrol(db(), tr(), o.fizika, o.k10, {"Десятов"}).first();
    EXPECT_EQ(ciphers::refusal(db(), tr(), o.fizika, o.k9, 1, "е1", children[1]), ciphers::kTaken);
    EXPECT_EQ(ciphers::refusal(db(), tr(), o.fizika, o.k9, 1, "Ё1", children[0]), "") << "his own";
    EXPECT_EQ(ciphers::refusal(db(), tr(), o.fizika, o.k10, 1, "Ё1", tenth), "") << "another grade";
    EXPECT_EQ(ciphers::refusal(db(), tr(), o.fizika, o.k9, 2, "Ё1", children[1]), "") << "another round";
    // Every Latin letter that looks like a Cyrillic one on paper reads as that one, and only as it.
    const QString latin = "ABCEHKMOPTXYabcehkmoptxy", cyrillic = "АВСЕНКМОРТХУавсенкмортху";
    for (qsizetype i = 0; i < latin.size(); ++i) {
        EXPECT_EQ(ciphers::lookalike(latin.mid(i, 1)), ciphers::lookalike(cyrillic.mid(i, 1))) << latin.mid(i, 1).toStdString();
    }

    OtherStation station(db().databaseName);
    const auto write = [&](Database& d, Transaction& t, int child, const QString& code) {
        return ciphers::writeChecked(d, t, o.fizika, o.k9, 2, code, child,
                                     [&] { ciphers::store(d, t, child, o.fizika, o.k9, 2, code); });
    };
    EXPECT_EQ(write(station.db, station.tr, children[2], "А7"), "");  // Cyrillic А, not committed yet
    QString refused = "-";
    std::thread here([&] {
        atomically(tr(), [&] { refused = write(db(), tr(), children[3], "a7"); });  // Latin, waits
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    station.tr.commit();
    here.join();
    EXPECT_EQ(refused, ciphers::kTaken);
    EXPECT_EQ(cipher(children[3], 2), "");
}

// Corrections are stored at once, each as one action: another station sees them immediately.
TEST_F(Ciphers, CorrectionsAreStoredAtOnceAndTheEntryWindowClosesWithThem) {
    pick(w->ComboBox3, "Все");
    QTest::mouseClick(w->RadioButton1, Qt::LeftButton);
    enter("К1");
    enter("К2");
    OtherStation station(db().databaseName);
    Query seen(station.db, station.tr, {"SELECT CAST(LIST(SHIFR || ':' || ID_TUR) AS VARCHAR(100)) AS L FROM SHIFR WHERE ID_CHILD = :C"});
    seen.setInt("C", children[3]);

    expectModal([&] { QTest::mouseClick(w->Button2, Qt::LeftButton); },
                [&](QWidget* m) {
                    auto* e = qobject_cast<TFormEditShifr*>(m);
                    ASSERT_NE(e, nullptr);
                    EXPECT_EQ(e->windowTitle(), "Редактирование шифра");
                    pick(e->ComboBox1, "Физика");
                    pick(e->ComboBox2, "9");
                    ASSERT_EQ(e->DBGrid1->value("SURNAME"), "Абрамов");
                    ASSERT_EQ(e->DBGrid2->rowCount(), 1);
                    typeIntoCell(e->DBGrid2, 0, 0, "Н7");
                    seen.open();
                    EXPECT_EQ(seen.fieldText("L"), "Н7:1");
                    typeIntoCell(e->DBGrid2, 0, 1, "3");
                    typeIntoCell(e->DBGrid2, 0, 0, "К2");  // Борисов's code of round 1 is free in round 3
                    seen.open();
                    EXPECT_EQ(seen.fieldText("L"), "К2:3");

                    for (const char* round : {"5", "два"}) typeIntoCell(e->DBGrid2, 0, 1, round);
                    EXPECT_EQ(msg::shownTexts(), QStringList({"Номер тура должен быть от 1 до 4!\n\rПовторите ввод!",
                                                              "Номер тура должен быть от 1 до 4!\n\rПовторите ввод!"}));
                    EXPECT_EQ(e->DBGrid2->value(0, "ID_TUR"), "3") << "the stored round is shown again";

                    e->DBNavigator2->press(TDBNavigator::Delete);
                    seen.open();
                    EXPECT_TRUE(seen.fieldIsNull("L"));
                    EXPECT_EQ(e->DBGrid2->rowCount(), 0);
                });
    EXPECT_FALSE(w->isVisible()) << "the entry window closes with the editing window";
}

// Generation: a whole grade gets random codes of the typed form with one key; a wrong form is
// refused before anything is written; a second run finds nobody without a code.
TEST_F(Ciphers, GenerationGivesRandomCodesOfTheFormToThoseWithout) {
    QStringList more;
    for (char16_t c = u'А'; c < u'А' + 16; ++c) more << QStringLiteral("Петров") + QChar(c);
    o.enrol(db(), tr(), o.fizika, o.k9, more);
    store(children[1], 1, "9-777");  // Борисов's stays
    tr().commitRetaining();
    pick(w->ComboBox3, "Все");
    w->Button3Click();
    EXPECT_EQ(msg::shownTexts(), QStringList{"Выберите тур"});
    // Codes for a round the subject has not could never be printed: refused at once.
    QTest::mouseClick(w->RadioButton3, Qt::LeftButton);
    QTest::keyClick(w->DBGrid1, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(msg::shownTexts().last(), "У предмета «Физика» нет 3-го тура!\n\rЗадайте туры предмета в окне «Тур».");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SHIFR"), 1);
    msg::clearShown();
    QTest::mouseClick(w->RadioButton1, Qt::LeftButton);
    generate([&](TFormGenShifr* g) {
        EXPECT_EQ(g->Label1->text() + " " + g->Edit1->text() + g->Edit2->text(),
                  "Физика, класс 9, 1-й тур, все группы (участников: 20) 9-3");
        const QString digits = "Число цифр должно быть от 1 до 9!\n\rПовторите ввод!";
        const std::tuple<QString, QString, QString> bad[] = {
            {"  ", "3", "Введите начало шифра!"}, {"9-", "0", digits}, {"9-", "три", digits}, {"9-", "10", digits},
            {"1234567890123", "3", "Число символов не должно превышать 15!"}, {"☺-", "3", "Символ «☺»"}};
        for (const auto& [prefix, n, said] : bad) {
            msg::clearShown();
            fill(g, prefix, n);
            pressEnter(g->Edit2);
            ASSERT_EQ(msg::shown().size(), 1);
            EXPECT_TRUE(msg::shown()[0].text.startsWith(said)) << msg::shown()[0].text.toStdString();
        }
        EXPECT_EQ(scalar("SELECT COUNT(*) FROM SHIFR"), 1) << "a wrong form writes nothing";
        msg::clearShown();
        fill(g, " 9- ", "3");
        pressEnter(g->Edit2);
    });
    EXPECT_EQ(msg::shownTexts(), QStringList{"Сгенерировано шифров: 19."});
    const QMap<int, QString> codes = stored(1);
    EXPECT_EQ(listed(), codes) << "the list shows every participant's code";
    EXPECT_EQ(codes[children[1]], "9-777");
    EXPECT_EQ(QSet<QString>(codes.begin(), codes.end()).size(), 20);
    QStringList inListOrder;  // the new codes, by surname
    for (int r = 0; r < w->DBGrid1->rowCount(); ++r)
        if (w->DBGrid1->value(r, "SHIFR") != "9-777") inListOrder << w->DBGrid1->value(r, "SHIFR");
    for (const QString& c : inListOrder) EXPECT_TRUE(QRegularExpression("^9-[0-9]{3}$").match(c).hasMatch()) << c.toStdString();
    QStringList sorted = inListOrder;
    sorted.sort();
    EXPECT_NE(inListOrder, sorted) << "the codes do not follow the surnames";

    msg::clearShown();
    generate([&](TFormGenShifr* g) {
        pressEnter(g->Button1);
        QTest::keyClick(g, Qt::Key_Escape);
        EXPECT_FALSE(g->isVisible());
    });
    EXPECT_EQ(msg::shownTexts(), QStringList{"У всех участников списка уже есть шифры на этот тур."});
    EXPECT_EQ(stored(1), codes);
}

TEST_F(Ciphers, ReplacingAsksAndChangesExactlyTheSelection) {
    const QList<int> extra = o.enrol(db(), tr(), o.fizika, o.k9, {"Х1", "Х2", "Х3", "Х4"});
    for (int i = 0; i < 4; ++i) {
        store(children[i], 1, QString("9-%1").arg(1 + i));
        store(extra[i], 1, QString("9-%1").arg(5 + i));
    }
    tr().commitRetaining();
    pick(w->ComboBox3, "2");  // Абрамов and Волков
    QTest::mouseClick(w->RadioButton1, Qt::LeftButton);
    generate([&](TFormGenShifr* g) {
        fill(g, "9-", "1");
        msg::setNextAnswer(false);
        pressEnter(g->RadioButton2);  // chooses it and generates, as "Сгенерировать" does
        EXPECT_TRUE(g->RadioButton2->isChecked());
        EXPECT_EQ(msg::shownTexts(), QStringList{"Заменить шифры на 1-й тур новыми?\nИзменится шифров: 2."});
        EXPECT_EQ(cipher(children[3], 1), "9-4") << "No changes nothing";
        msg::setNextAnswer(true);
        pressEnter(g->Button1);
    });
    EXPECT_EQ(cipher(children[0], 1) + cipher(children[1], 1), "9-19-2") << "group 1 keeps its codes";
    EXPECT_EQ(QSet<QString>({cipher(children[2], 1), cipher(children[3], 1)}), QSet<QString>({"9-0", "9-9"}))
        << "the two free codes: an old code is never given again";
}

// Codes of the form that are held in the round, or by the participant in another round (also in
// lookalike letters), are never given; a form with too few free codes writes nothing.
TEST_F(Ciphers, TakenAndOwnCodesAreAvoidedAndATooSmallFormWritesNothing) {
    const QList<int> extra = o.enrol(db(), tr(), o.fizika, o.k9, {"Х1", "Х2", "Х3", "Х4", "Х5", "Х6"});
    const char* taken[] = {"K0", "К1", "К2", "К3", "К4", "К5", "К6", "К7"};  // K0 in Latin
    for (int i = 0; i < 8; ++i) store(i < 6 ? extra[i] : children[i - 6], 2, taken[i]);  // and group 1
    store(children[3], 1, "k8");  // Абрамов's code of round 1, in Latin
    tr().commitRetaining();
    // Only К8 and К9 are free in round 2, and Абрамов may not have К8: whoever draws first, he gets К9.
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        std::mt19937 rng(seed);
        ciphers::generate(db(), tr(), {o.fizika, o.k9, 2, {children[2], children[3]}}, {"К", 1}, false, rng);
        EXPECT_EQ(cipher(children[3], 2) + cipher(children[2], 2), "К9К8") << "seed " << seed;
        tr().rollbackRetaining();
    }

    pick(w->ComboBox3, "Все");
    QTest::mouseClick(w->RadioButton2, Qt::LeftButton);
    const QMap<int, QString> before = stored(2);
    generate([&](TFormGenShifr* g) {
        fill(g, "К", "1");
        QTest::mouseClick(g->RadioButton2, Qt::LeftButton);
        pressEnter(g->Edit1);
        EXPECT_EQ(msg::shownTexts(), QStringList({"Шифров такого вида не хватит: нужно 10, свободно 2.\n\rУвеличьте число цифр!"}))
            << "what cannot be done is said before replacing is asked";
        EXPECT_TRUE(g->isVisible());
    });
    EXPECT_EQ(stored(2), before);
}

// A nearly full form: the last free codes are someone's own of another round, so they must be
// passed along a chain of participants; a code is found for everyone whatever the draw.
TEST_F(Ciphers, ANearlyFullFormIsGivenOutWheneverItCanBe) {
    const QList<int> others = o.enrol(db(), tr(), o.fizika, o.k9, {"Н3", "Н4", "Н5", "Н6", "Н7", "Н8", "Н9"});
    for (int d = 3; d <= 9; ++d) store(others[d - 3], 2, QString("Z%1").arg(d));  // only Z0, Z1, Z2 are free
    const QList<int> abc = {children[1], children[2], children[3]};
    store(abc[0], 1, "Z1");
    store(abc[1], 1, "Z2");
    store(abc[2], 1, "Z0");
    store(abc[2], 3, "Z1");  // the third may only have Z2, the first then Z0, the second Z1
    tr().commitRetaining();
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        std::mt19937 rng(seed);
        const ciphers::Generation g = ciphers::generate(db(), tr(), {o.fizika, o.k9, 2, abc}, {"Z", 1}, false, rng);
        ASSERT_TRUE(g.written) << "seed " << seed;
        EXPECT_EQ(QSet<QString>({cipher(abc[0], 2), cipher(abc[1], 2), cipher(abc[2], 2)}), QSet<QString>({"Z0", "Z1", "Z2"}));
        EXPECT_NE(cipher(abc[0], 2), "Z1");
        EXPECT_NE(cipher(abc[2], 2), "Z0");
        tr().rollbackRetaining();
    }
}

TEST_F(Ciphers, AFailurePartWayLeavesTheOldCodes) {
    store(children[3], 1, "A1");  // Абрамов and Борисов come first in the list
    store(children[1], 1, "A2");
    tr().commitRetaining();
    FailingWrite failing(db(), tr(), "SHIFR", "INSERT", QString("NEW.ID_CHILD = %1").arg(children[0]));  // Яковлев, last
    pick(w->ComboBox3, "Все");
    QTest::mouseClick(w->RadioButton1, Qt::LeftButton);
    generate([&](TFormGenShifr* g) {
        QTest::mouseClick(g->RadioButton2, Qt::LeftButton);
        pressEnter(g->Button1);
        EXPECT_EQ(msg::shownTexts().value(1), "не получилось");
    });
    EXPECT_EQ(stored(1), (QMap<int, QString>{{children[3], "A1"}, {children[1], "A2"}}));
}

}  // namespace
