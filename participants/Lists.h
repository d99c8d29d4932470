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

// Whether a participant's results are published with his name: the lists show it in the column
// PUBL as "да", or "нет" for one marked "не публиковать" (NE_PUBL 1).
inline const QString kPublishedYes = QStringLiteral("да");
inline const QString kPublishedNo = QStringLiteral("нет");
inline const char* const kPublishedColumn = "CASE WHEN S.NE_PUBL = 1 THEN 'нет' ELSE 'да' END AS PUBL";
QString publishedRefusal(const QString& value);
// Stores "да" or "нет" (as publishedRefusal allows). Throws DbError when the participant is gone.
void setPublished(Database& db, Transaction& tr, int idChild, const QString& value);

// The same for a teacher's SURNAME, NAME and SECONDNAME.
QString teacherCorrectionRefusal(const QString& field, const QString& value);
void correctTeacher(Database& db, Transaction& tr, int idTeacher, const QString& field, const QString& value);
void addTeacher(Database& db, Transaction& tr, int idChild, const PersonName& teacher);
void removeTeacher(Database& db, Transaction& tr, int idTeacher);

inline const QString kChooseSchool = QStringLiteral("Выберите учреждение новой команды");
// The question before a move to another subject; %1 is the subject he leaves.
inline const QString kLeaveSubject = QStringLiteral("У участника есть баллы, шифры и группа по предмету «%1». При переводе "
                                                    "на другой предмет они будут удалены. Перевести?");

// Where a participant competes: team, subject, grade, and his school (one of the team's).
struct Placement {
    int idKomand = 0, idPredmet = 0, idKlass = 0;
    QString school = {};
    bool operator==(const Placement&) const = default;
};
Placement placementOf(Database& db, Transaction& tr, int idChild);

// Whether a participant has a score row, a code or a group: what a move to another subject removes.
bool hasSubjectRows(Database& db, Transaction& tr, int idChild);

// Moves a participant to another team, subject or grade. Within his subject his score row, codes
// and group go with him; a code of his that another participant of the new grade and round holds
// (or one that reads the same on paper) refuses the move, naming it. They belong to the subject's
// rounds, so a move to another subject deletes them, writing his task scores to the history as
// removed. A move to another team needs his school among that team's (`to.school`; otherwise the
// school stays; kChooseSchool otherwise). The subject and grade he left and the one he joined are re-ranked. A refusal, and
// a participant deleted meanwhile, throw DbError.
void move(Database& db, Transaction& tr, int idChild, const Placement& to);

}  // namespace participants
