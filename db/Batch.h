#pragma once

#include "Query.h"

#include <QHash>
#include <QList>
#include <QString>
#include <vector>

// Rows of one table inserted many at a time: one EXECUTE BLOCK with a parameter set per row,
// prepared once and run whenever the batch is full, so that a database on a server is crossed
// once per batch rather than once per row. Nothing is committed here: the rows are part of the
// caller's action.
class BatchInsert {
public:
    struct Column {
        QString name;
        QString type;                // of its parameter: "INTEGER", "VARCHAR(50)", "NUMERIC(9,2)"
        QString value = QStringLiteral("%1");  // the inserted expression around it: "CHAR_TO_UUID(%1)"
    };

    // `returning`: a column whose new values are wanted (the keys the database gives).
    BatchInsert(Database& db, Transaction& tr, const QString& table, const QList<Column>& columns, int rowsPerBatch,
                const QString& returning = {});

    // The next row's values, by column name; a value not set is null.
    void setInt(const QString& column, qint64 value);
    void setText(const QString& column, const QString& value);
    void setScore(const QString& column, Score value);
    // Ends the row. A full batch is written at once.
    void add();
    // Writes the rows that wait.
    void flush();
    // The returned values of the rows written so far, in the order they were added; taken away.
    std::vector<qint64> takeReturned();
    int rowsPerBatch() const { return m_capacity; }

private:
    const QString& param(const QString& column);
    Query m_query;
    QHash<QString, int> m_columns;
    std::vector<std::vector<QString>> m_params;  // per row of the batch, per column
    std::vector<QString> m_returnFields;
    int m_capacity;
    int m_rows = 0;
    bool m_returns;
    std::vector<qint64> m_returned;
};
