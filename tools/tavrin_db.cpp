// tavrin-db: makes Tavrin databases, backs them up and restores them.
//   tavrin-db create PATH                      an empty database with every table
//   tavrin-db demo PATH [--participants N] [--seed N] [--schema FILE]
//                                              a demo olympiad (another seed, other children); with
//                                              --schema, in the tables of an earlier build's script
//   tavrin-db upgrade PATH                     brings a database of an earlier build up to date
//   tavrin-db check PATH                       lists every broken rule of the record; exit 1 when any
//   tavrin-db backup PATH FILE                 the engine's backup of the database into a new file
//   tavrin-db restore FILE PATH                a new database from a backup; never over an existing one
// PATH is a file (embedded engine) or host:/path, host/port:/path on a Firebird server; FILE is a
// file on this computer.

#include "Backup.h"
#include "Check.h"
#include "ClientEnd.h"
#include "Database.h"
#include "DbError.h"
#include "Demo.h"
#include "Schema.h"
#include "Upgrade.h"
#include "reports/ReportFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>

namespace {

int usage() {
    std::fputs("Использование:\n"
               "  tavrin-db create ПУТЬ\n"
               "  tavrin-db demo ПУТЬ [--participants N] [--seed N] [--schema ФАЙЛ]\n"
               "  tavrin-db upgrade ПУТЬ\n"
               "  tavrin-db check ПУТЬ\n"
               "  tavrin-db backup ПУТЬ ФАЙЛ\n"
               "  tavrin-db restore ФАЙЛ ПУТЬ\n"
               "ПУТЬ: файл базы данных или сервер:/путь (сервер/порт:/путь); ФАЙЛ: файл резервной копии.\n",
               stderr);
    return 1;
}

int fail(const QString& message) {
    std::fprintf(stderr, "tavrin-db: %s\n", message.toUtf8().constData());
    return 1;
}

bool isServerName(const QString& name) { return !backup::locate(name).server.isEmpty(); }

// A database file on this computer must be new, in a folder that exists.
QString refusedNewFile(const QString& path) {
    if (isServerName(path)) return QString();
    const QFileInfo fi(path);
    if (fi.exists()) return QStringLiteral("файл %1 уже существует; укажите новый путь").arg(path);
    if (!fi.absoluteDir().exists())
        return QStringLiteral("папки %1 нет; создайте её или укажите другой путь").arg(fi.absolutePath());
    return QString();
}

QString absoluteName(const QString& path) { return isServerName(path) ? path : QFileInfo(path).absoluteFilePath(); }

// The engine's words, after ours where we know what they mean.
QString reason(const DbError& e) {
    const QString why = dberror::explain(e);
    return why.isEmpty() ? e.text() : why + u'\n' + e.text();
}

// backup PATH FILE, restore FILE PATH.
int copyCommand(const QString& command, const QString& first, const QString& second) {
    const bool saving = command == u"backup";
    const QString file = saving ? second : first;
    Database db;
    db.databaseName = absoluteName(saving ? first : second);
    const QString from = saving ? first : file;
    if (!isServerName(from) && !QFileInfo::exists(from)) return fail(QStringLiteral("файла %1 нет").arg(from));
    const QString refusal = refusedNewFile(saving ? file : db.databaseName);
    if (!refusal.isEmpty()) return fail(refusal);
    try {
        if (saving) {
            backup::save(db, QFileInfo(file).absoluteFilePath());
            std::printf("Резервная копия сохранена: %s\n", file.toUtf8().constData());
        } else {
            // A test may have the tool killed after that many pieces of the copy reached the engine.
            const int killAfter = qEnvironmentVariableIntValue("TAVRIN_TEST_KILL_AFTER_STEP");
            int pieces = 0;
            backup::restore(file, db, [&](int, int) {
                if (++pieces == killAfter) ::raise(SIGKILL);
            });
            std::printf("База данных восстановлена: %s\n", db.databaseName.toUtf8().constData());
        }
    } catch (const DbError& e) {
        return fail(QStringLiteral("%1:\n%2")
                        .arg(saving ? QStringLiteral("не удалось сделать резервную копию %1").arg(first)
                                    : QStringLiteral("не удалось восстановить базу данных %1").arg(second),
                             reason(e)));
    }
    return 0;
}

void print(const QString& text) { std::printf("%s\n", text.toUtf8().constData()); }

// The check's lines under a heading that takes their number; nothing when the record keeps every rule.
bool printFindings(Database& db, const QString& heading) {
    Transaction tr(db);
    tr.start();
    const check::Findings found = check::run(db, tr);
    tr.rollback();
    if (found.clean()) return false;
    print(heading.arg(found.total));
    for (const QString& line : found.lines()) print(QStringLiteral("  %1").arg(line));
    return true;
}

// What the upgrade is doing, a line each time it goes on to something else. A test may have the tool
// killed right after a step is committed (TAVRIN_TEST_KILL_AFTER_STEP=N), as a power cut would.
upgrade::Progress upgradeProgress() {
    const int killAfter = qEnvironmentVariableIntValue("TAVRIN_TEST_KILL_AFTER_STEP");
    return [killAfter, last = QString()](const QString& phase, int done, int) mutable {
        if (phase.startsWith(QStringLiteral("Обновление")) && done == killAfter) ::raise(SIGKILL);
        if (phase == last) return;
        last = phase;
        std::fprintf(stderr, "%s…\n", phase.toUtf8().constData());
    };
}

int upgradeDatabase(const QString& path) {
    if (!isServerName(path) && !QFileInfo::exists(path)) return fail(QStringLiteral("файла %1 нет").arg(path));
    Database db;
    db.databaseName = absoluteName(path);
    const QString backupFile = reportfiles::newBackupFile(db.databaseName);
    if (backupFile.isEmpty())
        return fail(QStringLiteral("нельзя сделать резервную копию: не удалось создать папку %1")
                        .arg(QDir(reportfiles::folderName()).filePath(QStringLiteral("Резервные копии"))));
    try {
        const upgrade::Outcome done = upgrade::run(db, backupFile, upgradeProgress());
        if (!done.added.isEmpty()) {
            print(QStringLiteral("База данных обновлена: %1\nПеред обновлением сделана резервная копия: %2\nДобавлено:")
                      .arg(path, backupFile));
            for (const QString& line : done.added) print(QStringLiteral("  %1").arg(line));
        }
        if (!done.findings.isEmpty())
            return fail(QStringLiteral("проверка базы данных %1 нашла нарушения:\n%2").arg(path, done.findings.join(u'\n')));
        if (done.added.isEmpty()) print(QStringLiteral("База данных уже обновлена, ничего не изменено: %1").arg(path));
        return 0;
    } catch (const upgrade::Refusal& r) {
        return fail(r.text() + u'\n' + r.detail());
    } catch (const upgrade::Unfinished& e) {
        return fail(QStringLiteral("база данных %1 обновлена, но история баллов, введённых раньше, не записана; "
                                   "запустите обновление ещё раз:\n%2")
                        .arg(path, e.text()));
    } catch (const DbError& e) {
        const QString why = dberror::explain(e);
        const bool saved = QFileInfo::exists(backupFile);
        return fail(QStringLiteral("не удалось обновить базу данных %1, ничего не изменено%2:\n%3")
                        .arg(path,
                             saved ? QStringLiteral(" (перед обновлением сделана резервная копия: %1)").arg(backupFile) : QString(),
                             why.isEmpty() ? e.text() : why + u'\n' + e.text()));
    }
}

// Prints every broken rule (the first check::kShown of them and how many more); 1 when any.
int checkDatabase(const QString& path) {
    if (!isServerName(path) && !QFileInfo::exists(path)) return fail(QStringLiteral("файла %1 нет").arg(path));
    Database db;
    db.databaseName = path;
    try {
        db.connect();
        if (!upgrade::plan(db).upToDate())
            return fail(QStringLiteral("база данных %1 сделана более ранней версией программы; сначала обновите её:\n"
                                       "tavrin-db upgrade %1")
                            .arg(path));
        if (printFindings(db, QStringLiteral("Нарушения в базе данных %1: %2").arg(path, QStringLiteral("%1")))) return 1;
        print(QStringLiteral("Нарушений не найдено: %1").arg(path));
        return 0;
    } catch (const DbError& e) {
        return fail(QStringLiteral("не удалось проверить базу данных %1:\n%2").arg(path, reason(e)));
    }
}

// A demo olympiad made as usual, then copied into a database made from an earlier build's script.
void demoInEarlierTables(Database& db, const QString& name, const QString& scriptFile, const demo::Options& options) {
    QFile f(scriptFile);
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("не удалось прочитать файл %1: %2").arg(scriptFile, f.errorString()));
    const QStringList statements = schema::statements(QString::fromUtf8(f.readAll()));
    QTemporaryDir scratch;
    Database full;
    schema::createDatabase(full, scratch.filePath(QStringLiteral("demo.fdb")));
    Transaction fullTr(full);
    fullTr.start();
    demo::fill(full, fullTr, options);
    schema::createDatabase(db, name, statements);
    Transaction tr(db);
    tr.start();
    demo::copyInto(full, fullTr, db, tr);
    tr.commit();
}

