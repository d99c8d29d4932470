#include "UPerevod.h"

#include "Lookups.h"
#include "app/UDM.h"
#include "participants/Lists.h"
#include "ui/Combo.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Messages.h"

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
    lay->addWidget(new QLabel(QStringLiteral("Баллы, шифры и группа переходят вместе с ним; места пересчитываются.\n"
                                                "Степень диплома в другом классе или предмете снимается."), this));

    auto* top = new QGridLayout;
    ComboBox1 = newChooser(this, "ComboBox1", 50, 220);
    ComboBox2 = newChooser(this, "ComboBox2", 50, 180);
    ComboBox3 = newChooser(this, "ComboBox3", 30, 80);
    const participants::Placement now = participants::placementOf(db, tr, idChild);
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
    lay->addLayout(top);

    std::tie(Button1, Button2) = addDialogButtons(this, lay, QStringLiteral("Перевести"));
    setTabOrder(ComboBox1, ComboBox2);
    setTabOrder(ComboBox2, ComboBox3);
    setTabOrder(ComboBox3, Button1);
    setTabOrder(Button1, Button2);
    ComboBox3->setFocus();  // a grade is what changes most often
    ui::connect(Button1, &QPushButton::clicked, this, &TFormPerevod::Button1Click);
}

void TFormPerevod::Button1Click() {
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    const participants::Placement to{lookup::komandKey(db, tr, ComboBox1->currentText()),
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
    if (!guardedWrite(tr, QStringLiteral("Участник не переведён"),
                      [&] { participants::move(db, tr, m_idChild, to); }))
        return;
    m_moved = true;
    accept();
}
