#pragma once

#include <QString>
#include <functional>

class Workbook;

// A report a window asks for: made into a new file of the reports folder (reportfiles::write) and
// opened in the desktop's spreadsheet program. The print window makes its reports here, and so
// does any other window that offers one.

// Opens a finished report; true when the desktop took it. Tests put their own here.
extern std::function<bool(const QString& path)> reportOpener;

// Makes the report under a wait cursor and opens it with reportOpener; a failure is shown with its
// reason and leaves no file behind; a file that cannot be opened is named.
void makeReport(const QString& report, const std::function<void(Workbook&)>& fill);