int run(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() < 2) return usage();
    const QString command = args.takeFirst();
    if (command == u"backup" || command == u"restore")
        return args.size() == 2 ? copyCommand(command, args[0], args[1]) : usage();
    const QString path = args.takeFirst();
    if (command == u"upgrade") return args.isEmpty() ? upgradeDatabase(path) : usage();
    if (command == u"check") return args.isEmpty() ? checkDatabase(path) : usage();
    demo::Options options;
    QString script;  // the tables of an earlier build, for trying an upgrade
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
        } else if (command == u"demo" && opt == u"--schema" && !args.isEmpty()) {
            script = args.takeFirst();
        } else {
            return usage();
        }
    }
    if (command != u"create" && command != u"demo") return usage();

    const bool local = !isServerName(path);
    const QString refusal = refusedNewFile(path);
    if (!refusal.isEmpty()) return fail(refusal);
    Database db;
    try {
        if (script.isEmpty()) {
            schema::createDatabase(db, absoluteName(path));
            if (command == u"demo") {
                Transaction tr(db);
                tr.start();
                demo::fill(db, tr, options);
                tr.commit();
            }
        } else {
            demoInEarlierTables(db, absoluteName(path), script, options);
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

}  // namespace

int main(int argc, char** argv) { endProgram(run(argc, argv)); }  // after every connection
