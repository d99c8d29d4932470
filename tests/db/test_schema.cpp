// The schema: keys, the order of names, and the refusals of the constraints, explained.

#include "DbError.h"
#include "fixtures/TestDatabase.h"


namespace {

class SchemaTest : public DbTest {
protected:
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

TEST_F(SchemaTest, KeysAreAssignedGrowingAndNeverZero) {
    const Keys k = seed();
    EXPECT_GT(k.child, 0);
    Query ins(db(), tr(), {"INSERT INTO SPISOK (ID_KOMAND, ID_PREDMET, KLASS) VALUES (:K, :P, :C) RETURNING ID_CHILD"});
    ins.setInt("K", k.komand);
    ins.setInt("P", k.predmet);
    ins.setInt("C", k.klass);
    ins.execute();
    EXPECT_GT(ins.fieldInt("ID_CHILD"), k.child);
}

TEST_F(SchemaTest, NamesSortAlphabeticallyAndStayExact) {
    for (const char* k : {"Ёлочка", "Азбука", "яблоко", "Ель", "ель", "Жук", "Zeta"})
        exec(QString("INSERT INTO S_KOMAND (KOMAND) VALUES ('%1')").arg(QString::fromUtf8(k)));
    Query q(db(), tr(), {"SELECT KOMAND FROM S_KOMAND ORDER BY KOMAND"});
    q.open();
    QStringList order;
    for (; !q.eof(); q.next()) order << q.fieldText("KOMAND");
    EXPECT_EQ(order, QStringList({"Zeta", "Азбука", "ель", "Ель", "Ёлочка", "Жук", "яблоко"}));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_KOMAND WHERE KOMAND = 'ель'"), 1) << "equality keeps capitals apart";
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_KOMAND WHERE KOMAND = 'Елочка'"), 0) << "and Е apart from Ё";
}

// What the database refuses is explained in Russian, whichever constraint refused it.
TEST_F(SchemaTest, RefusalsAreExplained) {
    const Keys k = seed();
    const QString child = QString::number(k.child), p = QString::number(k.predmet), c = QString::number(k.klass);
    exec(QString("INSERT INTO S_SCHOOL (ID_KOMAND, SCHOOL) VALUES (%1, 'СОШ №1')").arg(k.komand));
    exec(QString("INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS) VALUES (%1, %2, %3)").arg(child, p, c));
    const std::pair<QString, QString> cases[] = {
        {"INSERT INTO S_KOMAND (KOMAND) VALUES ('Север')", "Такая команда уже есть."},
        {QString("INSERT INTO S_SCHOOL (ID_KOMAND, SCHOOL) VALUES (%1, 'СОШ №1')").arg(k.komand),
         "У этой команды уже есть учреждение с таким названием."},
        {QString("DELETE FROM S_KOMAND WHERE ID_KOMAND = %1").arg(k.komand),
         "Команду нельзя удалить: у неё есть учреждения образования."},
        {QString("DELETE FROM S_PREDMET WHERE ID_PREDMET = %1").arg(p), "Предмет нельзя удалить: по нему есть участники."},
        {QString("INSERT INTO SPISOK (ID_KOMAND, ID_PREDMET, KLASS) VALUES (%1, %2, 0)").arg(k.komand).arg(p),
         "Такого класса нет в справочнике."},
        {"INSERT INTO TEACHERS (ID_CHILD, SURNAME) VALUES (0, 'Петрова')",
         "Такого участника нет: возможно, он удалён на другом рабочем месте."},
        {QString("INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS) VALUES (%1, %2, %3)").arg(child, p, c),
         "Баллы участника уже записаны."},
        {QString("DELETE FROM SPISOK WHERE ID_CHILD = %1").arg(child), "У участника есть баллы."},
        {QString("INSERT INTO SPISOK (ID_CHILD, ID_KOMAND, ID_PREDMET, KLASS) VALUES (0, %1, %2, %3)")
             .arg(k.komand).arg(p, c),
         "Код участника не может быть равен 0."},
        {"INSERT INTO S_KLASS (KLASS) VALUES ('1234567890123456789012345678901')",
         "Текст длиннее, чем помещается в поле базы данных."},
    };
    for (const auto& [sql, meaning] : cases) {
        Query q(db(), tr());
        q.setSql(QStringList{sql});
        try {
            q.execute();
            ADD_FAILURE() << "accepted: " << sql.toStdString();
        } catch (const DbError& e) {
            EXPECT_EQ(dberror::explain(e), meaning) << e.text().toStdString();
        }
        tr().rollbackRetaining();
    }
}

}  // namespace
