#pragma once

#include "AddNameDialog.h"

// Adds a dictionary entry from the registration window.
class TFormAddKlass : public TFormAddName {
    Q_OBJECT
public:
    explicit TFormAddKlass(QWidget* owner);

protected:
    void store(const QString& name) override;
};

extern QPointer<TFormAddKlass> FormAddKlass;
