#pragma once

#include "Database.h"
#include "Score.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <initializer_list>
#include <vector>

// One SQL statement with named parameters (":ID_CHILD"; a name may occur more than once).
// Parameters keep their values between runs until set again. open() fetches every row into
// memory, so a walk survives commitRetaining and first/next/last/recordCount are cheap.
class Query {
public:
    Query(Database& db, Transaction& tr);
    Query(Database& db, Transaction& tr, std::initializer_list<const char*> lines);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    // The text as lines, joined with line breaks. Changing it closes the query and forgets the
    // parameter values.
    void setSql(const QStringList& lines);
    void setSql(std::initializer_list<const char*> lines);

    void setInt(const QString& name, qint64 value);
    void setText(const QString& name, const QString& value);
    void setScore(const QString& name, Score value);
    void setNull(const QString& name);

    void open();  // a SELECT: every row; any other statement: executes it
    void execute();
    void close();

    // Rows the last execute() inserted, updated or deleted.
    qint64 rowsAffected() const { return m_affected; }
    int recordCount() const { return int(m_rows.size()); }
    bool eof() const { return m_pos >= int(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    void first() { m_pos = 0; }
    void next() { if (m_pos < int(m_rows.size())) ++m_pos; }
    void last() { m_pos = m_rows.empty() ? 0 : int(m_rows.size()) - 1; }

    // Fields of the current row (after open(), or the values an INSERT ... RETURNING gave back).
    // A null reads as 0, empty text or a zero score.
    qint64 fieldInt(const QString& name) const;
    QString fieldText(const QString& name) const;
    Score fieldScore(const QString& name) const;
    bool fieldIsNull(const QString& name) const;
    const QStringList& fieldNames() const { return m_fieldNames; }
    // By column position (for grids).
    QString textAt(int row, int column) const;

    struct Cell {
        enum Kind { Null, Number, Float, Text } kind = Null;
        qint64 number = 0;
        int scale = 0;
        double real = 0;
        QString text;
    };

private:
    friend class Database;
    struct Param {
        enum Kind { Unset, Null, Int, Text, Score } kind = Unset;
        qint64 number = 0;
        QString text;
    };
    Param& param(const QString& name);
    void prepare();
    void releaseStatement();
    void run(bool wantRows);
    const Cell& cell(const QString& name) const;

    Database& m_db;
    Transaction& m_tr;
    QString m_sql;
    QString m_sqlPositional;
    QStringList m_paramOrder;  // name of each '?' in order
    QHash<QString, Param> m_params;
    Firebird::IStatement* m_stmt = nullptr;
    unsigned m_stmtType = 0;
    // The messages of the prepared statement. The input one is built for the kinds and text
    // lengths of the parameters and kept while they fit, so a statement run row after row does
    // not describe its parameters anew each time.
    Firebird::IMessageMetadata* m_outMeta = nullptr;
    Firebird::IMessageMetadata* m_inMeta = nullptr;
    std::vector<unsigned> m_inShape;
    qint64 m_affected = 0;

    bool m_open = false;
    int m_pos = 0;
    QStringList m_fieldNames;
    QHash<QString, int> m_fieldIndex;
    std::vector<std::vector<Cell>> m_rows;
};
