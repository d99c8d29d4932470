#pragma once

#include <QString>

class QComboBox;
class Query;

// Filling and clearing a chooser from code never runs its change handler.
namespace combo {

// Clears the items and the shown text, then adds the field of every row of the opened query.
void fill(QComboBox* box, Query& q, const QString& field);
// Runs the query, fills the box from it, closes the query.
void fillFrom(QComboBox* box, Query& q, const QString& field);
void clear(QComboBox* box);
void setText(QComboBox* box, const QString& text);

}  // namespace combo
