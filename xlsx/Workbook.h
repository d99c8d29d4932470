#pragma once

#include "Score.h"
#include "xlsx/FileError.h"

#include <QString>
#include <memory>

// A report workbook: a copy of the template workbook (.xlsx) read into memory, one of its sheets
// filled, and written as a new file. It does what a spreadsheet program is asked to do for a
// report: pick a sheet by name, write cells (literal text, whole numbers, exact scores), format a
// heading range (bold, merged, centred), make a cell the active one. Writes are kept and put into
// the sheet in one ordered pass when the file is written. The file holds the report's sheet only
// (so that it prints and exports as one report); that sheet's other cells and settings stay as the
// template has them. The template comes from outside (organisers edit it) and is read as hostile.
class Workbook {
public:
    // Reads the template. Throws FileError naming the file and the reason.
    explicit Workbook(const QString& templatePath);
    ~Workbook();
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    // The sheet the report fills, the only one the written file holds. Throws FileError when the
    // template has no sheet of that name or the sheet cannot be read.
    void selectSheet(const QString& name);
    // Rows from this one down take the look of this row of the template (its cells' formats), so
    // that every data row has the borders and formats of the first.
    void setDataRow(int row);
    // The rows below this one are no longer data rows: they keep the sheet's own look (lines
    // written under a table, as the signatures under a protocol).
    void endData(int lastRow);

    // Rows and columns count from 1. Text is written as literal text, never read as a formula or a
    // number; an empty text leaves the cell empty. A cell beyond the sheet's limits throws FileError.
    void setText(int row, int col, const QString& text);
    void setNumber(int row, int col, qint64 value);
    void setScore(int row, int col, Score value);
    // Bold, merged and centred, from column `fromCol` to `toCol` of the row; left unmerged where the
    // range would overlap a merged area of the template or a heading merged before.
    void formatHeading(int row, int fromCol, int toCol);
    // The cell that is selected when the file is opened.
    void activate(int row, int col);
    // Rows that must print on one page (a winner with his teachers, the jury's lines with the last
    // rows above them): the written file ends its pages before such rows where they would be cut
    // (see xlsx/Pages.h).
    void keepTogether(int firstRow, int lastRow);

    // Writes the filled workbook to `path` through a temporary file renamed at the end, so that no
    // half-written file is ever left. Throws FileError.
    void save(const QString& path);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
