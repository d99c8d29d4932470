#include "Database.h"

#include "ClientEnd.h"
#include "FbClient.h"
#include "Query.h"
#include "Text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <clocale>
#include <cstdio>
#include <dlfcn.h>
#include <langinfo.h>
#include <unistd.h>
#include <vector>

using namespace Firebird;

namespace fbc {

namespace {

// A folder of this user's own, made when missing and kept from other users; empty when it cannot be.
QString ownFolder(const QString& path) {
    if (path.isEmpty() || !QDir().mkpath(path)) return QString();
    const QFileInfo fi(path);
    if (!fi.isDir() || fi.ownerId() != ::getuid()) return QString();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return fi.isWritable() ? fi.absoluteFilePath() : QString();
}

}  // namespace

QString engineFolder() {
    static const QString folder = [] {
        // Set by whoever starts the program (an administrator's choice): kept.
        if (!qEnvironmentVariableIsEmpty("FIREBIRD_LOCK")) return qEnvironmentVariable("FIREBIRD_LOCK");
        QString dir;
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) dir = ownFolder(runtime + QStringLiteral("/tavrin"));
        if (dir.isEmpty()) {
            const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
            if (!cache.isEmpty()) dir = ownFolder(cache + QStringLiteral("/Tavrin"));
        }
        if (dir.isEmpty()) dir = ownFolder(QDir::tempPath() + QStringLiteral("/tavrin-%1").arg(::getuid()));
        if (dir.isEmpty()) return dir;  // the engine's own default; it says what it cannot open
        const QByteArray local = QFile::encodeName(dir);
        qputenv("FIREBIRD_LOCK", local);
        if (qEnvironmentVariableIsEmpty("FIREBIRD_TMP")) qputenv("FIREBIRD_TMP", local);
        return dir;
    }();
    return folder;
}

namespace {
// The embedded engine stays loaded until the program ends. A service's thread runs its last
// instructions inside the engine a moment after the engine says that the action is over, and
// nothing tells when they are done; the client's shutdown unloads its plugins, and one unloaded
// under such a thread took the program down with it. A library pinned here is never unloaded.
void pinEngine(IMaster* m) {
    const char* plugins = m->getConfigManager()->getDirectory(IConfigManager::DIR_PLUGINS);
    if (!plugins) return;
    const QByteArray engine = QByteArray(plugins) + "/libEngine12.so";
    (void)::dlopen(engine.constData(), RTLD_NOW | RTLD_NODELETE);  // absent: a client of a server only
}
}  // namespace

IMaster* master() {
    static IMaster* m = [] {
        engineFolder();
        IMaster* started = fb_get_master_interface();
        pinEngine(started);
        return started;
    }();
    return m;
}

QString decodeClientText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString s = utf8(bytes);
    return utf8.hasError() ? text1251::decode(bytes) : s;
}

QString formatStatus(IStatus* status) {
    std::vector<char> buf(1024);
    for (;;) {
        const unsigned n = master()->getUtilInterface()->formatStatus(buf.data(), unsigned(buf.size()), status);
        if (n < buf.size()) return decodeClientText(QByteArray(buf.data(), int(n)));
        buf.resize(buf.size() * 2);
    }
}

DbError toDbError(IStatus* status) {
    QList<qint64> codes;
    QStringList args;
    const intptr_t* v = status->getErrors();
    while (v && *v != isc_arg_end) {
        const intptr_t kind = *v++;
        const intptr_t value = *v++;
        switch (kind) {
        case isc_arg_gds: codes.append(qint64(value)); break;
        case isc_arg_string:
        case isc_arg_interpreted:
            args.append(decodeClientText(QByteArray(reinterpret_cast<const char*>(value))));
            break;
        case isc_arg_cstring:  // length, then the text
            args.append(decodeClientText(QByteArray(reinterpret_cast<const char*>(*v++), int(value))));
            break;
        default: break;  // numbers, SQL state, warnings
        }
    }
    return DbError(formatStatus(status), codes, args);
}

}  // namespace fbc

namespace {
void (*g_onShutdownSignal)() = nullptr;

// The client library catches SIGINT and SIGTERM and would shut every attachment down under the
// running program; the program ends itself instead.
int vetoSignalShutdown(const int reason, const int, void*) {
    if (reason != fb_shutrsn_signal) return 0;
    if (g_onShutdownSignal) g_onShutdownSignal();
    return 1;
}
}  // namespace

void Database::onShutdownSignal(void (*callback)()) {
    g_onShutdownSignal = callback;
    fbc::master();  // the client starts here
    ISC_STATUS_ARRAY status;
    fb_shutdown_callback(status, vetoSignalShutdown, fb_shut_confirmation, nullptr);
}

void endProgram(int code) {
    fbc::master();  // a client never started has nothing to end, and starts here in no time
    try {
        fb_shutdown(0, fb_shutrsn_app_stopped);  // 0: wait for as long as it takes
    } catch (...) {
        // The engine's own failure while it ends: the program ends anyway.
    }
    std::fflush(nullptr);
    ::_exit(code);
}

QString Database::engineFolder() { return fbc::engineFolder(); }

const QStringList& Database::defaultParams() {
    static const QStringList p{QStringLiteral("USER_NAME=SYSDBA"), QStringLiteral("PASSWORD=plorvenid"),
                               QStringLiteral("lc_ctype=WIN1251")};
    return p;
}

Database::Database() = default;

