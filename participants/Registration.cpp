#include "participants/Registration.h"

#include "Query.h"

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
