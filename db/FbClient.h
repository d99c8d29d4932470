#pragma once

// Private to the database layer: the Firebird client's master interface, a status holder, and the
// translation of the client's exceptions into DbError.

#include "DbError.h"

#include <firebird/Interface.h>
#include <ibase.h>

namespace fbc {

// The client library, started on first use; the embedded engine's folder is set before it starts.
Firebird::IMaster* master();
QString engineFolder();
QString formatStatus(Firebird::IStatus* status);
// The client's status as a DbError: its formatted text, its error codes and its text arguments.
DbError toDbError(Firebird::IStatus* status);
// Text that came from the client: UTF-8 when it is valid UTF-8 (file names are passed as UTF-8),
// otherwise Windows-1251 (the connection's character set).
QString decodeClientText(const QByteArray& bytes);
// Makes the client take file names as UTF-8; called before anything names a file.
void useUtf8FileNames();
// The connection parameters ("NAME=value") as the client takes them: each name in lower case, with
// its value in the connection's character set.
QList<std::pair<QString, QByteArray>> connectionParams(const QStringList& params);

// A status object for one call sequence; throws Firebird::FbException on error.
class Status {
public:
    Status() : m_status(master()->getStatus()), m_wrapper(m_status) {}
    ~Status() { m_status->dispose(); }
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;
    Firebird::ThrowStatusWrapper* operator&() { return &m_wrapper; }

private:
    Firebird::IStatus* m_status;
    Firebird::ThrowStatusWrapper m_wrapper;
};

// Runs f, turning a client exception into DbError with the client's text.
template <class F>
auto guarded(F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (const Firebird::FbException& e) {
        throw toDbError(e.getStatus());
    }
}

// Releases (or disposes of) a client interface on scope exit unless ownership was given away.
template <class T>
void dropInterface(T* p) {
    if constexpr (requires { p->release(); })
        p->release();
    else
        p->dispose();
}

template <class T>
class Holder {
public:
    explicit Holder(T* p = nullptr) : m_p(p) {}
    ~Holder() { if (m_p) dropInterface(m_p); }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;
    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    T* take() { T* p = m_p; m_p = nullptr; return p; }
    void reset(T* p) { if (m_p) dropInterface(m_p); m_p = p; }

private:
    T* m_p;
};

}  // namespace fbc
