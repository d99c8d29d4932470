#pragma once

#include <QDateTime>
#include <QString>

// Where report workbooks come from and go.
namespace reportfiles {

// The template beside the program, or the one given.
QString templatePath();
void useTemplate(const QString& path);
// "Таврин" in the user's documents folder, made when missing. Empty when it cannot be made.
QString folder();
// A new file in the folder, named after the report and the time, never one that exists:
// "Список участников по командам 2026-12-06 14-03-05.xlsx".
QString newFile(const QString& folder, const QString& report, const QDateTime& when = QDateTime::currentDateTime());

}  // namespace reportfiles
