#pragma once

#include "AddNameDialog.h"

// Adds a dictionary entry from the registration window.
class TFormAddKomand : public TFormAddName {
    Q_OBJECT
public:
    explicit TFormAddKomand(QWidget* owner);

protected:
    void store(const QString& name) override;
};

extern QPointer<TFormAddKomand> FormAddKomand;
