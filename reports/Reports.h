#pragma once

#include <QString>

class Database;
class Transaction;
class Workbook;

// The reports of the print window, the organisers' key to the ciphers among them: each fills
// its sheet of the template from the database. A report of results states the status of the
// results it lists (appeals/Status) in its heading. The texts chosen in the report's dialog come as
// they were chosen; the grade text is looked up here.
namespace reports {

// A report's sheet, its first data row (whose look the rows below take) and its start cell.
struct Sheet {
    const char* name;
    int dataRow;
    int activeRow;
    int activeCol;
};

inline constexpr Sheet kTeamList{"Лист1", 6, 1, 1};
inline constexpr Sheet kGradeList{"Лист2", 6, 1, 1};
inline constexpr Sheet kGroupList{"Лист16", 5, 2, 1};
inline constexpr Sheet kBlankSheet{"Лист10", 6, 2, 1};
inline constexpr Sheet kScoreSheet{"Лист14", 6, 2, 1};
inline constexpr Sheet kTeamResults{"Лист17", 8, 2, 1};
inline constexpr Sheet kWinners{"Лист15", 0, 4, 1};
inline constexpr Sheet kGradeResults{"Лист18", 6, 2, 1};
inline constexpr Sheet kCipherKey{"Лист19", 6, 2, 1};
inline constexpr Sheet kAwardProtocol{"Лист20", 18, 2, 1};
inline constexpr Sheet kAppealProtocol{"Лист22", 15, 2, 2};
inline constexpr Sheet kAppeals{"Лист23", 13, 2, 1};

// The award of a score row as the reports print it: empty for none, "поощр. отзыв" for 4,
// "2-й степени" for a diploma.
QString diplomaText(qint64 degree);

void teamList(Database& db, Transaction& tr, Workbook& wb, const QString& team, const QString& subject);
void gradeList(Database& db, Transaction& tr, Workbook& wb, const QString& subject, const QString& grade);
// `group` is a group number, or "Все" for every group.
void groupList(Database& db, Transaction& tr, Workbook& wb, const QString& subject, const QString& grade,
               const QString& group);
void blankSheet(Database& db, Transaction& tr, Workbook& wb, const QString& subject, const QString& grade,
                const QString& round);
void scoreSheet(Database& db, Transaction& tr, Workbook& wb, const QString& subject, const QString& grade);
void teamResults(Database& db, Transaction& tr, Workbook& wb, const QString& team, const QString& subject);
void winners(Database& db, Transaction& tr, Workbook& wb);
void gradeResults(Database& db, Transaction& tr, Workbook& wb, const QString& subject, const QString& grade);
// The organisers' key to the codes of a round (by name): each code with its participant, by code.
void cipherKey(Database& db, Transaction& tr, Workbook& wb, const QString& subject, const QString& grade,
               const QString& round);
// The award protocol of a subject and grade: the award rules the assistant applied to it (and
// whether the jury set the cut-offs by hand), or that none were; the lowest total of each award as
// given and how many have it, the participants in place order with total, place and award, and
// lines for the jury's signatures.
void awardProtocol(Database& db, Transaction& tr, Workbook& wb, const QString& subject, const QString& grade);
// The protocol of one appeal (by its number) for the jury to sign: the participant by cipher and by
// name, his reason, each task's score before and after and its decision, the members, the dates.
// False when no appeal has that number (nothing written).
bool appealProtocol(Database& db, Transaction& tr, Workbook& wb, int number);
// The appeals of a subject and grade: how many were filed, upheld, rejected, not decided yet and
// changed places, and each with its change of total and places; the status of the results.
void appealSummary(Database& db, Transaction& tr, Workbook& wb, const QString& subject, const QString& grade);

}  // namespace reports
