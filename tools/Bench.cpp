// Measures the operations users wait for on a demo olympiad and prints one table: the operation,
// its size, the median time of several runs (with min and max), the goal, and the ratio to a
// reference measured in the same run.
//
//   tavrin-bench [--participants N] [--runs R] [--json FILE] [--keep FOLDER] [--server HOST:FOLDER]
//
// The merge is also measured into a database on a Firebird server (by default 127.0.0.1, in
// /var/lib/tavrin-test, the folder the test set-up gives the server), when one answers; --server ''
// leaves it out. Every merge checks its result, and a wrong count fails the run.
//
// It makes its databases with tavrin-db in a temporary folder, or in FOLDER, where they stay
// and are used again by the next run. The windows are measured on the
// offscreen platform.

#include "Atomic.h"
#include "Database.h"
#include "Lookups.h"
#include "Query.h"
#include "Schema.h"
#include "Upgrade.h"
#include "app/UDM.h"
#include "app/UMain.h"
#include "merge/Merge.h"
#include "participants/Import.h"
#include "participants/ListFile.h"
#include "participants/Registration.h"
#include "participants/UImport.h"
#include "participants/UViewKlass.h"
#include "reference/Dictionaries.h"
#include "reference/Rounds.h"
#include "reports/Reports.h"
#include "scoring/Places.h"
#include "scoring/Scores.h"
#include "ui/Application.h"
#include "ui/Combo.h"
#include "ui/DataGrid.h"
#include "ui/Messages.h"
#include "ui/Progress.h"
#include "xlsx/Workbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <netdb.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct Row {
    Row(QString op, QString sz) : operation(std::move(op)), size(std::move(sz)) {}
    QString operation;
    QString size;
    std::vector<double> ms;  // every run
    double goalMs = 0;       // 0: none
    QString reference;       // what the ratio compares with
    double referenceMs = 0;  // 0: none
    QString note;
    double median() const {
        std::vector<double> s = ms;
        std::sort(s.begin(), s.end());
        return s.empty() ? 0 : s[s.size() / 2];
    }
};

double timeIt(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

// The window thread while the merge runs on its worker thread under its window: the largest gap
// between the ticks of a 10 ms timer of the window thread (the goal: it answers within 100 ms).
Row windowDuringMerge(const QString& work, const QString& source, const QString& copy, int participants) {
    QFile::remove(copy);
    QFile::copy(work, copy);
    Row r{"Окно во время объединения: наибольшая пауза", QStringLiteral("%1 участников").arg(participants)};
    QElapsedTimer since;
    double largest = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        largest = std::max(largest, double(since.nsecsElapsed()) / 1e6);
        since.restart();
    });
    merge::Result res;
    QElapsedTimer whole;
    whole.start();
    ui::withProgress(nullptr, QStringLiteral("Объединение"), [&](ui::Work& progress) {
        QMetaObject::invokeMethod(&tick, [&] { since.start(); tick.start(); });  // once the window's loop runs
        Database w, s;
        w.databaseName = copy;
        s.databaseName = source;
        w.connect();
        s.connect();
        Transaction wt(w), st(s);
        wt.start();
        st.start();
        atomically(wt, [&] {
            res = merge::run(w, wt, s, st, [&](int done, int total) {
                progress.stopIfCancelled();
                progress.tell(QStringLiteral("Объединение"), done, total);
            });
        }, merge::worthRetrying);
    });
    tick.stop();
    std::fprintf(stderr, "Окно во время объединения %d участников: наибольшая пауза %.0f мс (объединение %lld мс).\n",
                 participants, largest, qint64(whole.elapsed()));
    r.ms = {largest};
    r.goalMs = 100;
    r.note = QStringLiteral("Объединение на рабочем потоке под окном хода работы заняло %1 мс; таймер окна тикал каждые 10 мс. "
                            "Скопировано участников: %2.")
                 .arg(whole.elapsed())
                 .arg(res.copied);
    QFile::remove(copy);
    return r;
}

