#pragma once

#include "Codes.h"

#include <QList>
#include <QString>
#include <functional>
#include <random>

class Database;
class Transaction;

// The cipher codes of the participants: one per participant and round, at most 15 characters,
// never the same code twice in a subject, grade and round. Nothing here commits.
namespace ciphers {

constexpr int kMaxLength = 15;

inline const QString kTooLong = QStringLiteral("Число символов не должно превышать 15!\n\rПовторите ввод!");
inline const QString kTaken = QStringLiteral("Такой шифр уже есть у другого участника!\n\rПовторите ввод!");
inline const QString kChooseRound = QStringLiteral("Выберите тур");
inline const QString kBadRound = QStringLiteral("Номер тура должен быть от 1 до 4!\n\rПовторите ввод!");
inline const QString kEmpty = QStringLiteral("Введите шифр!");

// The group numbers stored for a subject (by name) and grade, ascending.
QList<int> groupNumbers(Database& db, Transaction& tr, const QString& predmet, int idKlass);
// The participant's cipher for a round; empty when he has none.
QString current(Database& db, Transaction& tr, int idChild, int idTur);
// A code as it reads on paper (look-alike letters folded).
using codes::lookalike;
// Another participant of the subject, grade and round who holds the code, or one that reads the
// same on paper; 0 when none does.
int holder(Database& db, Transaction& tr, int idPredmet, int idKlass, int idTur, const QString& code, int idChild);
// Why a code cannot be stored for the participant and round (one of the texts above); empty when
// it can. Leading and trailing blanks are not part of a code.
QString refusal(Database& db, Transaction& tr, int idPredmet, int idKlass, int idTur, const QString& code,
                int idChild);
// A code written as a whole, inside the caller's action: the subject's codes are held for the
// action (another station writing a code of the subject waits for it, then sees it), the code is
// checked as refusal() checks it, and only then `write` runs. The refusal when it was not written;
// empty when it was.
QString writeChecked(Database& db, Transaction& tr, int idPredmet, int idKlass, int idTur, const QString& code,
                     int idChild, const std::function<void()>& write);
// Stores the participant's code for a round, replacing a stored one.
void store(Database& db, Transaction& tr, int idChild, int idPredmet, int idKlass, int idTur, const QString& code);
// The editing window's changes to one stored row (known by participant and round).
void recode(Database& db, Transaction& tr, int idChild, int idTur, const QString& code);
void moveToRound(Database& db, Transaction& tr, int idChild, int idTur, int newTur);
void remove(Database& db, Transaction& tr, int idChild, int idTur);

// Generated codes: the start the operator types (the grade, "9-") followed by a number of random
// digits, so "9-" with 3 digits gives 9-000 to 9-999.
struct CodeForm {
    QString prefix;  // leading and trailing blanks are not part of it
    int digits = 0;
};
constexpr int kMaxDigits = 9;

inline const QString kEnterPrefix = QStringLiteral("Введите начало шифра!");
inline const QString kBadDigits = QStringLiteral("Число цифр должно быть от 1 до 9!\n\rПовторите ввод!");

// Why codes of the form cannot be made: no start, a character the database cannot hold (its own
// message), digits out of 1..9, or codes longer than 15 characters (kTooLong); empty when they can.
// `inDigits` says whether the number of digits is what to put right (the start otherwise).
struct FormRefusal {
    QString text;
    bool inDigits = false;
    explicit operator bool() const { return !text.isEmpty(); }
};
FormRefusal formRefusal(const CodeForm& form);

// The participants of one subject, grade and round that a generation covers (the list shown).
struct Selection {
    int idPredmet = 0;
    int idKlass = 0;
    int idTur = 0;
    QList<int> children;
};

// How many of the selection have a code for the round: the codes a replacement changes.
int withCode(Database& db, Transaction& tr, const Selection& sel);

// What a generation found: how many codes were wanted and how many codes of the form were free
// for them. `written` is false when nothing was wanted or the free codes were too few; then
// nothing was written.
struct Generation {
    int needed = 0;
    qint64 free = 0;
    bool written = false;
};

// What a generation would find, with nothing drawn or written: it is asked before the operator is
// asked to replace codes. (A generation may still find fewer when the participants' own codes of
// other rounds take the last free ones.)
Generation plan(Database& db, Transaction& tr, const Selection& sel, const CodeForm& form, bool replace);

// Gives random codes of the form, for the round, to the participants of the selection that have
// none for it, or with `replace` to every one of them. A new code is none that is held in the
// subject, grade and round (a replaced code is not given again) and none that its participant
// holds for another round, lookalikes counted as the same; which participant gets which code
// follows no order of the list. Does not commit.
Generation generate(Database& db, Transaction& tr, const Selection& sel, const CodeForm& form, bool replace,
                    std::mt19937& rng);

}  // namespace ciphers
