#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

class Workbook;

// Where report workbooks come from and go.
namespace reportfiles {

// The program's own files when it runs installed (<prefix>/share/tavrin beside <prefix>/bin, for
// the program in the given folder, by default its own); empty when it runs from its build folder.
QString installedDataFolder(const QString& programFolder = QString());
// The template beside the program, else the installed one, or the one given.
QString templatePath();
void useTemplate(const QString& path);
// "Таврин" in the user's documents folder, made when missing. Empty when it cannot be made.
QString folder();
// Its name, made or not.
QString folderName();
// A new file for a backup of the named database: "Резервные копии" in the folder above, made when
// missing, the database's own name and the time ("olympiad 2026-12-06 14-03-05.fbk"). Empty when
// the folder cannot be made.
QString newBackupFile(const QString& databaseName);
// A new file in the folder, named after the report and the time, never one that exists:
// "Список участников по командам 2026-12-06 14-03-05.xlsx" (or with another extension).
QString newFile(const QString& folder, const QString& report, const QDateTime& when = QDateTime::currentDateTime(),
                const QString& extension = QStringLiteral(".xlsx"));
// A report: `fill` fills a copy of the template, which is written as a new file of the reports
// folder named after the report; the file. Throws FileError (the template unreadable, the folder or
// the file not made) or what `fill` throws, and then leaves no file behind.
QString write(const QString& report, const std::function<void(Workbook&)>& fill);

}  // namespace reportfiles
