#include "UDM.h"

#include "DbError.h"
#include "Text.h"
#include "Upgrade.h"
#include "ui/Messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringDecoder>

TDM* DM = nullptr;

TDM::TDM(QObject* parent) : QObject(parent) { setObjectName(QStringLiteral("DM")); }

QString TDM::pathMissingMessage() {
    return QStringList{QStringLiteral("Файл пути к б.д. не найде"), QStringLiteral("Создайте в папке программы файл path.txt"),
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

void TDM::DataModuleCreate(const QString& folder) {
    QString dir = folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
    while (dir.size() > 1 && (dir.endsWith(u'/') || dir.endsWith(QDir::separator()))) dir.chop(1);
    QFile file(dir + QDir::separator() + QStringLiteral("path.txt"));
    if (!file.exists()) {
        msg::error(pathMissingMessage());
        m_terminate = true;  // main ends the program before its message loop
        return;
    }
    QString name;
    if (file.open(QIODevice::ReadOnly)) {
        name = firstLine(file);
        file.close();
    }
    IBDatabase1.databaseName = name;
    try {
        IBDatabase1.connect();
        if (!upToDate()) {
            m_terminate = true;
            IBDatabase1.disconnect();
            return;
        }
        IBTransaction1.start();
    } catch (const DbError& e) {
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
    return true;
}
