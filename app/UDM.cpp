#include "UDM.h"

#include "Backup.h"
#include "Check.h"
#include "DbError.h"
#include "Schema.h"
#include "Text.h"
#include "Upgrade.h"
#include "reports/ReportFiles.h"
#include "ui/GuardedWrite.h"
#include "ui/Messages.h"
#include "ui/Progress.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

QString TDM::userPathFile() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("Tavrin/path.txt"));
}

QString TDM::newDatabaseName() { return QDir(reportfiles::folderName()).filePath(QStringLiteral("olympiad.fdb")); }

QString TDM::pathMissingMessage(const QString& programFolder) {
    return QStringList{QStringLiteral("Файл пути к б.д. не найде"), QStringLiteral("Создайте в папке программы файл path.txt"),
                       QStringLiteral("(%1)").arg(QDir::toNativeSeparators(programFolder)),
                       QStringLiteral("или файл %1").arg(QDir::toNativeSeparators(userPathFile())),
                       QStringLiteral("и запишите туда путь к б.д."), QStringLiteral("Пример: C:\\Dunmar\\Dunmar.GDB")}
        .join(u'\n');
}

QString TDM::noDatabaseMessage() {
    return QStringList{QStringLiteral("База данных не выбрана, программа закрывается."),
                       QStringLiteral("Запишите путь к базе данных первой строкой в файл"),
                       QDir::toNativeSeparators(userPathFile()),
                       QStringLiteral("и запустите программу снова."),
                       QStringLiteral("Пример: %1").arg(QDir::toNativeSeparators(QDir::home().filePath(QStringLiteral("olympiad.fdb")))),
                       QStringLiteral("Новую пустую базу данных делает команда: tavrin-db create ПУТЬ")}
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
    const bool exists = QFileInfo::exists(name);
    const QString question = exists ? QStringLiteral("База данных не выбрана (файла path.txt нет).\n"
                                                     "Открыть базу данных, созданную раньше:\n%1?")
                                    : QStringLiteral("База данных не выбрана (файла path.txt нет).\n"
                                                     "Создать новую пустую базу данных\n%1?");
    if (!msg::confirm(question.arg(QDir::toNativeSeparators(name)))) {
        QDir().mkpath(QFileInfo(userPathFile()).path());  // where the message says to write it
        msg::error(noDatabaseMessage());
        return QString();
    }
    if (exists) {
        IBDatabase1.databaseName = name;
    } else {
        try {
            if (!QDir().mkpath(QFileInfo(name).path()))
                throw DbError(QStringLiteral("Не удалось создать папку %1.").arg(QDir::toNativeSeparators(QFileInfo(name).path())));
            schema::createDatabase(IBDatabase1, name);  // stays connected
        } catch (const DbError& e) {
            try {
                IBDatabase1.disconnect();
            } catch (const DbError&) {
            }
            QFile::remove(name);  // half made, it would be offered as made before on the next start
            msg::error(QStringLiteral("Не удалось создать базу данных %1. Программа закрывается.").arg(QDir::toNativeSeparators(name)),
                       dberror::explain(e), e.text());
            return QString();
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
    // Whatever keeps the database from being opened ends the program after saying so: a main window
    // in which every button fails is of no use.
    m_terminate = true;
    if (file.exists()) {
        QString name;
        if (file.open(QIODevice::ReadOnly)) {
            name = firstLine(file);
            file.close();
        }
        IBDatabase1.databaseName = name;
        if (name.trimmed().isEmpty()) {
            msg::error(QStringLiteral("В файле %1 нет пути к базе данных. Программа закрывается.")
                           .arg(QDir::toNativeSeparators(file.fileName())),
                       QStringLiteral("Запишите путь к базе данных первой строкой этого файла."));
            return;
        }
    } else if (reportfiles::installedDataFolder(dir).isEmpty()) {
        msg::error(pathMissingMessage(dir));
        return;
    } else if (offerNewDatabase().isEmpty()) {
        return;  // declined, or it could not be made: said
    }
    try {
        IBDatabase1.connect();
        if (!upToDate()) {
            IBDatabase1.disconnect();
            return;
        }
        IBTransaction1.start();
        m_terminate = false;
    } catch (const DbError& e) {
        try {
            IBDatabase1.disconnect();
        } catch (const DbError&) {
        }
        const QString shown = QDir::toNativeSeparators(IBDatabase1.databaseName);
        if (e.isOpenElsewhere()) {
            showRefusal(QStringLiteral("База данных уже открыта в другой копии программы."), e);
        } else {
            QString why = dberror::explain(e);
            if (why.isEmpty() && backup::locate(IBDatabase1.databaseName).server.isEmpty() &&
                !QFileInfo::exists(backup::locate(IBDatabase1.databaseName).path))
                why = QStringLiteral("Файла базы данных %1 нет. Проверьте путь к базе данных в файле %2.")
                          .arg(shown, QDir::toNativeSeparators(file.fileName()));
            msg::error(QStringLiteral("Не удалось открыть базу данных «%1». Программа закрывается.").arg(shown),
                       why.isEmpty() ? QStringLiteral("Проверьте путь к базе данных в файле %1.")
                                           .arg(QDir::toNativeSeparators(file.fileName()))
                                     : why,
                       e.text());
        }
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
    const QString saved = reportfiles::newBackupFile(IBDatabase1.databaseName);
    if (saved.isEmpty()) {
        msg::error(QStringLiteral("База данных не обновлена: не удалось сделать резервную копию. Программа закрывается."),
                   QStringLiteral("Не удалось создать папку %1.")
                       .arg(QDir::toNativeSeparators(QDir(reportfiles::folderName()).filePath(QStringLiteral("Резервные копии")))));
        return false;
    }
    const QString savedText = QStringLiteral("Перед обновлением сделана резервная копия: %1").arg(QDir::toNativeSeparators(saved));
    upgrade::Outcome done;
    // The upgrade holds the file itself: an attachment of ours kept open would go on reading the
    // file it replaces.
    IBDatabase1.disconnect();
    try {
        ui::withProgress(nullptr, QStringLiteral("Обновление базы данных"),
                         [&](const ui::Tell& tell) { done = upgrade::run(IBDatabase1, saved, tell); });
    } catch (const upgrade::Refusal& r) {
        msg::error(r.text(), r.detail());
        return false;
    } catch (const upgrade::Unfinished& e) {
        msg::error(QStringLiteral("База данных обновлена, но история баллов, введённых раньше, не записана. "
                                  "Она будет записана при следующем запуске."),
                   savedText, e.text());
        return false;
    } catch (const DbError& e) {
        const QString why = dberror::explain(e);
        msg::error(QStringLiteral("Базу данных не удалось обновить, ничего не изменено. Программа закрывается."),
                   (why.isEmpty() ? QString() : why + u'\n') + (QFileInfo::exists(saved) ? savedText : QString()), e.text());
        return false;
    }
    IBDatabase1.connect();
    if (!done.findings.isEmpty())
        msg::error(QStringLiteral("База данных обновлена, но в её записях есть нарушения."),
                   done.findings.join(u'\n') + u'\n' + savedText);
    else
        msg::info(QStringLiteral("База данных обновлена."), savedText);
    return true;
}

void TDM::showFindings(const check::Findings& found) {
    if (!found.clean())
        msg::error(QStringLiteral("Проверка базы данных нашла нарушения: %1.").arg(found.total), found.lines().join(u'\n'));
}
