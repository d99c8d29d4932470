#include "participants/Registration.h"

#include "Query.h"

int insertParticipant(Database& db, Transaction& tr, const Registration& r) {
    Query ins(db, tr,
              {"INSERT INTO SPISOK (ID_KOMAND, ID_PREDMET, SURNAME, NAME, SECONDNAME, KLASS, SITY, SCHOOL)",
               "VALUES (:ID_KOMAND, :ID_PREDMET, :SURNAME, :NAME,  :SECONDNAME, :KLASS, :SITY, :SCHOOL)",
               "RETURNING ID_CHILD;"});
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

    Query teacher(db, tr,
                  {"INSERT INTO TEACHERS (ID_CHILD, SURNAME, NAME, SECONDNAME)",
                   "VALUES (:ID_CHILD, :SURNAME, :NAME,  :SECONDNAME);"});
    for (const PersonName& t : r.teachers) {
        teacher.setInt("ID_CHILD", idChild);
        teacher.setText("SURNAME", t.surname);
        teacher.setText("NAME", t.name);
        teacher.setText("SECONDNAME", t.secondName);
        teacher.execute();
    }
    return idChild;
}
