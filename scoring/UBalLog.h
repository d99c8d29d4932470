#pragma once

#include "ui/Window.h"

class QLabel;
class QTableWidget;

// The history of one participant's task scores, the latest change first: when, on which computer,
// which round and task, the score before and after. Read only.
class TFormBalLog : public TForm {
    Q_OBJECT
public:
    // `who` names the participant as the opening window shows him (a name, or a cipher when names
    // are hidden).
    TFormBalLog(QWidget* owner, int idChild, const QString& who);

    QLabel* Label1;
    QTableWidget* StringGrid1;
};

extern QPointer<TFormBalLog> FormBalLog;
