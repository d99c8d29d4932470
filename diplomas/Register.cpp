#include "diplomas/Register.h"

#include "diplomas/Diplomas.h"
#include "diplomas/Numbers.h"
#include "xlsx/Workbook.h"

#include <algorithm>

namespace diplomas {

namespace {
constexpr int kDataRow = 4;
}

void registerSheet(Database& db, Transaction& tr, Workbook& wb) {
    wb.selectSheet(QStringLiteral("Лист21"));
    wb.setDataRow(kDataRow);
    int r = kDataRow, n = 1;
    for (const diplomanumbers::Entry& e : diplomanumbers::entries(db, tr)) {
        wb.setNumber(r, 1, n++);
        wb.setText(r, 2, e.number);
        wb.setText(r, 3, e.name);
        wb.setText(r, 4, e.subject);
        wb.setText(r, 5, e.grade);
        wb.setText(r, 6, degreeText(e.degree));
        wb.setText(r, 7, e.school);
        wb.setText(r, 8, e.printed.toString(QStringLiteral("dd.MM.yyyy")));
        wb.setText(r, 9, e.standing ? QStringLiteral("выдан") : QStringLiteral("аннулирован"));
        if (e.nominative) wb.setText(r, 10, QStringLiteral("ФИО в именительном падеже"));
        ++r;
    }
    wb.endData(std::max(kDataRow, r - 1));
    const QString line = QStringLiteral("______________________  /  ______________________");
    wb.setText(r + 1, 3, QStringLiteral("Председатель оргкомитета"));
    wb.setText(r + 1, 6, line);
    wb.setText(r + 3, 3, QStringLiteral("Ответственный за выдачу"));
    wb.setText(r + 3, 6, line);
    wb.keepTogether(std::max(kDataRow, r - 1), r + 3);
    wb.activate(2, 1);
}

}  // namespace diplomas
