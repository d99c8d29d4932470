// The schema: the order of names, and the refusals of the constraints, explained.

#include "DbError.h"
#include "fixtures/TestDatabase.h"

namespace {

class SchemaTest : public DbTest {};

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

// What the database refuses is explained in Russian, whichever constraint refused it. (The
// dictionaries' own refusals are read in the registration window's tests.)
TEST_F(SchemaTest, RefusalsAreExplained) {
    exec("INSERT INTO S_KOMAND (KOMAND) VALUES ('Север')");
    exec("INSERT INTO S_PREDMET (PREDMET) VALUES ('Физика')");
    exec("INSERT INTO S_KLASS (KLASS) VALUES ('9')");
    const QString k = QString::number(scalar("SELECT ID_KOMAND FROM S_KOMAND")),
                  p = QString::number(scalar("SELECT ID_PREDMET FROM S_PREDMET")),
                  c = QString::number(scalar("SELECT ID_KLASS FROM S_KLASS"));
    exec(QString("INSERT INTO SPISOK (ID_KOMAND, ID_PREDMET, KLASS) VALUES (%1, %2, %3)").arg(k, p, c));
    const QString child = QString::number(scalar("SELECT ID_CHILD FROM SPISOK"));
    exec(QString("INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS, MESTO) VALUES (%1, %2, %3, 1)").arg(child, p, c));
    const std::pair<QString, QString> cases[] = {
        {QString("DELETE FROM S_PREDMET WHERE ID_PREDMET = %1").arg(p), "Предмет нельзя удалить: по нему есть участники."},
        {QString("INSERT INTO SPISOK (ID_KOMAND, ID_PREDMET, KLASS) VALUES (%1, %2, 0)").arg(k, p),
         "Такого класса нет в справочнике."},
        {"INSERT INTO TEACHERS (ID_CHILD, SURNAME) VALUES (0, 'Петрова')",
         "Такого участника нет: возможно, он удалён на другом рабочем месте."},
        {QString("INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS) VALUES (%1, %2, %3)").arg(child, p, c),
         "Баллы участника уже записаны."},
        {QString("DELETE FROM SPISOK WHERE ID_CHILD = %1").arg(child), "У участника есть баллы."},
        {QString("INSERT INTO SPISOK (ID_CHILD, ID_KOMAND, ID_PREDMET, KLASS) VALUES (0, %1, %2, %3)").arg(k, p, c),
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
