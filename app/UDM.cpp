#include "UDM.h"

#include "Check.h"
#include "DbError.h"
#include "Schema.h"
#include "Text.h"
#include "Upgrade.h"
#include "reports/ReportFiles.h"
#include "ui/GuardedWrite.h"
#include "ui/Messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

TDM* DM = nullptr;

TDM::TDM(QObject* parent) : QObject(parent) { setObjectName(QStringLiteral("DM")); }

QString TDM::userPathFile() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("Tavrin/path.txt"));
}

QString TDM::newDatabaseName() {
    const QString folder = reportfiles::folder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(QStringLiteral("olympiad.fdb"));
}

QString TDM::pathMissingMessage(const QString& programFolder) {
    return QStringList{QStringLiteral("Файл пути к б.д. не найде"), QStringLiteral("Создайте в папке программы файл path.txt"),
                       QStringLiteral("(%1)").arg(QDir::toNativeSeparators(programFolder)),
                       QStringLiteral("или файл %1").arg(QDir::toNativeSeparators(userPathFile())),
                       QStringLiteral("и запишите туда путь к б.д."), QStringLiteral("Пример: C:\\Dunmar\\Dunmar.GDB")}
        .join(u'\n');
}

namespace {

// The first line, up to the first line end, unchanged. A file saved in Windows-1251 is read as such.
QString firstLine(QFile& f) {
    QByteArray bytes = f.readAll();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || bytes[i] == '\r') {
            bytes.truncate(i);
            break;
        }
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString s = utf8(bytes);
    return utf8.hasError() ? text1251::decode(bytes) : s;
}

}  // namespace

QString TDM::offerNewDatabase() {
    const QString name = newDatabaseName();
    if (name.isEmpty()) return QString();
    const bool exists = QFileInfo::exists(name);
    const QString question = exists ? QStringLiteral("База данных не выбрана (файла path.txt нет).\n"
                                                     "Открыть базу данных, созданную раньше:\n%1?")
                                    : QStringLiteral("База данных не выбрана (файла path.txt нет).\n"
                                                     "Создать новую пустую базу данных\n%1?");
    if (!msg::confirm(question.arg(QDir::toNativeSeparators(name)))) return QString();
    if (exists) {
        IBDatabase1.databaseName = name;
    } else {
        try {
            schema::createDatabase(IBDatabase1, name);  // stays connected
        } catch (const DbError&) {
            try {
                IBDatabase1.disconnect();
            } catch (const DbError&) {
            }
            QFile::remove(name);  // half made, it would be offered as made before on the next start
            throw;
        }
    }
    const QString pathFile = userPathFile();
    QFile f(pathFile);
    if (!QDir().mkpath(QFileInfo(pathFile).path()) || !f.open(QIODevice::WriteOnly) ||
        f.write(name.toUtf8() + '\n') < 0 || !f.flush())
        msg::error(QStringLiteral("Не удалось записать файл %1.").arg(QDir::toNativeSeparators(pathFile)),
                   QStringLiteral("При следующем запуске запишите туда путь к базе данных %1.")
                       .arg(QDir::toNativeSeparators(name)));
    return name;
}

void TDM::DataModuleCreate(const QString& folder) {
    QString dir = folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
    while (dir.size() > 1 && (dir.endsWith(u'/') || dir.endsWith(QDir::separator()))) dir.chop(1);
    QFile file(dir + QDir::separator() + QStringLiteral("path.txt"));
    if (!file.exists()) file.setFileName(userPathFile());
    try {
        if (file.exists()) {
            QString name;
            if (file.open(QIODevice::ReadOnly)) {
                name = firstLine(file);
                file.close();
            }
            IBDatabase1.databaseName = name;
        } else if (reportfiles::installedDataFolder(dir).isEmpty() || offerNewDatabase().isEmpty()) {
            msg::error(pathMissingMessage(dir));
            m_terminate = true;  // main ends the program before its message loop
            return;
        }
        IBDatabase1.connect();
        if (!upToDate()) {
            m_terminate = true;
            IBDatabase1.disconnect();
            return;
        }
        IBTransaction1.start();
        if (m_upgraded) checkRecord();
    } catch (const DbError& e) {
        if (e.isOpenElsewhere())
            showRefusal(QStringLiteral("База данных уже открыта в другой копии программы."), e);
        else
            msg::generalError(e.text(), dberror::explain(e));
    }
}

bool TDM::upToDate() {
    const upgrade::Plan plan = upgrade::plan(IBDatabase1);
    if (plan.upToDate()) return true;
    if (!msg::confirm(QStringLiteral("Эта база данных сделана более ранней версией программы, и её нужно обновить. "
                                     "Обновить сейчас?"))) {
        msg::info(QStringLiteral("База данных не изменена, программа закрывается."),
                  QStringLiteral("Обновить базу данных можно и командой:\ntavrin-db upgrade %1").arg(IBDatabase1.databaseName));
        return false;
    }
    try {
        upgrade::apply(IBDatabase1, plan);
    } catch (const upgrade::Refusal& r) {
        msg::error(r.text(), r.detail());
        return false;
    } catch (const DbError& e) {
        msg::error(QStringLiteral("Базу данных не удалось обновить, ничего не изменено. Программа закрывается."),
                   dberror::explain(e), e.text());
        return false;
    }
    msg::info(QStringLiteral("База данных обновлена."));
    m_upgraded = true;
    return true;
}

void TDM::checkRecord() {
    const check::Findings found = check::run(IBDatabase1, IBTransaction1);
    if (!found.clean())
        msg::error(QStringLiteral("Проверка базы данных нашла нарушения: %1.").arg(found.total), found.lines().join(u'\n'));
}
