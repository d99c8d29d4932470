#include "scoring/ResultsView.h"

#include "Lookups.h"
#include "appeals/Status.h"
#include "ui/DataGrid.h"
#include "ui/Handler.h"
#include "ui/Station.h"
#include "ui/TeacherView.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

TFormResultsView::TFormResultsView(QWidget* owner, const char* caption, const char* heading) : TForm(owner) {
    setWindowTitle(QString::fromUtf8(caption));
    resize(754, 512);
    auto* lay = new QVBoxLayout(this);
    m_top = new QGridLayout;
    m_top->setColumnStretch(3, 1);
    lay->addLayout(m_top);
    LabelStatus = new QLabel(this);
    LabelStatus->setObjectName(QStringLiteral("LabelStatus"));
    QFont strong = font();
    strong.setBold(true);
    LabelStatus->setFont(strong);
    lay->addWidget(LabelStatus);

    auto* middle = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    DBGrid1 = new TDBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setMinimumSize(380, 220);
    DBNavigator1 = new TDBNavigator(DBGrid1, false, this);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    left->addWidget(labelFor(this, QStringLiteral("Участники"), DBGrid1));
    left->addWidget(DBGrid1, 3);
    auto* counts = new QHBoxLayout;
    counts->addWidget(DBNavigator1);
    counts->addStretch();
    CountDety = new QLabel(QStringLiteral("0"), this);
    CountDety->setObjectName(QStringLiteral("CountDety"));
    counts->addWidget(new QLabel(QStringLiteral("Всего участников:"), this));
    counts->addWidget(CountDety);
    left->addLayout(counts);
    DBGrid2 = teachers::newGrid(this);
    left->addWidget(labelFor(this, QStringLiteral("Учителя"), DBGrid2));
    left->addWidget(DBGrid2, 1);
    auto* teacherCount = new QHBoxLayout;
    CountTeacher = new QLabel(QStringLiteral("0"), this);
    CountTeacher->setObjectName(QStringLiteral("CountTeacher"));
    teacherCount->addWidget(new QLabel(QStringLiteral("Всего учителей:"), this));
    teacherCount->addWidget(CountTeacher);
    teacherCount->addStretch();
    left->addLayout(teacherCount);
    middle->addLayout(left, 1);

    m_details = new QGridLayout;
    QFont bold = font();
    bold.setBold(true);
    auto* head = new QLabel(QString::fromUtf8(heading), this);
    head->setFont(bold);
    m_details->addWidget(head, 0, 0, 1, 2);
    m_details->setRowStretch(20, 1);
    middle->addLayout(m_details);
    lay->addLayout(middle, 1);

    ui::connect(DBGrid1, &TDBGrid::selectedRowChanged, this, &TFormResultsView::ShowParticipantDetails);
}

QLineEdit* TFormResultsView::detail(const char* name, const QString& caption, const QString& after) {
    QLineEdit* e = shownValue(this, name);
    e->setMinimumWidth(after.isEmpty() ? 200 : 60);
    auto* l = labelFor(this, caption, e);
    l->setObjectName(QStringLiteral("Caption") + QString::fromLatin1(name));
    m_details->addWidget(l, m_detailRows, 0);
    if (after.isEmpty()) {
        m_details->addWidget(e, m_detailRows++, 1);
        return e;
    }
    auto* line = new QHBoxLayout;
    line->addWidget(e);
    line->addWidget(new QLabel(after, this));
    line->addStretch();
    m_details->addLayout(line, m_detailRows++, 1);
    return e;
}

void TFormResultsView::detailHeading(const QString& text) {
    auto* l = new QLabel(text, this);
    QFont bold = l->font();
    bold.setBold(true);
    l->setFont(bold);
    m_details->addWidget(l, m_detailRows++, 0, 1, 2);
}

void TFormResultsView::showList(Query& list, const QString& subject) {
    list.open();
    DBGrid1->load(list);
    QList<int> grades;
    for (list.first(); !list.eof(); list.next())
        if (!grades.contains(int(list.fieldInt("KLASS")))) grades << int(list.fieldInt("KLASS"));
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    LabelStatus->setText(grades.isEmpty() ? QString() : status::heading(db, tr, lookup::predmetKey(db, tr, subject), grades));
    CountDety->setText(QString::number(list.recordCount()));
    list.close();
    ShowParticipantDetails();
    DBGrid1->setFocus();
}

void TFormResultsView::ShowParticipantDetails() {
    const bool any = DBGrid1->currentRow() >= 0;
    fillDetails(any);
    teachers::show(DBGrid2, CountTeacher, any ? DBGrid1->value("ID_CHILD").toInt() : 0);
}
