#pragma once

class QLabel;
class QWidget;
class TDBGrid;

// The teachers of the participant selected in a list, as the list windows show them: a grid
// (surname, name, patronymic, in the order they were registered), read-only unless the window
// corrects them, and its count.
namespace teachers {

TDBGrid* newGrid(QWidget* parent, bool editable = false);
// Shows the teachers of a participant; none for 0 (no participant selected).
void show(TDBGrid* grid, QLabel* count, int idChild);

}  // namespace teachers
