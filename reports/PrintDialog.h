#pragma once

#include "ui/Window.h"

#include <QList>
#include <utility>

class QGridLayout;
class QLabel;
class QPushButton;
class TComboBox;

// What the three report dialogs share: caption "Печать", bold green labels over their choosers,
// and "Ввод" (bold) at the lower right. "Ввод" closes the dialog for the report once every chooser
// shown names one of its items (else it says which to choose); Esc and the close box make no
// report. The report reads the choosers after the dialog closed with "Ввод".
class TFormPrintChoice : public TForm {
    Q_OBJECT
public:
    QPushButton* Button1;  // "Ввод"

public Q_SLOTS:
    void Button1Click();

protected:
    explicit TFormPrintChoice(QWidget* owner);
    // A chooser under its label, in the next place of the dialog; `refusal` says to choose it.
    TComboBox* chooser(const char* name, QLabel*& label, const char* labelName, const QString& caption, int row,
                       int col, const QString& refusal);
    // "Ввод" in its place, after the choosers.
    void finish();
    QGridLayout* m_grid;

private:
    QList<std::pair<TComboBox*, QString>> m_choosers;
};
