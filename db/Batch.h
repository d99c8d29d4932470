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

    // The position of a column among those given, for the setters that take one.
    int column(const QString& name) const;
    // The next row's values, by column position or name; a value not set is null.
    void setInt(int column, qint64 value) { m_query.setInt(param(column), value); }
    void setText(int column, const QString& value) { m_query.setText(param(column), value); }
    void setScore(int column, Score value) { m_query.setScore(param(column), value); }
    void setTimestamp(int column, Query::Timestamp value) { m_query.setTimestamp(param(column), value); }
    void setInt(const QString& column, qint64 value) { setInt(this->column(column), value); }
    void setText(const QString& column, const QString& value) { setText(this->column(column), value); }
    void setScore(const QString& column, Score value) { setScore(this->column(column), value); }
    // Ends the row. A full batch is written at once.
    void add();
    // Writes the rows that wait.
    void flush();
    // The returned values of the rows written so far, in the order they were added; taken away.
    std::vector<qint64> takeReturned();
    int rowsPerBatch() const { return m_capacity; }
    // Rows written so far.
    qint64 written() const { return m_written; }

private:
    Query::Parameter param(int column) const;
    void clearRows(int from, int to);
    Query m_query;
    QHash<QString, int> m_columns;
    int m_width;                          // columns
    std::vector<Query::Parameter> m_params;  // row after row of the batch, a column each
    Query::Parameter m_count;
    std::vector<Query::Column> m_returnFields;
    int m_capacity;
    int m_rows = 0;
    bool m_returns;
    std::vector<qint64> m_returned;
    qint64 m_written = 0;
};
