#pragma once

#include "ui/Notices.h"
#include "ui/Window.h"

class QLabel;
class QLineEdit;
class QPushButton;

// The dialog that adds one name to a dictionary (a team, a subject, a grade): a label, an edit,
// OK and Cancel. A blank name, a name that already exists or a failed write is refused with
// "ошибка" and the dialog stays open; on success the change is announced (the windows that show the
// dictionary refill themselves) and the dialog closes.
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
    TFormAddName(QWidget* owner, const Texts& texts, ui::Dictionary kind, bool centreOnDesktop);

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

private:
    const ui::Dictionary m_kind;
};

inline const QString kDialogError = QStringLiteral("ошибка");