Database::~Database() {
    try {
        disconnect();
    } catch (...) {
    }
}

IAttachment* Database::attachment() const {
    if (!m_att) throw DbError(QStringLiteral("Нет соединения с базой данных"));
    return m_att;
}

void Database::connect() {
    if (!m_att) attach(false);
}

void Database::create() {
    if (m_att) throw DbError(QStringLiteral("Соединение уже открыто"));
    attach(true);
}

namespace fbc {
// File names are handed to the client as UTF-8 (as Qt keeps them), and the client converts them
// with the process's character type: under a "C" locale a Cyrillic path could not be opened.
void useUtf8FileNames() {
    static const bool done = [] {
        const QByteArray codeset = nl_langinfo(CODESET);
        if (codeset != "UTF-8" && codeset != "utf8") setlocale(LC_CTYPE, "C.UTF-8");
        return true;
    }();
    (void)done;
}

QList<std::pair<QString, QByteArray>> connectionParams(const QStringList& params) {
    QList<std::pair<QString, QByteArray>> l;
    for (const QString& p : params) {
        const qsizetype eq = p.indexOf(u'=');
        l.append({p.left(eq).trimmed().toLower(), text1251::encode(eq < 0 ? QString() : p.mid(eq + 1))});
    }
    return l;
}
}  // namespace fbc

void Database::attach(bool create) {
    fbc::useUtf8FileNames();
    fbc::guarded([&] {
        fbc::Status st;
        IUtil* util = fbc::master()->getUtilInterface();
        fbc::Holder<IXpbBuilder> dpb(util->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0));
        for (const auto& [key, value] : fbc::connectionParams(params)) {
            if (key == u"user_name")
                dpb->insertString(&st, isc_dpb_user_name, value.constData());
            else if (key == u"password")
                dpb->insertString(&st, isc_dpb_password, value.constData());
            else if (key == u"lc_ctype")
                dpb->insertString(&st, isc_dpb_lc_ctype, value.constData());
            else
                throw DbError(QStringLiteral("Неизвестный параметр соединения: %1").arg(key));
        }
        dpb->insertInt(&st, isc_dpb_sql_dialect, sqlDialect);
        dpb->insertTag(&st, isc_dpb_utf8_filename);
        if (create) {
            dpb->insertString(&st, isc_dpb_set_db_charset, "WIN1251");
            dpb->insertInt(&st, isc_dpb_page_size, 8192);
        }
        fbc::Holder<IProvider> prov(fbc::master()->getDispatcher());
        const QByteArray name = databaseName.toUtf8();
        const unsigned len = dpb->getBufferLength(&st);
        const unsigned char* buf = dpb->getBuffer(&st);
        m_att = create ? prov->createDatabase(&st, name.constData(), len, buf)
                       : prov->attachDatabase(&st, name.constData(), len, buf);
    });
}

void Database::disconnect() {
    if (!m_att) return;
    for (Query* q : m_queries) q->releaseStatement();
    for (Transaction* t : m_transactions) t->abandon();
    IAttachment* att = m_att;
    m_att = nullptr;
    try {
        fbc::Status st;
        att->detach(&st);
    } catch (const FbException& e) {
        att->release();
        throw fbc::toDbError(e.getStatus());
    }
}

Transaction::Transaction(Database& db) : m_db(db) { m_db.m_transactions.insert(this); }

Transaction::~Transaction() {
    m_db.m_transactions.erase(this);
    abandon();
}

void Transaction::abandon() noexcept {
    if (!m_tra) return;
    try {
        fbc::Status st;
        m_tra->rollback(&st);  // writes are committed as they are made; nothing is left to keep
    } catch (const FbException&) {
        m_tra->release();
    }
    m_tra = nullptr;
}

ITransaction* Transaction::handle() const {
    if (!m_tra) throw DbError(QStringLiteral("Транзакция не запущена"));
    return m_tra;
}

void Transaction::start() {
    if (m_tra) throw DbError(QStringLiteral("Транзакция уже запущена"));
    IAttachment* att = m_db.attachment();
    fbc::guarded([&] {
        fbc::Status st;
        fbc::Holder<IXpbBuilder> tpb(
            fbc::master()->getUtilInterface()->getXpbBuilder(&st, IXpbBuilder::TPB, nullptr, 0));
        tpb->insertTag(&st, isc_tpb_write);
        tpb->insertTag(&st, isc_tpb_read_committed);
        tpb->insertTag(&st, isc_tpb_rec_version);
        tpb->insertTag(&st, isc_tpb_wait);
        tpb->insertInt(&st, isc_tpb_lock_timeout, kLockTimeoutSeconds);
        m_tra = att->startTransaction(&st, tpb->getBufferLength(&st), tpb->getBuffer(&st));
    });
}

void Transaction::commitRetaining() {
    ITransaction* t = handle();
    fbc::guarded([&] { fbc::Status st; t->commitRetaining(&st); });
}

void Transaction::rollbackRetaining() {
    ITransaction* t = handle();
    fbc::guarded([&] { fbc::Status st; t->rollbackRetaining(&st); });
}

void Transaction::commit() {
    ITransaction* t = handle();
    fbc::guarded([&] { fbc::Status st; t->commit(&st); });  // releases the interface on success
    m_tra = nullptr;
}

void Transaction::rollback() {
    ITransaction* t = handle();
    fbc::guarded([&] { fbc::Status st; t->rollback(&st); });
    m_tra = nullptr;
}
