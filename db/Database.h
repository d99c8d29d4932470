#pragma once

#include "DbError.h"

#include <QString>
#include <QStringList>
#include <set>

namespace Firebird {
class IAttachment;
class ITransaction;
class IStatement;
class IMessageMetadata;
}  // namespace Firebird

class Query;

// One database connection. A name without a server part ("/data/olymp.fdb") opens the file with
// the embedded engine; "host:/path" or "host/port:/path" goes to a Firebird server.
class Database {
public:
    static const QStringList& defaultParams();  // USER_NAME=SYSDBA, PASSWORD=plorvenid, lc_ctype=WIN1251

    // Where the embedded engine keeps its lock and temporary files: a folder of this user's own
    // ($XDG_RUNTIME_DIR/tavrin, else ~/.cache/Tavrin), set before the client library starts, so that
    // any desktop user can open a database he may write (the engine's default /tmp/firebird belongs
    // to the firebird group). FIREBIRD_LOCK set beforehand is kept. The engine opens a database file
    // exclusively, so a second program on the same file is refused whatever its folder.
    static QString engineFolder();

    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    QString databaseName;
    QStringList params = defaultParams();  // NAME=value, one per entry
    int sqlDialect = 3;

    void connect();
    void disconnect();
    bool connected() const { return m_att != nullptr; }
    // Creates the database file (or the database on a server) and stays connected to it.
    void create();

    Firebird::IAttachment* attachment() const;

    // Called (from a thread of the client library) when SIGINT or SIGTERM reaches the program;
    // the client's own shutdown of the attachments is refused, so the program can end itself.
    static void onShutdownSignal(void (*callback)());

private:
    friend class Query;
    friend class Transaction;
    void attach(bool create);
    std::set<Query*> m_queries;
    std::set<class Transaction*> m_transactions;
    Firebird::IAttachment* m_att = nullptr;
};

// A transaction of one connection: read committed, record version, wait for a lock a few seconds
// at most. The working transaction is started once and kept open; each user action ends with
// commitRetaining or rollbackRetaining.
class Transaction {
public:
    static constexpr int kLockTimeoutSeconds = 3;

    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void start();
    bool active() const { return m_tra != nullptr; }
    void commitRetaining();
    void rollbackRetaining();
    void commit();
    void rollback();

    Database& database() const { return m_db; }
    Firebird::ITransaction* handle() const;

private:
    friend class Database;
    // Ends the transaction without keeping anything, on disconnect or destruction; never throws.
    void abandon() noexcept;
    Database& m_db;
    Firebird::ITransaction* m_tra = nullptr;
};
