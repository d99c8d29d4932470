#pragma once

#include "participants/ParticipantList.h"

// The participants of a subject in a grade.
class TFormViewKlass : public TFormParticipantList {
    Q_OBJECT
public:
    explicit TFormViewKlass(QWidget* owner);

protected:
    QStringList firstItems() override;
    QStringList secondItems(const QString& subject) override;
    void selectList(Query& q, const QString& subject, const QString& grade) override;
};

extern QPointer<TFormViewKlass> FormViewKlass;
