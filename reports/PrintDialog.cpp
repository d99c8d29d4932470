#include "reports/PrintDialog.h"

#include "ui/Combo.h"
#include "ui/Handler.h"
#include "ui/Messages.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TFormPrintChoice::TFormPrintChoice(QWidget* owner) : TForm(owner) {
    setWindowTitle(QStringLiteral("Печать"));
    auto* lay = new QVBoxLayout(this);
    m_grid = new QGridLayout;
    lay->addLayout(m_grid);
    Button1 = new QPushButton(QStringLiteral("Ввод"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    QFont bold = Button1->font();
    bold.setBold(true);
    Button1->setFont(bold);
    Button1->setDefault(true);
    lay->addWidget(Button1, 0, Qt::AlignRight);
    ui::connect(Button1, &QPushButton::clicked, this, &TFormPrintChoice::Button1Click);
}

TComboBox* TFormPrintChoice::chooser(const char* name, QLabel*& label, const char* labelName, const QString& caption,
                                      int row, int col, const QString& refusal) {
    TComboBox* box = newChooser(this, name, 50, 200);
    m_choosers.append({box, refusal});
    label = labelFor(this, caption, box);
    label->setObjectName(QString::fromLatin1(labelName));
    label->setStyleSheet(QStringLiteral("font-weight: bold; color: green;"));
    m_grid->addWidget(label, row, col);
    m_grid->addWidget(box, row + 1, col);
    return box;
}

void TFormPrintChoice::finish() { setTabOrder(m_grid->itemAt(m_grid->count() - 1)->widget(), Button1); }

void TFormPrintChoice::Button1Click() {
    for (const auto& [box, refusal] : m_choosers)
        if (box->isVisible() && !combo::namesItem(box)) {
            msg::error(refusal);
            box->setFocus();
            return;
        }
    accept();
}
