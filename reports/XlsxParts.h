#pragma once

#include <QByteArray>
#include <QString>
#include <pugixml.hpp>
#include <string>
#include <utility>
#include <vector>

// The parts of an .xlsx file (a zip of XML parts), shared by the report workbook and the list
// reader. Failures throw ReportError with the reason only; the caller says which file it was.
namespace xlsx {

struct Part {
    std::string name;
    QByteArray data;
};

// Every part of the file, read into memory.
std::vector<Part> readParts(const QString& path);
const Part* find(const std::vector<Part>& parts, const std::string& name);
pugi::xml_document parse(const QByteArray& data, const QString& what);
// The workbook's sheets in their order: the name and the part that holds it
// ("xl/worksheets/sheet1.xml"). Throws when a needed part is missing.
std::vector<std::pair<QString, std::string>> sheets(const std::vector<Part>& parts, pugi::xml_document& workbook);
// Row and column of "B12", counted from 1; 0 where the reference lacks one.
std::pair<int, int> parseCell(const char* ref);

}  // namespace xlsx
