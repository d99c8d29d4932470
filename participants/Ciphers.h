#pragma once

#include <QList>
#include <QString>

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
// A code as it reads on paper: capitals and small letters alike, Latin letters that look like
// Cyrillic ones (A, B, C, E, H, K, M, O, P, T, X, Y) as those, Ё as Е.
QString lookalike(const QString& code);
// Another participant of the subject, grade and round who holds the code, or one that reads the
// same on paper; 0 when none does.
int holder(Database& db, Transaction& tr, int idPredmet, int idKlass, int idTur, const QString& code, int idChild);
// Why a code cannot be stored for the participant and round (one of the texts above); empty when
// it can. Leading and trailing blanks are not part of a code.
QString refusal(Database& db, Transaction& tr, int idPredmet, int idKlass, int idTur, const QString& code,
                int idChild);
// Stores the participant's code for a round, replacing a stored one.
void store(Database& db, Transaction& tr, int idChild, int idPredmet, int idKlass, int idTur, const QString& code);
// The editing window's changes to one stored row (known by participant and round).
void recode(Database& db, Transaction& tr, int idChild, int idTur, const QString& code);
void moveToRound(Database& db, Transaction& tr, int idChild, int idTur, int newTur);
void remove(Database& db, Transaction& tr, int idChild, int idTur);

}  // namespace ciphers
