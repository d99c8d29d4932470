// The query layer against a real database: named parameters, types, nulls, Cyrillic text,
// RETURNING, error texts, and the retaining transaction.

#include "DbError.h"
#include "Text.h"
#include "fixtures/TestDatabase.h"
#include "fixtures/Thrown.h"

#include <future>
#include <optional>

namespace {

class QueryTest : public DbTest {};

// A repeated name takes one value; an unknown or unset one is a clear error.
TEST_F(QueryTest, NamedParametersAreMatchedByName) {
    exec("INSERT INTO S_KOMAND (KOMAND) VALUES ('Север')");
    exec("INSERT INTO S_KOMAND (KOMAND) VALUES ('Юг')");
    Query q(db(), tr(), {"SELECT KOMAND FROM S_KOMAND", "WHERE KOMAND = :K OR (KOMAND > :K AND :N = 1)",
                         "ORDER BY KOMAND"});
    q.setText("K", "Север");
    q.setInt("N", 0);
    q.open();
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.fieldText("KOMAND"), "Север");
    q.setInt("n", 1);  // names are not case-sensitive; the other parameter keeps its value
    q.open();
    ASSERT_EQ(q.recordCount(), 2);
    q.last();
    EXPECT_EQ(q.fieldText("komand"), "Юг");

    // A name inside a literal or a comment is no parameter: were it taken for one, the run would ask for it.
    Query lit(db(), tr(), {"SELECT ':X' AS A, CAST(:Y AS INTEGER) AS B FROM RDB$DATABASE -- :Z", "/* :W */"});
    lit.setInt("Y", 5);
    lit.open();
    EXPECT_EQ(lit.fieldText("A") + lit.fieldText("B"), ":X5");

    Query unset(db(), tr(), {"SELECT KOMAND FROM S_KOMAND WHERE ID_KOMAND = :ID_KOMAND"});
    EXPECT_TRUE(thrownText<DbError>([&] { unset.setInt("ID_KOMANDA", 1); }).contains(":ID_KOMANDA")) << "an unknown name accepted";
    EXPECT_TRUE(thrownText<DbError>([&] { unset.open(); }).contains(":ID_KOMAND не задан")) << "ran with an unset parameter";
}

TEST_F(QueryTest, EachTypeAndNullRoundTrips) {
    exec("INSERT INTO S_KOMAND (KOMAND) VALUES ('К')");
    exec("INSERT INTO S_PREDMET (PREDMET) VALUES ('П')");
    exec("INSERT INTO S_KLASS (KLASS) VALUES ('9')");
    Query ins(db(), tr(), {"INSERT INTO SPISOK (ID_KOMAND, ID_PREDMET, KLASS, SURNAME, NAME)",
                           "SELECT ID_KOMAND, :P, :K, :S, :N FROM S_KOMAND RETURNING ID_CHILD"});
    ins.setInt("P", scalar("SELECT ID_PREDMET FROM S_PREDMET"));
    ins.setInt("K", scalar("SELECT ID_KLASS FROM S_KLASS"));
    ins.setText("S", "");
    ins.setNull("N");
    ins.execute();
    const qint64 id = ins.fieldInt("ID_CHILD");
    EXPECT_GT(id, 0);

    // Scores of the history: exact, negative, none.
    Query log(db(), tr(), {"INSERT INTO BAL_LOG (ID_CHILD, SLOT, OLD_BAL, NEW_BAL) VALUES (:ID, 1, :OLD, :NEW)"});
    log.setInt("ID", id);
    log.setScore("OLD", Score::fromHundredths(750));
    log.setScore("NEW", Score::fromHundredths(-1));
    log.execute();
    log.setNull("OLD");
    log.execute();

    Query q(db(), tr(), {"SELECT S.SURNAME, S.NAME, L.OLD_BAL, L.NEW_BAL, B.MESTO",
                         "FROM SPISOK S JOIN BAL_LOG L ON L.ID_CHILD = S.ID_CHILD LEFT JOIN BAL B ON B.ID_CHILD = S.ID_CHILD",
                         "ORDER BY L.ID_LOG"});
    q.open();
    ASSERT_EQ(q.recordCount(), 2);
    EXPECT_FALSE(q.fieldIsNull("SURNAME"));
    EXPECT_EQ(q.fieldText("SURNAME"), "");
    EXPECT_TRUE(q.fieldIsNull("NAME"));
    EXPECT_EQ(q.fieldText("NAME"), "");
    EXPECT_EQ(q.fieldScore("OLD_BAL").hundredths(), 750);
    EXPECT_EQ(q.fieldText("OLD_BAL"), QLocale().toString(7.5));
    EXPECT_EQ(q.fieldScore("NEW_BAL").hundredths(), -1);
    EXPECT_EQ(q.fieldInt("MESTO"), 0);
    q.next();
    EXPECT_TRUE(q.fieldIsNull("OLD_BAL"));
    EXPECT_EQ(q.fieldScore("OLD_BAL").hundredths(), 0);
    EXPECT_THROW(q.fieldInt("NO_SUCH"), DbError);
}

