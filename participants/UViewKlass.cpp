#include "UViewKlass.h"

#include "Lookups.h"
#include "participants/Lists.h"
#include "ui/Station.h"

QPointer<TFormViewKlass> FormViewKlass;

TFormViewKlass::TFormViewKlass(QWidget* owner)
    : TFormParticipantList(owner, {"Списки участников по классам", "Предмет", "Класс", true}) {
    setObjectName(QStringLiteral("FormViewKlass"));
    FormCreate();
}

QStringList TFormViewKlass::firstItems() {
    return lookup::subjectsWithParticipants(DM->IBDatabase1, DM->IBTransaction1);
}

QStringList TFormViewKlass::secondItems(const QString& subject) {
    return lookup::gradesOfSubject(DM->IBDatabase1, DM->IBTransaction1, subject);
}

void TFormViewKlass::selectList(Query& q, const QString& subject, const QString& grade) {
    q.setSql(QStringList{QStringLiteral("SELECT S.*, K.KLASS AS KLASS_NAME, %1").arg(QString::fromUtf8(participants::kPublishedColumn)),
              QStringLiteral("FROM SPISOK S LEFT JOIN S_KLASS K ON K.ID_KLASS = S.KLASS"),
              QStringLiteral("WHERE S.ID_PREDMET = :ID_PREDMET AND S.KLASS = :KLASS"),
              QStringLiteral("ORDER BY S.SURNAME, S.NAME, S.SECONDNAME, S.ID_CHILD")});
    q.setInt("ID_PREDMET", lookup::predmetKey(DM->IBDatabase1, DM->IBTransaction1, subject));
    q.setInt("KLASS", lookup::klassKey(DM->IBDatabase1, DM->IBTransaction1, grade));
}
