#pragma once

#include "ui/Window.h"

class QLabel;
class QLineEdit;
class QPushButton;

// The dialog that adds one name to a dictionary (a team, a subject, a grade): a label, an edit,
// OK and Cancel. A blank name, a name that already exists or a failed write is refused with
// "ошибка" and the dialog stays open; on success the registration window's chooser is refilled
// and the dialog closes.
class TFormAddName : public TForm {
    Q_OBJECT
public:
    struct Texts {
        const char* caption;
        const char* label;
        const char* ok;
        const char* cancel;
        int maxLength;
    };
    TFormAddName(QWidget* owner, const Texts& texts, bool centreOnDesktop);

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* Button1;
    QPushButton* Button2;

public Q_SLOTS:
    void Button1Click();
    void Button2Click();

protected:
    // Writes the name (no commit).
    virtual void store(const QString& name) = 0;
    // Refills the registration window's chooser after a successful add.
    virtual void refill() = 0;
};

inline const QString kDialogError = QStringLiteral("ошибка");
