#include "diplomas/Diplomas.h"

#include "Query.h"
#include "diplomas/Declension.h"
#include "diplomas/Numbers.h"
#include "diplomas/Template.h"
#include "participants/Names.h"
#include "reference/Rounds.h"
#include "reports/ReportFiles.h"
#include "scoring/AwardRules.h"
#include "xlsx/FileError.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <map>

namespace diplomas {

namespace {

// Every participant's teachers as "Петрова А. С., Орлов П.", in the order they were registered: one
// reading for all the diplomas.
QHash<int, QString> teachers(Database& db, Transaction& tr) {
    Query q(db, tr, {"SELECT ID_CHILD, SURNAME, NAME, SECONDNAME FROM TEACHERS ORDER BY ID_CHILD, ID_TEACHER"});
    q.open();
    QHash<int, QString> out;
    for (q.first(); !q.eof(); q.next()) {
        const QString t = names::initials(q.fieldText("SURNAME"), q.fieldText("NAME"), q.fieldText("SECONDNAME"));
        if (t.isEmpty()) continue;
        QString& all = out[int(q.fieldInt("ID_CHILD"))];
        all += (all.isEmpty() ? QString() : QStringLiteral(", ")) + t;
    }
    return out;
}

QHash<QString, QString> valuesOf(const Winner& w, const declension::Dative& dative, const QString& number,
                                 const Choice& choice, const QString& olympiad) {
    return {{QStringLiteral("ФИО"), w.fullName()},
            {QStringLiteral("ФИО_ДАТ"), dative.text},
            {QStringLiteral("СТЕПЕНЬ"), degreeText(w.degree)},
            {QStringLiteral("ПРЕДМЕТ"), w.subject},
            {QStringLiteral("КЛАСС"), w.grade},
            {QStringLiteral("УЧРЕЖДЕНИЕ"), w.school},
            {QStringLiteral("КОМАНДА"), w.team},
            {QStringLiteral("УЧИТЕЛЯ"), w.teachers},
            {QStringLiteral("БАЛЛЫ"), w.hasTotal ? w.total.toString(QLocale(QLocale::Russian)) : QString()},
            {QStringLiteral("МЕСТО"), w.place > 0 ? QString::number(w.place) : QString()},
            {QStringLiteral("НОМЕР"), number},
            {QStringLiteral("ДАТА"), QLocale(QLocale::Russian).toString(choice.date, QStringLiteral("d MMMM yyyy г."))},
            {QStringLiteral("ОЛИМПИАДА"), olympiad}};
}

}  // namespace

QString Winner::fullName() const { return QStringList{surname, name, secondName}.join(u' ').simplified(); }

QString degreeText(int degree) {
    switch (degree) {
    case 1: return QStringLiteral("I степени");
    case 2: return QStringLiteral("II степени");
    case 3: return QStringLiteral("III степени");
    case 4: return QStringLiteral("Поощрительный отзыв");
    default: return QString();
    }
}

QList<Winner> winners(Database& db, Transaction& tr, const Choice& choice) {
    QStringList degrees;
    for (int d = 1; d <= 4; ++d)
        if (choice.degrees[size_t(d - 1)]) degrees << QString::number(d);
    if (degrees.isEmpty()) return {};
    Query q(db, tr);
    q.setSql(QStringList{
        QStringLiteral("SELECT S.ID_CHILD, S.ID_PREDMET, S.KLASS, S.SURNAME, S.NAME, S.SECONDNAME, S.SCHOOL, P.PREDMET,"),
        QStringLiteral("K.KLASS AS GRADE, T.KOMAND, B.SUMM, B.MESTO, B.DIPL_STEP"),
        QStringLiteral("FROM BAL B JOIN SPISOK S ON S.ID_CHILD = B.ID_CHILD"),
        QStringLiteral("JOIN S_PREDMET P ON P.ID_PREDMET = S.ID_PREDMET JOIN S_KLASS K ON K.ID_KLASS = S.KLASS"),
        QStringLiteral("JOIN S_KOMAND T ON T.ID_KOMAND = S.ID_KOMAND"),
        QStringLiteral("WHERE B.DIPL_STEP IN (%1)").arg(degrees.join(u',')),
        choice.subject.isEmpty() ? QString() : QStringLiteral("AND P.PREDMET = :PREDMET"),
        choice.grade.isEmpty() ? QString() : QStringLiteral("AND K.KLASS = :KLASS"),
        QStringLiteral("ORDER BY P.PREDMET, K.ID_KLASS, B.DIPL_STEP, S.SURNAME, S.NAME, S.SECONDNAME, S.ID_CHILD")});
    if (!choice.subject.isEmpty()) q.setText("PREDMET", choice.subject);
    if (!choice.grade.isEmpty()) q.setText("KLASS", choice.grade);
    q.open();
    QList<Winner> out;
    for (q.first(); !q.eof(); q.next()) {
        Winner w;
        w.idChild = int(q.fieldInt("ID_CHILD"));
        w.idPredmet = int(q.fieldInt("ID_PREDMET"));
        w.idKlass = int(q.fieldInt("KLASS"));
        w.surname = q.fieldText("SURNAME").trimmed();
        w.name = q.fieldText("NAME").trimmed();
        w.secondName = q.fieldText("SECONDNAME").trimmed();
        w.subject = q.fieldText("PREDMET");
        w.grade = q.fieldText("GRADE");
        w.school = q.fieldText("SCHOOL");
        w.team = q.fieldText("KOMAND");
        w.hasTotal = !q.fieldIsNull("SUMM") && q.fieldScore("SUMM") > Score();
        w.total = q.fieldScore("SUMM");
        w.place = int(q.fieldInt("MESTO"));
        w.degree = int(q.fieldInt("DIPL_STEP"));
        out << w;
    }
    const QHash<int, QString> taught = teachers(db, tr);
    for (Winner& w : out) w.teachers = taught.value(w.idChild);
    return out;
}

QStringList doubts(Database& db, Transaction& tr, const QList<Winner>& winners) {
    QStringList out;
    std::map<std::pair<int, int>, QHash<int, int>> expected;  // (subject, grade) -> child -> degree
    for (const Winner& w : winners) {
        const std::pair key{w.idPredmet, w.idKlass};
        if (expected.count(key)) continue;
        const QList<awardrules::Participant> list = awardrules::participants(db, tr, w.idPredmet, w.idKlass);
        awardrules::Cuts cuts = awardrules::given(list);
        const std::optional<awardrules::Applied> applied = awardrules::applied(db, tr, w.idPredmet, w.idKlass);
        if (applied && !applied->byHand) {
            QList<Score> totals;
            for (const awardrules::Participant& p : list) totals << p.total;
            cuts = awardrules::propose(totals, applied->rules, rounds::maxTotal(db, tr, w.idPredmet)).cuts;
        }
        QHash<int, int>& degrees = expected[key];
        for (const awardrules::Participant& p : list) degrees.insert(p.idChild, awardrules::degreeOf(p.total, cuts));
    }
    for (const Winner& w : winners) {
        const QString who = QStringLiteral("%1, %2 класс: %3 (%4)").arg(w.subject, w.grade, w.fullName(), degreeText(w.degree));
        const int rule = expected[{w.idPredmet, w.idKlass}].value(w.idChild, 0);
        if (!w.hasTotal)
            out << who + QStringLiteral(" — нет суммы баллов");
        else if (rule != w.degree)
            out << who + QStringLiteral(" — по правилам награждения %1")
                             .arg(rule == 0 ? QStringLiteral("без награды") : degreeText(rule));
    }
    return out;
}

Printed print(Database& db, Transaction& tr, const QList<Winner>& winners, const Choice& choice, const Template& t,
              const declension::Rules& rules, const QString& prefix, const QString& olympiad, const QString& folder,
              const Tell& tell) {
    Printed done;
    done.path = reportfiles::newFile(folder, QStringLiteral("Дипломы"), QDateTime::currentDateTime(), QStringLiteral(".pdf"));
    const QString part = done.path + QStringLiteral(".part");
    struct Leftover {
        QString path;
        ~Leftover() {
            if (!path.isEmpty()) QFile::remove(path);
        }
    } leftover{part};
    {
        PdfOut out(part, t, choice.blank);
        for (const Winner& w : winners) {
            const declension::Dative dative = declension::dative(rules, w.surname, w.name, w.secondName);
            // Only where the template prints the dative does a name left in the nominative count.
            const bool nominative = t.uses(QStringLiteral("ФИО_ДАТ")) && !dative.sure;
            const QString number = diplomanumbers::numberFor(db, tr, w.idChild, w.degree, prefix, choice.date, nominative);
            out.page(valuesOf(w, dative, number, choice, olympiad));
            done.nominative += nominative ? 1 : 0;
            ++done.pages;
            if (tell) tell(done.pages, int(winners.size()));
        }
        if (!out.finish()) throw FileError(QStringLiteral("Не удалось записать файл %1").arg(done.path));
    }
    if (!QFile::rename(part, done.path)) throw FileError(QStringLiteral("Не удалось записать файл %1").arg(done.path));
    leftover.path.clear();
    return done;
}

}  // namespace diplomas
