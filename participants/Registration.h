#pragma once

#include <QList>
#include <QStringList>
#include <QString>
#include <memory>

class Database;
class Transaction;

struct PersonName {
    QString surname;
    QString name;
    QString secondName;
};

struct Registration {
    int idKomand = 0;
    int idPredmet = 0;
    int idKlass = 0;
    PersonName child;
    QString school;
    QString sity;
    QList<PersonName> teachers;
};

// Lengths of the columns the operator types into.
constexpr int kNameLength = 50, kSchoolLength = 500, kSityLength = 50;

// What a typed part of a name, a school or a town must be to be stored. `what` names the field
// in the messages ("Фамилия"). Each gives the reason a text is refused, empty when it is fine.
// A text the database cannot hold, or longer than its column.
QString textRefusal(const QString& what, const QString& value, int length);
// A part of a person's name: as above, and with at least one letter when there is any text; an
// empty one is refused with `whenEmpty` when that is given (a surname, a child's given name).
QString nameRefusal(const QString& what, const QString& value, const QString& whenEmpty = {});
inline const QString kEnterSurname = QStringLiteral("Введите фамилию");
inline const QString kEnterName = QStringLiteral("Введите имя");
inline const QString kEnterTeacherSurname = QStringLiteral("Введите фамилию учителя");
// The first refusal of a person's full name and the part it is about (0 the surname, 1 the given
// name, 2 the patronymic): a child needs a surname and a given name, a teacher a surname.
struct NameRefusal {
    int part = -1;
    QString text;
    explicit operator bool() const { return part >= 0; }
};
NameRefusal childNameRefusal(const PersonName& child);
NameRefusal teacherNameRefusal(const PersonName& teacher);

// Registered participants of the team, subject and grade whose full name reads like this one
// (capitals and Ё as Е alike): a repeated registration is usually a slip.
QStringList namesakes(Database& db, Transaction& tr, const Registration& r);

// Inserts the participant and its teachers, the teachers under the key the insert returned.
// Does not commit: the caller makes the whole registration one action.
int insertParticipant(Database& db, Transaction& tr, const Registration& r);

// The same for many participants in a row, with the statements prepared once.
class Registrar {
public:
    Registrar(Database& db, Transaction& tr);
    ~Registrar();
    int insert(const Registration& r);

private:
    struct Statements;
    std::unique_ptr<Statements> d;
};
