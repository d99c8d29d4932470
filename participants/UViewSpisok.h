#pragma once

#include "participants/ParticipantList.h"

// The participants of a team in a subject.
class TFormViewSpisok : public TFormParticipantList {
    Q_OBJECT
public:
    explicit TFormViewSpisok(QWidget* owner);

protected:
    QStringList firstItems() override;
    QStringList secondItems(const QString& team) override;
    void selectList(Query& q, const QString& team, const QString& subject) override;
};

extern QPointer<TFormViewSpisok> FormViewSpisok;
