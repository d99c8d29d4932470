#include "AddNameDialog.h"

#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Messages.h"
#include "ui/Station.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFormAddName::TFormAddName(QWidget* owner, const Texts& t, ui::Dictionary kind, bool centreOnDesktop)
    : TForm(owner, centreOnDesktop), m_kind(kind) {
    setWindowTitle(QString::fromUtf8(t.caption));
    auto* lay = new QVBoxLayout(this);
    Label1 = new QLabel(QString::fromUtf8(t.label), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(t.maxLength);
    Edit1->setMinimumWidth(320);
    Label1->setBuddy(Edit1);
    Button1 = new QPushButton(QString::fromUtf8(t.ok), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QString::fromUtf8(t.cancel), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    lay->addWidget(Label1);
    lay->addWidget(Edit1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    lay->addLayout(buttons);
    ui::connect(Button1, &QPushButton::clicked, this, &TFormAddName::Button1Click);
    ui::connect(Button2, &QPushButton::clicked, this, &TFormAddName::Button2Click);
}

void TFormAddName::Button1Click() {
    const QString name = Edit1->text().trimmed();
    if (name.isEmpty()) {
        msg::error(kDialogError, QStringLiteral("Название не может быть пустым."));
        Edit1->setFocus();
        return;
    }
    if (!guardedWrite(DM->IBTransaction1, kDialogError, [&] { store(name); })) {
        Edit1->setFocus();
        return;
    }
    Q_EMIT ui::notices().dictionaryChanged(m_kind);
    accept();
}

void TFormAddName::Button2Click() { reject(); }
