// SIGTERM and SIGINT end the program cleanly, as "Выход" does: the process exits with code 0 and
// leaves its database closed and whole.

#include "Database.h"
#include "Schema.h"
#include "fixtures/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// True once the process holds the database file open.
bool holdsOpen(qint64 pid, const QString& file) {
    const QDir fds(QString("/proc/%1/fd").arg(pid));
    for (const QString& fd : fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries))
        if (QFile::symLinkTarget(fds.filePath(fd)) == file) return true;
    return false;
}

TEST(ShutdownSignals, EndTheProgramCleanly) {
    for (const int sig : {SIGTERM, SIGINT}) {
        QTemporaryDir dir;
        const QString db = dir.filePath("olymp.fdb");
        {
            Database made;
            schema::createDatabase(made, db);
        }
        const QString exe = dir.filePath("tavrin");
        ASSERT_TRUE(QFile::copy(QStringLiteral(TAVRIN_APP), exe));
        QFile path(dir.filePath("path.txt"));
        ASSERT_TRUE(path.open(QIODevice::WriteOnly));
        path.write(db.toUtf8() + "\n");
        path.close();

        QProcess app;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        app.setProcessEnvironment(env);
        app.start(exe, {});
        ASSERT_TRUE(app.waitForStarted(10000));
        for (int i = 0; i < 200 && !holdsOpen(app.processId(), db); ++i) QThread::msleep(50);
        ASSERT_TRUE(holdsOpen(app.processId(), db)) << "the program did not open its database";
        QThread::msleep(200);

        ::kill(pid_t(app.processId()), sig);
        ASSERT_TRUE(app.waitForFinished(10000)) << "signal " << sig << " left the program running";
        EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(app.exitCode(), 0);

        Database after;
        after.databaseName = db;
        EXPECT_NO_THROW(after.connect()) << "the database is closed and whole";
    }
}

}  // namespace
