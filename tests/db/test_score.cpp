// Scores are exact hundredths: parsing typed text and showing the shortest form.

#include "Convert.h"
#include "DbError.h"
#include "Score.h"
#include "fixtures/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

const QLocale ru(QLocale::Russian, QLocale::Russia);
const QLocale en(QLocale::English, QLocale::UnitedStates);

std::int64_t h(const QString& s, const QLocale& l = ru) { return Score::parse(s, l).hundredths(); }

TEST(ScoreTest, ParsesBothSeparatorsAndTheLocales) {
    EXPECT_EQ(h("7,5"), 750);
    EXPECT_EQ(h("7.5"), 750);
    EXPECT_EQ(h("7.5", en), 750);
    EXPECT_EQ(h("7,25", en), 725);
    EXPECT_EQ(h(" 10 "), 1000);
    EXPECT_EQ(h("0,05"), 5);
    EXPECT_EQ(h(",5"), 50);
    EXPECT_EQ(h("5,"), 500);
    EXPECT_EQ(h("-1,5"), -150);
    EXPECT_EQ(h(""), 0);
    EXPECT_EQ(h("9999999,99"), 999999999);
}

TEST(ScoreTest, RefusesWhatIsNotAScoreNamingTheText) {
    for (const char* text : {"7,555", "1,2,3", "12а", "abc", ",", "-", "1 5", "7.5.", "10000000", "99999999999999"}) {
        const QString bad = QString::fromUtf8(text);
        try {
            Score::parse(bad, ru);
            ADD_FAILURE() << "accepted " << bad.toStdString();
        } catch (const ConversionError& e) {
            EXPECT_TRUE(e.text().contains(u'"' + bad + u'"')) << e.text().toStdString();
        }
    }
}

TEST(ScoreTest, ShortestDisplayWithTheLocaleSeparator) {
    EXPECT_EQ(Score::fromHundredths(750).toString(ru), "7,5");
    EXPECT_EQ(Score::fromHundredths(750).toString(en), "7.5");
    EXPECT_EQ(Score::fromHundredths(725).toString(ru), "7,25");
    EXPECT_EQ(Score::fromHundredths(705).toString(ru), "7,05");
    EXPECT_EQ(Score::fromHundredths(700).toString(ru), "7");
    EXPECT_EQ(Score::fromHundredths(5).toString(ru), "0,05");
    EXPECT_EQ(Score::fromHundredths(-150).toString(ru), "-1,5");
    EXPECT_EQ(Score().toString(ru), "0");
}

TEST(ScoreTest, SumsAreExact) {
    Score s;
    for (int i = 0; i < 1000; ++i) s += Score::parse("0,01", ru);
    EXPECT_EQ(s, Score::parse("10", ru));
    EXPECT_EQ((Score::parse("0,1", ru) + Score::parse("0,2", ru)), Score::parse("0,3", ru));
}

}  // namespace
