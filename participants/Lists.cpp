#include "participants/Lists.h"

#include "DbError.h"
#include "Lookups.h"
#include "Query.h"
#include "Tasks.h"
#include "appeals/Status.h"
#include "participants/Ciphers.h"
#include "participants/Registration.h"
#include "scoring/Places.h"
#include "scoring/ScoreLog.h"
#include "scoring/Scores.h"

#include <QStringList>

namespace participants {

void remove(Database& db, Transaction& tr, int idChild) {
    // Final results and a decided appeal are the record of the olympiad: he stays in them.
    status::refuseIfFinalFor(db, tr, idChild);
    Query decided(db, tr, {"SELECT MIN(N_APPEAL) AS N FROM APPEAL WHERE ID_CHILD = :ID_CHILD AND DECIDED_AT IS NOT NULL"});
    decided.setInt("ID_CHILD", idChild);
    decided.open();
    if (!decided.fieldIsNull("N"))
        throw DbError(QStringLiteral("У участника есть рассмотренная апелляция № %1: удалить его нельзя.").arg(decided.fieldInt("N")));
    Query scored(db, tr, {"SELECT ID_PREDMET, KLASS FROM BAL WHERE ID_CHILD = :ID_CHILD"});
    scored.setInt("ID_CHILD", idChild);
    scored.open();
    const bool hadScores = !scored.isEmpty();
    const int idPredmet = hadScores ? int(scored.fieldInt("ID_PREDMET")) : 0;
    const int idKlass = hadScores ? int(scored.fieldInt("KLASS")) : 0;
    if (hadScores) lockSubjectPlaces(db, tr, idPredmet);

    Query del(db, tr);
    for (const char* table : {"BAL", "GRUP", "SHIFR", "TEACHERS"}) {
        del.setSql(QStringList{QStringLiteral("DELETE FROM  %1").arg(QLatin1String(table)),
                               QStringLiteral("WHERE  ID_CHILD= :ID_CHILD;")});
        del.setInt("ID_CHILD", idChild);
        del.execute();
    }
    del.setSql({"DELETE FROM   SPISOK", "WHERE  ID_CHILD= :ID_CHILD;"});
    del.setInt("ID_CHILD", idChild);
    del.execute();

    if (hadScores) RecomputePlaces(db, tr, idPredmet, idKlass);
}

}  // namespace participants

