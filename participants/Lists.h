#pragma once

class Database;
class Transaction;

namespace participants {

// Deletes a participant with everything recorded about him: scores, group, every cipher,
// teachers, then the participant, in that order. When he had scores, his subject and grade are
// re-ranked, so that places stay dense. No commit here: the caller makes it one action.
void remove(Database& db, Transaction& tr, int idChild);

}  // namespace participants
