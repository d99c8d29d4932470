// The schema: exactly the tables and columns the system reads and writes, and the constraints
// that refuse duplicates and orphans.

#include "DbError.h"
#include "fixtures/TestDatabase.h"

#include <QSet>

namespace {

class SchemaTest : public DbTest {
protected:
    // Inserts that must be refused leave nothing behind.
    void expectRefused(const QString& sql, const char* constraint) {
        Query q(db(), tr());
        q.setSql(QStringList{sql});
        try {
            q.execute();
            ADD_FAILURE() << "accepted: " << sql.toStdString();
        } catch (const DbError& e) {
            EXPECT_TRUE(e.text().contains(QLatin1String(constraint)))
                << "expected " << constraint << ", got " << e.text().toStdString();
        }
        tr().rollbackRetaining();
    }
    struct Keys {
        qint64 komand, komand2, predmet, klass, child;
    };
    Keys seed() {
        exec("INSERT INTO S_KOMAND (KOMAND) VALUES ('Север')");
        exec("INSERT INTO S_KOMAND (KOMAND) VALUES ('Юг')");
        exec("INSERT INTO S_PREDMET (PREDMET) VALUES ('Физика')");
        exec("INSERT INTO S_KLASS (KLASS) VALUES ('9')");
        Keys k{};
        k.komand = scalar("SELECT ID_KOMAND FROM S_KOMAND WHERE KOMAND = 'Север'");
        k.komand2 = scalar("SELECT ID_KOMAND FROM S_KOMAND WHERE KOMAND = 'Юг'");
        k.predmet = scalar("SELECT ID_PREDMET FROM S_PREDMET");
        k.klass = scalar("SELECT ID_KLASS FROM S_KLASS");
        exec(QString("INSERT INTO SPISOK (ID_KOMAND, ID_PREDMET, KLASS, SURNAME) VALUES (%1, %2, %3, 'Иванов')")
                 .arg(k.komand).arg(k.predmet).arg(k.klass));
        k.child = scalar("SELECT ID_CHILD FROM SPISOK");
        return k;
    }
};

TEST_F(SchemaTest, TablesAndColumnsAreExactlyTheRecord) {
    Query q(db(), tr(), {"SELECT TRIM(RF.RDB$RELATION_NAME) AS T, TRIM(RF.RDB$FIELD_NAME) AS C,",
                         "F.RDB$FIELD_TYPE AS TYP, F.RDB$FIELD_SCALE AS SC, F.RDB$FIELD_PRECISION AS PR,",
                         "F.RDB$CHARACTER_LENGTH AS LEN, CS.RDB$CHARACTER_SET_NAME AS CS",
                         "FROM RDB$RELATION_FIELDS RF JOIN RDB$RELATIONS R ON R.RDB$RELATION_NAME = RF.RDB$RELATION_NAME",
                         "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE",
                         "LEFT JOIN RDB$CHARACTER_SETS CS ON CS.RDB$CHARACTER_SET_ID = F.RDB$CHARACTER_SET_ID",
                         "WHERE COALESCE(R.RDB$SYSTEM_FLAG, 0) = 0"});
    q.open();
    QSet<QString> actual;
    for (; !q.eof(); q.next()) {
        QString type;
        switch (q.fieldInt("TYP")) {
        case 8: type = q.fieldInt("SC") == 0 ? "INTEGER" : QString("NUMERIC(%1,%2)").arg(q.fieldInt("PR")).arg(-q.fieldInt("SC")); break;
        case 37: type = QString("VARCHAR(%1) %2").arg(q.fieldInt("LEN")).arg(q.fieldText("CS")); break;
        default: type = QString("type %1").arg(q.fieldInt("TYP"));
        }
        actual.insert(q.fieldText("T") + "." + q.fieldText("C") + " " + type);
    }
    QSet<QString> expected;
    const auto add = [&](const char* table, std::initializer_list<const char*> cols) {
        for (const char* c : cols) {
            QString col = QString::fromLatin1(c);
            col.replace("VC", "VARCHAR").replace("W", " WIN1251").replace("INT", "INTEGER").replace("NUM", "NUMERIC(9,2)");
            expected.insert(QString::fromLatin1(table) + "." + col);
        }
    };
    add("S_KOMAND", {"ID_KOMAND INT", "KOMAND VC(50)W"});
    add("S_PREDMET", {"ID_PREDMET INT", "PREDMET VC(50)W"});
    add("S_KLASS", {"ID_KLASS INT", "KLASS VC(30)W"});
    add("S_SCHOOL", {"ID_KOMAND INT", "ID_SCHOOL INT", "SCHOOL VC(500)W"});
    add("SPISOK", {"ID_CHILD INT", "ID_KOMAND INT", "ID_PREDMET INT", "SURNAME VC(50)W", "NAME VC(50)W",
                   "SECONDNAME VC(50)W", "KLASS INT", "SITY VC(50)W", "SCHOOL VC(500)W"});
    add("TEACHERS", {"ID_CHILD INT", "ID_TEACHER INT", "SURNAME VC(50)W", "NAME VC(50)W", "SECONDNAME VC(50)W"});
    add("TUR", {"ID INT", "ID_PREDMET INT", "ID_TUR INT", "NAME_TUR VC(30)W", "KOL_ZAD INT"});
    add("SHIFR", {"ID_CHILD INT", "ID_PREDMET INT", "ID_TUR INT", "KLASS INT", "SHIFR VC(15)W"});
    add("GRUP", {"ID_CHILD INT", "ID_PREDMET INT", "KLASS INT", "N_GROUP INT"});
    add("GROUP_TEMP", {"NAME VC(15)W", "KOL INT"});
    add("BAL", {"ID_CHILD INT", "ID_PREDMET INT", "KLASS INT", "B1 NUM", "B2 NUM", "B3 NUM", "B4 NUM", "SUMM NUM",
                "MESTO INT", "DIPL_STEP INT"});
    for (int i = 1; i <= 24; ++i) expected.insert(QString("BAL.BAL%1 NUMERIC(9,2)").arg(i, 2, 10, QChar('0')));
    EXPECT_EQ(actual, expected) << "missing: " << (expected - actual).values().join(", ").toStdString()
                                << "\nextra: " << (actual - expected).values().join(", ").toStdString();
    EXPECT_EQ(scalar("SELECT RDB$CHARACTER_SET_NAME = 'WIN1251' FROM RDB$DATABASE") , 1);
    EXPECT_EQ(scalar("SELECT MON$SQL_DIALECT FROM MON$DATABASE"), 3);
}

TEST_F(SchemaTest, KeysAreAssignedGrowingAndNeverZero) {
    const Keys k = seed();
    EXPECT_GT(k.child, 0);
    Query ins(db(), tr(), {"INSERT INTO SPISOK (ID_KOMAND, ID_PREDMET, KLASS) VALUES (:K, :P, :C) RETURNING ID_CHILD"});
    ins.setInt("K", k.komand);
    ins.setInt("P", k.predmet);
    ins.setInt("C", k.klass);
    ins.execute();
    EXPECT_GT(ins.fieldInt("ID_CHILD"), k.child);
    expectRefused(QString("INSERT INTO SPISOK (ID_CHILD, ID_KOMAND, ID_PREDMET, KLASS) VALUES (0, %1, %2, %3)")
                      .arg(k.komand).arg(k.predmet).arg(k.klass),
                  "CK_SPISOK_ID_CHILD");
}

TEST_F(SchemaTest, DictionaryNamesAreUnique) {
    const Keys k = seed();
    expectRefused("INSERT INTO S_KOMAND (KOMAND) VALUES ('Север')", "UQ_S_KOMAND");
    expectRefused("INSERT INTO S_PREDMET (PREDMET) VALUES ('Физика')", "UQ_S_PREDMET");
    expectRefused("INSERT INTO S_KLASS (KLASS) VALUES ('9')", "UQ_S_KLASS");
    exec(QString("INSERT INTO S_SCHOOL (ID_KOMAND, SCHOOL) VALUES (%1, 'СОШ №1')").arg(k.komand));
    expectRefused(QString("INSERT INTO S_SCHOOL (ID_KOMAND, SCHOOL) VALUES (%1, 'СОШ №1')").arg(k.komand),
                  "UQ_S_SCHOOL");
    // Another team may have a school of the same name.
    exec(QString("INSERT INTO S_SCHOOL (ID_KOMAND, SCHOOL) VALUES (%1, 'СОШ №1')").arg(k.komand2));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_SCHOOL"), 2);
}

TEST_F(SchemaTest, OrphansAreRefused) {
    const Keys k = seed();
    const QString child = QString::number(k.child), p = QString::number(k.predmet), c = QString::number(k.klass);
    expectRefused(QString("INSERT INTO S_SCHOOL (ID_KOMAND, SCHOOL) VALUES (%1, 'X')").arg(k.komand + 100),
                  "FK_S_SCHOOL_KOMAND");
    expectRefused(QString("INSERT INTO SPISOK (ID_KOMAND, ID_PREDMET, KLASS) VALUES (0, %1, %2)").arg(p, c),
                  "FK_SPISOK_KOMAND");
    expectRefused(QString("INSERT INTO SPISOK (ID_KOMAND, ID_PREDMET, KLASS) VALUES (%1, 0, %2)").arg(k.komand).arg(c),
                  "FK_SPISOK_PREDMET");
    expectRefused(QString("INSERT INTO SPISOK (ID_KOMAND, ID_PREDMET, KLASS) VALUES (%1, %2, 0)").arg(k.komand).arg(p),
                  "FK_SPISOK_KLASS");
    // No waiting rows: a teacher, score, group or cipher row must name a real participant.
    expectRefused("INSERT INTO TEACHERS (ID_CHILD, SURNAME) VALUES (0, 'Петрова')", "FK_TEACHERS_SPISOK");
    expectRefused(QString("INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS) VALUES (0, %1, %2)").arg(p, c), "FK_BAL_SPISOK");
    expectRefused(QString("INSERT INTO GRUP (ID_CHILD, ID_PREDMET, KLASS, N_GROUP) VALUES (0, %1, %2, 1)").arg(p, c),
                  "FK_GRUP_SPISOK");
    expectRefused(QString("INSERT INTO SHIFR (ID_CHILD, ID_PREDMET, ID_TUR, KLASS, SHIFR) VALUES (0, %1, 1, %2, 'A1')").arg(p, c),
                  "FK_SHIFR_SPISOK");
    expectRefused(QString("INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS) VALUES (%1, 0, %2)").arg(child, c), "FK_BAL_PREDMET");
    expectRefused(QString("INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS) VALUES (%1, %2, 0)").arg(child, p), "FK_BAL_KLASS");
    expectRefused(QString("INSERT INTO GRUP (ID_CHILD, ID_PREDMET, KLASS) VALUES (%1, 0, %2)").arg(child, c), "FK_GRUP_PREDMET");
    expectRefused(QString("INSERT INTO GRUP (ID_CHILD, ID_PREDMET, KLASS) VALUES (%1, %2, 0)").arg(child, p), "FK_GRUP_KLASS");
    expectRefused(QString("INSERT INTO SHIFR (ID_CHILD, ID_PREDMET, ID_TUR, KLASS) VALUES (%1, 0, 1, %2)").arg(child, c),
                  "FK_SHIFR_PREDMET");
    expectRefused(QString("INSERT INTO SHIFR (ID_CHILD, ID_PREDMET, ID_TUR, KLASS) VALUES (%1, %2, 1, 0)").arg(child, p),
                  "FK_SHIFR_KLASS");
    expectRefused("INSERT INTO TUR (ID, ID_PREDMET, ID_TUR, NAME_TUR, KOL_ZAD) VALUES (1, 0, 1, 'Т', 3)", "FK_TUR_PREDMET");
    // A dictionary entry still in use cannot go.
    expectRefused(QString("DELETE FROM S_KOMAND WHERE ID_KOMAND = %1").arg(k.komand), "FK_SPISOK_KOMAND");
    expectRefused(QString("DELETE FROM S_PREDMET WHERE ID_PREDMET = %1").arg(p), "FK_SPISOK_PREDMET");
}

TEST_F(SchemaTest, OneRowPerParticipantWhereTheRecordSaysSo) {
    const Keys k = seed();
    const QString child = QString::number(k.child), p = QString::number(k.predmet), c = QString::number(k.klass);
    exec(QString("INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS) VALUES (%1, %2, %3)").arg(child, p, c));
    expectRefused(QString("INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS) VALUES (%1, %2, %3)").arg(child, p, c), "PK_BAL");
    exec(QString("INSERT INTO GRUP (ID_CHILD, ID_PREDMET, KLASS, N_GROUP) VALUES (%1, %2, %3, 1)").arg(child, p, c));
    expectRefused(QString("INSERT INTO GRUP (ID_CHILD, ID_PREDMET, KLASS, N_GROUP) VALUES (%1, %2, %3, 2)").arg(child, p, c),
                  "PK_GRUP");
    exec(QString("INSERT INTO SHIFR (ID_CHILD, ID_PREDMET, ID_TUR, KLASS, SHIFR) VALUES (%1, %2, 1, %3, 'A')").arg(child, p, c));
    exec(QString("INSERT INTO SHIFR (ID_CHILD, ID_PREDMET, ID_TUR, KLASS, SHIFR) VALUES (%1, %2, 2, %3, 'B')").arg(child, p, c));
    expectRefused(QString("INSERT INTO SHIFR (ID_CHILD, ID_PREDMET, ID_TUR, KLASS, SHIFR) VALUES (%1, %2, 1, %3, 'C')")
                      .arg(child, p, c),
                  "PK_SHIFR");
    exec(QString("INSERT INTO TUR (ID, ID_PREDMET, ID_TUR, NAME_TUR, KOL_ZAD) VALUES (1, %1, 1, 'Т', 3)").arg(p));
    expectRefused(QString("INSERT INTO TUR (ID, ID_PREDMET, ID_TUR, NAME_TUR, KOL_ZAD) VALUES (1, %1, 1, 'Т', 3)").arg(p),
                  "PK_TUR");
    // A participant with rows of its own cannot be deleted before them.
    expectRefused(QString("DELETE FROM SPISOK WHERE ID_CHILD = %1").arg(child), "FK_");
}

}  // namespace
