#include "UViewSpisok.h"

#include "Lookups.h"
#include "participants/Lists.h"
#include "ui/Station.h"

QPointer<TFormViewSpisok> FormViewSpisok;

TFormViewSpisok::TFormViewSpisok(QWidget* owner)
    : TFormParticipantList(owner, {"Списки участников по командам", "Команда", "Предмет", false}) {
    setObjectName(QStringLiteral("FormViewSpisok"));
    FormCreate();
}

QStringList TFormViewSpisok::firstItems() { return lookup::teamsWithParticipants(DM->IBDatabase1, DM->IBTransaction1); }

QStringList TFormViewSpisok::secondItems(const QString& team) {
    return lookup::subjectsOfTeam(DM->IBDatabase1, DM->IBTransaction1, team);
}

void TFormViewSpisok::selectList(Query& q, const QString& team, const QString& subject) {
    q.setSql(QStringList{QStringLiteral("SELECT S.*, K.KLASS AS KLASS_NAME, %1").arg(QString::fromUtf8(participants::kPublishedColumn)),
              QStringLiteral("FROM SPISOK S LEFT JOIN S_KLASS K ON K.ID_KLASS = S.KLASS"),
              QStringLiteral("WHERE S.ID_KOMAND = :ID_KOMAND AND S.ID_PREDMET = :ID_PREDMET"),
              QStringLiteral("ORDER BY S.SURNAME, S.NAME, S.SECONDNAME, S.ID_CHILD")});
    q.setInt("ID_KOMAND", lookup::komandKey(DM->IBDatabase1, DM->IBTransaction1, team));
    q.setInt("ID_PREDMET", lookup::predmetKey(DM->IBDatabase1, DM->IBTransaction1, subject));
}