std::vector<double> runs(int n, const std::function<void()>& before, const std::function<void()>& f) {
    std::vector<double> out;
    for (int i = 0; i < n; ++i) {
        if (before) before();
        out.push_back(timeIt(f));
    }
    return out;
}

long peakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// A demo olympiad; with `schema`, in the tables of an earlier build's script.
void makeDemo(const QString& path, int participants, int seed, const QString& schema = {}) {
    QProcess p;
    QStringList args{"demo", path, "--participants", QString::number(participants), "--seed", QString::number(seed)};
    if (!schema.isEmpty()) args << "--schema" << QStringLiteral(TAVRIN_EARLIER_SCHEMAS) + u'/' + schema;
    p.start(QStringLiteral(TAVRIN_DB_TOOL), args);
    p.waitForFinished(-1);
    if (p.exitCode() != 0) {
        std::fprintf(stderr, "tavrin-db failed: %s\n", p.readAllStandardError().constData());
        std::exit(1);
    }
}

struct Connection {
    Database db;
    Transaction tr{db};
    explicit Connection(const QString& name) {
        db.databaseName = name;
        db.connect();
        tr.start();
    }
};

// The tables a merge writes a row of for each row of the source.
const char* const kMergedTables[] = {"SPISOK", "BAL", "GRUP", "SHIFR", "TEACHERS", "BAL_LOG"};

// The rows of each of those tables.
std::vector<qint64> rowCounts(const QString& name) {
    Connection c(name);
    std::vector<qint64> n;
    for (const char* table : kMergedTables) {
        Query q(c.db, c.tr);
        q.setSql(QStringList{QStringLiteral("SELECT COUNT(*) AS N FROM %1").arg(QString::fromLatin1(table))});
        q.open();
        n.push_back(q.fieldInt("N"));
    }
    return n;
}

