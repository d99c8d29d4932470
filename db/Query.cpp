#include "Query.h"

#include "Convert.h"
#include "FbClient.h"
#include "Text.h"

#include <QRegularExpression>
#include <cstring>

using namespace Firebird;

namespace {

// Where the statement's own parameters end. In an EXECUTE BLOCK they are those of its input list
// ("EXECUTE BLOCK (N INTEGER = :N, ...)"); the ":NAME"s of its body are its own variables.
qsizetype parametersEnd(const QString& sql) {
    static const QRegularExpression block(QStringLiteral("^\\s*EXECUTE\\s+BLOCK\\s*"),
                                          QRegularExpression::CaseInsensitiveOption);
    const auto m = block.match(sql);
    if (!m.hasMatch()) return sql.size();
    qsizetype i = m.capturedEnd();
    if (i >= sql.size() || sql.at(i) != u'(') return i;
    for (int depth = 0; i < sql.size(); ++i) {
        if (sql.at(i) == u'(') ++depth;
        if (sql.at(i) == u')' && --depth == 0) return i;
    }
    return i;
}

// Replaces each ":NAME" outside literals and comments with '?', recording the names in order.
QString toPositional(const QString& sql, QStringList& names) {
    QString out;
    out.reserve(sql.size());
    const qsizetype n = sql.size();
    const qsizetype end = parametersEnd(sql);
    for (qsizetype i = 0; i < n;) {
        const QChar c = sql.at(i);
        if (i >= end) {
            out += QStringView(sql).mid(i);
            break;
        }
        if (c == u'\'' || c == u'"') {
            qsizetype j = i + 1;
            while (j < n && sql.at(j) != c) ++j;
            out += sql.mid(i, j + 1 - i);
            i = j + 1;
        } else if (c == u'-' && i + 1 < n && sql.at(i + 1) == u'-') {
            qsizetype j = sql.indexOf(u'\n', i);
            if (j < 0) j = n;
            out += sql.mid(i, j - i);
            i = j;
        } else if (c == u'/' && i + 1 < n && sql.at(i + 1) == u'*') {
            qsizetype j = sql.indexOf(QStringLiteral("*/"), i + 2);
            j = j < 0 ? n : j + 2;
            out += sql.mid(i, j - i);
            i = j;
        } else if (c == u':' && i + 1 < n && (sql.at(i + 1).isLetter() || sql.at(i + 1) == u'_')) {
            qsizetype j = i + 1;
            while (j < n && (sql.at(j).isLetterOrNumber() || sql.at(j) == u'_' || sql.at(j) == u'$')) ++j;
            names.append(sql.mid(i + 1, j - i - 1).toUpper());
            out += u'?';
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

qint64 pow10(int n) {
    qint64 p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

}  // namespace

Query::Query(Database& db, Transaction& tr) : m_db(db), m_tr(tr) { m_db.m_queries.insert(this); }

Query::Query(Database& db, Transaction& tr, std::initializer_list<const char*> lines) : Query(db, tr) {
    setSql(lines);
}

Query::~Query() {
    m_db.m_queries.erase(this);
    releaseStatement();
}

void Query::releaseStatement() {
    for (IMessageMetadata** meta : {&m_inMeta, &m_outMeta})
        if (*meta) {
            (*meta)->release();
            *meta = nullptr;
        }
    m_inShape.clear();
    m_inSlots.clear();
    m_outSlots.clear();
    m_fieldNames.clear();
    m_fieldIndex.clear();
    m_columns = 0;
    if (m_stmt) {
        m_stmt->release();
        m_stmt = nullptr;
    }
}

void Query::setSql(const QStringList& lines) {
    close();
    releaseStatement();
    m_sql = lines.join(u'\n');
    QStringList order;
    m_sqlPositional = toPositional(m_sql, order);
    m_paramNames.clear();
    m_paramIndex.clear();
    m_paramOrder.clear();
    for (const QString& name : std::as_const(order)) {
        auto it = m_paramIndex.constFind(name);
        if (it == m_paramIndex.constEnd()) {
            it = m_paramIndex.insert(name, int(m_paramNames.size()));
            m_paramNames << name;
        }
        m_paramOrder.push_back(*it);
    }
    m_params.assign(size_t(m_paramNames.size()), Param{});
}

void Query::setSql(std::initializer_list<const char*> lines) {
    QStringList l;
    for (const char* s : lines) l.append(QString::fromUtf8(s));
    setSql(l);
}

Query::Parameter Query::parameter(const QString& name) const {
    auto it = m_paramIndex.constFind(name);  // names are mostly written as in the text
    if (it == m_paramIndex.constEnd()) it = m_paramIndex.constFind(name.toUpper());
    if (it == m_paramIndex.constEnd())
        throw DbError(QStringLiteral("В тексте запроса нет параметра :%1\n%2").arg(name, m_sql));
    return Parameter{*it};
}

Query::Param& Query::param(Parameter p) {
    if (p.index < 0 || size_t(p.index) >= m_params.size()) throw DbError(QStringLiteral("Нет такого параметра\n%1").arg(m_sql));
    return m_params[size_t(p.index)];
}

Query::Param& Query::param(const QString& name) { return param(parameter(name)); }

void Query::setInt(Parameter p, qint64 value) {
    Param& v = param(p);
    v.kind = Param::Int, v.number = value;
}

void Query::setText(Parameter p, const QString& value) {
    Param& v = param(p);
    v.text = text1251::encode(value);  // what Windows-1251 cannot hold is refused now, not at execution
    v.kind = Param::Text;
}

void Query::setScore(Parameter p, Score value) {
    Param& v = param(p);
    v.kind = Param::Score, v.number = value.hundredths();
}

void Query::setTimestamp(Parameter p, Timestamp value) {
    Param& v = param(p);
    v.kind = Param::Moment, v.number = qint64(quint64(quint32(value.date)) << 32 | value.time);
}

void Query::setNull(Parameter p) { param(p).kind = Param::Null; }

void Query::setInt(const QString& name, qint64 value) { setInt(parameter(name), value); }
void Query::setText(const QString& name, const QString& value) { setText(parameter(name), value); }
void Query::setScore(const QString& name, Score value) { setScore(parameter(name), value); }
void Query::setNull(const QString& name) { setNull(parameter(name)); }

namespace {
// Where each value of a message lies and what it is.
template <class Slot>
std::vector<Slot> slotsOf(IMessageMetadata* meta, ThrowStatusWrapper* st) {
    std::vector<Slot> out(meta->getCount(st));
    for (unsigned i = 0; i < out.size(); ++i)
        out[i] = {meta->getOffset(st, i), meta->getNullOffset(st, i), meta->getType(st, i) & ~1u, meta->getLength(st, i),
                  meta->getScale(st, i)};
    return out;
}
}  // namespace

void Query::prepare() {
    if (m_stmt) return;
    if (m_sql.trimmed().isEmpty()) throw DbError(QStringLiteral("Пустой текст запроса"));
    IAttachment* att = m_db.attachment();
    ITransaction* tra = m_tr.handle();
    const QByteArray text = text1251::encode(m_sqlPositional);
    fbc::guarded([&] {
        fbc::Status st;
        m_stmt = att->prepare(&st, tra, 0, text.constData(), unsigned(m_db.sqlDialect),
                              IStatement::PREPARE_PREFETCH_METADATA);
        m_stmtType = m_stmt->getType(&st);
        m_outMeta = m_stmt->getOutputMetadata(&st);
        m_outSlots = slotsOf<Slot>(m_outMeta, &st);
        m_columns = int(m_outSlots.size());
        for (int i = 0; i < m_columns; ++i) {
            const QString name = text1251::decode(m_outMeta->getAlias(&st, unsigned(i))).toUpper();
            m_fieldNames.append(name);
            if (!m_fieldIndex.contains(name)) m_fieldIndex.insert(name, i);
        }
        m_outBuf.assign(m_outMeta->getMessageLength(&st), 0);
    });
}

void Query::open() { run(true); }

void Query::execute() { run(false); }

void Query::close() {
    m_open = false;
    m_pos = 0;
    m_cells.clear();
    m_rowCount = 0;
}

// The input message: each parameter described as the value we hold (the engine converts), the
// description kept while the next values fit it.
void Query::fillInput() {
    fbc::Status st;
    const size_t nIn = m_paramOrder.size();
    std::vector<unsigned> shape(nIn);  // kind, and for a text the room it is given
    bool fits = m_inMeta && m_inShape.size() == nIn;
    for (size_t i = 0; i < nIn; ++i) {
        const Param& p = m_params[size_t(m_paramOrder[i])];
        shape[i] = unsigned(p.kind);
        if (p.kind == Param::Null && fits) shape[i] = m_inShape[i];  // a null fits any type
        if (p.kind == Param::Text) {
            const unsigned need = unsigned(qMax<qsizetype>(1, p.text.size()));
            const bool same = fits && (m_inShape[i] & 0xff) == Param::Text && (m_inShape[i] >> 8) >= need;
            shape[i] |= (same ? m_inShape[i] >> 8 : qMax(need, 64u)) << 8;
        }
        fits = fits && shape[i] == m_inShape[i];
    }
    if (!fits) {
        // A null is described as the statement wants it; it fits only a null next time.
        fbc::Holder<IMessageMetadata> inMeta(m_stmt->getInputMetadata(&st));
        fbc::Holder<IMetadataBuilder> b(inMeta->getBuilder(&st));
        for (unsigned i = 0; i < nIn; ++i) {
            const Param& p = m_params[size_t(m_paramOrder[i])];
            if (p.kind == Param::Null) shape[i] = unsigned(Param::Null);
            if (p.kind == Param::Moment) {
                b->setType(&st, i, SQL_TIMESTAMP);
                b->setLength(&st, i, sizeof(ISC_TIMESTAMP));
                b->setScale(&st, i, 0);
                b->setSubType(&st, i, 0);
            } else if (p.kind == Param::Int || p.kind == Param::Score) {
                b->setType(&st, i, SQL_INT64);
                b->setLength(&st, i, sizeof(qint64));
                b->setScale(&st, i, p.kind == Param::Score ? -2 : 0);
                b->setSubType(&st, i, 0);
            } else if (p.kind == Param::Text) {
                b->setType(&st, i, SQL_VARYING);
                b->setLength(&st, i, shape[i] >> 8);
                b->setCharSet(&st, i, 52 /* WIN1251 */);
                b->setSubType(&st, i, 0);
                b->setScale(&st, i, 0);
            }
        }
        if (m_inMeta) m_inMeta->release();
        m_inMeta = b->getMetadata(&st);
        m_inShape = std::move(shape);
        m_inSlots = slotsOf<Slot>(m_inMeta, &st);
        m_inBuf.assign(m_inMeta->getMessageLength(&st), 0);
    }
    unsigned char* buf = m_inBuf.data();
    for (size_t i = 0; i < nIn; ++i) {
        const Param& p = m_params[size_t(m_paramOrder[i])];
        const Slot& slot = m_inSlots[i];
        const short nullFlag = p.kind == Param::Null ? -1 : 0;
        std::memcpy(buf + slot.nullOffset, &nullFlag, sizeof nullFlag);
        if (p.kind == Param::Int || p.kind == Param::Score) {
            std::memcpy(buf + slot.offset, &p.number, sizeof p.number);
        } else if (p.kind == Param::Moment) {
            const ISC_TIMESTAMP v{ISC_DATE(p.number >> 32), ISC_TIME(p.number & 0xffffffff)};
            std::memcpy(buf + slot.offset, &v, sizeof v);
        } else if (p.kind == Param::Text) {
            const auto len = static_cast<unsigned short>(p.text.size());
            std::memcpy(buf + slot.offset, &len, sizeof len);
            std::memcpy(buf + slot.offset + 2, p.text.constData(), len);
        }
    }
}

void Query::run(bool wantRows) {
    for (int index : m_paramOrder)
        if (m_params[size_t(index)].kind == Param::Unset)
            throw DbError(QStringLiteral("Параметр :%1 не задан\n%2").arg(m_paramNames[index], m_sql));
    close();
    prepare();
    ITransaction* tra = m_tr.handle();
    fbc::guarded([&] {
        fbc::Status st;
        if (!m_paramOrder.empty()) fillInput();
        IMessageMetadata* in = m_paramOrder.empty() ? nullptr : m_inMeta;
        unsigned char* inData = m_paramOrder.empty() ? nullptr : m_inBuf.data();
        const auto readRow = [&] {
            for (const Slot& slot : m_outSlots) m_cells.push_back(decode(slot, m_outBuf.data()));
            ++m_rowCount;
        };
        const bool isSelect = m_stmtType == isc_info_sql_stmt_select || m_stmtType == isc_info_sql_stmt_select_for_upd;
        if (isSelect && wantRows) {
            fbc::Holder<IResultSet> rs(m_stmt->openCursor(&st, tra, in, inData, m_outMeta, 0));
            while (rs->fetchNext(&st, m_outBuf.data()) == IStatus::RESULT_OK) readRow();
            rs->close(&st);
            rs.take();
            m_open = true;
        } else if (m_columns > 0 && !isSelect) {
            m_stmt->execute(&st, tra, in, inData, m_outMeta, m_outBuf.data());
            readRow();  // INSERT ... RETURNING, EXECUTE PROCEDURE
            m_open = true;
        } else if (isSelect) {
            fbc::Holder<IResultSet> rs(m_stmt->openCursor(&st, tra, in, inData, m_outMeta, 0));
            rs->close(&st);
            rs.take();
        } else {
            m_stmt->execute(&st, tra, in, inData, nullptr, nullptr);
        }
        m_affected = isSelect ? 0 : qint64(m_stmt->getAffectedRecords(&st));
    });
}

Query::Cell Query::decode(const Slot& slot, const unsigned char* buf) const {
    Cell cell;
    short isNull;
    std::memcpy(&isNull, buf + slot.nullOffset, sizeof isNull);
    if (isNull) return cell;
    const unsigned char* p = buf + slot.offset;
    const auto number = [&](auto v) {
        std::memcpy(&v, p, sizeof v);
        cell.kind = Cell::Number, cell.number = v, cell.scale = slot.scale;
    };
    const auto real = [&](auto v) {
        std::memcpy(&v, p, sizeof v);
        cell.kind = Cell::Float, cell.real = v;
    };
    switch (slot.type) {
    case SQL_VARYING: {
        unsigned short len;
        std::memcpy(&len, p, sizeof len);
        cell.kind = Cell::Text;
        cell.text = text1251::decode(QByteArray(reinterpret_cast<const char*>(p) + 2, len));
        break;
    }
    case SQL_TEXT: {
        QByteArray b(reinterpret_cast<const char*>(p), int(slot.length));
        while (b.endsWith(' ')) b.chop(1);
        cell.kind = Cell::Text;
        cell.text = text1251::decode(b);
        break;
    }
    case SQL_SHORT: number(qint16()); break;
    case SQL_LONG: number(qint32()); break;
    case SQL_INT64: number(qint64()); break;
    case SQL_DOUBLE: case SQL_D_FLOAT: real(double()); break;
    case SQL_FLOAT: real(float()); break;
    case SQL_BOOLEAN:
        cell.kind = Cell::Number, cell.number = *p ? 1 : 0;
        break;
    case SQL_TIMESTAMP: {
        ISC_TIMESTAMP v;
        std::memcpy(&v, p, sizeof v);
        cell.kind = Cell::Moment, cell.number = qint64(quint64(quint32(v.timestamp_date)) << 32 | v.timestamp_time);
        break;
    }
    case SQL_TYPE_DATE: {
        // As text, "2026-12-07".
        ISC_DATE v;
        std::memcpy(&v, p, sizeof v);
        unsigned y = 0, mo = 0, d = 0;
        fbc::master()->getUtilInterface()->decodeDate(v, &y, &mo, &d);
        cell.kind = Cell::Text;
        cell.text = QStringLiteral("%1-%2-%3").arg(y, 4, 10, QChar(u'0')).arg(mo, 2, 10, QChar(u'0')).arg(d, 2, 10, QChar(u'0'));
        break;
    }
    default:
        throw DbError(QStringLiteral("Тип поля %1 (%2) не поддерживается")
                          .arg(m_fieldNames.value(int(&slot - m_outSlots.data())))
                          .arg(slot.type));
    }
    return cell;
}

Query::Column Query::column(const QString& name) const {
    auto it = m_fieldIndex.constFind(name);
    if (it == m_fieldIndex.constEnd()) it = m_fieldIndex.constFind(name.toUpper());
    if (it == m_fieldIndex.constEnd())
        throw DbError(QStringLiteral("Поле %1 не найдено в результате запроса\n%2").arg(name, m_sql));
    return Column{*it};
}

const Query::Cell& Query::cell(int column) const {
    if (column < 0 || column >= m_columns) throw DbError(QStringLiteral("Нет такого поля\n%1").arg(m_sql));
    if (eof()) throw DbError(QStringLiteral("Нет текущей строки (поле %1)\n%2").arg(m_fieldNames.value(column), m_sql));
    return m_cells[size_t(m_pos) * size_t(m_columns) + size_t(column)];
}

const Query::Cell& Query::cell(const QString& name) const { return cell(column(name).index); }

namespace {
// A moment as text, "2026-12-07 12:33:48": local time as the engine stored it, to the second.
QString momentText(qint64 packed) {
    unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0, frac = 0;
    IUtil* util = fbc::master()->getUtilInterface();
    util->decodeDate(ISC_DATE(packed >> 32), &y, &mo, &d);
    util->decodeTime(ISC_TIME(packed & 0xffffffff), &h, &mi, &sec, &frac);
    return QStringLiteral("%1-%2-%3 %4:%5:%6")
        .arg(y, 4, 10, QChar(u'0'))
        .arg(mo, 2, 10, QChar(u'0'))
        .arg(d, 2, 10, QChar(u'0'))
        .arg(h, 2, 10, QChar(u'0'))
        .arg(mi, 2, 10, QChar(u'0'))
        .arg(sec, 2, 10, QChar(u'0'));
}

qint64 intOf(const Query::Cell& c) {
    switch (c.kind) {
    case Query::Cell::Null: return 0;
    case Query::Cell::Number: return c.scale < 0 ? c.number / pow10(-c.scale) : c.number * pow10(c.scale);
    case Query::Cell::Float: return qRound64(c.real);
    case Query::Cell::Text: {
        bool ok = false;
        const qint64 v = c.text.trimmed().toLongLong(&ok);
        if (!ok) throw ConversionError(notANumber(c.text));
        return v;
    }
    case Query::Cell::Moment: throw ConversionError(notANumber(momentText(c.number)));
    }
    return 0;
}

Score scoreOf(const Query::Cell& c) {
    switch (c.kind) {
    case Query::Cell::Null: return Score();
    case Query::Cell::Number:
        if (c.scale <= -2) return Score::fromHundredths(c.number / pow10(-2 - c.scale));
        return Score::fromHundredths(c.number * pow10(2 + c.scale));
    case Query::Cell::Float: return Score::fromHundredths(qRound64(c.real * 100));
    case Query::Cell::Text: return Score::parse(c.text);
    case Query::Cell::Moment: return Score::parse(momentText(c.number));
    }
    return Score();
}

QString cellText(const Query::Cell& c) {
    switch (c.kind) {
    case Query::Cell::Null: return QString();
    case Query::Cell::Text: return c.text;
    case Query::Cell::Moment: return momentText(c.number);
    case Query::Cell::Float: return QString::number(c.real);
    case Query::Cell::Number:
        if (c.scale == 0) return QString::number(c.number);
        if (c.scale == -2) return Score::fromHundredths(c.number).toString();
        if (c.scale > 0) return QString::number(c.number * pow10(c.scale));
        return QString::number(double(c.number) / double(pow10(-c.scale)));
    }
    return QString();
}
}  // namespace

bool Query::fieldIsNull(const QString& name) const { return cell(name).kind == Cell::Null; }
qint64 Query::fieldInt(const QString& name) const { return intOf(cell(name)); }
Score Query::fieldScore(const QString& name) const { return scoreOf(cell(name)); }
QString Query::fieldText(const QString& name) const { return cellText(cell(name)); }

bool Query::fieldIsNull(Column c) const { return cell(c.index).kind == Cell::Null; }
qint64 Query::fieldInt(Column c) const { return intOf(cell(c.index)); }
Score Query::fieldScore(Column c) const { return scoreOf(cell(c.index)); }
QString Query::fieldText(Column c) const { return cellText(cell(c.index)); }

Query::Timestamp Query::fieldTimestamp(Column c) const {
    const Cell& v = cell(c.index);
    if (v.kind != Cell::Moment)
        throw DbError(QStringLiteral("Поле %1 не дата и время\n%2").arg(m_fieldNames.value(c.index), m_sql));
    return {int(v.number >> 32), unsigned(v.number & 0xffffffff)};
}

QString Query::textAt(int row, int column) const {
    if (row < 0 || row >= m_rowCount || column < 0 || column >= m_columns) return QString();
    return cellText(m_cells[size_t(row) * size_t(m_columns) + size_t(column)]);
}
