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
    : m_query(db, tr), m_capacity(qMax(1, rowsPerBatch)), m_returns(!returning.isEmpty()) {
    m_query.setSql(blockText(table, columns, m_capacity, returning));
    for (int c = 0; c < columns.size(); ++c) m_columns.insert(columns[c].name, c);
    m_params.resize(size_t(m_capacity));
    for (int r = 0; r < m_capacity; ++r)
        for (int c = 0; c < columns.size(); ++c) m_params[size_t(r)].push_back(QStringLiteral("P%1_%2").arg(r).arg(c));
    for (int r = 0; r < m_capacity; ++r) m_returnFields.push_back(QStringLiteral("R%1").arg(r));
    for (const auto& row : m_params)
        for (const QString& p : row) m_query.setNull(p);
}

const QString& BatchInsert::param(const QString& column) {
    const auto it = m_columns.constFind(column);
    if (it == m_columns.constEnd()) throw DbError(QStringLiteral("Нет столбца %1 в пакетной записи").arg(column));
    return m_params[size_t(m_rows)][size_t(*it)];
}

void BatchInsert::setInt(const QString& column, qint64 value) { m_query.setInt(param(column), value); }
void BatchInsert::setText(const QString& column, const QString& value) { m_query.setText(param(column), value); }
void BatchInsert::setScore(const QString& column, Score value) { m_query.setScore(param(column), value); }

void BatchInsert::add() {
    if (++m_rows == m_capacity) flush();
}

void BatchInsert::flush() {
    if (m_rows == 0) return;
    for (int r = m_rows; r < m_capacity; ++r)
        for (const QString& p : m_params[size_t(r)]) m_query.setNull(p);  // rows beyond N are not written
    m_query.setInt("N", m_rows);
    if (m_returns) {
        m_query.open();
        for (int r = 0; r < m_rows; ++r) m_returned.push_back(m_query.fieldInt(m_returnFields[size_t(r)]));
    } else {
        m_query.execute();
    }
    // The next batch starts empty: every value not set again is null.
    for (int r = 0; r < m_rows; ++r)
        for (const QString& p : m_params[size_t(r)]) m_query.setNull(p);
    m_rows = 0;
}

std::vector<qint64> BatchInsert::takeReturned() { return std::exchange(m_returned, {}); }
