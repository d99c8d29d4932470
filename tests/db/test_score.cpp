// Scores are exact hundredths: parsing typed text and showing the shortest form.

#include "Convert.h"
#include "DbError.h"
#include "Score.h"
#include "fixtures/QtPrinters.h"
#include "fixtures/Thrown.h"

#include <gtest/gtest.h>

namespace {

const QLocale ru(QLocale::Russian, QLocale::Russia);
const QLocale en(QLocale::English, QLocale::UnitedStates);

std::int64_t h(const QString& s, const QLocale& l = ru) { return Score::parse(s, l).hundredths(); }

// Typed text, its hundredths, and how they are shown again (the shortest form, the locale's separator).
TEST(ScoreTest, ParsesBothSeparatorsShowsTheShortestFormAndRefusesTheRest) {
    const struct {
        const char* typed;
        std::int64_t hundredths;
        const char* shown;
    } cases[] = {{"7.5", 750, "7,5"}, {"7,25", 725, "7,25"}, {" 10 ", 1000, "10"}, {"7,05", 705, "7,05"},
                 {",5", 50, "0,5"}, {"5,", 500, "5"},  {"0,05", 5, "0,05"},  {"-1,5", -150, "-1,5"},
                 {"", 0, "0"},      {"9999999,99", 999999999, "9999999,99"}};
    for (const auto& c : cases) {
        EXPECT_EQ(h(c.typed), c.hundredths) << c.typed;
        EXPECT_EQ(Score::fromHundredths(c.hundredths).toString(ru), c.shown) << c.typed;
    }
    EXPECT_EQ(h("7.5", en), 750);
    EXPECT_EQ(h("7,25", en), 725);
    EXPECT_EQ(Score::fromHundredths(750).toString(en), "7.5");
    EXPECT_EQ(Score().toString(ru), "0");
    // What is not a score is refused, naming the text.
    for (const char* text : {"7,555", "1,2,3", "12а", "abc", ",", "-", "1 5", "7.5.", "10000000", "99999999999999"}) {
        const QString bad = QString::fromUtf8(text), said = thrownText<ConversionError>([&] { Score::parse(bad, ru); });
        EXPECT_TRUE(said.contains(u'"' + bad + u'"')) << "accepted or not named: " << text;
    }
}

TEST(ScoreTest, SumsAreExact) {
    Score s;
    for (int i = 0; i < 1000; ++i) s += Score::parse("0,01", ru);
    EXPECT_EQ(s, Score::parse("10", ru));
    EXPECT_EQ((Score::parse("0,1", ru) + Score::parse("0,2", ru)), Score::parse("0,3", ru));
}

}  // namespace