// The merge as it is written in the old way: every row committed by itself, the new key found by
// reading all keys after each participant, rows linked through ID_CHILD 0. Dictionary keys are
// copied unchanged, so the source is a copy made from the same start as the working database.
void straightforwardMerge(Connection& work, Connection& src) {
    Query children(src.db, src.tr, {"SELECT * FROM SPISOK ORDER BY  ID_CHILD"});
    Query scoresOf(src.db, src.tr, {"SELECT * FROM BAL ", "WHERE ID_CHILD= :ID_CHILD"});
    Query groupOf(src.db, src.tr, {"SELECT * FROM GRUP ", "WHERE ID_CHILD= :ID_CHILD"});
    Query ciphersOf(src.db, src.tr, {"SELECT * FROM SHIFR ", "WHERE ID_CHILD= :ID_CHILD"});
    Query teachersOf(src.db, src.tr, {"SELECT * FROM TEACHERS ", "WHERE ID_CHILD= :ID_CHILD"});
    Query insChild(work.db, work.tr,
                   {"INSERT INTO SPISOK ( ID_KOMAND, ID_PREDMET, KLASS, NAME, SCHOOL, SECONDNAME, SITY, SURNAME)",
                    "VALUES ( :ID_KOMAND, :ID_PREDMET, :KLASS, :NAME, :SCHOOL, :SECONDNAME, :SITY, :SURNAME);"});
    Query keys(work.db, work.tr, {"SELECT ID_CHILD FROM SPISOK ORDER BY  ID_CHILD"});
    Query insGroup(work.db, work.tr,
                   {"INSERT INTO GRUP (ID_CHILD, ID_PREDMET, KLASS, N_GROUP)", "VALUES (:ID_CHILD, :ID_PREDMET, :KLASS, :N_GROUP);"});
    Query insCipher(work.db, work.tr,
                    {"INSERT INTO SHIFR (ID_CHILD, ID_PREDMET, ID_TUR, KLASS, SHIFR)",
                     "VALUES (:ID_CHILD, :ID_PREDMET, :ID_TUR, :KLASS, :SHIFR);"});
    Query insTeacher(work.db, work.tr,
                     {"INSERT INTO TEACHERS (ID_CHILD, NAME, SECONDNAME, SURNAME)", "VALUES (:ID_CHILD, :NAME, :SECONDNAME, :SURNAME);"});
    Query insScores(work.db, work.tr,
                    {"INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS, SUMM, MESTO, DIPL_STEP)",
                     "VALUES (:ID_CHILD, :ID_PREDMET, :KLASS, :SUMM, :MESTO, :DIPL_STEP);"});
    children.open();
    for (children.first(); !children.eof(); children.next()) {
        insChild.setInt("ID_KOMAND", children.fieldInt("ID_KOMAND"));
        insChild.setInt("ID_PREDMET", children.fieldInt("ID_PREDMET"));
        insChild.setInt("KLASS", children.fieldInt("KLASS"));
        for (const char* f : {"NAME", "SCHOOL", "SECONDNAME", "SITY", "SURNAME"}) insChild.setText(f, children.fieldText(f));
        insChild.execute();
        work.tr.commitRetaining();
        keys.open();
        keys.last();
        const qint64 id = keys.fieldInt("ID_CHILD");  // the schema refuses waiting rows: the key goes in directly
        const qint64 old = children.fieldInt("ID_CHILD");
        scoresOf.setInt("ID_CHILD", old);
        scoresOf.open();
        if (!scoresOf.isEmpty()) {
            insScores.setInt("ID_CHILD", id);
            insScores.setInt("ID_PREDMET", scoresOf.fieldInt("ID_PREDMET"));
            insScores.setInt("KLASS", scoresOf.fieldInt("KLASS"));
            insScores.setScore("SUMM", scoresOf.fieldScore("SUMM"));
            insScores.setInt("MESTO", scoresOf.fieldInt("MESTO"));
            insScores.setInt("DIPL_STEP", scoresOf.fieldInt("DIPL_STEP"));
            insScores.execute();
            work.tr.commitRetaining();
        }
        groupOf.setInt("ID_CHILD", old);
        groupOf.open();
        if (!groupOf.isEmpty()) {
            insGroup.setInt("ID_CHILD", id);
            insGroup.setInt("ID_PREDMET", groupOf.fieldInt("ID_PREDMET"));
            insGroup.setInt("KLASS", groupOf.fieldInt("KLASS"));
            insGroup.setInt("N_GROUP", groupOf.fieldInt("N_GROUP"));
            insGroup.execute();
            work.tr.commitRetaining();
        }
        ciphersOf.setInt("ID_CHILD", old);
        ciphersOf.open();
        for (ciphersOf.first(); !ciphersOf.eof(); ciphersOf.next()) {
            insCipher.setInt("ID_CHILD", id);
            insCipher.setInt("ID_PREDMET", ciphersOf.fieldInt("ID_PREDMET"));
            insCipher.setInt("ID_TUR", ciphersOf.fieldInt("ID_TUR"));
            insCipher.setInt("KLASS", ciphersOf.fieldInt("KLASS"));
            insCipher.setText("SHIFR", ciphersOf.fieldText("SHIFR"));
            insCipher.execute();
            work.tr.commitRetaining();
        }
        teachersOf.setInt("ID_CHILD", old);
        teachersOf.open();
        for (teachersOf.first(); !teachersOf.eof(); teachersOf.next()) {
            insTeacher.setInt("ID_CHILD", id);
            for (const char* f : {"NAME", "SECONDNAME", "SURNAME"}) insTeacher.setText(f, teachersOf.fieldText(f));
            insTeacher.execute();
            work.tr.commitRetaining();
        }
    }
}

// The places written as of old: the ranked rows walked, one committed update per row.
void placesRowByRow(Connection& c, int idPredmet, int idKlass) {
    Query ranked(c.db, c.tr,
                 {"SELECT B.SUMM, B.ID_CHILD", "FROM  BAL B", "WHERE B.KLASS = :KLASS AND B.ID_PREDMET= :ID_PREDMET",
                  "ORDER BY B.SUMM DESC;"});
    ranked.setInt("KLASS", idKlass);
    ranked.setInt("ID_PREDMET", idPredmet);
    Query update(c.db, c.tr, {"UPDATE BAL", "SET MESTO =  :i", "WHERE ID_CHILD=:ID_CHILD;"});
    ranked.open();
    int place = 1;
    for (ranked.first(); !ranked.eof();) {
        update.setInt("i", place);
        update.setInt("ID_CHILD", ranked.fieldInt("ID_CHILD"));
        const QString total = ranked.fieldText("SUMM");
        update.execute();
        c.tr.commitRetaining();
        ranked.next();
        ++place;
        if (!ranked.eof() && ranked.fieldText("SUMM") == total) --place;
    }
}

