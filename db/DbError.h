#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// An error reported by the database client, or a refusal made at the database boundary
// (a character that Windows-1251 cannot hold, an unknown parameter name). The text is the
// client's own formatted status where there is one.
class DbError : public std::exception {
public:
    explicit DbError(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}
    const QString& text() const { return m_text; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
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
