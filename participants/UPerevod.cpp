#include "UPerevod.h"

#include "Lookups.h"
#include "ui/Combo.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Messages.h"
#include "ui/Station.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QPointer<TFormPerevod> FormPerevod;

TFormPerevod::TFormPerevod(QWidget* owner, int idChild, const QString& name) : TForm(owner), m_idChild(idChild) {
    setObjectName(QStringLiteral("FormPerevod"));
    setWindowTitle(QStringLiteral("Перевод участника"));
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    auto* lay = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("Участник: %1").arg(name), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    lay->addWidget(Label1);
    lay->addWidget(new QLabel(QStringLiteral("В другой класс баллы, шифры и группа переходят вместе с ним, степень "
                                             "диплома снимается;\nпри переводе на другой предмет они удаляются. Места "
                                             "пересчитываются."),
                              this));

    auto* top = new QGridLayout;
    ComboBox1 = newChooser(this, "ComboBox1", 50, 220);
    ComboBox2 = newChooser(this, "ComboBox2", 50, 180);
    ComboBox3 = newChooser(this, "ComboBox3", 30, 80);
    m_from = participants::placementOf(db, tr, idChild);
    const participants::Placement& now = m_from;
    const struct {
        TComboBox* box;
        const char* caption;
        lookup::Dictionary dictionary;
        int key;
    } choosers[] = {{ComboBox1, "Команда", lookup::Dictionary::Teams, now.idKomand},
                    {ComboBox2, "Предмет", lookup::Dictionary::Subjects, now.idPredmet},
                    {ComboBox3, "Класс", lookup::Dictionary::Grades, now.idKlass}};
    int column = 0;
    for (const auto& c : choosers) {
        combo::setItems(c.box, lookup::dictionary(db, tr, c.dictionary));
        combo::setText(c.box, lookup::dictionaryName(db, tr, c.dictionary, c.key));
        top->addWidget(labelFor(this, QString::fromUtf8(c.caption), c.box), 0, column);
        top->addWidget(c.box, 1, column++);
    }
    ComboBox4 = newChooser(this, "ComboBox4", 500, 300);
    Label2 = labelFor(this, QStringLiteral("Учреждение"), ComboBox4);
    top->addWidget(Label2, 2, 0, 1, 3);
    top->addWidget(ComboBox4, 3, 0, 1, 3);
    Label2->setVisible(false);
    ComboBox4->setVisible(false);
    lay->addLayout(top);

    std::tie(Button1, Button2) = addDialogButtons(this, lay, QStringLiteral("Перевести"));
    setTabOrder(ComboBox1, ComboBox2);
    setTabOrder(ComboBox2, ComboBox3);
    setTabOrder(ComboBox3, ComboBox4);
    setTabOrder(ComboBox4, Button1);
    setTabOrder(Button1, Button2);
    ComboBox3->setFocus();  // a grade is what changes most often
    combo::onChoice(ComboBox1, this, &TFormPerevod::ComboBox1Change);
    ui::connect(Button1, &QPushButton::clicked, this, &TFormPerevod::Button1Click);
}

void TFormPerevod::ComboBox1Change() {
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    const int team = lookup::komandKey(db, tr, ComboBox1->currentText());
    const bool other = team != m_from.idKomand;
    combo::setItems(ComboBox4, other ? lookup::schoolsOfTeam(db, tr, team) : QStringList{});
    Label2->setVisible(other);
    ComboBox4->setVisible(other);
    adjustSize();
}

void TFormPerevod::Button1Click() {
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    participants::Placement to{lookup::komandKey(db, tr, ComboBox1->currentText()),
                               lookup::predmetKey(db, tr, ComboBox2->currentText()),
                               lookup::klassKey(db, tr, ComboBox3->currentText())};
    const struct {
        int key;
        TComboBox* box;
        const char* refusal;
    } needed[] = {{to.idKomand, ComboBox1, "Выберите команду"},
                  {to.idPredmet, ComboBox2, "Выберите предмет"},
                  {to.idKlass, ComboBox3, "Выберите класс"}};
    for (const auto& n : needed)
        if (n.key == 0) {
            msg::error(QString::fromUtf8(n.refusal));
            n.box->setFocus();
            return;
        }
    if (to.idKomand != m_from.idKomand) {
        to.school = ComboBox4->currentText().trimmed();
        if (lookup::schoolKey(db, tr, to.idKomand, to.school) == 0) {
            if (!ComboBox4->isVisible()) ComboBox1Change();  // a team typed and not confirmed
            msg::error(participants::kChooseSchool);
            ComboBox4->setFocus();
            return;
        }
    }
    if (to.idPredmet != m_from.idPredmet && participants::hasSubjectRows(db, tr, m_idChild) &&
        !msg::confirm(participants::kLeaveSubject.arg(lookup::dictionaryName(db, tr, lookup::Dictionary::Subjects, m_from.idPredmet))))
        return;
    if (!guardedWrite(tr, QStringLiteral("Участник не переведён"),
                      [&] { participants::move(db, tr, m_idChild, to); }))
        return;
    m_moved = true;
    accept();
}
