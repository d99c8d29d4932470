#pragma once

#include "Cancel.h"
#include "publish/Results.h"

#include <QDateTime>
#include <QString>
#include <functional>

// The results site: index.html listing the subjects and grades, one page and one CSV file per
// subject and grade, a style sheet of its own (with a print style) and a small script that adds
// sorting and a search box. Plain HTML that reads without the script; nothing fetched from
// elsewhere; every text from the record escaped.
namespace publish {

struct Site {
    QString olympiad;  // the olympiad's name and year (may be empty)
    QDateTime when = QDateTime::currentDateTime();
    Form form = Form::Ciphers;
};

// The page and CSV file of a table, without extension: "r3_7" for subject key 3, grade key 7.
QString baseName(const Table& t);

// Writes the site of the tables into a new folder of `folder` named "Результаты" and the time,
// never one that exists: first as "….part", renamed when complete, so that a site stopped on the
// way (Cancelled, FileError) leaves nothing behind. `tell` hears the pages written of all. Returns
// the folder.
using Tell = std::function<void(int done, int total)>;
QString write(const QList<Table>& tables, const Site& site, const QString& folder, const Tell& tell,
              const CancelAsked& cancelled);

}  // namespace publish
