#pragma once

#include "Score.h"

#include <QString>
#include <exception>
#include <map>
#include <memory>
#include <vector>

// A report that could not be made: the template is missing or unreadable, it lacks the report's
// sheet, or the file cannot be written. The text says what and where, in Russian.
class ReportError : public std::exception {
public:
    explicit ReportError(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}
    const QString& text() const { return m_text; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};

// A report workbook: a copy of the template workbook (.xlsx) read into memory, one of its sheets
// filled, and written as a new file. It does what a spreadsheet program is asked to do for a
// report: pick a sheet by name, write cells (literal text, whole numbers, exact scores), format a
// heading range (bold, merged, centred), make a cell the active one. Writes are kept and put into
// the sheet in one ordered pass when the file is written; the template's other cells, sheets and
// settings stay as they are.
class Workbook {
public:
    // Reads the template. Throws ReportError naming the file and the reason.
    explicit Workbook(const QString& templatePath);
    ~Workbook();
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    // The sheet the report fills; it becomes the only selected sheet and the active one.
    // Throws ReportError when the template has no sheet of that name.
    void selectSheet(const QString& name);
    // Rows from this one down take the look of this row of the template (its cells' formats), so
    // that every data row has the borders and formats of the first.
    void setDataRow(int row);

    // Rows and columns count from 1. Text is written as literal text, never read as a formula or a
    // number; an empty text leaves the cell empty.
    void setText(int row, int col, const QString& text);
    void setNumber(int row, int col, qint64 value);
    void setScore(int row, int col, Score value);
    // Bold, merged and centred, from column `fromCol` to `toCol` of the row.
    void formatHeading(int row, int fromCol, int toCol);
    // The cell that is selected when the file is opened.
    void activate(int row, int col);

    // Writes the filled workbook to `path` through a temporary file renamed at the end, so that no
    // half-written file is ever left. Throws ReportError.
    void save(const QString& path);

    // "A1" addressing, for tests and messages; columns count from 1.
    static QString cellName(int row, int col);
    static QString columnName(int col);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
