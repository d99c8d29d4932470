#include "TeacherView.h"

#include "DataGrid.h"
#include "Lookups.h"
#include "Query.h"
#include "Station.h"

#include <QLabel>

namespace teachers {

TDBGrid* newGrid(QWidget* parent, bool editable) {
    auto* grid = new TDBGrid(parent);
    grid->setObjectName(QStringLiteral("DBGrid2"));
    grid->setColumns({{"ID_CHILD", QString(), false},
                      {"ID_TEACHER", QString(), false},
                      {"SURNAME", QStringLiteral("Фамилия"), true, editable},
                      {"NAME", QStringLiteral("Имя"), true, editable},
                      {"SECONDNAME", QStringLiteral("Отчество"), true, editable}});
    grid->setMinimumHeight(90);
    return grid;
}

void show(TDBGrid* grid, QLabel* count, int idChild) {
    Query q(DM->IBDatabase1, DM->IBTransaction1);
    lookup::selectTeachers(q, idChild);
    q.open();
    grid->load(q);
    count->setText(QString::number(q.recordCount()));
}

}  // namespace teachers
