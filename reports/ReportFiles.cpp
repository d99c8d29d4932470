#include "reports/ReportFiles.h"

#include "xlsx/FileError.h"
#include "xlsx/Workbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace reportfiles {

namespace {
QString g_template;
}

QString installedDataFolder(const QString& programFolder) {
    const QDir bin(programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder);
    const QString data = QDir::cleanPath(bin.filePath(QStringLiteral(TAVRIN_DATA_FROM_BIN)));
    return QFileInfo(data).isDir() ? data : QString();
}

QString templatePath() {
    if (!g_template.isEmpty()) return g_template;
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Pril.xlsx"));
    const QString installed = installedDataFolder();
    return QFileInfo::exists(beside) || installed.isEmpty() ? beside : QDir(installed).filePath(QStringLiteral("Pril.xlsx"));
}

void useTemplate(const QString& path) { g_template = path; }

QString folderName() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(documents.isEmpty() ? QDir::homePath() : documents).filePath(QStringLiteral("Таврин"));
}

QString folder() {
    const QString path = folderName();
    return QDir().mkpath(path) ? path : QString();
}

QString newBackupFile(const QString& databaseName) {
    const QString documents = folder();
    const QString backups = QDir(documents).filePath(QStringLiteral("Резервные копии"));
    if (documents.isEmpty() || !QDir().mkpath(backups)) return QString();
    // "host:/path/olymp.fdb", "C:\\olymp.fdb" and "/path/olymp.fdb" all give "olymp".
    QString base = QFileInfo(QString(databaseName).replace(u'\\', u'/').section(u':', -1)).completeBaseName();
    if (base.isEmpty()) base = QStringLiteral("olympiad");
    return newFile(backups, base, QDateTime::currentDateTime(), QStringLiteral(".fbk"));
}

QString newFile(const QString& folder, const QString& report, const QDateTime& when, const QString& extension) {
    QString name = report;
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")), QStringLiteral("_"));
    const QString base = QDir(folder).filePath(name + u' ' + when.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")));
    QString path = base + extension;
    for (int n = 2; QFileInfo::exists(path) || QFileInfo::exists(path + QStringLiteral(".part")); ++n)
        path = base + QStringLiteral(" (%1)").arg(n) + extension;
    return path;
}

QString write(const QString& report, const std::function<void(Workbook&)>& fill) {
    Workbook wb(templatePath());
    fill(wb);
    const QString reports = folder();
    if (reports.isEmpty()) throw FileError(QStringLiteral("Не удалось создать папку для отчётов «Таврин» в папке документов"));
    const QString path = newFile(reports, report);
    wb.save(path);
    return path;
}

}  // namespace reportfiles