namespace participants {

namespace {

const QString kGone = QStringLiteral("Участник удалён на другом рабочем месте.");

// The columns a list may change, with their names in the operator's words.
struct Editable {
    const char* field;
    const char* what;
};
const Editable kChildFields[] = {{"SURNAME", "Фамилия"}, {"NAME", "Имя"},     {"SECONDNAME", "Отчество"},
                                 {"SCHOOL", "Учреждение"}, {"SITY", "Город/район"}};
const Editable kTeacherFields[] = {{"SURNAME", "Фамилия учителя"}, {"NAME", "Имя учителя"},
                                   {"SECONDNAME", "Отчество учителя"}};

template <size_t N>
const Editable& editable(const Editable (&fields)[N], const QString& field) {
    for (const Editable& e : fields)
        if (field == QLatin1String(e.field)) return e;
    throw DbError(QStringLiteral("Столбец %1 не исправляется в списке").arg(field));
}

void update(Database& db, Transaction& tr, const char* table, const char* key, int id, const QString& field,
            const QString& value) {
    Query q(db, tr);
    q.setSql(QStringList{QStringLiteral("UPDATE %1 SET %2 = :VALUE WHERE %3 = :ID").arg(QLatin1String(table), field, QLatin1String(key))});
    q.setText("VALUE", value.trimmed());
    q.setInt("ID", id);
    q.execute();
    if (q.rowsAffected() == 0) throw DbError(kGone);
}

}  // namespace

QString correctionRefusal(const QString& field, const QString& value) {
    const Editable& e = editable(kChildFields, field);
    const QString what = QString::fromUtf8(e.what), v = value.trimmed();
    if (field == u"SURNAME") return nameRefusal(what, v, kEnterSurname);
    if (field == u"NAME") return nameRefusal(what, v, kEnterName);
    if (field == u"SECONDNAME") return nameRefusal(what, v);
    return textRefusal(what, v, field == u"SCHOOL" ? kSchoolLength : kSityLength);
}

void correct(Database& db, Transaction& tr, int idChild, const QString& field, const QString& value) {
    editable(kChildFields, field);
    update(db, tr, "SPISOK", "ID_CHILD", idChild, field, value);
}

QString publishedRefusal(const QString& value) {
    const QString v = value.trimmed().toLower();
    if (v == kPublishedYes || v == kPublishedNo) return QString();
    return QStringLiteral("Публиковать: выберите «да» или «нет»");
}

void setPublished(Database& db, Transaction& tr, int idChild, const QString& value) {
    Query q(db, tr, {"UPDATE SPISOK SET NE_PUBL = :NE_PUBL WHERE ID_CHILD = :ID"});
    q.setInt("NE_PUBL", value.trimmed().toLower() == kPublishedNo ? 1 : 0);
    q.setInt("ID", idChild);
    q.execute();
    if (q.rowsAffected() == 0) throw DbError(kGone);
}

QString teacherCorrectionRefusal(const QString& field, const QString& value) {
    const QString what = QString::fromUtf8(editable(kTeacherFields, field).what);
    return nameRefusal(what, value.trimmed(), field == u"SURNAME" ? kEnterTeacherSurname : QString());
}

void correctTeacher(Database& db, Transaction& tr, int idTeacher, const QString& field, const QString& value) {
    editable(kTeacherFields, field);
    update(db, tr, "TEACHERS", "ID_TEACHER", idTeacher, field, value);
}

void addTeacher(Database& db, Transaction& tr, int idChild, const PersonName& t) {
    Query q(db, tr,
            {"INSERT INTO TEACHERS (ID_CHILD, SURNAME, NAME, SECONDNAME)",
             "VALUES (:ID_CHILD, :SURNAME, :NAME, :SECONDNAME)"});
    q.setInt("ID_CHILD", idChild);
    q.setText("SURNAME", t.surname.trimmed());
    q.setText("NAME", t.name.trimmed());
    q.setText("SECONDNAME", t.secondName.trimmed());
    q.execute();
}

void removeTeacher(Database& db, Transaction& tr, int idTeacher) {
    Query q(db, tr, {"DELETE FROM TEACHERS WHERE ID_TEACHER = :ID_TEACHER"});
    q.setInt("ID_TEACHER", idTeacher);
    q.execute();
}

Placement placementOf(Database& db, Transaction& tr, int idChild) {
    Query q(db, tr, {"SELECT ID_KOMAND, ID_PREDMET, KLASS, SCHOOL FROM SPISOK WHERE ID_CHILD = :ID_CHILD"});
    q.setInt("ID_CHILD", idChild);
    q.open();
    if (q.isEmpty()) throw DbError(kGone);
    return {int(q.fieldInt("ID_KOMAND")), int(q.fieldInt("ID_PREDMET")), int(q.fieldInt("KLASS")), q.fieldText("SCHOOL")};
}

bool hasSubjectRows(Database& db, Transaction& tr, int idChild) {
    Query q(db, tr,
            {"SELECT (SELECT COUNT(*) FROM BAL WHERE ID_CHILD = :ID_CHILD) + (SELECT COUNT(*) FROM SHIFR WHERE ID_CHILD = "
             ":ID_CHILD) + (SELECT COUNT(*) FROM GRUP WHERE ID_CHILD = :ID_CHILD) AS N FROM RDB$DATABASE"});
    q.setInt("ID_CHILD", idChild);
    q.open();
    return q.fieldInt("N") > 0;
}

namespace {

// His codes that another participant of the subject, grade and round he goes to holds, as read.
void refuseTakenCodes(Database& db, Transaction& tr, int idChild, const Placement& to) {
    Query codes(db, tr, {"SELECT ID_TUR, SHIFR FROM SHIFR WHERE ID_CHILD = :ID_CHILD ORDER BY ID_TUR"});
    codes.setInt("ID_CHILD", idChild);
    codes.open();
    QStringList taken;
    for (codes.first(); !codes.eof(); codes.next()) {
        const int tur = int(codes.fieldInt("ID_TUR"));
        if (ciphers::holder(db, tr, to.idPredmet, to.idKlass, tur, codes.fieldText("SHIFR"), idChild) != 0)
            taken << QStringLiteral("«%1» (тур %2)").arg(codes.fieldText("SHIFR")).arg(tur);
    }
    if (!taken.isEmpty())
        throw DbError(QStringLiteral("Шифр %1 уже есть у другого участника этого предмета и класса. Измените шифр и "
                                     "повторите перевод.")
                          .arg(taken.join(QStringLiteral(", "))));
}

// Deletes his score row, codes and group; the task scores go to the history as removed.
void leaveSubject(Database& db, Transaction& tr, int idChild, int idPredmet) {
    if (const std::optional<scores::Slots> stored = scores::load(db, tr, idChild)) {
        const tasks::Counts counts = tasks::inUse(db, tr, idPredmet);
        QList<scorelog::Change> removed;
        for (int i = 0; i < scores::kSlots; ++i)
            if (tasks::has(counts, i) || (*stored)[size_t(i)] != Score()) removed.append({i, (*stored)[size_t(i)], std::nullopt});
        scorelog::append(db, tr, idChild, removed);
    }
    Query del(db, tr);
    for (const char* table : {"BAL", "SHIFR", "GRUP"}) {
        del.setSql(QStringList{QStringLiteral("DELETE FROM %1 WHERE ID_CHILD = :ID_CHILD").arg(QLatin1String(table))});
        del.setInt("ID_CHILD", idChild);
        del.execute();
    }
}

// An appeal is against the tasks of his subject's rounds: with one he stays in his subject.
void refuseWithAppeals(Database& db, Transaction& tr, int idChild) {
    Query q(db, tr, {"SELECT MIN(N_APPEAL) AS N FROM APPEAL WHERE ID_CHILD = :ID_CHILD"});
    q.setInt("ID_CHILD", idChild);
    q.open();
    if (!q.fieldIsNull("N"))
        throw DbError(QStringLiteral("У участника есть апелляция № %1 по этому предмету: перевести его на другой предмет нельзя.")
                          .arg(q.fieldInt("N")));
}

}  // namespace

void move(Database& db, Transaction& tr, int idChild, const Placement& to) {
    const Placement from = placementOf(db, tr, idChild);
    const QString school = to.idKomand == from.idKomand && to.school.isEmpty() ? from.school : to.school;
    if (to.idKomand != from.idKomand && lookup::schoolKey(db, tr, to.idKomand, school) == 0)
        throw DbError(kChooseSchool);
    if (from == Placement{to.idKomand, to.idPredmet, to.idKlass, school}) return;
    const bool otherSubject = from.idPredmet != to.idPredmet;
    Query scored(db, tr, {"SELECT COUNT(*) AS N FROM BAL WHERE ID_CHILD = :ID_CHILD"});
    scored.setInt("ID_CHILD", idChild);
    scored.open();
    const bool hasScores = scored.fieldInt("N") > 0;
    if (hasScores && (otherSubject || from.idKlass != to.idKlass)) {  // his place leaves one list and joins another
        status::refuseIfFinal(db, tr, from.idPredmet, from.idKlass);
        if (!otherSubject) status::refuseIfFinal(db, tr, to.idPredmet, to.idKlass);
    }
    if (otherSubject) refuseWithAppeals(db, tr, idChild);
    if (hasScores)  // both subjects' places, always in the same order, so two stations never wait on each other
        for (int predmet : {qMin(from.idPredmet, to.idPredmet), qMax(from.idPredmet, to.idPredmet)})
            lockSubjectPlaces(db, tr, predmet);
    if (otherSubject) leaveSubject(db, tr, idChild, from.idPredmet);
    else refuseTakenCodes(db, tr, idChild, to);

    Query child(db, tr,
                {"UPDATE SPISOK SET ID_KOMAND = :ID_KOMAND, ID_PREDMET = :ID_PREDMET, KLASS = :KLASS, SCHOOL = :SCHOOL",
                 "WHERE ID_CHILD = :ID_CHILD"});
    child.setInt("ID_KOMAND", to.idKomand);
    child.setInt("ID_PREDMET", to.idPredmet);
    child.setInt("KLASS", to.idKlass);
    child.setText("SCHOOL", school);
    child.setInt("ID_CHILD", idChild);
    child.execute();
    if (otherSubject || from.idKlass != to.idKlass) {
        // His printed diploma was for the subject and grade he leaves: its number no longer stands.
        Query diplomas(db, tr, {"UPDATE DIPLOM SET STATUS = 0 WHERE ID_CHILD = :ID_CHILD AND STATUS = 1"});
        diplomas.setInt("ID_CHILD", idChild);
        diplomas.execute();
    }
    if (!otherSubject) {
        Query rows(db, tr);
        for (const char* table : {"BAL", "SHIFR", "GRUP"}) {
            rows.setSql(QStringList{QStringLiteral("UPDATE %1 SET KLASS = :KLASS WHERE ID_CHILD = :ID_CHILD").arg(QLatin1String(table))});
            rows.setInt("KLASS", to.idKlass);
            rows.setInt("ID_CHILD", idChild);
            rows.execute();
        }
        if (hasScores && from.idKlass != to.idKlass) {
            // A degree is given among the participants of a subject and grade: it does not follow him.
            Query degree(db, tr, {"UPDATE BAL SET DIPL_STEP = 0 WHERE ID_CHILD = :ID_CHILD AND DIPL_STEP <> 0"});
            degree.setInt("ID_CHILD", idChild);
            degree.execute();
        }
    }
    if (hasScores) {
        RecomputePlaces(db, tr, from.idPredmet, from.idKlass);
        if (!otherSubject) RecomputePlaces(db, tr, to.idPredmet, to.idKlass);
    }
}

}  // namespace participants
