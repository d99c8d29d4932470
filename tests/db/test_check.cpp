// The check of the whole record: a consistent olympiad broken one rule at a time by SQL, each
// broken rule found once and named as a person knows the row.

#include "Check.h"
#include "Schema.h"
#include "fixtures/TestDatabase.h"

namespace {

struct Broken {
    const char* rule;
    QString sql;
    QString line;
};

// Runs each statement in the working transaction, checks, and rolls it back.
void expectEachFound(Database& db, Transaction& tr, const QList<Broken>& cases) {
    for (const Broken& c : cases) {
        Query q(db, tr);
        for (const QString& sql : c.sql.split(u';')) {
            q.setSql(QStringList{sql});
            q.execute();
        }
        const check::Findings found = check::run(db, tr);
        tr.rollbackRetaining();
        EXPECT_EQ(found.total, 1) << c.rule << ":\n" << found.lines().join(u'\n').toStdString();
        EXPECT_EQ(found.shown.value(0), c.line) << c.rule;
    }
}

class Check : public DbTest {
protected:
    // Физика 9 with one round of two tasks (maxima 10 and 10): namesakes Ёлкин Пётр Сергеевич of
    // two schools, 10 and 2 points, their codes of round 1 and their group.
    void SetUp() override {
        DbTest::SetUp();
        TestDatabase::execAll(db(), tr(), {"INSERT INTO S_KOMAND (ID_KOMAND, KOMAND) VALUES (1, 'Север')",
              "INSERT INTO S_PREDMET (ID_PREDMET, PREDMET) VALUES (1, 'Физика')",
              "INSERT INTO S_KLASS (ID_KLASS, KLASS) VALUES (9, '9')", "INSERT INTO S_KLASS (ID_KLASS, KLASS) VALUES (10, '10')",
              "INSERT INTO TUR (ID, ID_PREDMET, ID_TUR, NAME_TUR, KOL_ZAD) VALUES (1, 1, 1, 'Теория', 2)",
              "INSERT INTO TUR (ID, ID_PREDMET, ID_TUR, NAME_TUR, KOL_ZAD) VALUES (2, 1, 0, '', 0)",
              "INSERT INTO TUR_MAX (ID_PREDMET, ID, N_ZAD, MAX_BAL) VALUES (1, 1, 1, 10)",
              "INSERT INTO TUR_MAX (ID_PREDMET, ID, N_ZAD, MAX_BAL) VALUES (1, 1, 2, 10)",
              "INSERT INTO SPISOK (ID_CHILD, ID_KOMAND, ID_PREDMET, KLASS, SURNAME, NAME, SECONDNAME, SCHOOL) "
              "VALUES (1, 1, 1, 9, 'Ёлкин', 'Пётр', 'Сергеевич', 'СОШ №1')",
              "INSERT INTO SPISOK (ID_CHILD, ID_KOMAND, ID_PREDMET, KLASS, SURNAME, NAME, SECONDNAME, SCHOOL) "
              "VALUES (2, 1, 1, 9, 'Ёлкин', 'Пётр', 'Сергеевич', 'Лицей')",
              "INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS, BAL01, BAL02, B1, SUMM, MESTO) VALUES (1, 1, 9, 7, 3, 10, 10, 1)",
              "INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS, BAL01, BAL02, BAL07, B1, B2, SUMM, MESTO) "
              "VALUES (2, 1, 9, 2, 0, 0, 2, 0, 2, 2)",
              "INSERT INTO SHIFR (ID_CHILD, ID_PREDMET, ID_TUR, KLASS, SHIFR) VALUES (1, 1, 1, 9, 'А1')",
              "INSERT INTO SHIFR (ID_CHILD, ID_PREDMET, ID_TUR, KLASS, SHIFR) VALUES (2, 1, 1, 9, 'Б1')",
              "INSERT INTO GRUP (ID_CHILD, ID_PREDMET, KLASS, N_GROUP) VALUES (1, 1, 9, 1)"});
    }
};

TEST_F(Check, EachBrokenRuleIsFoundAndNamed) {
    ASSERT_TRUE(check::run(db(), tr()).clean()) << check::run(db(), tr()).lines().join(u'\n').toStdString();
    const QString first = "«Физика», 9 класс: Ёлкин Пётр Сергеевич (Север, СОШ №1)";
    const QString second = "«Физика», 9 класс: Ёлкин Пётр Сергеевич (Север, Лицей)";
    expectEachFound(db(), tr(), {
        {"round sum", "UPDATE BAL SET B1 = 5 WHERE ID_CHILD = 1", first + ": сумма тура 1 записана 5, а сумма его задач 10"},
        {"total", "UPDATE BAL SET SUMM = 12 WHERE ID_CHILD = 1", first + ": общая сумма записана 12, а сумма задач 10"},
        {"a task the round lacks", "UPDATE BAL SET BAL03 = 1 WHERE ID_CHILD = 2",
         second + ": балл 1 в задаче 3 тура 1, а задач в туре 2"},
        {"a round not in use", "UPDATE BAL SET BAL07 = 0.5 WHERE ID_CHILD = 2",
         second + ": балл 0.5 в задаче 1 тура 2, а такого тура у предмета нет"},
        {"below 0", "UPDATE BAL SET BAL02 = -1, B1 = 1, SUMM = 1 WHERE ID_CHILD = 2", second + ": балл -1 в задаче 2 тура 1 меньше 0"},
        {"above the maximum", "UPDATE BAL SET BAL01 = 11, B1 = 14, SUMM = 14 WHERE ID_CHILD = 1",
         first + ": балл 11 в задаче 1 тура 1 больше наибольшего (10)"},
        {"dense place", "UPDATE BAL SET MESTO = 3 WHERE ID_CHILD = 2", second + ": место 3, а по общей сумме 2 место 2"},
        {"no place", "UPDATE BAL SET MESTO = NULL WHERE ID_CHILD = 1", first + ": место не записано, а по общей сумме 10 место 1"},
        {"degree", "UPDATE BAL SET DIPL_STEP = 5 WHERE ID_CHILD = 1", first + ": степень диплома 5 (бывает от 0 до 4)"},
        {"score row's grade", "UPDATE BAL SET KLASS = 10, MESTO = 1 WHERE ID_CHILD = 2",
         second + ": баллы записаны по «Физика», 10 класс"},
        {"code's grade", "UPDATE SHIFR SET KLASS = 10 WHERE ID_CHILD = 2", second + ": шифр «Б1» тура 1 записан по «Физика», 10 класс"},
        {"group's subject", "INSERT INTO S_PREDMET (ID_PREDMET, PREDMET) VALUES (2, 'Химия'); UPDATE GRUP SET ID_PREDMET = 2",
         first + ": группа 1 записана по «Химия», 9 класс"},
        {"a code twice as read", "UPDATE SHIFR SET SHIFR = 'a1 ' WHERE ID_CHILD = 2",
         "«Физика», 9 класс, тур 1: шифр «А1» у нескольких участников: Ёлкин Пётр Сергеевич (Север, Лицей) («a1 »), "
         "Ёлкин Пётр Сергеевич (Север, СОШ №1) («А1»)"},
        {"a school's team", "INSERT INTO S_SCHOOL (ID_KOMAND, SCHOOL) VALUES (NULL, 'Ничья')",
         "Учреждение «Ничья»: команда не указана"},
    });
}

// Rules the schema of this build also declares, broken in a database that lacks them (as one of an
// earlier build may): an identifier, and keys that name rows.
TEST_F(Check, KeysAndIdentifiersOfALooseDatabase) {
    QStringList loose;
    for (const QString& s : schema::statements())
        if (!s.contains("FOREIGN KEY")) loose << QString(s).replace("OCTETS NOT NULL", "OCTETS");
    Database other;
    schema::createDatabase(other, testDb().newName("loose.fdb"), loose);
    Transaction tr(other);
    tr.start();
    TestDatabase::execAll(other, tr, {"INSERT INTO S_KOMAND (ID_KOMAND, KOMAND) VALUES (1, 'Юг')",
                                      "INSERT INTO S_PREDMET (ID_PREDMET, PREDMET) VALUES (1, 'Химия')",
                                      "INSERT INTO S_KLASS (ID_KLASS, KLASS) VALUES (1, '8')",
                                      "INSERT INTO SPISOK (ID_CHILD, ID_KOMAND, ID_PREDMET, KLASS, SURNAME, NAME, SCHOOL) "
                                      "VALUES (1, 1, 1, 1, 'Жуков', 'Иван', 'СОШ')"});
    ASSERT_TRUE(check::run(other, tr).clean());
    const QString child = "«Химия», 8 класс: Жуков Иван (Юг, СОШ)";
    expectEachFound(other, tr, {
        {"identifier", "UPDATE SPISOK SET UID_CHILD = NULL", child + ": нет идентификатора участника"},
        {"grade key", "UPDATE SPISOK SET KLASS = 7", "«Химия», класс №7: Жуков Иван (Юг, СОШ): класса №7 нет в справочнике"},
        {"team key", "UPDATE SPISOK SET ID_KOMAND = 3", "«Химия», 8 класс: Жуков Иван (СОШ): команды №3 нет в справочнике"},
        {"teacher's child", "INSERT INTO TEACHERS (ID_CHILD, SURNAME) VALUES (5, 'Орлова')", "Учитель Орлова: участника №5 нет в списке"},
        {"score row's child", "INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS, MESTO) VALUES (5, 1, 1, 1)",
         "баллы («Химия», 8 класс): участника №5 нет в списке"},
        {"round's subject", "INSERT INTO TUR (ID, ID_PREDMET, ID_TUR, NAME_TUR, KOL_ZAD) VALUES (1, 4, 1, 'Тест', 1)",
         "Тур 1: предмета №4 нет в справочнике"},
    });
    other.disconnect();
}

}  // namespace
