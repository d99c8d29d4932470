#pragma once

#include <QList>
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
