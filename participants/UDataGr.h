#pragma once

#include "ui/Window.h"

class QLabel;
class QLineEdit;
class QPushButton;

// Asks into how many groups the participants are divided. "Ввод" accepts; Esc or the close box
// ends the question.
class TFormDataGr : public TForm {
    Q_OBJECT
public:
    explicit TFormDataGr(QWidget* owner);

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* Button1;  // "Ввод"

public Q_SLOTS:
    void Button1Click();
};

extern QPointer<TFormDataGr> FormDataGr;
