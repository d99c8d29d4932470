#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// A list file that a team sends: a workbook (.xlsx) or a CSV file as a Russian spreadsheet program
// saves it (UTF-8 or Windows-1251; ';', ',' or tab between fields, detected).
namespace listfile {

// The sheets of a workbook; one unnamed sheet for a CSV file. Throws FileError.
QStringList sheetNames(const QString& path);
// The rows of one sheet (any name for a CSV file), cells as text. Throws FileError.
QList<QStringList> read(const QString& path, const QString& sheet);
bool isCsv(const QString& path);

// The largest CSV file read.
inline constexpr qint64 kMaxCsvBytes = qint64(50) << 20;

// CSV bytes as rows: the encoding and the separator are detected; quoted fields may hold
// separators, doubled quotes and line breaks. More rows, columns or cells than a list's sheet may
// hold (SheetReader's bounds) throw FileError with the reason.
QList<QStringList> parseCsv(const QByteArray& bytes);
// Rows written as CSV for a Russian spreadsheet program: UTF-8 with a byte order mark, ';'.
QByteArray writeCsv(const QList<QStringList>& rows);

}  // namespace listfile
