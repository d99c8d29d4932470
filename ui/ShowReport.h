#pragma once

#include <QString>
#include <functional>

// A report a window asks for, made and opened in the desktop's spreadsheet program. The print
// window shows its reports here, and so does any other window that offers one.
namespace ui {

// Whether the desktop has a program for files of the type (on Linux, what xdg-mime names). Without
// one the desktop's opener still reports success and nothing opens.
bool programKnown(const QString& mimeType);

// Opens a finished report; true when the desktop took it. Tests put their own here.
extern std::function<bool(const QString& path)> reportOpener;

// Opens a finished document that is no workbook (the diplomas' PDF) in the desktop's program for
// it; true when the desktop took it. Tests put their own here.
extern std::function<bool(const QString& path)> documentOpener;

// Makes the report under a wait cursor with `write`, which returns the file it wrote
// (reportfiles::write), and opens it with reportOpener. What keeps the report from being made is
// shown with its reason; a file that cannot be opened is named.
void showReport(const std::function<QString()>& write);

// The reports folder, made when missing; empty once it has been said, under `notDone`, that it
// cannot be made.
QString reportsFolder(const QString& notDone);

}  // namespace ui
