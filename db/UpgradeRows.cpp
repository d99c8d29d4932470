#include "UpgradeRows.h"

#include "Schema.h"

#include "Database.h"
#include "Query.h"
#include "Upgrade.h"

#include <map>

namespace upgrade {

namespace {

QString quoted(const QString& s) { return QStringLiteral("«%1»").arg(s); }

// A row's values joined, so that a composite key is one text.
QString joined(const Query& q, const QStringList& columns) {
    QStringList parts;
    for (const QString& c : columns) parts << (q.fieldIsNull(c) ? QStringLiteral("\x01") : q.fieldText(c));
    return parts.join(QChar(0x1f));
}

bool anyNull(const Query& q, const QStringList& columns) {
    return std::any_of(columns.begin(), columns.end(), [&](const QString& c) { return q.fieldIsNull(c); });
}

// What a missing referenced row is, for the operator.
QString missing(const QString& refTable) {
    if (refTable == u"SPISOK") return QStringLiteral("такого участника нет в списке участников");
    if (refTable == u"S_KOMAND") return QStringLiteral("такой команды нет в справочнике");
    if (refTable == u"S_PREDMET") return QStringLiteral("такого предмета нет в справочнике");
    if (refTable == u"S_KLASS") return QStringLiteral("такого класса нет в справочнике");
    return QStringLiteral("нет такой записи (%1)").arg(refTable);
}

QString checkText(const QString& name) {
    if (name == u"CK_SPISOK_ID_CHILD") return QStringLiteral("номер участника в базе данных не больше 0");
    if (name == u"CK_SHIFR_TUR") return QStringLiteral("номер тура не от 1 до 4");
    if (name == u"CK_TUR_MAX") return QStringLiteral("неверный номер тура или задачи, или максимум не больше 0");
    if (name == u"CK_BAL_LOG_SLOT") return QStringLiteral("неверный номер задачи");
    return QStringLiteral("не выполнено правило %1").arg(name);
}

QString emptyText(const QString& column) {
    static const std::map<QString, const char*> words = {
        {"ID_CHILD", "не указан участник"},  {"ID_KOMAND", "не указана команда"}, {"ID_PREDMET", "не указан предмет"},
        {"KLASS", "не указан класс"},         {"ID_TUR", "не указан тур"},         {"ID", "не указан номер тура"},
        {"N_ZAD", "не указан номер задачи"}, {"SLOT", "не указан номер задачи"}, {"MAX_BAL", "не указан максимум"}};
    const auto it = words.find(column);
    return it == words.end() ? QStringLiteral("пусто в столбце %1").arg(column) : QString::fromUtf8(it->second);
}

}  // namespace

void Found::add(const QString& line) {
    if (shown.size() < kShownProblems) shown << line;
    ++count;
}

BreakingRows::BreakingRows(Database& db, Transaction& tr, const QSet<QString>& tables) : m_db(db), m_tr(tr) {
    const auto read = [&](const char* table, const char* sql, QHash<QString, QString>& into, auto text) {
        if (!tables.contains(QString::fromLatin1(table))) return;
        Query q(db, tr, {sql});
        q.open();
        for (q.first(); !q.eof(); q.next()) into.insert(q.fieldText("K"), text(q));
    };
    const auto name = [](const Query& q) { return q.fieldText("N"); };
    read("S_KOMAND", "SELECT ID_KOMAND AS K, KOMAND AS N FROM S_KOMAND", m_komand, name);
    read("S_PREDMET", "SELECT ID_PREDMET AS K, PREDMET AS N FROM S_PREDMET", m_predmet, name);
    read("S_KLASS", "SELECT ID_KLASS AS K, KLASS AS N FROM S_KLASS", m_klass, name);
    read("SPISOK", "SELECT ID_CHILD AS K, SURNAME, NAME, SECONDNAME, ID_PREDMET, KLASS FROM SPISOK", m_child,
         [&](const Query& q) {
             const QString who = QStringList{q.fieldText("SURNAME"), q.fieldText("NAME"), q.fieldText("SECONDNAME")}
                                     .join(u' ')
                                     .simplified();
             return QStringLiteral("%1 (%2, %3 класс)")
                 .arg(who.isEmpty() ? QStringLiteral("без фамилии") : who,
                      m_predmet.value(q.fieldText("ID_PREDMET"), QStringLiteral("предмет не указан")),
                      m_klass.value(q.fieldText("KLASS"), QStringLiteral("?")));
         });
}

QString BreakingRows::child(const QString& id) const {
    const auto it = m_child.constFind(id);
    return it == m_child.constEnd() ? QStringLiteral("(участник не найден)") : *it;
}

// " участника Орлов Иван (Физика, 9 класс)" for a row of a child; nothing when there is no such child.
QString BreakingRows::ofChild(const QString& id) const {
    const auto it = m_child.constFind(id);
    return it == m_child.constEnd() ? QString() : QStringLiteral(" участника ") + *it;
}

// A key's value as the operator knows it.
QString BreakingRows::value(const QString& column, const QString& text) const {
    const auto named = [&](const char* what, const QHash<QString, QString>& dict) {
        return QStringLiteral("%1 %2").arg(QString::fromUtf8(what), quoted(dict.value(text, text)));
    };
    if (column == u"ID_CHILD") return QStringLiteral("участник ") + child(text);
    if (column == u"ID_KOMAND") return named("команда", m_komand);
    if (column == u"ID_PREDMET") return named("предмет", m_predmet);
    if (column == u"KLASS") return named("класс", m_klass);
    if (column == u"ID_TUR" || column == u"ID") return QStringLiteral("тур %1").arg(text);
    if (column == u"N_ZAD") return QStringLiteral("задача %1").arg(text);
    if (column == u"SHIFR") return QStringLiteral("шифр ") + quoted(text);
    if (column == u"KOMAND") return QStringLiteral("команда ") + quoted(text);
    if (column == u"PREDMET") return QStringLiteral("предмет ") + quoted(text);
    if (column == u"SCHOOL") return QStringLiteral("учреждение ") + quoted(text);
    return QStringLiteral("%1 %2").arg(column, text.isEmpty() ? QStringLiteral("пусто") : text);
}

// The columns that describe a row of a table.
QStringList BreakingRows::described(const QString& table) {
    static const std::map<QString, QStringList> columns = {
        {"S_KOMAND", {"KOMAND"}},
        {"S_PREDMET", {"PREDMET"}},
        {"S_KLASS", {"KLASS"}},
        {"S_SCHOOL", {"SCHOOL", "ID_KOMAND"}},
        {"SPISOK", {"ID_CHILD", "SURNAME", "NAME", "SECONDNAME", "ID_PREDMET", "KLASS"}},
        {"TEACHERS", {"SURNAME", "NAME", "SECONDNAME", "ID_CHILD"}},
        {"TUR", {"ID", "ID_PREDMET"}},
        {"SHIFR", {"SHIFR", "ID_CHILD", "ID_TUR"}},
        {"GRUP", {"N_GROUP", "ID_CHILD"}},
        {"BAL", {"ID_CHILD"}},
        {"TUR_MAX", {"N_ZAD", "ID", "ID_PREDMET"}},
        {"BAL_LOG", {"ID_CHILD", "SLOT"}},
        {"NASTROIKI", {"NAME"}},
        {"DIPLOM", {"NOMER", "ID_CHILD"}},
        {"APPEAL", {"N_APPEAL", "ID_CHILD", "ID_TUR"}},
        {"APPEAL_TASK", {"ID_APPEAL", "N_ZAD"}},
        {"ITOGI", {"ID_PREDMET", "KLASS", "FINAL"}}};
    const auto it = columns.find(table);
    if (it != columns.end()) return it->second;
    // A table not named above is described by its first columns, never by none (an empty list of
    // columns is no statement).
    QStringList first;
    if (const schema::Table* t = schema::model().table(table))
        for (const schema::Column& c : t->columns.mid(0, 2)) first << c.name;
    return first;
}

QString BreakingRows::row(const QString& table, const Query& q) const {
    const auto text = [&](const char* c) { return q.fieldText(QString::fromLatin1(c)); };
    const auto person = [&] {
        return QStringList{text("SURNAME"), text("NAME"), text("SECONDNAME")}.join(u' ').simplified();
    };
    if (table == u"S_KOMAND") return QStringLiteral("команда ") + quoted(text("KOMAND"));
    if (table == u"S_PREDMET") return QStringLiteral("предмет ") + quoted(text("PREDMET"));
    if (table == u"S_KLASS") return QStringLiteral("класс ") + quoted(text("KLASS"));
    if (table == u"S_SCHOOL")
        return QStringLiteral("учреждение %1 команды %2").arg(quoted(text("SCHOOL")), quoted(m_komand.value(text("ID_KOMAND"))));
    if (table == u"SPISOK") return QStringLiteral("участник ") + child(text("ID_CHILD"));
    const auto of = [&] { return ofChild(text("ID_CHILD")); };
    if (table == u"TEACHERS") return QStringLiteral("учитель %1%2").arg(person(), of());
    if (table == u"TUR") return QStringLiteral("тур %1 предмета %2").arg(text("ID"), quoted(m_predmet.value(text("ID_PREDMET"))));
    if (table == u"SHIFR") return QStringLiteral("шифр %1%2, тур %3").arg(quoted(text("SHIFR")), of(), text("ID_TUR"));
    if (table == u"GRUP") return QStringLiteral("группа %1%2").arg(text("N_GROUP"), of());
    if (table == u"BAL") return QStringLiteral("баллы") + of();
    if (table == u"TUR_MAX")
        return QStringLiteral("максимум задачи %1 тура %2 предмета %3")
            .arg(text("N_ZAD"), text("ID"), quoted(m_predmet.value(text("ID_PREDMET"))));
    if (table == u"BAL_LOG") return QStringLiteral("история баллов") + of();
    if (table == u"NASTROIKI") return QStringLiteral("настройка ") + quoted(text("NAME"));
    if (table == u"DIPLOM") return QStringLiteral("диплом № %1%2").arg(text("NOMER"), of());
    if (table == u"APPEAL") return QStringLiteral("апелляция № %1%2").arg(text("N_APPEAL"), of());
    if (table == u"APPEAL_TASK") return QStringLiteral("задача %1 апелляции (ключ %2)").arg(text("N_ZAD"), text("ID_APPEAL"));
    if (table == u"ITOGI")
        return QStringLiteral("статус результатов предмета %1, класс №%2").arg(quoted(m_predmet.value(text("ID_PREDMET"))), text("KLASS"));
    return table;
}

const QSet<QString>& BreakingRows::keysOf(const QString& table, const QStringList& columns) {
    const QString name = table + u'(' + columns.join(u',') + u')';
    if (const auto it = m_keys.constFind(name); it != m_keys.constEnd()) return *it;
    QSet<QString> keys;
    Query q(m_db, m_tr);
    q.setSql(QStringList{QStringLiteral("SELECT %1 FROM %2").arg(columns.join(QStringLiteral(", ")), table)});
    q.open();
    for (q.first(); !q.eof(); q.next()) keys.insert(joined(q, columns));
    return m_keys[name] = keys;
}

void BreakingRows::breaking(const schema::Constraint& c, Found& out) {
    QStringList columns = described(c.table);
    for (const QString& col : c.columns)
        if (!columns.contains(col)) columns << col;
    Query q(m_db, m_tr);
    const QString where = c.kind == schema::Constraint::Check ? QStringLiteral(" WHERE NOT (%1)").arg(c.condition) : QString();
    q.setSql(QStringList{QStringLiteral("SELECT %1 FROM %2%3").arg(columns.join(QStringLiteral(", ")), c.table, where)});
    q.open();
    switch (c.kind) {
    case schema::Constraint::Check:
        for (q.first(); !q.eof(); q.next()) out.add(QStringLiteral("%1: %2").arg(row(c.table, q), checkText(c.name)));
        break;
    case schema::Constraint::ForeignKey: {
        const QSet<QString>& keys = keysOf(c.refTable, c.refColumns);
        for (q.first(); !q.eof(); q.next())
            if (!anyNull(q, c.columns) && !keys.contains(joined(q, c.columns)))
                out.add(QStringLiteral("%1: %2").arg(row(c.table, q), missing(c.refTable)));
        break;
    }
    case schema::Constraint::PrimaryKey:
    case schema::Constraint::Unique: {
        std::map<QString, QStringList> rows;  // key -> the rows holding it, in key order
        QHash<QString, QString> keyText;
        for (q.first(); !q.eof(); q.next()) {
            if (anyNull(q, c.columns)) continue;
            const QString key = joined(q, c.columns);
            rows[key] << row(c.table, q);
            if (!keyText.contains(key)) {
                QStringList parts;
                for (const QString& col : c.columns) parts << value(col, q.fieldText(col));
                keyText.insert(key, parts.join(QStringLiteral(", ")));
            }
        }
        for (const auto& [key, holders] : rows) {
            if (holders.size() < 2) continue;
            QString list = holders.mid(0, 3).join(QStringLiteral("; "));
            if (holders.size() > 3) list += QStringLiteral("; и ещё %1").arg(holders.size() - 3);
            out.add(QStringLiteral("Повторяется %1 (строк: %2): %3").arg(keyText.value(key)).arg(holders.size()).arg(list));
        }
        break;
    }
    }
}

void BreakingRows::empty(const QString& table, const QString& column, Found& out) {
    QStringList columns = described(table);
    Query q(m_db, m_tr);
    q.setSql(QStringList{QStringLiteral("SELECT %1 FROM %2 WHERE %3 IS NULL")
                             .arg(columns.isEmpty() ? column : columns.join(QStringLiteral(", ")), table, column)});
    q.open();
    for (q.first(); !q.eof(); q.next())
        out.add(QStringLiteral("%1: %2").arg(columns.isEmpty() ? table : row(table, q), emptyText(column)));
}

}  // namespace upgrade
