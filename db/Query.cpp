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

Query::Cell decodeCell(IMessageMetadata* meta, ThrowStatusWrapper* st, unsigned i, const unsigned char* buf) {
    Query::Cell cell;
    if (*reinterpret_cast<const short*>(buf + meta->getNullOffset(st, i))) return cell;
    const unsigned char* p = buf + meta->getOffset(st, i);
    const unsigned type = meta->getType(st, i) & ~1u;
    const int scale = meta->getScale(st, i);
    switch (type) {
    case SQL_VARYING: {
        unsigned short len;
        std::memcpy(&len, p, sizeof len);
        cell.kind = Query::Cell::Text;
        cell.text = text1251::decode(QByteArray(reinterpret_cast<const char*>(p) + 2, len));
        break;
    }
    case SQL_TEXT: {
        QByteArray b(reinterpret_cast<const char*>(p), int(meta->getLength(st, i)));
        while (b.endsWith(' ')) b.chop(1);
        cell.kind = Query::Cell::Text;
        cell.text = text1251::decode(b);
        break;
    }
    case SQL_SHORT: {
        qint16 v;
        std::memcpy(&v, p, sizeof v);
        cell.kind = Query::Cell::Number, cell.number = v, cell.scale = scale;
        break;
    }
    case SQL_LONG: {
        qint32 v;
        std::memcpy(&v, p, sizeof v);
        cell.kind = Query::Cell::Number, cell.number = v, cell.scale = scale;
        break;
    }
    case SQL_INT64: {
        qint64 v;
        std::memcpy(&v, p, sizeof v);
        cell.kind = Query::Cell::Number, cell.number = v, cell.scale = scale;
        break;
    }
    case SQL_DOUBLE: case SQL_D_FLOAT: {
        double v;
        std::memcpy(&v, p, sizeof v);
        cell.kind = Query::Cell::Float, cell.real = v;
        break;
    }
    case SQL_FLOAT: {
        float v;
        std::memcpy(&v, p, sizeof v);
        cell.kind = Query::Cell::Float, cell.real = v;
        break;
    }
    case SQL_BOOLEAN:
        cell.kind = Query::Cell::Number, cell.number = *p ? 1 : 0;
        break;
    case SQL_TIMESTAMP: {
        // As text, "2026-12-07 12:33:48", local time as the engine stored it.
        ISC_TIMESTAMP v;
        std::memcpy(&v, p, sizeof v);
        unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0, frac = 0;
        IUtil* util = fbc::master()->getUtilInterface();
        util->decodeDate(v.timestamp_date, &y, &mo, &d);
        util->decodeTime(v.timestamp_time, &h, &mi, &sec, &frac);
        cell.kind = Query::Cell::Text;
        cell.text = QStringLiteral("%1-%2-%3 %4:%5:%6")
                        .arg(y, 4, 10, QChar(u'0'))
                        .arg(mo, 2, 10, QChar(u'0'))
                        .arg(d, 2, 10, QChar(u'0'))
                        .arg(h, 2, 10, QChar(u'0'))
                        .arg(mi, 2, 10, QChar(u'0'))
                        .arg(sec, 2, 10, QChar(u'0'));
        break;
    }
    case SQL_TYPE_DATE: {
        // As text, "2026-12-07".
        ISC_DATE v;
        std::memcpy(&v, p, sizeof v);
        unsigned y = 0, mo = 0, d = 0;
        fbc::master()->getUtilInterface()->decodeDate(v, &y, &mo, &d);
        cell.kind = Query::Cell::Text;
        cell.text = QStringLiteral("%1-%2-%3").arg(y, 4, 10, QChar(u'0')).arg(mo, 2, 10, QChar(u'0')).arg(d, 2, 10, QChar(u'0'));
        break;
    }
    default:
        throw DbError(QStringLiteral("Тип поля %1 (%2) не поддерживается")
                          .arg(QString::fromUtf8(meta->getField(st, i)))
                          .arg(type));
    }
    return cell;
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
    if (m_stmt) {
        m_stmt->release();
        m_stmt = nullptr;
    }
}

void Query::setSql(const QStringList& lines) {
    close();
    releaseStatement();
    m_sql = lines.join(u'\n');
    m_paramOrder.clear();
    m_params.clear();
    m_sqlPositional = toPositional(m_sql, m_paramOrder);
    for (const QString& name : std::as_const(m_paramOrder)) m_params.insert(name, Param{});
}

void Query::setSql(std::initializer_list<const char*> lines) {
    QStringList l;
    for (const char* s : lines) l.append(QString::fromUtf8(s));
    setSql(l);
}

