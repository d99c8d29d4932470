#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The parts of an .xlsx file (a zip of XML parts), shared by the report workbook and the list
// reader. Every file is taken as hostile: sizes, counts and cell references are bounded, and what
// breaks a bound is refused. Failures throw FileError with the reason only; the caller says which
// file it was (FileError::unreadable).
namespace xlsx {

// The most a file from outside may hold; beyond it the file is refused, not read.
inline constexpr qint64 kMaxFileBytes = qint64(100) << 20;   // the file itself
inline constexpr qint64 kMaxPartBytes = qint64(50) << 20;    // one part, unpacked
inline constexpr qint64 kMaxTotalBytes = qint64(200) << 20;  // all parts together, unpacked
inline constexpr int kMaxParts = 10000;
// The limits of a sheet: rows 1 to 1048576, columns A to XFD.
inline constexpr int kMaxRow = 1048576;
inline constexpr int kMaxColumn = 16384;

struct Part {
    std::string name;
    QByteArray data;
};

// Every part of the file, read into memory.
std::vector<Part> readParts(const QString& path);
const Part* find(const std::vector<Part>& parts, const std::string& name);
Part* find(std::vector<Part>& parts, const std::string& name);
pugi::xml_document parse(const QByteArray& data, const QString& what);
// The same without a copy: the document lives in `data`, which it changes; `data` must outlive it.
pugi::xml_document parseInPlace(QByteArray& data, const QString& what);
QByteArray serialize(const pugi::xml_document& doc);

// A sheet of the workbook: its name, the part that holds it ("xl/worksheets/sheet1.xml") and the
// relationship that names the part in xl/_rels/workbook.xml.rels.
struct SheetEntry {
    QString name;
    std::string part;
    std::string relId;
};
// The workbook's sheets in their order. Throws when a needed part is missing.
std::vector<SheetEntry> sheets(const std::vector<Part>& parts, pugi::xml_document& workbook);
// The part a relationship target names, from the folder of the part that holds the relationship
// ("xl/" for the workbook): "worksheets/sheet1.xml" and "/xl/worksheets/sheet1.xml" both give
// "xl/worksheets/sheet1.xml".
std::string resolve(const std::string& folder, std::string_view target);

// A cell within the sheet's limits, rows and columns counted from 1.
struct Cell {
    int row = 0;
    int col = 0;
};
struct Range {
    Cell first, last;
    bool overlaps(const Range& other) const;
};
// "B12"; nothing for a reference outside the sheet or not a reference at all ("1", "A0", "XFE1").
std::optional<Cell> parseCell(std::string_view ref);
// A row number within the sheet ("12").
std::optional<int> parseRow(std::string_view text);
// "B2:D3" or a single cell "B2".
std::optional<Range> parseRange(std::string_view ref);
// "A1" addressing; columns count from 1.
QString cellName(int row, int col);
QString columnName(int col);

}  // namespace xlsx
