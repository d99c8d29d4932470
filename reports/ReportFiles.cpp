#include "reports/ReportFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace reportfiles {

namespace {
QString g_template;
}

QString templatePath() {
    return g_template.isEmpty() ? QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Pril.xlsx"))
                                : g_template;
}

void useTemplate(const QString& path) { g_template = path; }

QString folder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString path = QDir(documents.isEmpty() ? QDir::homePath() : documents).filePath(QStringLiteral("Таврин"));
    return QDir().mkpath(path) ? path : QString();
}

QString newFile(const QString& folder, const QString& report, const QDateTime& when) {
    QString name = report;
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")), QStringLiteral("_"));
    const QString base = QDir(folder).filePath(name + u' ' + when.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")));
    QString path = base + QStringLiteral(".xlsx");
    for (int n = 2; QFileInfo::exists(path) || QFileInfo::exists(path + QStringLiteral(".part")); ++n)
        path = base + QStringLiteral(" (%1).xlsx").arg(n);
    return path;
}

}  // namespace reportfiles