Query::Param& Query::param(const QString& name) {
    auto it = m_params.find(name);  // names are mostly written as in the text
    if (it == m_params.end()) it = m_params.find(name.toUpper());
    if (it == m_params.end())
        throw DbError(QStringLiteral("В тексте запроса нет параметра :%1\n%2").arg(name, m_sql));
    return *it;
}

void Query::setInt(const QString& name, qint64 value) {
    Param& p = param(name);
    p.kind = Param::Int, p.number = value;
}

void Query::setText(const QString& name, const QString& value) {
    Param& p = param(name);
    text1251::encode(value);  // refuse what Windows-1251 cannot hold now, not at execution
    p.kind = Param::Text, p.text = value;
}

void Query::setScore(const QString& name, Score value) {
    Param& p = param(name);
    p.kind = Param::Score, p.number = value.hundredths();
}

void Query::setNull(const QString& name) { param(name).kind = Param::Null; }

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
    });
}

void Query::open() { run(true); }

void Query::execute() { run(false); }

void Query::close() {
    m_open = false;
    m_pos = 0;
    m_rows.clear();
    m_fieldNames.clear();
    m_fieldIndex.clear();
}

void Query::run(bool wantRows) {
    for (const QString& name : std::as_const(m_paramOrder))
        if (m_params.constFind(name)->kind == Param::Unset)
            throw DbError(QStringLiteral("Параметр :%1 не задан\n%2").arg(name, m_sql));
    close();
    prepare();
    ITransaction* tra = m_tr.handle();
    fbc::guarded([&] {
        fbc::Status st;
        // Input message: each parameter described as the value we hold; the server converts.
        const unsigned nIn = unsigned(m_paramOrder.size());
        std::vector<const Param*> params(nIn);
        std::vector<QByteArray> texts(nIn);
        std::vector<unsigned> shape(nIn);  // kind, and for a text the room it is given
        bool fits = m_inMeta && m_inShape.size() == nIn;
        for (unsigned i = 0; i < nIn; ++i) {
            params[i] = &*m_params.constFind(m_paramOrder[i]);
            shape[i] = unsigned(params[i]->kind);
            if (params[i]->kind == Param::Null && fits) shape[i] = m_inShape[i];  // a null fits any type
            if (params[i]->kind == Param::Text) {
                texts[i] = text1251::encode(params[i]->text);
                const unsigned need = unsigned(qMax<qsizetype>(1, texts[i].size()));
                const bool same = fits && (m_inShape[i] & 0xff) == Param::Text && (m_inShape[i] >> 8) >= need;
                shape[i] |= (same ? m_inShape[i] >> 8 : qMax(need, 64u)) << 8;
            }
            fits = fits && (shape[i] == m_inShape[i]);
        }
        std::vector<unsigned char> inBuf;
        if (nIn > 0) {
            if (!fits) {
                // A null is described as the statement wants it; it fits only a null next time.
                for (unsigned i = 0; i < nIn; ++i)
                    if (params[i]->kind == Param::Null) shape[i] = unsigned(Param::Null);
                fbc::Holder<IMessageMetadata> inMeta(m_stmt->getInputMetadata(&st));
                fbc::Holder<IMetadataBuilder> b(inMeta->getBuilder(&st));
                for (unsigned i = 0; i < nIn; ++i) {
                    switch (params[i]->kind) {
                    case Param::Int:
                    case Param::Score:
                        b->setType(&st, i, SQL_INT64);
                        b->setLength(&st, i, sizeof(qint64));
                        b->setScale(&st, i, params[i]->kind == Param::Score ? -2 : 0);
                        b->setSubType(&st, i, 0);
                        break;
                    case Param::Text:
                        b->setType(&st, i, SQL_VARYING);
                        b->setLength(&st, i, shape[i] >> 8);
                        b->setCharSet(&st, i, 52 /* WIN1251 */);
                        b->setSubType(&st, i, 0);
                        b->setScale(&st, i, 0);
                        break;
                    default:
                        break;
                    }
                }
                if (m_inMeta) m_inMeta->release();
                m_inMeta = b->getMetadata(&st);
                m_inShape = shape;
            }
            inBuf.assign(m_inMeta->getMessageLength(&st), 0);
            for (unsigned i = 0; i < nIn; ++i) {
                const Param& p = *params[i];
                short* nullFlag = reinterpret_cast<short*>(&inBuf[m_inMeta->getNullOffset(&st, i)]);
                unsigned char* data = &inBuf[m_inMeta->getOffset(&st, i)];
                *nullFlag = p.kind == Param::Null ? -1 : 0;
                if (p.kind == Param::Int || p.kind == Param::Score) {
                    std::memcpy(data, &p.number, sizeof p.number);
                } else if (p.kind == Param::Text) {
                    const auto len = static_cast<unsigned short>(texts[i].size());
                    std::memcpy(data, &len, sizeof len);
                    std::memcpy(data + 2, texts[i].constData(), len);
                }
            }
        }
        IMessageMetadata* in = m_paramOrder.isEmpty() ? nullptr : m_inMeta;
        unsigned char* inData = m_paramOrder.isEmpty() ? nullptr : inBuf.data();

        IMessageMetadata* outMeta = m_outMeta;
        const unsigned nOut = outMeta->getCount(&st);
        for (unsigned i = 0; i < nOut; ++i) {
            const QString name = text1251::decode(outMeta->getAlias(&st, i)).toUpper();
            m_fieldNames.append(name);
            if (!m_fieldIndex.contains(name)) m_fieldIndex.insert(name, int(i));
        }
        std::vector<unsigned char> outBuf(outMeta->getMessageLength(&st));
        const auto readRow = [&] {
            std::vector<Cell> row;
            row.reserve(nOut);
            for (unsigned i = 0; i < nOut; ++i) row.push_back(decodeCell(outMeta, &st, i, outBuf.data()));
            m_rows.push_back(std::move(row));
        };
        const bool isSelect = m_stmtType == isc_info_sql_stmt_select || m_stmtType == isc_info_sql_stmt_select_for_upd;
        if (isSelect && wantRows) {
            fbc::Holder<IResultSet> rs(m_stmt->openCursor(&st, tra, in, inData, outMeta, 0));
            while (rs->fetchNext(&st, outBuf.data()) == IStatus::RESULT_OK) readRow();
            rs->close(&st);
            rs.take();
            m_open = true;
        } else if (nOut > 0 && !isSelect) {
            m_stmt->execute(&st, tra, in, inData, outMeta, outBuf.data());
            readRow();  // INSERT ... RETURNING, EXECUTE PROCEDURE
            m_open = true;
        } else if (isSelect) {
            fbc::Holder<IResultSet> rs(m_stmt->openCursor(&st, tra, in, inData, outMeta, 0));
            rs->close(&st);
            rs.take();
        } else {
            m_stmt->execute(&st, tra, in, inData, nullptr, nullptr);
        }
        m_affected = isSelect ? 0 : qint64(m_stmt->getAffectedRecords(&st));
    });
}

