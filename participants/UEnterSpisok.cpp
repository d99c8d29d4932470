#include "UEnterSpisok.h"

#include "DbError.h"
#include "Lookups.h"
#include "Text.h"
#include "participants/ListFile.h"
#include "participants/UImport.h"
#include "reference/Dictionaries.h"
#include "reference/UAddKlass.h"
#include "reference/UAddKomand.h"
#include "reference/UAddPredmet.h"
#include "reference/UAddSchool.h"
#include "reference/UTur.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Keyboard.h"
#include "ui/Messages.h"
#include "ui/Notices.h"
#include "ui/Station.h"
#include "xlsx/FileError.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QKeySequence>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

QPointer<TFormEnterSpisok> FormEnterSpisok;

namespace {


QLineEdit* edit(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaxLength(50);
    return e;
}

// A small dictionary button beside a chooser. It is out of the Tab chain; its key works while the
// chooser has the focus, and the tool tip names it.
QToolButton* small(QWidget* parent, const char* name, const QString& text, const QString& hint, QWidget* field,
                   const QKeySequence& key) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setFocusPolicy(Qt::NoFocus);
    b->setFixedWidth(26);
    pressedByKey(b, hint, key, {field});
    return b;
}

const QKeySequence kAddKey(Qt::Key_Insert);
const QKeySequence kDeleteKey(Qt::ALT | Qt::Key_Delete);
const QKeySequence kRenameKey(Qt::Key_F2);

