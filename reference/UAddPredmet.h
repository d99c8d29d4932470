#pragma once

#include "AddNameDialog.h"

// Adds a dictionary entry from the registration window.
class TFormAddPredmet : public TFormAddName {
    Q_OBJECT
public:
    explicit TFormAddPredmet(QWidget* owner);

protected:
    void store(const QString& name) override;
};

extern QPointer<TFormAddPredmet> FormAddPredmet;
