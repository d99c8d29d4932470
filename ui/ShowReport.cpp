#include "ShowReport.h"

#include "DbError.h"
#include "GuardedWrite.h"
#include "Messages.h"
#include "reports/ReportFiles.h"
#include "xlsx/FileError.h"

#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QUrl>

namespace ui {

bool programKnown(const QString& mimeType) {
#ifdef Q_OS_LINUX
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!query.waitForFinished(3000) || query.exitCode() != 0) return false;
    return !query.readAllStandardOutput().trimmed().isEmpty();
#else
    return true;
#endif
}

namespace {
const QString kNotMade = QStringLiteral("Отчёт не сделан");
}  // namespace

std::function<bool(const QString&)> reportOpener = [](const QString& path) {
    return programKnown(QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet")) &&
           QDesktopServices::openUrl(QUrl::fromLocalFile(path));
};

std::function<bool(const QString&)> documentOpener = [](const QString& path) {
    return programKnown(QStringLiteral("application/pdf")) && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
};

void showReport(const std::function<QString()>& write) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QString path;
    try {
        path = write();
    } catch (const FileError& e) {
        QGuiApplication::restoreOverrideCursor();
        msg::error(kNotMade, e.text());
        return;
    } catch (const DbError& e) {
        QGuiApplication::restoreOverrideCursor();
        showRefusal(kNotMade, e);
        return;
    }
    QGuiApplication::restoreOverrideCursor();
    if (!reportOpener(path))
        msg::error(QStringLiteral("Отчёт сохранён в файл %1, но открыть его не удалось.").arg(QDir::toNativeSeparators(path)),
                   QStringLiteral("Откройте этот файл в программе для работы с таблицами."));
}

QString reportsFolder(const QString& notDone) {
    const QString folder = reportfiles::folder();
    if (folder.isEmpty())
        msg::error(notDone, QStringLiteral("Не удалось создать папку %1.").arg(QDir::toNativeSeparators(reportfiles::folderName())));
    return folder;
}

}  // namespace ui
