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

}  // namespace demo
