#pragma once

#include "ui/Window.h"

class QGridLayout;
class QLabel;
class QPushButton;
class TComboBox;

// What the three report dialogs share: caption "Печать", bold green labels over their choosers,
// and "Ввод" (bold) at the lower right, which closes the dialog. The report reads the choosers
// after the dialog closes, however it was closed.
class TFormPrintChoice : public TForm {
    Q_OBJECT
public:
    QPushButton* Button1;  // "Ввод"

public Q_SLOTS:
    void Button1Click();

protected:
    explicit TFormPrintChoice(QWidget* owner);
    // A chooser under its label, in the next place of the dialog.
    TComboBox* chooser(const char* name, QLabel*& label, const char* labelName, const QString& caption, int row,
                       int col);
    // "Ввод" in its place, after the choosers.
    void finish();
    QGridLayout* m_grid;
};
