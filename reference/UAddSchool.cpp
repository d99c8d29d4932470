#include "UAddSchool.h"

#include "AddNameDialog.h"
#include "Lookups.h"
#include "reference/Dictionaries.h"
#include "ui/Combo.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Messages.h"
#include "ui/Notices.h"
#include "ui/Station.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QPointer<TFormAddSchool> FormAddSchool;

TFormAddSchool::TFormAddSchool(QWidget* owner, int idKomand) : TForm(owner), m_idKomand(idKomand) {
    setObjectName(QStringLiteral("FormAddSchool"));
    setWindowTitle(QStringLiteral("Справочник учреждений образования"));
    auto* lay = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("Введите название учреждения"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(500);
    Edit1->setMinimumWidth(560);
    Label1->setBuddy(Edit1);
    Button1 = new QPushButton(QStringLiteral("Ввод"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button3 = new QPushButton(QStringLiteral("Ввод"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setVisible(false);
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button1->setDefault(true);
    lay->addWidget(Label1);
    lay->addWidget(Edit1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button3);
    buttons->addWidget(Button2);
    lay->addLayout(buttons);
    ui::connect(Button1, &QPushButton::clicked, this, &TFormAddSchool::Button1Click);
    ui::connect(Button2, &QPushButton::clicked, this, &TFormAddSchool::Button2Click);
    ui::connect(Button3, &QPushButton::clicked, this, &TFormAddSchool::Button3Click);
}

void TFormAddSchool::setRenameMode(const QString& oldName) {
    m_oldName = oldName;
    showText(Edit1, oldName);
    Button1->setVisible(false);
    Button3->setVisible(true);
    Button1->setDefault(false);
    Button3->setDefault(true);
}

void TFormAddSchool::Button1Click() {
    const QString name = Edit1->text().trimmed();
    if (m_idKomand == 0) {
        msg::error(QStringLiteral("Выберите команду"));
        reject();
        return;
    }
    if (name.isEmpty()) {
        msg::error(kDialogError, QStringLiteral("Название не может быть пустым."));
        Edit1->setFocus();
        return;
    }
    if (!guardedWrite(DM->IBTransaction1, kDialogError,
                      [&] { dict::addSchool(DM->IBDatabase1, DM->IBTransaction1, m_idKomand, name); })) {
        Edit1->setFocus();
        return;
    }
    Q_EMIT ui::notices().dictionaryChanged(ui::Dictionary::Schools);
    accept();
}

void TFormAddSchool::Button3Click() {
    const int school = m_oldName.isEmpty() || m_idKomand == 0
                           ? 0
                           : lookup::schoolKey(DM->IBDatabase1, DM->IBTransaction1, m_idKomand, m_oldName);
    if (school == 0) {
        msg::error(QStringLiteral("Выберите учреждение"));
        reject();
        return;
    }
    const QString name = Edit1->text().trimmed();
    if (name.isEmpty()) {
        msg::error(kDialogError, QStringLiteral("Название не может быть пустым."));
        Edit1->setFocus();
        return;
    }
    if (!guardedWrite(DM->IBTransaction1, kDialogError,
                      [&] { dict::renameSchool(DM->IBDatabase1, DM->IBTransaction1, m_idKomand, school, name); })) {
        Edit1->setFocus();
        return;
    }
    Q_EMIT ui::notices().dictionaryChanged(ui::Dictionary::Schools);
    accept();
}

void TFormAddSchool::Button2Click() { reject(); }
