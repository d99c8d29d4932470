#include "Batch.h"

#include "DbError.h"

namespace {

QStringList blockText(const QString& table, const QList<BatchInsert::Column>& columns, int rows,
                      const QString& returning) {
    QStringList header{QStringLiteral("N INTEGER = :N")};
    QStringList body;
    QStringList names;
    for (const auto& c : columns) names << c.name;
    for (int r = 0; r < rows; ++r) {
        QStringList values;
        for (int c = 0; c < columns.size(); ++c) {
            const QString p = QStringLiteral("P%1_%2").arg(r).arg(c);
            header << QStringLiteral("%1 %2 = :%1").arg(p, columns[c].type);
            values << columns[c].value.arg(u':' + p);
        }
        QString insert = QStringLiteral("  IF (N > %1) THEN INSERT INTO %2 (%3) VALUES (%4)")
                             .arg(r)
                             .arg(table, names.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
        if (!returning.isEmpty()) insert += QStringLiteral(" RETURNING %1 INTO :R%2").arg(returning).arg(r);
        body << insert + u';';
    }
    QStringList sql{QStringLiteral("EXECUTE BLOCK (%1)").arg(header.join(QStringLiteral(", ")))};
    if (!returning.isEmpty()) {
        QStringList outs;
        for (int r = 0; r < rows; ++r) outs << QStringLiteral("R%1 INTEGER").arg(r);
        sql << QStringLiteral("RETURNS (%1)").arg(outs.join(QStringLiteral(", ")));
    }
    sql << QStringLiteral("AS BEGIN") << body;
    if (!returning.isEmpty()) sql << QStringLiteral("  SUSPEND;");
    sql << QStringLiteral("END");
    return sql;
}

}  // namespace

BatchInsert::BatchInsert(Database& db, Transaction& tr, const QString& table, const QList<Column>& columns,
                         int rowsPerBatch, const QString& returning)
    : m_query(db, tr), m_width(int(columns.size())), m_capacity(qMax(1, rowsPerBatch)), m_returns(!returning.isEmpty()) {
    m_query.setSql(blockText(table, columns, m_capacity, returning));
    for (int c = 0; c < m_width; ++c) m_columns.insert(columns[c].name, c);
    for (int r = 0; r < m_capacity; ++r)
        for (int c = 0; c < m_width; ++c) m_params.push_back(m_query.parameter(QStringLiteral("P%1_%2").arg(r).arg(c)));
    m_count = m_query.parameter(QStringLiteral("N"));
    clearRows(0, m_capacity);
}

int BatchInsert::column(const QString& name) const {
    const auto it = m_columns.constFind(name);
    if (it == m_columns.constEnd()) throw DbError(QStringLiteral("Нет столбца %1 в пакетной записи").arg(name));
    return *it;
}

Query::Parameter BatchInsert::param(int column) const {
    if (column < 0 || column >= m_width) throw DbError(QStringLiteral("Нет столбца %1 в пакетной записи").arg(column));
    return m_params[size_t(m_rows * m_width + column)];
}

void BatchInsert::clearRows(int from, int to) {
    for (size_t i = size_t(from * m_width); i < size_t(to * m_width); ++i) m_query.setNull(m_params[i]);
}

void BatchInsert::add() {
    if (++m_rows == m_capacity) flush();
}

void BatchInsert::flush() {
    if (m_rows == 0) return;
    m_query.setInt(m_count, m_rows);  // the rows beyond N are null and not written
    if (m_returns) {
        m_query.open();
        if (m_returnFields.empty())
            for (int r = 0; r < m_capacity; ++r) m_returnFields.push_back(m_query.column(QStringLiteral("R%1").arg(r)));
        for (int r = 0; r < m_rows; ++r) m_returned.push_back(m_query.fieldInt(m_returnFields[size_t(r)]));
    } else {
        m_query.execute();
    }
    m_written += m_rows;
    clearRows(0, m_rows);  // the next batch starts empty: every value not set again is null
    m_rows = 0;
}

std::vector<qint64> BatchInsert::takeReturned() { return std::exchange(m_returned, {}); }
