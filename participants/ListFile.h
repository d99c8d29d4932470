#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

class SheetReader;

// A list file that a team sends: a workbook (.xlsx) or a CSV file as a Russian spreadsheet program
// saves it (UTF-8 or Windows-1251; ';', ',' or tab between fields, detected).
namespace listfile {

// A list file read once: a workbook's sheets, or the one sheet of a CSV file (named after the file).
class Book {
public:
    // Throws FileError naming the file and the reason.
    explicit Book(const QString& path);
    ~Book();
    const QStringList& sheets() const { return m_sheets; }
    // The rows of one sheet, cells as text. Throws FileError.
    QList<QStringList> rows(const QString& sheet) const;

private:
    QString m_path;
    QStringList m_sheets;
    std::unique_ptr<SheetReader> m_reader;
    QList<QStringList> m_csv;
};

// The sheets of a workbook; one unnamed sheet for a CSV file. Throws FileError.
QStringList sheetNames(const QString& path);
// The rows of one sheet (any name for a CSV file), cells as text. Throws FileError.
QList<QStringList> read(const QString& path, const QString& sheet);
bool isCsv(const QString& path);

// What a file of another spreadsheet program's own format is (a book of Excel 97–2003, a table of
// OpenDocument), which is not read as a list; empty for any other file.
QString otherKind(const QString& path);
// Said of such a file.
inline const QString kSaveAsXlsx = QStringLiteral("Сохраните список как книгу Excel (.xlsx) или как CSV и выберите его снова.");

// The largest CSV file read.
inline constexpr qint64 kMaxCsvBytes = qint64(50) << 20;

// CSV bytes as rows: the encoding and the separator are detected; quoted fields may hold
// separators, doubled quotes and line breaks. More rows, columns or cells than a list's sheet may
// hold, or a field a cell could not hold (SheetReader's bounds), throw FileError with the reason and
// the place.
QList<QStringList> parseCsv(const QByteArray& bytes);
// Rows written as CSV for a Russian spreadsheet program: UTF-8 with a byte order mark, ';'.
QByteArray writeCsv(const QList<QStringList>& rows);

}  // namespace listfile
