#pragma once

#include "participants/Ciphers.h"
#include "ui/Window.h"

#include <cstdint>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Generated codes for the list of the cipher entry window and its round: the form of the code (a
// start and a number of digits) and whom they are for, the participants without a code for the
// round or everyone, replacing their codes. "Сгенерировать" writes them all as one action and
// closes the dialog; Esc or "Отмена" leaves it without writing.
class TFormGenShifr : public TForm {
    Q_OBJECT
public:
    // `what` names the subject, grade, round and group for the operator; `prefix` is the start offered.
    TFormGenShifr(QWidget* owner, const ciphers::Selection& selection, const QString& what, const QString& prefix);

    QLabel* Label1;              // what the codes are for
    QLineEdit* Edit1;            // the start of a code
    QLineEdit* Edit2;            // the number of digits
    QRadioButton* RadioButton1;  // only those without a code (chosen at first)
    QRadioButton* RadioButton2;  // everyone, replacing their codes
    QPushButton* Button1;        // "Сгенерировать"
    QPushButton* Button2;        // "Отмена"

    // The seed of the codes' random order; the system's random source unless a test fixes it.
    static std::function<std::uint32_t()> seed;

public Q_SLOTS:
    void Button1Click();

private:
    ciphers::Selection m_selection;
};

extern QPointer<TFormGenShifr> FormGenShifr;