// One subject and grade with `n` score rows, made through the registration and score routines.
void makeBigGrade(const QString& path, int n) {
    Database db;
    schema::createDatabase(db, path);
    db.connect();
    Transaction tr(db);
    tr.start();
    dict::addKomand(db, tr, "Команда");
    dict::addPredmet(db, tr, "Физика");
    dict::addKlass(db, tr, "11");
    const int team = lookup::komandKey(db, tr, "Команда"), subject = lookup::predmetKey(db, tr, "Физика"),
              grade = lookup::klassKey(db, tr, "11");
    rounds::save(db, tr, subject, {{{"Теория", "2"}, {}, {}, {}}});  // the two tasks the scores are in
    std::mt19937 rng(11);
    Query bal(db, tr,
              {"INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS, BAL01, BAL02, B1, SUMM)",
               "VALUES (:ID_CHILD, :ID_PREDMET, :KLASS, :A, :B, :S, :S)"});
    Registrar registrar(db, tr);
    for (int i = 0; i < n; ++i) {
        Registration r;
        r.idKomand = team;
        r.idPredmet = subject;
        r.idKlass = grade;
        r.child = {QStringLiteral("Участник%1").arg(i, 5, 10, QChar(u'0')), "Имя", "Отчество"};
        r.school = "СОШ";
        r.teachers = {{"Учитель", "Имя", "Отчество"}};
        const int id = registrar.insert(r);
        const Score a = Score::fromHundredths(int(rng() % 1000) * 25), b = Score::fromHundredths(int(rng() % 400) * 25);
        bal.setInt("ID_CHILD", id);
        bal.setInt("ID_PREDMET", subject);
        bal.setInt("KLASS", grade);
        bal.setScore("A", a);
        bal.setScore("B", b);
        bal.setScore("S", a + b);
        bal.execute();
    }
    RecomputePlaces(db, tr, subject, grade);
    tr.commit();
}

// Whether a Firebird server listens on the host's port 3050.
bool serverAnswers(const QString& host) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.toUtf8().constData(), "3050", &hints, &found) != 0) return false;
    bool answers = false;
    for (addrinfo* a = found; a && !answers; a = a->ai_next) {
        const int fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (fd < 0) continue;
        answers = ::connect(fd, a->ai_addr, a->ai_addrlen) == 0;
        close(fd);
    }
    freeaddrinfo(found);
    return answers;
}

QString cell(const QString& s, int width, bool right = false) {
    return right ? s.rightJustified(width) : s.leftJustified(width);
}

QString ms(double v) {
    return QString::number(v, 'f', 1);
}

