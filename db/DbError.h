#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <exception>

// An error reported by the database client, or a refusal made at the database boundary
// (a character that Windows-1251 cannot hold, an unknown parameter name). The text is the
// client's own formatted status where there is one; the client's error codes and the names
// they carry (a constraint, a table) are kept so that a refusal can be explained.
class DbError : public std::exception {
public:
    explicit DbError(QString text, QList<qint64> codes = {}, QStringList args = {})
        : m_text(std::move(text)), m_utf8(m_text.toUtf8()), m_codes(std::move(codes)), m_args(std::move(args)) {}
    const QString& text() const { return m_text; }
    const char* what() const noexcept override { return m_utf8.constData(); }

    // The client's error codes in order, and the text arguments of the status (names, values).
    const QList<qint64>& codes() const { return m_codes; }
    const QStringList& args() const { return m_args; }
    bool has(qint64 code) const { return m_codes.contains(code); }

    // Another station holds or changed the same rows: running the action again may succeed.
    bool isConflict() const;
    // A unique key refused the row: the table holds one with the same key already.
    bool isUniqueViolation() const;
    // The connection to the database is gone (server stopped, network down, attachment killed).
    bool isConnectionLost() const;
    // The embedded engine cannot open the file: another program holds it open.
    bool isOpenElsewhere() const;

private:
    QString m_text;
    QByteArray m_utf8;
    QList<qint64> m_codes;
    QStringList m_args;
};

// A text typed where a number was expected. Shown by the application's general error box.
class ConversionError : public std::exception {
public:
    explicit ConversionError(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}
    const QString& text() const { return m_text; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};

namespace dberror {

// What a refusal means for the operator, in Russian, for the constraints the schema declares and
// the usual failures (another station, lost connection, a text too long); empty when there is
// nothing better to say than the client's own text.
QString explain(const DbError& e);

}  // namespace dberror
