// The rounds window: four slots stored together, shown again as stored.

#include "fixtures/Olympiad.h"
#include "fixtures/WindowTest.h"
#include "participants/UEnterSpisok.h"
#include "reference/UTur.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

class Rounds : public EnterSpisokTest {
protected:
    // Picks the subject; `act` works in the rounds window that opens.
    void withRounds(const QString& subject, std::function<void(TFormTur*)> act) {
        pick(w->ComboBox1, "Север");
        bool ran = false;
        onNextModal([&](QWidget* m) {
            auto* t = qobject_cast<TFormTur*>(m);
            ASSERT_NE(t, nullptr);
            ran = true;
            act(t);
            if (t->isVisible()) t->close();
        });
        w->ComboBox2->setCurrentIndex(w->ComboBox2->findText(subject));
        Q_EMIT w->ComboBox2->textActivated(subject);
        EXPECT_TRUE(ran);
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

TEST_F(Rounds, FirstSaveStoresAllFourSlots) {
    withRounds("Физика", [](TFormTur* t) {
        for (QLineEdit* e : {t->Edit1, t->Edit2, t->Edit3, t->Edit4, t->Edit5, t->Edit6, t->Edit7, t->Edit8})
            EXPECT_TRUE(e->text().isEmpty());
        t->Edit1->setText("Теория");
        t->Edit5->setText("4");
        t->Edit2->setText("Эксперимент");
        t->Edit6->setText(" 2 ");
        t->Edit7->setText("5");  // no name: the count is ignored
        QTest::mouseClick(t->Button1, Qt::LeftButton);
        EXPECT_FALSE(t->isVisible());
    });
    EXPECT_EQ(slots(), "1:1:Теория:4 2:2:Эксперимент:2 3:0::0 4:0::0");
    EXPECT_TRUE(msg::shown().isEmpty());
}

TEST_F(Rounds, ASecondSaveUpdatesInPlaceAndClearsAnEmptiedSlot) {
    withRounds("Физика", [](TFormTur* t) {
        t->Edit1->setText("Теория");
        t->Edit5->setText("4");
        t->Edit2->setText("Эксперимент");
        t->Edit6->setText("2");
        t->Button1Click();
    });
    withRounds("Физика", [](TFormTur* t) {
        EXPECT_EQ(t->Edit2->text(), "Эксперимент");
        EXPECT_EQ(t->Edit6->text(), "2");
        EXPECT_EQ(t->Edit3->text(), "");
        EXPECT_EQ(t->Edit7->text(), "0") << "a stored empty slot shows the count 0";
        t->Edit2->setText("   ");
        t->Edit4->setText("Устный");
        t->Edit8->setText("6");
        t->Button1Click();
    });
    EXPECT_EQ(slots(), "1:1:Теория:4 2:0::0 3:0::0 4:4:Устный:6");
}

TEST_F(Rounds, TaskCountsOutsideOneToSixAreRefusedNamingTheSlot) {
    for (const char* count : {"7", "0", "", "два", "1,5"}) {
        msg::clearShown();
        withRounds("Физика", [&](TFormTur* t) {
            t->Edit1->setText("Теория");
            t->Edit5->setText("3");
            t->Edit2->setText("Практика");
            t->Edit6->setText(QString::fromUtf8(count));
            t->Button1Click();
            EXPECT_TRUE(t->isVisible()) << "the window stays open to correct the count";
        });
        ASSERT_EQ(msg::shown().size(), 1);
        EXPECT_TRUE(msg::shown()[0].text.startsWith("Тур2:")) << msg::shown()[0].text.toStdString();
        EXPECT_TRUE(msg::shown()[0].text.contains("(не более 6)") || msg::shown()[0].text.contains("от 1 до 6"));
        EXPECT_EQ(slots(), "") << "nothing is written, not even the valid first slot";
    }
}

TEST_F(Rounds, EachSubjectHasItsOwnRounds) {
    withRounds("Физика", [](TFormTur* t) {
        t->Edit1->setText("Теория");
        t->Edit5->setText("4");
        t->Button1Click();
    });
    withRounds("Химия", [](TFormTur* t) {
        EXPECT_TRUE(t->Edit1->text().isEmpty());
        t->close();
    });
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM TUR WHERE ID_PREDMET = " + QString::number(o.khimiya)), 0)
        << "closing the window stores nothing";
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM TUR"), 4);
}

}  // namespace
