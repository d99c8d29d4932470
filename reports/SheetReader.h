#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

// The cells of a workbook (.xlsx) as text, as a spreadsheet program shows them: shared and inline
// strings, numbers (9, not 9.0), a formula's cached value (no formula is evaluated), empty cells as
// empty texts. A merged range gives its value to every cell it covers, so that a merged heading
// names each of its columns.
class SheetReader {
public:
    // Reads the file. Throws ReportError naming the file and the reason.
    explicit SheetReader(const QString& path);
    ~SheetReader();

    QStringList sheetNames() const;
    // The rows of the sheet, from row 1; empty rows are empty lists.
    QList<QStringList> rows(const QString& sheet) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
