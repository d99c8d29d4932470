#pragma once

#include <QString>

class Database;
class Transaction;

// Places of the participants of one subject and grade: dense ranks by total, the highest total
// first (10, 9, 9, 8 give 1, 2, 2, 3); an empty total counts as 0. Only participants with a score
// row take part. Written in one statement, in the caller's action (no commit here); rows whose
// place does not change are not touched.
void RecomputePlaces(Database& db, Transaction& tr, int idPredmet, int idKlass);

// The same for every grade of the subject at once.
void RecomputeSubjectPlaces(Database& db, Transaction& tr, int idPredmet);
// Stations that write the scores or places of one subject take turns: the first holds the
// subject until its action ends, the others wait and then run their action again on what it
// stored. Without this two re-ranks running side by side would each miss the other's row.
void lockSubjectPlaces(Database& db, Transaction& tr, int idPredmet);
// The same, the subject known by its name and the grade by its text, as the windows show them.
void RecomputePlaces(Database& db, Transaction& tr, const QString& predmet, const QString& klass);
