#pragma once

#include "participants/ListFile.h"
#include "participants/Registration.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class Database;
class Transaction;

// Registration of a whole list file: which column holds what, the check of every row before
// anything is written, and the write of the good rows as one action.
namespace listimport {

enum class Field {
    None,
    Surname,
    Name,
    SecondName,
    FullName,  // "Фамилия Имя Отчество" in one cell
    Klass,
    School,
    Sity,
    Komand,
    Predmet,
    Teacher1, Teacher1Surname, Teacher1Name, Teacher1SecondName,
    Teacher2, Teacher2Surname, Teacher2Name, Teacher2SecondName,
    Teacher3, Teacher3Surname, Teacher3Name, Teacher3SecondName,
};
constexpr int kTeachers = 3;

QList<Field> allFields();
QString caption(Field f);

// Which row is the heading (-1: none) and what each column holds.
struct Layout {
    int headerRow = -1;
    QList<Field> columns;
    int firstDataRow() const { return headerRow + 1; }
};

// A list file as the import starts from it: the file read once, the sheet that holds the list (the
// first that can be read and has a heading, else the first that can be read) and its rows.
struct List {
    std::shared_ptr<const listfile::Book> book;
    int sheet = 0;
    QList<QStringList> rows;
};
// Throws FileError with the one thing to say: the file is of another program's own format (.xls,
// .ods), cannot be read (the first sheet's refusal), or has no filled row.
List openList(const QString& path);
inline const QString kNoRows = QStringLiteral("В файле нет ни одной заполненной строки.");
// Whether any cell of the rows holds more than blanks.
bool anyFilled(const QList<QStringList>& rows);

// Finds the heading among the first rows by its words (case, ё/е, spaces and punctuation do not
// count) and maps its columns. A heading row under a merged one ("Учитель" over "Фамилия", "Имя",
// "Отчество") is read together with it.
Layout guess(const QList<QStringList>& rows);
// The columns as the given row (and the one over it) names them; -1: none named.
QList<Field> mapColumns(const QList<QStringList>& rows, int headerRow);

// What a row lacks a column for is taken from here (the registration window's choices).
struct Defaults {
    QString komand, predmet, klass, school;
};

struct Line {
    enum Status { Good, Already, Refused };
    int row = 0;  // index in the file's rows
    Status status = Good;
    QString reason;
    Registration reg;  // with keys when the row is good; its school as the team's dictionary names it
    bool newSchool = false;  // a good row whose school the team's dictionary lacks: it is added with it
};

// Dictionary names the file uses and the dictionaries lack (ones that could be added).
struct Missing {
    QStringList komands, predmets, klasses;
    bool isEmpty() const { return komands.isEmpty() && predmets.isEmpty() && klasses.isEmpty(); }
    QString describe() const;
};

struct Check {
    std::vector<Line> lines;  // every non-empty data row
    Missing missing;
    int count(Line::Status s) const;
};

// Checks every data row against the dictionaries and the participants already registered. Names
// typed all in one case are capitalised; a grade is matched without a word "класс" after it; a
// school is matched among the team's schools as names::schoolKey compares them.
Check check(Database& db, Transaction& tr, const QList<QStringList>& rows, const Layout& layout, const Defaults& defaults);

// Adds the missing dictionary names. Does not commit.
void addMissing(Database& db, Transaction& tr, const Missing& missing);

struct Result {
    int registered = 0, already = 0, refused = 0;
    Check checked;  // the check the write went by: its good rows are the ones registered
};

// Checks the rows again and registers the good ones with their teachers, adding each school that is
// new for its team (once). Does not commit: the caller makes the whole import one action.
Result write(Database& db, Transaction& tr, const QList<QStringList>& rows, const Layout& layout,
             const Defaults& defaults, const std::function<void(int done, int total)>& progress = {});

// The refused rows as they were read, under the heading, each with its reason in a last column.
QList<QStringList> refusedRows(const QList<QStringList>& rows, const Layout& layout, const Check& check);

}  // namespace listimport
