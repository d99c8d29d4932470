#pragma once

class Database;
class Transaction;

namespace demo {

struct Options {
    int participants = 150;
    unsigned seed = 2026;
};

// Fills an empty database with a demo olympiad through the same routines the windows use:
// teams with their schools, subjects with rounds, grades "5" to "11", participants with teachers,
// groups and a cipher for every round.
// Commits its work.
void fill(Database& db, Transaction& tr, const Options& options);

// Copies every row of `from` into the tables `to` has (a database of an earlier build made from its
// script), the columns both have, keys included; the keys `to` gives go on after the largest.
// Commits its work on `to`.
void copyInto(Database& from, Transaction& fromTr, Database& to, Transaction& toTr);

}  // namespace demo
