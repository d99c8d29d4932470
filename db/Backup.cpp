#include "Backup.h"

#include "Cancel.h"
#include "Database.h"
#include "FbClient.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

using namespace Firebird;

namespace backup {

Location locate(const QString& databaseName) {
    // "host:/path" or "host/port:/path"; a drive letter is one character.
    static const QRegularExpression re(QStringLiteral("^([^:/\\\\]{2,}(?:/[0-9A-Za-z_]+)?):(.*)$"),
                                       QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = re.match(databaseName);
    if (!m.hasMatch()) return {QString(), databaseName};
    return {m.captured(1), m.captured(2)};
}

namespace {

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

// Whether a program holds the file: the engine holds every database file it has open so, and a
// backup being written holds its part so.
bool held(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool busy = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return busy;
}

// Parts that a backup cut off (the program killed, the computer switched off) left beside the
// file: "*.fbk.part" no program holds.
void removeLeftParts(const QString& file) {
    const QFileInfo fi(file);
    const QStringList pattern{fi.suffix().isEmpty() ? fi.fileName() + QStringLiteral(".part")
                                                    : QStringLiteral("*.%1.part").arg(fi.suffix())};
    for (const QFileInfo& part : QDir(fi.absolutePath()).entryInfoList(pattern, QDir::Files | QDir::Hidden))
        if (!held(part.absoluteFilePath())) QFile::remove(part.absoluteFilePath());
}

unsigned littleEndian(const unsigned char* p, int bytes) {
    unsigned v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

void appendItem(QByteArray& to, unsigned char tag, const QByteArray& value) {
    to.append(char(tag));
    to.append(char(value.size() & 0xFF));
    to.append(char((value.size() >> 8) & 0xFF));
    to.append(value);
}

// One attachment to a services manager and the action started on it. It is detached on scope exit,
// once the action is over: on the way of a failure too, it waits for the engine to say that the
// action no longer runs, so that nothing of it goes on behind the caller's back. Only a cancelled
// action is left to wind down by itself; the engine's own shutdown at the end of the program
// (endProgram) waits for it.
class Service {
public:
    Service(const Database& db, const QString& server, CancelAsked cancel) : m_cancel(std::move(cancel)) {
        fbc::useUtf8FileNames();
        fbc::Status st;
        IUtil* util = fbc::master()->getUtilInterface();
        fbc::Holder<IXpbBuilder> spb(util->getXpbBuilder(&st, IXpbBuilder::SPB_ATTACH, nullptr, 0));
        for (const auto& [key, value] : fbc::connectionParams(db.params)) {
            if (key == u"user_name")
                spb->insertString(&st, isc_spb_user_name, value.constData());
            else if (key == u"password")
                spb->insertString(&st, isc_spb_password, value.constData());
        }
        spb->insertTag(&st, isc_spb_utf8_filename);
        fbc::Holder<IProvider> prov(fbc::master()->getDispatcher());
        const QByteArray name = (server.isEmpty() ? QStringLiteral("service_mgr") : server + QStringLiteral(":service_mgr")).toUtf8();
        m_svc = prov->attachServiceManager(&st, name.constData(), spb->getBufferLength(&st), spb->getBuffer(&st));
    }
    ~Service() {
        if (m_running) waitUntilStopped();
        try {
            fbc::Status st;
            m_svc->detach(&st);
        } catch (const FbException&) {
            m_svc->release();
        }
    }
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    // Starts an action: its tag, then text items and the options word.
    void start(unsigned char action, std::initializer_list<std::pair<unsigned char, QString>> texts, unsigned options,
               bool verbose) {
        stopIfAsked(m_cancel);
        fbc::Status st;
        fbc::Holder<IXpbBuilder> spb(
            fbc::master()->getUtilInterface()->getXpbBuilder(&st, IXpbBuilder::SPB_START, nullptr, 0));
        spb->insertTag(&st, action);
        for (const auto& [tag, text] : texts) spb->insertString(&st, tag, text.toUtf8().constData());
        if (options) spb->insertInt(&st, isc_spb_options, int(options));
        if (verbose) spb->insertTag(&st, isc_spb_verbose);
        m_svc->start(&st, spb->getBufferLength(&st), spb->getBuffer(&st));
        m_running = true;
    }

    // Runs the started action to its end. Each piece of its output (a line with isc_info_svc_line,
    // a block of the backup stream with isc_info_svc_to_eof) goes to `out`; when the action asks
    // for input, `in` gives at most the number of bytes asked, empty at the end. The engine's
    // failure is thrown by the query that meets it. Between two queries (a second apart at most)
    // it throws Cancelled when the work is to stop: an action that reads input is given its end
    // and waited for (the engine then ends it itself), any other is left to wind down.
    void run(unsigned char item, const std::function<void(const QByteArray&)>& out,
             const std::function<QByteArray(unsigned)>& in = {}) {
        std::vector<unsigned char> buf(32768);
        unsigned wanted = 0;
        bool stopping = false;
        for (;;) {
            QByteArray send;
            QByteArray second(4, '\0');
            second[0] = 1;  // wait at most a second for output, so that progress goes on being told
            appendItem(send, isc_info_svc_timeout, second);
            if (wanted && in)
                appendItem(send, isc_info_svc_line, stopping ? QByteArray() : ours([&] { return in(std::min(wanted, 30000u)); }));
            send.append(char(isc_info_end));
            wanted = 0;
            const unsigned char receive[] = {item, isc_info_svc_stdin};
            try {
                fbc::Status st;
                m_svc->query(&st, unsigned(send.size()), reinterpret_cast<const unsigned char*>(send.constData()),
                             in ? 2 : 1, receive, unsigned(buf.size()), buf.data());
            } catch (const FbException&) {
                if (!stopping) throw;
                break;  // the end of its input made it fail, as it should
            }
            if (!stopping && m_cancel && m_cancel()) {
                if (!in) {
                    m_running = false;  // left to wind down: the engine ends it once it is detached
                    throw Cancelled();
                }
                stopping = true;
            }
            if (!ours([&] { return readAnswer(buf, stopping ? [](const QByteArray&) {} : out, wanted); })) break;
        }
        waitUntilStopped();
        if (stopping) throw Cancelled();
    }

private:
    // Our side of the exchange: when it fails (a file not written, an answer not understood), the
    // action is left to wind down once detached, as a cancelled one is.
    template <class F>
    auto ours(F f) -> decltype(f()) {
        try {
            return f();
        } catch (...) {
            m_running = false;
            throw;
        }
    }

    // One answer of the action: its output passed on, the input it asks for noted. False once it has
    // nothing more to say.
    static bool readAnswer(const std::vector<unsigned char>& buf, const std::function<void(const QByteArray&)>& out,
                           unsigned& wanted) {
        bool more = false;
        const unsigned char* p = buf.data();
        const unsigned char* const end = p + buf.size();
        while (p < end && *p != isc_info_end) {
            switch (*p++) {
            case isc_info_svc_line:
            case isc_info_svc_to_eof: {
                if (end - p < 2) throw DbError(QStringLiteral("Ответ службы резервного копирования повреждён"));
                const unsigned n = littleEndian(p, 2);
                p += 2;
                if (unsigned(end - p) < n) throw DbError(QStringLiteral("Ответ службы резервного копирования повреждён"));
                if (n) {
                    out(QByteArray(reinterpret_cast<const char*>(p), int(n)));
                    more = true;
                }
                p += n;
                break;
            }
            case isc_info_svc_stdin:
                if (end - p < 4) throw DbError(QStringLiteral("Ответ службы резервного копирования повреждён"));
                wanted = littleEndian(p, 4);
                p += 4;
                if (wanted) more = true;
                break;
            case isc_info_truncated:
            case isc_info_svc_timeout:
            case isc_info_data_not_ready:
                more = true;
                break;
            default:
                throw DbError(QStringLiteral("Ответ службы резервного копирования не понят"));
            }
        }
        return more;
    }

    // Until the engine says that the action no longer runs (a minute at most, and not past a service
    // that no longer answers). Its thread still runs a moment inside the engine after that: the
    // program's end (endProgram) does not unload the engine under it. Never throws: it also runs on
    // the way of a failure.
    void waitUntilStopped() noexcept {
        m_running = false;
        const unsigned char receive[] = {isc_info_svc_running};
        unsigned char buf[16];
        for (int waited = 0; waited < 60000; waited += 10) {
            try {
                fbc::Status st;
                m_svc->query(&st, 0, nullptr, sizeof receive, receive, sizeof buf, buf);
            } catch (const FbException&) {
                return;
            }
            if (buf[0] != isc_info_svc_running || littleEndian(buf + 1, 4) == 0) return;
            QThread::msleep(10);
        }
    }

    IService* m_svc = nullptr;
    CancelAsked m_cancel;
    bool m_running = false;  // an action started and not yet seen to end
};

}  // namespace

void save(const Database& db, const QString& file, const Progress& progress, const CancelAsked& cancel) {
    const Location where = locate(db.databaseName);
    if (QFileInfo::exists(file)) throw DbError(QStringLiteral("Файл %1 уже существует.").arg(shown(file)));
    removeLeftParts(file);
    const QString part = file + QStringLiteral(".part");
    QFile out(part);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw DbError(QStringLiteral("Не удалось создать файл %1: %2").arg(shown(part), out.errorString()));
    ::flock(out.handle(), LOCK_EX | LOCK_NB);  // held while it is written: not a part left over
    auto removePart = qScopeGuard([&] {
        out.close();
        QFile::remove(part);
    });
    const auto tell = [&](int done, int total) {
        if (progress) progress(done, total);
    };
    fbc::guarded([&] {
        Service svc(db, where.server, cancel);
        if (where.server.isEmpty()) {
            // The embedded engine writes the file itself, and its verbose lines tell how far it is:
            // first every table is named ("gbak:    writing table BAL" under "gbak:writing tables"),
            // then the data of each is written ("gbak:    writing data for table BAL"). The part stays
            // open here, held, and is written by the engine.
            svc.start(isc_action_svc_backup, {{isc_spb_dbname, where.path}, {isc_spb_bkp_file, part}}, 0, true);
            static const QRegularExpression table(QStringLiteral("^gbak:\\s+writing table \\S+$"));
            static const QRegularExpression data(QStringLiteral("^gbak:\\s+writing data for table \\S+$"));
            int tables = 0, written = 0;
            svc.run(isc_info_svc_line, [&](const QByteArray& bytes) {
                const QString line = QString::fromUtf8(bytes).trimmed();
                if (data.match(line).hasMatch())
                    ++written;
                else if (table.match(line).hasMatch())
                    ++tables;
                tell(std::min(written, tables), tables);
            });
        } else {
            // A server sends the copy back as a stream; it says nothing of how far it is.
            svc.start(isc_action_svc_backup, {{isc_spb_dbname, where.path}, {isc_spb_bkp_file, QStringLiteral("stdout")}},
                      0, false);
            svc.run(isc_info_svc_to_eof, [&](const QByteArray& data) {
                if (out.write(data) != data.size())
                    throw DbError(QStringLiteral("Не удалось записать файл %1: %2").arg(shown(part), out.errorString()));
                tell(0, 0);
            });
            if (!out.flush())
                throw DbError(QStringLiteral("Не удалось записать файл %1: %2").arg(shown(part), out.errorString()));
            out.close();
        }
    });
    out.close();
    stopIfAsked(cancel);  // asked while the engine ended: the copy does not take its name
    if (QFileInfo(part).size() == 0) throw DbError(QStringLiteral("Резервная копия оказалась пустой."));
    // rename never replaces a file: one made meanwhile under the same name stays.
    if (!QFile::rename(part, file))
        throw DbError(QStringLiteral("Не удалось переименовать файл %1 в %2.").arg(shown(part), shown(file)));
    removePart.dismiss();
}

namespace {

// The engine's restore of `file` into the database `name` names, streamed to it.
void restoreInto(const QString& file, QFile& in, const Database& db, const Location& where, const QString& path,
                 const Progress& progress, const CancelAsked& cancel) {
    const qint64 size = std::max<qint64>(in.size(), 1);
    qint64 sent = 0;
    fbc::guarded([&] {
        Service svc(db, where.server, cancel);
        // The copy is streamed to the engine, which creates the database and refuses an existing one.
        svc.start(isc_action_svc_restore, {{isc_spb_bkp_file, QStringLiteral("stdin")}, {isc_spb_dbname, path}},
                  isc_spb_res_create, false);
        svc.run(isc_info_svc_line, [](const QByteArray&) {},
                [&](unsigned max) {
                    const QByteArray chunk = in.read(max);
                    if (chunk.isEmpty() && in.error() != QFileDevice::NoError)
                        throw DbError(QStringLiteral("Не удалось прочитать файл %1: %2").arg(shown(file), in.errorString()));
                    sent += chunk.size();
                    if (progress) progress(int(sent * 1000 / size), 1000);
                    return chunk;
                });
    });
}

}  // namespace

void restore(const QString& file, const Database& db, const Progress& progress, const CancelAsked& cancel) {
    const Location where = locate(db.databaseName);
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("Не удалось открыть файл %1: %2").arg(shown(file), in.errorString()));
    if (!where.server.isEmpty()) return restoreInto(file, in, db, where, where.path, progress, cancel);  // the server's own file

    // A file of this computer is made under a temporary name and takes its own at the end, so that
    // a restore cut off leaves nothing that looks like a database; what one left is removed.
    if (QFileInfo::exists(where.path)) throw DbError(QStringLiteral("База данных %1 уже существует.").arg(shown(where.path)));
    const QString part = where.path + QStringLiteral(".part");
    if (QFileInfo::exists(part)) {
        if (held(part)) throw DbError(QStringLiteral("База данных %1 уже восстанавливается.").arg(shown(where.path)));
        QFile::remove(part);
    }
    try {
        restoreInto(file, in, db, where, part, progress, cancel);
        stopIfAsked(cancel);  // asked while the engine ended: the database does not take its name
    } catch (...) {
        QFile::remove(part);  // half made
        throw;
    }
    // rename never replaces a file: a database made meanwhile under the same name stays.
    if (!QFile::rename(part, where.path)) {
        QFile::remove(part);
        throw DbError(QStringLiteral("База данных %1 уже существует.").arg(shown(where.path)));
    }
}

}  // namespace backup
