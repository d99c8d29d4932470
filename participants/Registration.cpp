#include "participants/Registration.h"

#include "Query.h"
#include "Text.h"
#include "participants/Names.h"

#include <algorithm>

struct Registrar::Statements {
    Query child, teacher;
    Statements(Database& db, Transaction& tr)
        : child(db, tr,
                {"INSERT INTO SPISOK (ID_KOMAND, ID_PREDMET, SURNAME, NAME, SECONDNAME, KLASS, SITY, SCHOOL)",
                 "VALUES (:ID_KOMAND, :ID_PREDMET, :SURNAME, :NAME,  :SECONDNAME, :KLASS, :SITY, :SCHOOL)",
                 "RETURNING ID_CHILD;"}),
          teacher(db, tr,
                  {"INSERT INTO TEACHERS (ID_CHILD, SURNAME, NAME, SECONDNAME)",
                   "VALUES (:ID_CHILD, :SURNAME, :NAME,  :SECONDNAME);"}) {}
};

Registrar::Registrar(Database& db, Transaction& tr) : d(std::make_unique<Statements>(db, tr)) {}

Registrar::~Registrar() = default;

int Registrar::insert(const Registration& r) {
    Query& ins = d->child;
    ins.setInt("ID_KOMAND", r.idKomand);
    ins.setInt("ID_PREDMET", r.idPredmet);
    ins.setText("SURNAME", r.child.surname);
    ins.setText("NAME", r.child.name);
    ins.setText("SECONDNAME", r.child.secondName);
    ins.setInt("KLASS", r.idKlass);
    ins.setText("SITY", r.sity);
    ins.setText("SCHOOL", r.school);
    ins.execute();
    const int idChild = int(ins.fieldInt("ID_CHILD"));
    for (const PersonName& t : r.teachers) {
        d->teacher.setInt("ID_CHILD", idChild);
        d->teacher.setText("SURNAME", t.surname);
        d->teacher.setText("NAME", t.name);
        d->teacher.setText("SECONDNAME", t.secondName);
        d->teacher.execute();
    }
    return idChild;
}

int insertParticipant(Database& db, Transaction& tr, const Registration& r) { return Registrar(db, tr).insert(r); }

QString textRefusal(const QString& what, const QString& value, int length) {
    if (const QString refused = text1251::refusal(value); !refused.isEmpty()) return QStringLiteral("%1: %2").arg(what, refused);
    if (value.size() > length) return QStringLiteral("%1 длиннее %2 символов").arg(what).arg(length);
    return QString();
}

QString nameRefusal(const QString& what, const QString& value, const QString& whenEmpty) {
    if (value.trimmed().isEmpty()) return whenEmpty;
    if (std::none_of(value.begin(), value.end(), [](QChar c) { return c.isLetter(); }))
        return QStringLiteral("%1: нет ни одной буквы").arg(what);
    if (const QString word = names::mixedScriptWord(value); !word.isEmpty())
        return QStringLiteral("%1: в слове «%2» есть и русские, и латинские буквы").arg(what, word);
    return textRefusal(what, value, kNameLength);
}

namespace {
NameRefusal firstOf(std::initializer_list<QString> reasons) {
    int part = 0;
    for (const QString& why : reasons) {
        if (!why.isEmpty()) return {part, why};
        ++part;
    }
    return {};
}
}  // namespace

NameRefusal childNameRefusal(const PersonName& child) {
    return firstOf({nameRefusal(QStringLiteral("Фамилия"), child.surname, kEnterSurname),
                    nameRefusal(QStringLiteral("Имя"), child.name, kEnterName),
                    nameRefusal(QStringLiteral("Отчество"), child.secondName)});
}

NameRefusal teacherNameRefusal(const PersonName& teacher) {
    return firstOf({nameRefusal(QStringLiteral("Фамилия учителя"), teacher.surname, kEnterTeacherSurname),
                    nameRefusal(QStringLiteral("Имя учителя"), teacher.name),
                    nameRefusal(QStringLiteral("Отчество учителя"), teacher.secondName)});
}

namespace {
QString comparableName(const QString& surname, const QString& name, const QString& second) {
    return QStringList{surname, name, second}.join(u' ').simplified().toLower().replace(u'ё', u'е');
}
}  // namespace

QStringList namesakes(Database& db, Transaction& tr, const Registration& r) {
    Query q(db, tr,
            {"SELECT SURNAME, NAME, SECONDNAME, SCHOOL FROM SPISOK",
             "WHERE ID_KOMAND = :ID_KOMAND AND ID_PREDMET = :ID_PREDMET AND KLASS = :KLASS ORDER BY ID_CHILD"});
    q.setInt("ID_KOMAND", r.idKomand);
    q.setInt("ID_PREDMET", r.idPredmet);
    q.setInt("KLASS", r.idKlass);
    q.open();
    const QString wanted = comparableName(r.child.surname, r.child.name, r.child.secondName);
    QStringList out;
    for (q.first(); !q.eof(); q.next())
        if (comparableName(q.fieldText("SURNAME"), q.fieldText("NAME"), q.fieldText("SECONDNAME")) == wanted)
            out << QStringList{q.fieldText("SURNAME"), q.fieldText("NAME"), q.fieldText("SECONDNAME")}.join(u' ').simplified() +
                       (q.fieldText("SCHOOL").isEmpty() ? QString() : QStringLiteral(" (%1)").arg(q.fieldText("SCHOOL")));
    return out;
}