const Query::Cell& Query::cell(const QString& name) const {
    auto it = m_fieldIndex.find(name);
    if (it == m_fieldIndex.end()) it = m_fieldIndex.find(name.toUpper());
    if (it == m_fieldIndex.end())
        throw DbError(QStringLiteral("Поле %1 не найдено в результате запроса\n%2").arg(name, m_sql));
    if (eof()) throw DbError(QStringLiteral("Нет текущей строки (поле %1)\n%2").arg(name, m_sql));
    return m_rows[size_t(m_pos)][size_t(*it)];
}

bool Query::fieldIsNull(const QString& name) const { return cell(name).kind == Cell::Null; }

qint64 Query::fieldInt(const QString& name) const {
    const Cell& c = cell(name);
    switch (c.kind) {
    case Cell::Null: return 0;
    case Cell::Number: return c.scale < 0 ? c.number / pow10(-c.scale) : c.number * pow10(c.scale);
    case Cell::Float: return qRound64(c.real);
    case Cell::Text: {
        bool ok = false;
        const qint64 v = c.text.trimmed().toLongLong(&ok);
        if (!ok) throw ConversionError(notANumber(c.text));
        return v;
    }
    }
    return 0;
}

Score Query::fieldScore(const QString& name) const {
    const Cell& c = cell(name);
    switch (c.kind) {
    case Cell::Null: return Score();
    case Cell::Number:
        if (c.scale <= -2) return Score::fromHundredths(c.number / pow10(-2 - c.scale));
        return Score::fromHundredths(c.number * pow10(2 + c.scale));
    case Cell::Float: return Score::fromHundredths(qRound64(c.real * 100));
    case Cell::Text: return Score::parse(c.text);
    }
    return Score();
}

namespace {
QString cellText(const Query::Cell& c) {
    switch (c.kind) {
    case Query::Cell::Null: return QString();
    case Query::Cell::Text: return c.text;
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

QString Query::fieldText(const QString& name) const { return cellText(cell(name)); }

QString Query::textAt(int row, int column) const { return cellText(m_rows.at(size_t(row)).at(size_t(column))); }
