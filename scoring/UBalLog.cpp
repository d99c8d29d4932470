#include "UBalLog.h"

#include "Query.h"
#include "reference/Rounds.h"
#include "scoring/ScoreLog.h"
#include "ui/Station.h"

#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

QPointer<TFormBalLog> FormBalLog;

namespace {

QString scoreText(const std::optional<Score>& s) { return s ? s->toString() : QStringLiteral("—"); }

// A change an appeal's decision made: its number and the decision on the task (only an upheld
// task changes a score).
QString appealText(const scorelog::Entry& e) {
    if (e.appealNumber == 0) return QString();
    return QStringLiteral("№ %1, удовлетворена").arg(e.appealNumber);
}

}  // namespace

TFormBalLog::TFormBalLog(QWidget* owner, int idChild, const QString& who) : TForm(owner) {
    setObjectName(QStringLiteral("FormBalLog"));
    setWindowTitle(QStringLiteral("История баллов"));
    auto* lay = new QVBoxLayout(this);
    Label1 = new QLabel(who, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    lay->addWidget(Label1);

    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    const QList<scorelog::Entry> entries = scorelog::history(db, tr, idChild);
    // Rounds by number and by the name the subject gives them now.
    Query subject(db, tr, {"SELECT ID_PREDMET FROM SPISOK WHERE ID_CHILD = :ID_CHILD"});
    subject.setInt("ID_CHILD", idChild);
    subject.open();
    const RoundSlots subjectRounds = rounds::load(db, tr, int(subject.fieldInt("ID_PREDMET")));
    const auto roundText = [&](int k) {
        const QString name = subjectRounds[size_t(k - 1)].name.trimmed();
        return name.isEmpty() ? QString::number(k) : QStringLiteral("%1 (%2)").arg(k).arg(name);
    };
    StringGrid1 = new QTableWidget(int(entries.size()), 7, this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setHorizontalHeaderLabels({QStringLiteral("Когда"), QStringLiteral("Рабочее место"), QStringLiteral("Тур"),
                                            QStringLiteral("Задача"), QStringLiteral("Было"), QStringLiteral("Стало"),
                                            QStringLiteral("Апелляция")});
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->verticalHeader()->hide();
    for (int r = 0; r < entries.size(); ++r) {
        const scorelog::Entry& e = entries[r];
        const QStringList cells{QLocale().toString(e.at, QStringLiteral("dd.MM.yyyy HH:mm:ss")),
                                e.station,
                                roundText(e.change.slot / 6 + 1),
                                QString::number(e.change.slot % 6 + 1),
                                scoreText(e.change.oldValue),
                                scoreText(e.change.newValue),
                                appealText(e)};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c >= 3 && c <= 5) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            StringGrid1->setItem(r, c, item);
        }
    }
    StringGrid1->resizeColumnsToContents();
    StringGrid1->resizeRowsToContents();
    StringGrid1->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);  // the computer's name
    StringGrid1->setMinimumSize(620, 360);
    lay->addWidget(StringGrid1, 1);
    if (entries.isEmpty()) Label1->setText(who + QStringLiteral(": баллы ещё не вводились"));
    if (!entries.isEmpty()) StringGrid1->setCurrentCell(0, 0);

    auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
    close->setObjectName(QStringLiteral("Button1"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &TFormBalLog::reject);
    lay->addWidget(close, 0, Qt::AlignRight);
}
