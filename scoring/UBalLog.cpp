#include "UBalLog.h"

#include "app/UDM.h"
#include "scoring/ScoreLog.h"

#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

QPointer<TFormBalLog> FormBalLog;

namespace {

QString scoreText(const std::optional<Score>& s) { return s ? s->toString() : QStringLiteral("—"); }

}  // namespace

TFormBalLog::TFormBalLog(QWidget* owner, int idChild, const QString& who) : TForm(owner) {
    setObjectName(QStringLiteral("FormBalLog"));
    setWindowTitle(QStringLiteral("История баллов"));
    auto* lay = new QVBoxLayout(this);
    Label1 = new QLabel(who, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    lay->addWidget(Label1);

    const QList<scorelog::Entry> entries = scorelog::history(DM->IBDatabase1, DM->IBTransaction1, idChild);
    StringGrid1 = new QTableWidget(int(entries.size()), 6, this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setHorizontalHeaderLabels({QStringLiteral("Когда"), QStringLiteral("Рабочее место"), QStringLiteral("Тур"),
                                            QStringLiteral("Задача"), QStringLiteral("Было"), QStringLiteral("Стало")});
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->verticalHeader()->hide();
    for (int r = 0; r < entries.size(); ++r) {
        const scorelog::Entry& e = entries[r];
        const QStringList cells{QLocale().toString(e.at, QStringLiteral("dd.MM.yyyy HH:mm:ss")),
                                e.station,
                                QString::number(e.change.slot / 6 + 1),
                                QString::number(e.change.slot % 6 + 1),
                                scoreText(e.change.oldValue),
                                scoreText(e.change.newValue)};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c >= 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
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
