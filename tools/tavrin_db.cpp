// tavrin-db: makes Tavrin databases.
//   tavrin-db create PATH                      an empty database with every table
//   tavrin-db demo PATH [--participants N] [--seed N]   a demo olympiad (another seed, other children)
//   tavrin-db upgrade PATH                     brings a database of an earlier build up to date
// PATH is a file (embedded engine) or host:/path, host/port:/path on a Firebird server.

#include "Database.h"
#include "DbError.h"
#include "Demo.h"
#include "Schema.h"
#include "Upgrade.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdio>

namespace {

int usage() {
    std::fputs("Использование:\n"
               "  tavrin-db create ПУТЬ\n"
               "  tavrin-db demo ПУТЬ [--participants N] [--seed N]\n"
               "  tavrin-db upgrade ПУТЬ\n"
               "ПУТЬ: файл базы данных или сервер:/путь (сервер/порт:/путь).\n",
               stderr);
    return 1;
}

int fail(const QString& message) {
    std::fprintf(stderr, "tavrin-db: %s\n", message.toUtf8().constData());
    return 1;
}

bool isServerName(const QString& name) {
    // "host:/path" or "host/port:/path"; a Windows drive "C:\..." is a local file.
    static const QRegularExpression re(QStringLiteral("^[^:/\\\\]{2,}(/[0-9A-Za-z_]+)?:"));
    return re.match(name).hasMatch();
}

void print(const QString& text) { std::printf("%s\n", text.toUtf8().constData()); }

int upgradeDatabase(const QString& path) {
    if (!isServerName(path) && !QFileInfo::exists(path)) return fail(QStringLiteral("файла %1 нет").arg(path));
    Database db;
    db.databaseName = path;
    try {
        db.connect();
        const upgrade::Plan plan = upgrade::plan(db);
        if (plan.upToDate()) {
            print(QStringLiteral("База данных уже обновлена, ничего не изменено: %1").arg(path));
            return 0;
        }
        upgrade::apply(db, plan);
        print(QStringLiteral("База данных обновлена: %1\nДобавлено:").arg(path));
        for (const QString& line : plan.lacking) print(QStringLiteral("  %1").arg(line));
        return 0;
    } catch (const upgrade::Refusal& r) {
        return fail(r.text() + u'\n' + r.detail());
    } catch (const DbError& e) {
        const QString why = dberror::explain(e);
        return fail(QStringLiteral("не удалось обновить базу данных %1, ничего не изменено:\n%2")
                        .arg(path, why.isEmpty() ? e.text() : why + u'\n' + e.text()));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() < 2) return usage();
    const QString command = args.takeFirst();
    const QString path = args.takeFirst();
    if (command == u"upgrade") return args.isEmpty() ? upgradeDatabase(path) : usage();
    demo::Options options;
    while (!args.isEmpty()) {
        const QString opt = args.takeFirst();
        if (command == u"demo" && opt == u"--participants" && !args.isEmpty()) {
            bool ok = false;
            options.participants = args.takeFirst().toInt(&ok);
            if (!ok || options.participants < 0) return fail(QStringLiteral("--participants: нужно целое число ≥ 0"));
        } else if (command == u"demo" && opt == u"--seed" && !args.isEmpty()) {
            bool ok = false;
            options.seed = args.takeFirst().toUInt(&ok);
            if (!ok) return fail(QStringLiteral("--seed: нужно целое число ≥ 0"));
        } else {
            return usage();
        }
    }
    if (command != u"create" && command != u"demo") return usage();

    const bool local = !isServerName(path);
    if (local) {
        const QFileInfo fi(path);
        if (fi.exists()) return fail(QStringLiteral("файл %1 уже существует; укажите новый путь").arg(path));
        if (!fi.absoluteDir().exists())
            return fail(QStringLiteral("папки %1 нет; создайте её или укажите другой путь").arg(fi.absolutePath()));
    }
    Database db;
    try {
        schema::createDatabase(db, local ? QFileInfo(path).absoluteFilePath() : path);
        if (command == u"demo") {
            Transaction tr(db);
            tr.start();
            demo::fill(db, tr, options);
            tr.commit();
        }
        db.disconnect();
    } catch (const DbError& e) {
        const bool made = db.connected();
        try {
            db.disconnect();
        } catch (const DbError&) {
        }
        if (made && local) QFile::remove(path);  // a half-made database is of no use
        return fail(QStringLiteral("не удалось создать базу данных %1:\n%2").arg(path, e.text()));
    }
    std::printf("%s: %s\n", command == u"demo" ? "Демонстрационная база создана" : "База данных создана",
                path.toUtf8().constData());
    return 0;
}