QLabel* heading(QWidget* parent, const QString& text) {
    auto* l = new QLabel(text, parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

const char* const kNameCaptions[3] = {"Фамилия", "Имя", "Отчество"};

QString fullName(const PersonName& p) {
    return QStringList{p.surname, p.name, p.secondName}.join(u' ').simplified();
}

}  // namespace

TFormEnterSpisok::TFormEnterSpisok(QWidget* owner)
    : TForm(owner),
      IBQuery1(DM->IBDatabase1, DM->IBTransaction1, {"SELECT * FROM S_KOMAND ORDER BY ID_KOMAND"}),
      IBQuery2(DM->IBDatabase1, DM->IBTransaction1, {"SELECT * FROM S_PREDMET ORDER BY ID_PREDMET"}),
      IBQuery3(DM->IBDatabase1, DM->IBTransaction1, {"SELECT * FROM S_KLASS ORDER BY ID_KLASS"}),
      IBQuery4(DM->IBDatabase1, DM->IBTransaction1,
               {"SELECT * FROM S_SCHOOL ", "WHERE ID_KOMAND=:ID_KOMAND ", "ORDER BY SCHOOL"}) {
    setObjectName(QStringLiteral("FormEnterSpisok"));
    setWindowTitle(QStringLiteral("Ввод списка участников"));
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(teamAndSubject());
    lay->addWidget(childBox());
    lay->addWidget(teachersBox());
    lay->addWidget(schoolBox());
    lay->addStretch();  // a taller window keeps the labels by their fields
    lay->addLayout(buttonRow());
    QWidget* order[] = {ComboBox1, ComboBox2, Edit1,     Edit2,     Edit3,   Edit6,        Edit7,
                        Edit8,     Button1,   ComboBox3, ComboBox4, Button2, ButtonImport, Button3};
    for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
    connectHandlers();
    FormCreate();
}

QGridLayout* TFormEnterSpisok::teamAndSubject() {
    auto* top = new QGridLayout;
    ComboBox1 = newChooser(this, "ComboBox1", 50, 260);
    ComboBox2 = newChooser(this, "ComboBox2", 50, 220);
    Button4 = small(this, "Button4", QStringLiteral("+"), QStringLiteral("Добавить"), ComboBox1, kAddKey);
    Button5 = small(this, "Button5", QStringLiteral("-"), QStringLiteral("Удалить"), ComboBox1, kDeleteKey);
    Button6 = small(this, "Button6", QStringLiteral("+"), QStringLiteral("Добавить"), ComboBox2, kAddKey);
    Button7 = small(this, "Button7", QStringLiteral("-"), QStringLiteral("Удалить"), ComboBox2, kDeleteKey);
    auto* teamLabel = heading(this, QStringLiteral("Команда"));
    teamLabel->setBuddy(ComboBox1);
    auto* subjectLabel = heading(this, QStringLiteral("Предмет"));
    subjectLabel->setBuddy(ComboBox2);
    top->addWidget(teamLabel, 0, 0);
    top->addWidget(subjectLabel, 0, 4, 1, 2);
    top->addWidget(ComboBox1, 1, 0);
    top->addWidget(Button4, 1, 1);
    top->addWidget(Button5, 1, 2);
    top->addItem(new QSpacerItem(16, 1), 1, 3);
    top->addWidget(new QLabel(QStringLiteral("по"), this), 1, 4);
    top->addWidget(ComboBox2, 1, 5);
    top->addWidget(Button6, 1, 6);
    top->addWidget(Button7, 1, 7);
    top->setColumnStretch(0, 3);
    top->setColumnStretch(5, 2);
    return top;
}

QGroupBox* TFormEnterSpisok::childBox() {
    auto* child = new QGroupBox(QStringLiteral("Участники"), this);
    auto* childLay = new QGridLayout(child);
    Edit1 = edit(child, "Edit1");
    Edit2 = edit(child, "Edit2");
    Edit3 = edit(child, "Edit3");
    QLineEdit* childEdits[3] = {Edit1, Edit2, Edit3};
    for (int i = 0; i < 3; ++i) {
        auto* l = new QLabel(QString::fromUtf8(kNameCaptions[i]), child);
        l->setBuddy(childEdits[i]);
        childLay->addWidget(l, 0, i);
        childLay->addWidget(childEdits[i], 1, i);
    }
    return child;
}

// The teachers: "+" holds the one in the fields; the held ones are listed beside.
QGroupBox* TFormEnterSpisok::teachersBox() {
    auto* teachers = new QGroupBox(QStringLiteral("Учителя"), this);
    auto* tLay = new QGridLayout(teachers);
    Edit6 = edit(teachers, "Edit6");
    Edit7 = edit(teachers, "Edit7");
    Edit8 = edit(teachers, "Edit8");
    QLineEdit* teacherEdits[3] = {Edit6, Edit7, Edit8};
    auto* more = new QHBoxLayout;
    more->setSpacing(2);
    more->addWidget(new QLabel(QStringLiteral("(если более 1-го"), teachers));
    Button1 = new QPushButton(QStringLiteral("+"), teachers);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setFixedWidth(32);
    more->addWidget(Button1);
    more->addWidget(new QLabel(QStringLiteral(")"), teachers));
    more->addStretch();
    tLay->addLayout(more, 0, 0, 1, 3);
    for (int i = 0; i < 3; ++i) {
        auto* l = new QLabel(QString::fromUtf8(kNameCaptions[i]), teachers);
        l->setBuddy(teacherEdits[i]);
        tLay->addWidget(l, 1, i, Qt::AlignBottom);  // each label stays just above its field
        tLay->addWidget(teacherEdits[i], 2, i, Qt::AlignTop);
    }
    ListTeachers = new QListWidget(teachers);
    ListTeachers->setObjectName(QStringLiteral("ListTeachers"));
    ListTeachers->setToolTip(QStringLiteral("Учителя, добавленные кнопкой «+»: сохраняются вместе с участником по кнопке «Ввод»"));
    ListTeachers->setFocusPolicy(Qt::ClickFocus);
    ListTeachers->setMaximumHeight(72);
    ListTeachers->installEventFilter(this);
    ButtonRemoveTeacher = new QPushButton(QStringLiteral("Убрать"), teachers);
    ButtonRemoveTeacher->setObjectName(QStringLiteral("ButtonRemoveTeacher"));
    ButtonRemoveTeacher->setToolTip(QStringLiteral("Убрать выбранного учителя из списка"));
    ButtonRemoveTeacher->setFocusPolicy(Qt::NoFocus);
    ButtonRemoveTeacher->setEnabled(false);
    auto* heldLabel = new QLabel(QStringLiteral("Добавлены:"), teachers);
    tLay->addWidget(heldLabel, 0, 3);
    tLay->addWidget(ListTeachers, 1, 3, 2, 1);
    tLay->addWidget(ButtonRemoveTeacher, 3, 3, Qt::AlignRight);
    tLay->setColumnStretch(3, 1);
    pressedByKey(Button1, QStringLiteral("Добавить"), kAddKey, {Edit6, Edit7, Edit8});
    return teachers;
}

// School, grade, town.
QGroupBox* TFormEnterSpisok::schoolBox() {
    auto* school = new QGroupBox(QStringLiteral("Учреждение образования"), this);
    auto* sLay = new QGridLayout(school);
    ComboBox3 = newChooser(school, "ComboBox3", 500, 420);
    ComboBox4 = newChooser(school, "ComboBox4", 30, 80);
    Button8 = small(school, "Button8", QStringLiteral("+"), QStringLiteral("Добавить"), ComboBox3, kAddKey);
    Button9 = small(school, "Button9", QStringLiteral("-"), QStringLiteral("Удалить"), ComboBox3, kDeleteKey);
    BitBtn1 = small(school, "BitBtn1", QStringLiteral("✎"), QStringLiteral("Редактировать"), ComboBox3, kRenameKey);
    Button10 = small(school, "Button10", QStringLiteral("+"), QStringLiteral("Добавить"), ComboBox4, kAddKey);
    auto* schoolLabel = new QLabel(QStringLiteral("Название учреждения"), school);
    schoolLabel->setBuddy(ComboBox3);
    auto* gradeLabel = new QLabel(QStringLiteral("Класс"), school);
    gradeLabel->setBuddy(ComboBox4);
    sLay->addWidget(schoolLabel, 0, 0);
    sLay->addWidget(ComboBox3, 1, 0);
    sLay->addWidget(Button8, 1, 1);
    sLay->addWidget(Button9, 1, 2);
    sLay->addWidget(BitBtn1, 1, 3);
    sLay->addItem(new QSpacerItem(16, 1), 1, 4);
    sLay->addWidget(gradeLabel, 0, 5);
    sLay->addWidget(ComboBox4, 1, 5);
    sLay->addWidget(Button10, 1, 6);
    Label9 = new QLabel(QStringLiteral("Город/район"), school);
    Label9->setObjectName(QStringLiteral("Label9"));
    Edit9 = edit(school, "Edit9");
    Label9->setVisible(false);
    Edit9->setVisible(false);
    sLay->setColumnStretch(0, 1);
    return school;
}

QHBoxLayout* TFormEnterSpisok::buttonRow() {
    auto* buttons = new QHBoxLayout;
    Button2 = new QPushButton(QStringLiteral("Ввод"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setDefault(true);
    Button3 = new QPushButton(QStringLiteral("Отмена"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    ButtonImport = new QPushButton(QStringLiteral("Импорт…"), this);
    ButtonImport->setObjectName(QStringLiteral("ButtonImport"));
    ButtonImport->setAutoDefault(false);
    ButtonImport->setShortcut(QKeySequence(QStringLiteral("Ctrl+I")));
    ButtonImport->setToolTip(QStringLiteral("Импорт списка участников из файла .xlsx или .csv (Ctrl+I)"));
    buttons->addStretch();
    buttons->addWidget(ButtonImport);
    buttons->addWidget(Button2);
    buttons->addWidget(Button3);
    return buttons;
}

void TFormEnterSpisok::connectHandlers() {
    combo::onChoice(ComboBox1, this, &TFormEnterSpisok::ComboBox1Change);
    combo::onChoice(ComboBox2, this, &TFormEnterSpisok::ComboBox2Change);
    // A name is typed surname, Enter, name, Enter, patronymic, Enter: the last Enter is "Ввод".
    ui::enterGoesOn({Edit1, Edit2, Edit3}, Button2);
    ui::connect(Button1, &QPushButton::clicked, this, &TFormEnterSpisok::Button1Click);
    ui::connect(Button2, &QPushButton::clicked, this, &TFormEnterSpisok::Button2Click);
    ui::connect(Button3, &QPushButton::clicked, this, &TFormEnterSpisok::Button3Click);
    ui::connect(ButtonImport, &QPushButton::clicked, this, &TFormEnterSpisok::ButtonImportClick);
    ui::connect(ButtonRemoveTeacher, &QPushButton::clicked, this, &TFormEnterSpisok::ButtonRemoveTeacherClick);
    connect(ListTeachers, &QListWidget::currentRowChanged, this,
            [this](int row) { ButtonRemoveTeacher->setEnabled(row >= 0); });
    ui::connect(Button4, &QToolButton::clicked, this, &TFormEnterSpisok::Button4Click);
    ui::connect(Button5, &QToolButton::clicked, this, &TFormEnterSpisok::Button5Click);
    ui::connect(Button6, &QToolButton::clicked, this, &TFormEnterSpisok::Button6Click);
    ui::connect(Button7, &QToolButton::clicked, this, &TFormEnterSpisok::Button7Click);
    ui::connect(Button8, &QToolButton::clicked, this, &TFormEnterSpisok::Button8Click);
    ui::connect(Button9, &QToolButton::clicked, this, &TFormEnterSpisok::Button9Click);
    ui::connect(BitBtn1, &QToolButton::clicked, this, &TFormEnterSpisok::BitBtn1Click);
    ui::connect(Button10, &QToolButton::clicked, this, &TFormEnterSpisok::Button10Click);
    ui::connect(&ui::notices(), &ui::TNotices::dictionaryChanged, this, [this](ui::Dictionary kind) { refill(kind); });
}

void TFormEnterSpisok::refillKomands() { combo::fillFrom(ComboBox1, IBQuery1, QStringLiteral("KOMAND")); }
void TFormEnterSpisok::refillPredmets() { combo::fillFrom(ComboBox2, IBQuery2, QStringLiteral("PREDMET")); }
void TFormEnterSpisok::refillKlasses() { combo::fillFrom(ComboBox4, IBQuery3, QStringLiteral("KLASS")); }

void TFormEnterSpisok::refill(ui::Dictionary kind) {
    switch (kind) {
    case ui::Dictionary::Teams: return refillKomands();
    case ui::Dictionary::Subjects: return refillPredmets();
    case ui::Dictionary::Grades: return refillKlasses();
    case ui::Dictionary::Schools: return refillSchools();
    case ui::Dictionary::Rounds: return;  // not shown here
    }
}

void TFormEnterSpisok::refillSchools() {
    IBQuery4.setInt(QStringLiteral("ID_KOMAND"), komandKey());
    combo::fillFrom(ComboBox3, IBQuery4, QStringLiteral("SCHOOL"));
}

int TFormEnterSpisok::komandKey() const {
    return lookup::komandKey(DM->IBDatabase1, DM->IBTransaction1, ComboBox1->currentText());
}

int TFormEnterSpisok::predmetKey() const {
    return lookup::predmetKey(DM->IBDatabase1, DM->IBTransaction1, ComboBox2->currentText());
}

void TFormEnterSpisok::FormCreate() {
    refillKomands();
    refillPredmets();
    refillKlasses();
    combo::clear(ComboBox3);
}

void TFormEnterSpisok::ComboBox1Change() {
    combo::clear(ComboBox2);
    combo::clear(ComboBox3);
    combo::clear(ComboBox4);
    refillPredmets();
    refillSchools();
    refillKlasses();
}

void TFormEnterSpisok::ComboBox2Change() {
    if (const int key = predmetKey()) openWindow(FormTur, this, key, ComboBox2->currentText());
}

PersonName TFormEnterSpisok::teacherInFields() const {
    return {Edit6->text().trimmed(), Edit7->text().trimmed(), Edit8->text().trimmed()};
}

void TFormEnterSpisok::Button1Click() {
    const PersonName t = teacherInFields();
    if (!t.surname.isEmpty()) {
        if (const NameRefusal why = teacherNameRefusal(t)) {  // the fields keep their text to be corrected
            QLineEdit* parts[] = {Edit6, Edit7, Edit8};
            return refuse(parts[why.part], why.text);
        }
        m_held.append(t);
        ListTeachers->addItem(fullName(t));
    }
    Edit6->clear();
    Edit7->clear();
    Edit8->clear();
    Edit6->setFocus();
}

void TFormEnterSpisok::ButtonRemoveTeacherClick() {
    const int row = ListTeachers->currentRow();
    if (row < 0 || row >= m_held.size()) return;
    m_held.removeAt(row);
    delete ListTeachers->takeItem(row);
}

void TFormEnterSpisok::refuse(QWidget* field, const QString& message, const QString& detail) {
    msg::error(message, detail);
    field->setFocus();
}

bool TFormEnterSpisok::storable(std::initializer_list<std::pair<QWidget*, QString>> fields) {
    for (const auto& [field, text] : fields)
        if (const QString refused = text1251::refusal(text); !refused.isEmpty()) {
            refuse(field, kNotDone, refused);
            return false;
        }
    return true;
}

void TFormEnterSpisok::Button2Click() {
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    Registration r;
    r.idKomand = komandKey();
    if (r.idKomand == 0) return refuse(ComboBox1, QStringLiteral("Выберите команду"));
    r.idPredmet = predmetKey();
    if (r.idPredmet == 0) return refuse(ComboBox2, QStringLiteral("Выберите предмет"));
    r.child = {Edit1->text().trimmed(), Edit2->text().trimmed(), Edit3->text().trimmed()};
    if (const NameRefusal why = childNameRefusal(r.child)) {
        QLineEdit* parts[] = {Edit1, Edit2, Edit3};
        return refuse(parts[why.part], why.text);
    }
    r.idKlass = lookup::klassKey(db, tr, ComboBox4->currentText());
    if (r.idKlass == 0) return refuse(ComboBox4, QStringLiteral("Выберите класс"));
    r.school = ComboBox3->currentText().trimmed();
    r.sity = Edit9->text();
    r.teachers = m_held;
    const PersonName t = teacherInFields();
    if (!t.surname.isEmpty()) {
        if (const NameRefusal why = teacherNameRefusal(t)) {
            QLineEdit* parts[] = {Edit6, Edit7, Edit8};
            return refuse(parts[why.part], why.text);
        }
        r.teachers.append(t);
    }
    if (!storable({{ComboBox3, r.school}})) return;
    // A child registered again by mistake is the usual slip; namesakes are possible, so it is asked.
    if (const QStringList same = namesakes(db, tr, r); !same.isEmpty()) {
        const QString who = QStringList{r.child.surname, r.child.name, r.child.secondName}.join(u' ').simplified();
        if (!msg::confirm(QStringLiteral("%1 уже зарегистрирован(а): команда «%2», предмет «%3», класс «%4».\n%5\n\n"
                                         "Зарегистрировать ещё раз?")
                              .arg(who, ComboBox1->currentText(), ComboBox2->currentText(), ComboBox4->currentText(),
                                   same.join(u'\n')))) {
            Edit1->setFocus();
            return;
        }
    }

    if (!guardedWrite(tr, kNotDone, [&] { insertParticipant(db, tr, r); })) return;

    clearHeld();
    combo::clearChoice(ComboBox3);
    combo::clearChoice(ComboBox4);
    for (QLineEdit* e : {Edit1, Edit2, Edit3, Edit6, Edit7, Edit8, Edit9}) e->clear();
    Edit1->setFocus();
}

void TFormEnterSpisok::ButtonImportClick() {
    const QString file =
        msg::chooseFile(this, QStringLiteral("Списки участников (*.xlsx *.csv *.txt);;Все файлы (*)"));
    if (file.isEmpty()) return;
    // A file that cannot be a list is said once, and no preview is shown.
    listimport::List list;
    try {
        list = listimport::openList(file);
    } catch (const FileError& e) {
        return msg::error(e.text());
    }
    // What the file has no column for is taken from this window's choices.
    const listimport::Defaults defaults{ComboBox1->currentText().trimmed(), ComboBox2->currentText().trimmed(),
                                        ComboBox4->currentText().trimmed(), ComboBox3->currentText().trimmed()};
    openWindow(FormImport, this, file, list, defaults);
    // The import may have added teams, subjects, grades and schools.
    const QString komand = ComboBox1->currentText(), predmet = ComboBox2->currentText();
    refillKomands();
    refillPredmets();
    refillKlasses();
    combo::setText(ComboBox1, komand);
    combo::setText(ComboBox2, predmet);
    refillSchools();
}

void TFormEnterSpisok::clearHeld() {
    m_held.clear();
    ListTeachers->clear();
}

bool TFormEnterSpisok::unsavedWork() const {
    if (!m_held.isEmpty()) return true;
    for (const QLineEdit* e : {Edit1, Edit2, Edit3, Edit6, Edit7, Edit8})
        if (!e->text().trimmed().isEmpty()) return true;
    return false;
}

void TFormEnterSpisok::reject() {
    TForm::reject();
    if (!isVisible()) clearHeld();  // held teachers never go to another child
}

bool TFormEnterSpisok::eventFilter(QObject* watched, QEvent* e) {
    if (watched == ListTeachers && e->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(e)->key() == Qt::Key_Delete) {
        ButtonRemoveTeacherClick();
        return true;
    }
    return TForm::eventFilter(watched, e);
}

void TFormEnterSpisok::Button3Click() { reject(); }

void TFormEnterSpisok::Button4Click() { openWindow(FormAddKomand, this); }
void TFormEnterSpisok::Button6Click() { openWindow(FormAddPredmet, this); }
void TFormEnterSpisok::Button10Click() { openWindow(FormAddKlass, this); }
void TFormEnterSpisok::Button8Click() { openWindow(FormAddSchool, this, komandKey()); }

void TFormEnterSpisok::BitBtn1Click() {
    const std::unique_ptr<TFormAddSchool> w(new TFormAddSchool(this, komandKey()));
    FormAddSchool = w.get();
    w->setRenameMode(ComboBox3->currentText());
    w->exec();
}

void TFormEnterSpisok::deleteChosen(bool chosen, const QString& notChosen, const std::function<void()>& remove,
                                    const std::function<void()>& refill) {
    if (!chosen) return msg::error(notChosen);
    if (!msg::confirm(kSureDelete)) return;
    if (guardedWrite(DM->IBTransaction1, kNotDone, remove)) refill();
}

void TFormEnterSpisok::Button5Click() {
    const QString team = ComboBox1->currentText();
    deleteChosen(
        komandKey() != 0, QStringLiteral("Выберите команду"),
        [&] { dict::deleteKomand(DM->IBDatabase1, DM->IBTransaction1, team); },
        [&] {
            refillKomands();
            combo::clear(ComboBox3);
        });
}

void TFormEnterSpisok::Button7Click() {
    const QString subject = ComboBox2->currentText();
    deleteChosen(
        predmetKey() != 0, QStringLiteral("Выберите предмет"),
        [&] { dict::deletePredmet(DM->IBDatabase1, DM->IBTransaction1, subject); }, [&] { refillPredmets(); });
}

void TFormEnterSpisok::Button9Click() {
    const QString school = ComboBox3->currentText();
    const int team = komandKey();
    const bool chosen =
        team != 0 && !school.isEmpty() && lookup::schoolKey(DM->IBDatabase1, DM->IBTransaction1, team, school) != 0;
    deleteChosen(
        chosen, QStringLiteral("Выберите учреждение"),
        [&] { dict::deleteSchool(DM->IBDatabase1, DM->IBTransaction1, team, school); }, [&] { refillSchools(); });
}
