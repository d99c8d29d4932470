#pragma once

#include <QString>

class Database;
class Transaction;
struct PersonName;

// What the participant lists change: a participant with everything recorded about him, one
// field of him or of one of his teachers, his teachers, his team, subject and grade. Nothing here
// commits: each is one action of the caller.
namespace participants {

// Deletes a participant with everything recorded about him: scores, group, every cipher,
// teachers, then the participant, in that order. When he had scores, his subject and grade are
// re-ranked, so that places stay dense.
void remove(Database& db, Transaction& tr, int idChild);

// Why a value cannot be stored in a participant's column (SURNAME, NAME, SECONDNAME, SCHOOL,
// SITY), checked as registration checks it; empty when it can.
QString correctionRefusal(const QString& field, const QString& value);
// Stores a corrected value of one of those columns, trimmed. Throws DbError when the participant
// is gone (deleted on another station).
void correct(Database& db, Transaction& tr, int idChild, const QString& field, const QString& value);

// The same for a teacher's SURNAME, NAME and SECONDNAME.
QString teacherCorrectionRefusal(const QString& field, const QString& value);
void correctTeacher(Database& db, Transaction& tr, int idTeacher, const QString& field, const QString& value);
void addTeacher(Database& db, Transaction& tr, int idChild, const PersonName& teacher);
void removeTeacher(Database& db, Transaction& tr, int idTeacher);

// Where a participant competes.
struct Placement {
    int idKomand = 0, idPredmet = 0, idKlass = 0;
    bool operator==(const Placement&) const = default;
};
Placement placementOf(Database& db, Transaction& tr, int idChild);

// Moves a participant to another team, subject or grade with his score row, codes and group, and
// re-ranks the subject and grade he left and the one he joined. A code of his that another
// participant of the new subject, grade and round holds (or one that reads the same on paper)
// refuses the move, naming it, with a DbError; so does a participant deleted meanwhile.
void move(Database& db, Transaction& tr, int idChild, const Placement& to);

}  // namespace participants