// One statement run again and again keeps its parameter description while the values fit it:
// a longer text, a null after a number, or a number after a null must each still arrive whole.
TEST_F(QueryTest, StatementRunAgainTakesEachRunsValuesWhole) {
    exec("INSERT INTO S_KOMAND (KOMAND) VALUES ('К')");
    const qint64 team = scalar("SELECT ID_KOMAND FROM S_KOMAND");
    Query ins(db(), tr(), {"INSERT INTO S_SCHOOL (ID_KOMAND, SCHOOL) VALUES (:K, :S)"});
    const QStringList names{"А", QString(300, QChar(u'Ж')), "Б", QString(80, QChar(u'Я')), "В"};
    for (int i = 0; i < names.size(); ++i) {
        if (i == 2) ins.setNull("K");
        else ins.setInt("K", team);
        ins.setText("S", names[i]);
        ins.execute();
    }
    Query q(db(), tr(), {"SELECT ID_KOMAND, SCHOOL FROM S_SCHOOL ORDER BY ID_SCHOOL"});
    q.open();
    ASSERT_EQ(q.recordCount(), names.size());
    for (int i = 0; i < names.size(); ++i, q.next()) {
        EXPECT_EQ(q.fieldText("school"), names[i]);  // field names are found in any case
        EXPECT_EQ(q.fieldIsNull("ID_KOMAND"), i == 2);
    }
    exec("DELETE FROM S_SCHOOL WHERE ID_KOMAND IS NULL");  // a school belongs to a team
}

TEST_F(QueryTest, CyrillicRoundTripAndRefusalOfOtherCharacters) {
    const QString name = "Ёжиков-Щукин «Гимназия №1» ъЪ ёЁ ЇїЄєІіЎўҐґ €™";
    Query ins(db(), tr(), {"INSERT INTO S_KOMAND (KOMAND) VALUES (:KOMAND)"});
    ins.setText("KOMAND", name);
    ins.execute();
    tr().commitRetaining();
    Query q(db(), tr(), {"SELECT KOMAND, CHAR_LENGTH(KOMAND) AS L FROM S_KOMAND WHERE KOMAND = :KOMAND"});
    q.setText("KOMAND", name);
    q.open();
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.fieldText("KOMAND"), name);
    EXPECT_EQ(q.fieldInt("L"), name.size());

    const std::pair<QString, const char*> bad[] = {
        {"Müller", "«ü» (U+00FC)"}, {"Ἀθῆναι", "(U+1F08)"}, {QString::fromUtf8("Смайл \xF0\x9F\x98\x80"), "(U+1F600)"}};
    const auto store = [&](const QString& text) {
        return thrownText<DbError>([&] {
            ins.setText("KOMAND", text);
            ins.execute();
        });
    };
    for (const auto& [text, named] : bad) EXPECT_TRUE(store(text).contains(QString::fromUtf8(named))) << text.toStdString();
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_KOMAND"), 1);
    // A refusal carries the client's text, its Cyrillic decoded.
    const QString duplicate = store(name);
    EXPECT_TRUE(duplicate.contains("UQ_S_KOMAND") && duplicate.contains("Гимназия")) << duplicate.toStdString();
}

TEST_F(QueryTest, EncodingTableAgreesWithTheServer) {
    // Every character of the code page goes through the server's WIN1251 and back unchanged.
    QString all;
    for (int b = 0x20; b < 0x100; ++b)
        if (b != 0x7F && b != 0x98) all += text1251::decode(QByteArray(1, char(b)));
    Query q(db(), tr(), {"SELECT CAST(:T AS VARCHAR(300) CHARACTER SET WIN1251) AS T,",
                         "OCTET_LENGTH(CAST(:T AS VARCHAR(300) CHARACTER SET WIN1251)) AS L FROM RDB$DATABASE"});
    q.setText("T", all);
    q.open();
    EXPECT_EQ(q.fieldText("T"), all);
    EXPECT_EQ(q.fieldInt("L"), all.size());
    EXPECT_EQ(text1251::encode(all), text1251::encode(q.fieldText("T")));
}

TEST_F(QueryTest, CommittedWorkIsSeenByAnotherConnection) {
    OtherStation station(db().databaseName);
    Query count(station.db, station.tr, {"SELECT COUNT(*) AS N FROM S_KOMAND"});

    Query(db(), tr(), {"INSERT INTO S_KOMAND (KOMAND) VALUES ('Север')"}).execute();
    count.open();
    EXPECT_EQ(count.fieldInt("N"), 0) << "uncommitted work was visible";
    tr().commitRetaining();
    count.open();
    EXPECT_EQ(count.fieldInt("N"), 1) << "read committed sees the other station's commit";

    // A row another station holds changed is waited for a few seconds, then refused as a conflict:
    // a station never waits for ever (here, half a minute would end the wait by the holder's commit).
    Query(db(), tr(), {"UPDATE S_KOMAND SET KOMAND = 'Юг'"}).execute();  // not committed
    auto waited = std::async(std::launch::async, [&]() -> std::optional<DbError> {
        try {
            Query(station.db, station.tr, {"UPDATE S_KOMAND SET KOMAND = 'Запад'"}).execute();
        } catch (const DbError& e) {
            return e;
        }
        return std::nullopt;
    });
    const bool gaveUp = waited.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    if (!gaveUp) tr().commitRetaining();
    const std::optional<DbError> refused = waited.get();
    EXPECT_TRUE(gaveUp) << "the second station waits for ever";
    ASSERT_TRUE(refused.has_value());
    EXPECT_TRUE(refused->isConflict()) << refused->text().toStdString();
    tr().rollbackRetaining();
    station.tr.rollback();
}

TEST(DatabaseTest, ConnectFailuresAreReported) {
    Database d;
    d.databaseName = "";
    EXPECT_THROW(d.connect(), DbError);
    // A Cyrillic path is named as it was written: the client gives file names back in UTF-8.
    d.databaseName = "/nonexistent/Олимпиада/база.fdb";
    EXPECT_TRUE(thrownText<DbError>([&] { d.connect(); }).contains("/nonexistent/Олимпиада/база.fdb"));
    EXPECT_FALSE(d.connected());
    Transaction t(d);
    EXPECT_THROW(t.start(), DbError);
}

}  // namespace
