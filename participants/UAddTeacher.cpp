#include "UAddTeacher.h"

#include "participants/Lists.h"
#include "participants/Registration.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Messages.h"
#include "ui/Station.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QPointer<TFormAddTeacher> FormAddTeacher;

TFormAddTeacher::TFormAddTeacher(QWidget* owner, int idChild) : TForm(owner), m_idChild(idChild) {
    setObjectName(QStringLiteral("FormAddTeacher"));
    setWindowTitle(QStringLiteral("Добавить учителя"));
    auto* lay = new QVBoxLayout(this);
    auto* fields = new QGridLayout;
    QLineEdit** edits[] = {&Edit1, &Edit2, &Edit3};
    const char* captions[] = {"Фамилия", "Имя", "Отчество"};
    for (int i = 0; i < 3; ++i) {
        *edits[i] = new QLineEdit(this);
        (*edits[i])->setObjectName(QStringLiteral("Edit%1").arg(i + 1));
        (*edits[i])->setMaxLength(kNameLength);
        (*edits[i])->setMinimumWidth(150);
        fields->addWidget(labelFor(this, QString::fromUtf8(captions[i]), *edits[i]), 0, i);
        fields->addWidget(*edits[i], 1, i);
    }
    lay->addLayout(fields);
    std::tie(Button1, Button2) = addDialogButtons(this, lay, QStringLiteral("Ввод"));
    Edit1->setFocus();
    ui::connect(Button1, &QPushButton::clicked, this, &TFormAddTeacher::Button1Click);
}

bool TFormAddTeacher::unsavedWork() const {
    return !m_added && !(Edit1->text().trimmed() + Edit2->text().trimmed() + Edit3->text().trimmed()).isEmpty();
}

void TFormAddTeacher::Button1Click() {
    const PersonName t{Edit1->text().trimmed(), Edit2->text().trimmed(), Edit3->text().trimmed()};
    if (const NameRefusal why = teacherNameRefusal(t)) {
        msg::error(why.text);
        QLineEdit* parts[] = {Edit1, Edit2, Edit3};
        parts[why.part]->setFocus();
        return;
    }
    if (!guardedWrite(DM->IBTransaction1, kNotDone,
                      [&] { participants::addTeacher(DM->IBDatabase1, DM->IBTransaction1, m_idChild, t); }))
        return;
    m_added = true;
    accept();
}
