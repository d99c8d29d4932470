#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// A file that could not be read or written: a list a team sent, the report template, a report
// being saved. The text says which file and why, in Russian, ready to be shown.
class FileError : public std::exception {
public:
    explicit FileError(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}
    // The refusal of every file that cannot be read: "Не удалось прочитать файл PATH: WHY".
    static FileError unreadable(const QString& path, const QString& why) {
        return FileError(QStringLiteral("Не удалось прочитать файл %1: %2").arg(path, why));
    }

    const QString& text() const { return m_text; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};
