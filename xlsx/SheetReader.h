#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

// The cells of a workbook (.xlsx) as text, as a spreadsheet program shows them: shared and inline
// strings, numbers (9, not 9.0), a formula's cached value (no formula is evaluated), empty cells as
// empty texts. A merged range gives its value to every cell it covers, so that a merged heading
// names each of its columns. The file comes from outside: a cell outside the sheet, a sheet larger
// than a list can be, a cell longer than kMaxCellChars or holding a control character, a row
// number given twice, a reference to a shared string that is not there: each is refused, naming
// the sheet and the cell, while the sheet is read. A shared string is held once, however many
// cells show it.
class SheetReader {
public:
    // The most a list's sheet may hold (rows, columns, and cells up to each row's last filled one).
    static constexpr int kMaxRows = 100000;
    static constexpr int kMaxColumns = 1000;
    static constexpr int kMaxCells = 2000000;
    // The longest text a cell of a list may hold (a name's own limit is lower).
    static constexpr int kMaxCellChars = 1000;

    // Why a text of a list cannot be taken (too long, or with a control character other than a tab
    // or a line break); empty when it can. Counts the characters of UTF-8 without converting it.
    static QString refusal(const char* utf8);
    static QString refusal(const QString& text);

    // Reads the file. Throws FileError naming the file and the reason.
    explicit SheetReader(const QString& path);
    ~SheetReader();

    QStringList sheetNames() const;
    // The rows of the sheet, from row 1; empty rows are empty lists. Throws FileError.
    QList<QStringList> rows(const QString& sheet) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
