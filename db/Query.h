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

    // A moment as the engine keeps it (the day, and the time of day in 1/10000 s), carried from one
    // database to another unchanged.
    struct Timestamp {
        int date = 0;
        unsigned time = 0;
        bool operator==(const Timestamp&) const = default;
    };

    // A parameter found once by its name, for a statement run many times (a batch sets thousands).
    struct Parameter {
        int index = -1;
    };
    Parameter parameter(const QString& name) const;
    void setInt(Parameter p, qint64 value);
    void setText(Parameter p, const QString& value);
    void setScore(Parameter p, Score value);
    void setTimestamp(Parameter p, Timestamp value);
    void setNull(Parameter p);

    void open();  // a SELECT: every row; any other statement: executes it
    void execute();
    void close();

    // Rows the last execute() inserted, updated or deleted.
    qint64 rowsAffected() const { return m_affected; }
    int recordCount() const { return m_rowCount; }
    bool eof() const { return m_pos >= m_rowCount; }
    bool isEmpty() const { return m_rowCount == 0; }
    void first() { m_pos = 0; }
    void next() { if (m_pos < m_rowCount) ++m_pos; }
    void last() { m_pos = m_rowCount == 0 ? 0 : m_rowCount - 1; }

    // Fields of the current row (after open(), or the values an INSERT ... RETURNING gave back).
    // A null reads as 0, empty text or a zero score.
    qint64 fieldInt(const QString& name) const;
    QString fieldText(const QString& name) const;
    Score fieldScore(const QString& name) const;
    bool fieldIsNull(const QString& name) const;
    const QStringList& fieldNames() const { return m_fieldNames; }
    // By column position (for grids).
    QString textAt(int row, int column) const;
    // A column found once by its name, for a walk over many rows.
    struct Column {
        int index = -1;
    };
    Column column(const QString& name) const;
    qint64 fieldInt(Column c) const;
    QString fieldText(Column c) const;
    Score fieldScore(Column c) const;
    Timestamp fieldTimestamp(Column c) const;  // of a TIMESTAMP column; refused for any other
    bool fieldIsNull(Column c) const;

    struct Cell {
        enum Kind { Null, Number, Float, Text, Moment } kind = Null;  // a moment: number holds a Timestamp
        qint64 number = 0;
        int scale = 0;
        double real = 0;
        QString text;
    };

private:
    friend class Database;
    struct Param {
        enum Kind { Unset, Null, Int, Text, Score, Moment } kind = Unset;
        qint64 number = 0;
        QByteArray text;  // in the connection's character set
    };
    // Where a value lies in a message, and how it is described.
    struct Slot {
        unsigned offset = 0, nullOffset = 0, type = 0, length = 0;
        int scale = 0;
    };
    Param& param(const QString& name);
    Param& param(Parameter p);
    void prepare();
    void describeOutput();
    void releaseStatement();
    void run(bool wantRows);
    void fillInput();
    Cell decode(const Slot& slot, const unsigned char* buf) const;
    const Cell& cell(int column) const;
    const Cell& cell(const QString& name) const;

    Database& m_db;
    Transaction& m_tr;
    QString m_sql;
    QString m_sqlPositional;
    QStringList m_paramNames;     // each name once, in the order of first use
    QHash<QString, int> m_paramIndex;
    std::vector<int> m_paramOrder;  // for each '?' in order, its parameter
    std::vector<Param> m_params;
    Firebird::IStatement* m_stmt = nullptr;
    unsigned m_stmtType = 0;
    // The messages of the prepared statement. The input one is built for the kinds and text
    // lengths of the parameters and kept while they fit, so a statement run row after row does
    // not describe its parameters anew each time.
    Firebird::IMessageMetadata* m_outMeta = nullptr;
    Firebird::IMessageMetadata* m_inMeta = nullptr;
    std::vector<unsigned> m_inShape;
    std::vector<Slot> m_inSlots, m_outSlots;
    std::vector<unsigned char> m_inBuf, m_outBuf;
    qint64 m_affected = 0;

    bool m_open = false;
    int m_pos = 0;
    QStringList m_fieldNames;
    QHash<QString, int> m_fieldIndex;
    int m_columns = 0;
    std::vector<Cell> m_cells;  // row after row, m_columns each
    int m_rowCount = 0;
};