void print(const std::vector<Row>& rows) {
    QString out = cell("Операция", 48) + cell("Объём", 20) + cell("медиана", 10, true) + cell("мин", 10, true) +
                  cell("макс", 10, true) + cell("цель", 10, true) + cell("эталон", 12, true) + cell("во ск.", 8, true) +
                  "\n";
    for (const Row& r : rows) {
        const auto [mn, mx] = std::minmax_element(r.ms.begin(), r.ms.end());
        const QString goal = r.goalMs > 0 ? ms(r.goalMs) : QStringLiteral("—");
        const QString ref = r.referenceMs > 0 ? ms(r.referenceMs) : QStringLiteral("—");
        const QString ratio = r.referenceMs > 0 ? QString::number(r.referenceMs / r.median(), 'f', 1) : QStringLiteral("—");
        out += cell(r.operation, 48) + cell(r.size, 20) + cell(ms(r.median()), 10, true) + cell(ms(*mn), 10, true) +
               cell(ms(*mx), 10, true) + cell(goal, 10, true) + cell(ref, 12, true) + cell(ratio, 8, true) + "\n";
        if (!r.note.isEmpty()) out += "    " + r.note + "\n";
    }
    out += "Времена в миллисекундах; «во ск.» — во сколько раз быстрее эталона.\n";
    std::fputs(out.toUtf8().constData(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    msg::setTestMode(true);  // no box may wait for an answer in a measurement
    int participants = 20000, nRuns = 3, gradeRows = 2000;
    QString json, keep, server = QStringLiteral("127.0.0.1:/var/lib/tavrin-test");
    QStringList args = app.arguments().mid(1);
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == u"--participants" && !args.isEmpty())
            participants = args.takeFirst().toInt();
        else if (a == u"--runs" && !args.isEmpty())
            nRuns = qMax(1, args.takeFirst().toInt());
        else if (a == u"--json" && !args.isEmpty())
            json = args.takeFirst();
        else if (a == u"--keep" && !args.isEmpty())
            keep = args.takeFirst();
        else if (a == u"--server" && !args.isEmpty())
            server = args.takeFirst();
        else {
            std::fprintf(stderr, "usage: tavrin-bench [--participants N] [--runs R] [--json FILE] [--keep FOLDER] "
                                 "[--server HOST:FOLDER | --server '']\n");
            return 2;
        }
    }
    QTemporaryDir temporary;
    if (!keep.isEmpty()) QDir().mkpath(keep);
    const QDir dir(keep.isEmpty() ? temporary.path() : keep);
    const QString work = dir.filePath(QStringLiteral("work-%1.fdb").arg(participants)),
                  source = dir.filePath(QStringLiteral("source-%1.fdb").arg(participants)),
                  grade = dir.filePath(QStringLiteral("grade-%1.fdb").arg(gradeRows));
    std::fprintf(stderr, "Подготовка: демонстрационные базы на %d участников и класс на %d строк баллов…\n", participants,
                 gradeRows);
    // Databases kept from an earlier run are used again.
    if (!QFile::exists(work)) makeDemo(work, participants, 2026);
    if (!QFile::exists(source)) makeDemo(source, participants, 7);
    if (!QFile::exists(grade)) makeBigGrade(grade, gradeRows);
    std::vector<Row> rows;

    // The merge, from a fresh copy of the working database each run; each run checks its own
    // result: every child of the source copied, and a second merge adding nothing.
    QStringList wrong;
    const auto mergeRuns = [&](Row& r, const QString& copyFile, const QString& copyName) {
        r.ms = runs(
            nRuns,
            [&] {
                QFile::remove(copyFile);
                QFile::copy(work, copyFile);
                QFile::setPermissions(copyFile, QFile::permissions(copyFile) | QFileDevice::WriteOther | QFileDevice::ReadOther);
                ::sync();  // the copy's pages reach the disk before the clock starts, not during the merge
            },
            [&] {
                Connection w(copyName), s(source);
                merge::Result res;
                atomically(w.tr, [&] { res = merge::run(w.db, w.tr, s.db, s.tr); }, merge::worthRetrying);
                if (res.copied != participants)
                    wrong << QStringLiteral("%1: скопировано %2 участников из %3").arg(r.operation).arg(res.copied).arg(participants);
            });
        merge::Result again;
        {
            Connection w(copyName), s(source);
            atomically(w.tr, [&] { again = merge::run(w.db, w.tr, s.db, s.tr); }, merge::worthRetrying);
        }
        if (again.copied != 0 || again.alreadyThere != participants || again.keptDifferent != 0)
            wrong << QStringLiteral("%1, повторно: %2").arg(r.operation, merge::summary(again));
        // Every row of the source arrived once: the copy holds the working rows and the source's.
        const std::vector<qint64> had = rowCounts(work), brought = rowCounts(source), now = rowCounts(copyName);
        for (size_t t = 0; t < now.size(); ++t)
            if (now[t] != had[t] + brought[t])
                wrong << QStringLiteral("%1: %2 — строк %3, а должно быть %4 + %5")
                             .arg(r.operation, QString::fromLatin1(kMergedTables[t]))
                             .arg(now[t])
                             .arg(had[t])
                             .arg(brought[t]);
        return again;
    };
    {
        Row r{"Объединение баз", QStringLiteral("%1 участников").arg(participants)};
        const QString copy = dir.filePath("merge.fdb");
        const merge::Result again = mergeRuns(r, copy, copy);
        const long peak = peakKb();
        // The straightforward merge on a smaller source, scaled to the same number of participants.
        const int small = qMin(participants, 500);
        const QString smallSource = dir.filePath("small.fdb"), refCopy = dir.filePath("ref.fdb");
        QFile::remove(smallSource);
        makeDemo(smallSource, small, 7);
        QFile::remove(refCopy);
        QFile::copy(work, refCopy);
        const double refMs = timeIt([&] {
            Connection w(refCopy), s(smallSource);
            straightforwardMerge(w, s);
        });
        r.reference = QStringLiteral("построчно");
        r.referenceMs = refMs * participants / small;
        r.note = QStringLiteral("Эталон: построчное объединение %1 участников (коммит на строку, перечитывание ключей), "
                                "умножено на %2; на деле ещё дольше, так как перечитывание растёт с базой. "
                                "Пиковая память процесса после объединения: %3 МБ. Каждый раз скопировано всех %4; "
                                "повторное объединение: %5")
                     .arg(small)
                     .arg(participants / double(small), 0, 'f', 0)
                     .arg(peak / 1024.0, 0, 'f', 0)
                     .arg(participants)
                     .arg(merge::summary(again));
        r.goalMs = 3000;
        // Rows per second, against raw inserts in one transaction.
        // Every row the merge writes counts, the score history's included.
        qint64 sourceRows = 0;
        for (const qint64 n : rowCounts(source)) sourceRows += n;
        const double mergeRate = sourceRows / (r.median() / 1000.0);
        rows.push_back(r);

        Row raw{"Вставки одной транзакцией (предел движка)", "100000 строк"};
        const QString rawPath = dir.filePath("raw.fdb");
        raw.ms = runs(
            nRuns, [&] { QFile::remove(rawPath); },
            [&] {
                Database db;
                db.databaseName = rawPath;
                db.create();
                Transaction tr(db);
                tr.start();
                Query ddl(db, tr, {"CREATE TABLE RAW (A INTEGER, B VARCHAR(50), C NUMERIC(9,2))"});
                ddl.execute();
                tr.commitRetaining();
                Query ins(db, tr, {"INSERT INTO RAW (A, B, C) VALUES (:A, :B, :C)"});
                for (int i = 0; i < 100000; ++i) {
                    ins.setInt("A", i);
                    ins.setText("B", "Участник");
                    ins.setScore("C", Score::fromHundredths(i));
                    ins.execute();
                }
                tr.commit();
            });
        const double rawRate = 100000 / (raw.median() / 1000.0);
        raw.note = QStringLiteral("%1 строк/с; объединение пишет %2 строк/с (%4 строк всех таблиц, история баллов тоже) — "
                                  "%3% предела.")
                       .arg(rawRate, 0, 'f', 0)
                       .arg(mergeRate, 0, 'f', 0)
                       .arg(100.0 * mergeRate / rawRate, 0, 'f', 0)
                       .arg(sourceRows);
        rows.push_back(raw);
        rows.push_back(windowDuringMerge(work, source, dir.filePath("merge.fdb"), participants));
    }

    // The same merge into a database on a Firebird server, when one answers: every statement
    // crosses the connection.
    if (!server.isEmpty()) {
        const QString host = server.section(u':', 0, 0), folder = server.section(u':', 1);
        const QString copy = folder + QStringLiteral("/tavrin-bench-merge.fdb");
        Row r{"Объединение баз в базу на сервере", QStringLiteral("%1 участников").arg(participants)};
        if (!QFileInfo(folder).isDir() || !serverAnswers(host)) {
            std::fprintf(stderr, "Сервер %s не отвечает или нет папки %s: объединение на сервере не замерено.\n",
                         host.toUtf8().constData(), folder.toUtf8().constData());
        } else {
            const merge::Result again = mergeRuns(r, copy, host + u':' + copy);
            r.goalMs = 6000;
            r.note = QStringLiteral("Рабочая база на сервере %1, база другого места — файл здесь. Повторное объединение: %2")
                         .arg(host, merge::summary(again));
            QFile::remove(copy);
            rows.push_back(r);
        }
    }

    // One save with the re-rank of its subject and grade, and the re-rank as of old.
    {
        Connection c(grade);
        const int subject = lookup::predmetKey(c.db, c.tr, "Физика"), klass = lookup::klassKey(c.db, c.tr, "11");
        Query middle(c.db, c.tr, {"SELECT ID_CHILD FROM BAL WHERE MESTO = (SELECT MAX(MESTO) / 2 FROM BAL)"});
        middle.open();
        const int child = int(middle.fieldInt("ID_CHILD"));
        int step = 0;
        Row r{"Сохранение баллов участника с пересчётом мест", QStringLiteral("%1 строк баллов").arg(gradeRows)};
        r.ms = runs(nRuns * 3, {}, [&] {
            scores::Slots s{};
            scores::Shown shown{};
            s[0] = Score::fromHundredths(100 * (++step % 200));
            shown[0] = true;
            atomically(c.tr, [&] { scores::save(c.db, c.tr, child, subject, klass, s, shown); });
        });
        r.goalMs = 50;
        r.reference = QStringLiteral("построчный пересчёт");
        r.referenceMs = timeIt([&] { placesRowByRow(c, subject, klass); });
        rows.push_back(r);

        Row sheet{"Ведомость по ФИО: заполнение и запись", QStringLiteral("%1 участников").arg(gradeRows)};
        sheet.ms = runs(nRuns, [&] { QFile::remove(dir.filePath("sheet.xlsx")); }, [&] {
            Workbook wb(QStringLiteral(TAVRIN_TEMPLATE));
            reports::scoreSheet(c.db, c.tr, wb, "Физика", "11");
            wb.save(dir.filePath("sheet.xlsx"));
        });
        sheet.goalMs = 1000;
        rows.push_back(sheet);
    }

    // The largest list of a window, read and shown; start-up on the big database.
    {
        QFile path(dir.filePath("path.txt"));
        path.open(QIODevice::WriteOnly);
        path.write(grade.toUtf8());
        path.close();
        auto* dm = new TDM;
        DM = dm;
        dm->DataModuleCreate(dir.absolutePath());
        auto* list = new TFormViewKlass(nullptr);
        list->show();
        combo::setText(list->ComboBox1, "Физика");
        list->ComboBox1Change();
        combo::setText(list->ComboBox2, "11");
        Row r{"Список участников класса в окне", QStringLiteral("%1 строк").arg(gradeRows)};
        r.ms = runs(nRuns, {}, [&] {
            list->ComboBox2Change();
            QCoreApplication::processEvents();
        });
        r.goalMs = 200;
        r.note = QStringLiteral("Строк в таблице: %1.").arg(list->DBGrid1->rowCount());
        rows.push_back(r);
        delete list;

        // A team's list file of the same size, previewed in its window and registered.
        QList<QStringList> listRows{{"Фамилия", "Имя", "Отчество", "Класс", "Учреждение", "Учитель"}};
        for (int i = 0; i < gradeRows; ++i)
            listRows << QStringList{QStringLiteral("Новый%1").arg(i, 5, 10, QChar(u'0')), "Имя", "Отчество", "11",
                                    QStringLiteral("Школа №%1").arg(i % 40), "Учитель Имя Отчество"};
        const QString listPath = dir.filePath("list.csv");
        QFile listFile(listPath);
        listFile.open(QIODevice::WriteOnly | QIODevice::Truncate);
        listFile.write(listfile::writeCsv(listRows));
        listFile.close();
        const listimport::Defaults defaults{"Команда", "Физика", {}, {}};
        Row preview{"Импорт списка: чтение, проверка и показ", QStringLiteral("%1 строк").arg(gradeRows)};
        preview.ms = runs(nRuns, {}, [&] {
            auto* f = new TFormImport(nullptr, listPath, listimport::openList(listPath), defaults);
            f->show();
            QCoreApplication::processEvents();
            preview.note = QStringLiteral("К записи: %1.").arg(f->checked().count(listimport::Line::Good));
            delete f;
        });
        preview.goalMs = 1000;
        rows.push_back(preview);
        Row registering{"Импорт списка: запись одним действием", QStringLiteral("%1 строк").arg(gradeRows)};
        registering.ms = runs(nRuns, {}, [&] {
            listimport::Result r = listimport::write(DM->IBDatabase1, DM->IBTransaction1, listRows,
                                                     listimport::guess(listRows), defaults);
            registering.note = QStringLiteral("Записано: %1 (и отменено после замера).").arg(r.registered);
            DM->IBTransaction1.rollbackRetaining();
        });
        registering.goalMs = 1000;
        rows.push_back(registering);
        delete DM;
        DM = nullptr;

        path.open(QIODevice::WriteOnly);
        path.write(work.toUtf8());
        path.close();
        Row start{"Запуск до главного окна", QStringLiteral("%1 участников").arg(participants)};
        start.ms = runs(nRuns, {}, [&] {
            auto* dm = new TDM;
            DM = dm;
            dm->DataModuleCreate(dir.absolutePath());
            auto* main = new TMainForm;
            main->show();
            QCoreApplication::processEvents();
            delete main;
            delete DM;
            DM = nullptr;
        });
        start.goalMs = 500;
        start.note = QStringLiteral("Соединение с базой, окно и его показ в одном процессе; без загрузки самой программы.");
        rows.push_back(start);
    }

    // The upgrade of an earlier build's database, and of one with the bare tables (no key, no index),
    // each from a fresh copy: backup, restored copy, steps, the copy swapped in.
    for (const char* schema : {"first_build.sql", "bare_tables.sql"}) {
        const QString old = dir.filePath(QStringLiteral("%1-%2.fdb").arg(QString::fromLatin1(schema).section(u'.', 0, 0)).arg(participants));
        if (!QFile::exists(old)) makeDemo(old, participants, 2026, QString::fromLatin1(schema));
        const QString copy = dir.filePath(QStringLiteral("upgrade.fdb")), saved = dir.filePath(QStringLiteral("upgrade.fbk"));
        Row r{QStringLiteral("Обновление базы данных (%1)").arg(QString::fromLatin1(schema)),
              QStringLiteral("%1 участников").arg(participants)};
        r.ms = runs(
            nRuns,
            [&] {
                QFile::remove(copy);
                QFile::remove(saved);
                QFile::copy(old, copy);
                ::sync();
            },
            [&] {
                Database db;
                db.databaseName = copy;
                if (upgrade::run(db, saved).added.isEmpty()) wrong << QStringLiteral("%1: нечего обновлять").arg(r.operation);
            });
        r.goalMs = 30000;
        r.note = QStringLiteral("С резервной копией и обновлением копии базы, которая затем занимает место исходной.");
        rows.push_back(r);
    }

    print(rows);
    if (!wrong.isEmpty()) {
        std::fprintf(stderr, "\nОШИБКА: результат не тот, что должен:\n%s\n", wrong.join(u'\n').toUtf8().constData());
        return 1;
    }
    if (!json.isEmpty()) {
        QJsonArray out;
        for (const Row& r : rows) {
            QJsonArray ms;
            for (double v : r.ms) ms.append(v);
            out.append(QJsonObject{{"operation", r.operation}, {"size", r.size}, {"median_ms", r.median()}, {"runs_ms", ms},
                                   {"goal_ms", r.goalMs}, {"reference", r.reference}, {"reference_ms", r.referenceMs},
                                   {"note", r.note}});
        }
        QFile f(json);
        f.open(QIODevice::WriteOnly);
        f.write(QJsonDocument(out).toJson());
    }
    return 0;
}
