#include "Database.h"

#include "FbClient.h"
#include "Query.h"
#include "Text.h"

#include <vector>

using namespace Firebird;

namespace fbc {

IMaster* master() {
    static IMaster* m = fb_get_master_interface();
    return m;
}

QString formatStatus(IStatus* status) {
    std::vector<char> buf(1024);
    for (;;) {
        const unsigned n = master()->getUtilInterface()->formatStatus(buf.data(), unsigned(buf.size()), status);
        if (n < buf.size()) return text1251::decode(QByteArray(buf.data(), int(n)));
        buf.resize(buf.size() * 2);
    }
}

}  // namespace fbc

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

void Database::attach(bool create) {
    fbc::guarded([&] {
        fbc::Status st;
        IUtil* util = fbc::master()->getUtilInterface();
        fbc::Holder<IXpbBuilder> dpb(util->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0));
        for (const QString& p : params) {
            const qsizetype eq = p.indexOf(u'=');
            const QString key = p.left(eq).trimmed().toLower();
            const QByteArray value = text1251::encode(eq < 0 ? QString() : p.mid(eq + 1));
            if (key == u"user_name")
                dpb->insertString(&st, isc_dpb_user_name, value.constData());
            else if (key == u"password")
                dpb->insertString(&st, isc_dpb_password, value.constData());
            else if (key == u"lc_ctype")
                dpb->insertString(&st, isc_dpb_lc_ctype, value.constData());
            else
                throw DbError(QStringLiteral("Неизвестный параметр соединения: %1").arg(p));
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
        throw DbError(fbc::formatStatus(e.getStatus()));
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
