#include "participants/Import.h"

#include "Query.h"
#include "Text.h"
#include "participants/Names.h"
#include "reference/Dictionaries.h"
#include "xlsx/FileError.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <map>
#include <optional>

namespace listimport {

namespace {

constexpr int kNameLength = 50, kSchoolLength = 500, kKlassLength = 30;

Field teacherField(int index, int part) { return Field(int(Field::Teacher1) + 4 * index + part); }
int teacherIndex(Field f) { return (int(f) - int(Field::Teacher1)) / 4; }
int teacherPart(Field f) { return (int(f) - int(Field::Teacher1)) % 4; }  // 0 whole name, 1-3 its parts

// A heading's words without case, ё, spaces or punctuation.
QString headingWords(const QString& s) {
    QString out;
    for (QChar c : s.toLower())
        if (c.isLetterOrNumber()) out.append(c == u'ё' ? u'е' : c);
    return out;
}

// A name as it is compared: case, ё and extra spaces do not count.
QString comparable(const QString& s) { return s.simplified().toLower().replace(u'ё', u'е'); }

bool hasAny(const QString& words, std::initializer_list<const char16_t*> keys) {
    for (const char16_t* k : keys)
        if (words.contains(QStringView(k))) return true;
    return false;
}

bool isTeacherWord(const QString& w) {
    if (w.contains(u"классныйруководител")) return false;  // the form teacher, not the one who prepared the child
    return hasAny(w, {u"учител", u"педагог", u"наставник", u"руководител", u"подготовил", u"тренер"});
}

// Which part of a name the heading names: 0 the whole name, 1 surname, 2 name, 3 patronymic; -1 none.
int namePart(const QString& w) {
    if (w.contains(u"фио") || (w.contains(u"фамил") && w.contains(u"имя"))) return 0;
    if (w.contains(u"фамил")) return 1;
    if (w.contains(u"отчеств")) return 3;
    if (w.contains(u"имя")) return 2;
    return -1;
}

Field childField(const QString& w) {
    switch (namePart(w)) {
    case 0: return Field::FullName;
    case 1: return Field::Surname;
    case 2: return Field::Name;
    case 3: return Field::SecondName;
    default: break;
    }
    if (hasAny(w, {u"класс", u"параллел"}) && !w.contains(u"классныйруководител")) return Field::Klass;
    if (hasAny(w, {u"учрежден", u"школ", u"организац", u"гимнази", u"лице"}) || w.endsWith(u"оу") || w.endsWith(u"оо"))
        return Field::School;
    if (hasAny(w, {u"город", u"район", u"населен", u"муниципал", u"территор"})) return Field::Sity;
    if (hasAny(w, {u"команд", u"делегац"})) return Field::Komand;
    if (hasAny(w, {u"предмет", u"дисциплин"})) return Field::Predmet;
    if (hasAny(w, {u"участник", u"ученик", u"обучающ"})) return Field::FullName;
    return Field::None;
}

// The columns a heading row maps; `above` is the row over it (a merged heading), or null.
QList<Field> mapHeading(const QStringList& heading, const QStringList* above) {
    QList<Field> out;
    QSet<Field> used;
    bool taken[kTeachers][4] = {};
    for (int c = 0; c < heading.size(); ++c) {
        QString w = headingWords(heading[c]);
        if (above && c < above->size() && !isTeacherWord(w) && isTeacherWord(headingWords((*above)[c])))
            w = headingWords((*above)[c]) + w;
        Field f = Field::None;
        if (isTeacherWord(w)) {
            const int part = qMax(0, namePart(w));
            int index = -1;
            for (QChar ch : w)
                if (ch >= u'1' && ch <= u'3') index = ch.unicode() - u'1';
            if (index < 0)
                for (int i = 0; i < kTeachers && index < 0; ++i) {
                    const bool wholeTaken = taken[i][0] || (part == 0 && (taken[i][1] || taken[i][2] || taken[i][3]));
                    if (!wholeTaken && !taken[i][part]) index = i;
                }
            if (index >= 0 && !taken[index][part]) {
                taken[index][part] = true;
                f = teacherField(index, part);
            }
        } else {
            f = childField(w);
        }
        if (f != Field::None && used.contains(f)) f = Field::None;
        used.insert(f);
        out.append(f);
    }
    return out;
}

int recognised(const QList<Field>& columns) {
    return int(std::count_if(columns.begin(), columns.end(), [](Field f) { return f != Field::None; }));
}

// A whole name split at spaces: surname, name, and the rest as the patronymic.
PersonName splitName(const QString& whole) {
    const QStringList w = whole.simplified().split(u' ', Qt::SkipEmptyParts);
    return {w.value(0), w.value(1), w.mid(2).join(u' ')};
}

// A dictionary read once: comparable name -> key.
QHash<QString, int> dictionary(Database& db, Transaction& tr, const char* sql) {
    QHash<QString, int> out;
    Query q(db, tr, {sql});
    q.open();
    for (q.first(); !q.eof(); q.next()) out.insert(comparable(q.fieldText("N")), int(q.fieldInt("K")));
    return out;
}

// A grade as the dictionary would hold it: "9 класс" and "9 кл." name the grade "9".
QString gradeName(const QString& text) {
    static const QRegularExpression word(QStringLiteral("\\s*(класс|кл\\.?)$"), QRegularExpression::CaseInsensitiveOption);
    return QString(text).remove(word).simplified();
}

QString schoolOf(int team, const QString& school) { return QString::number(team) + u'\x1f' + names::schoolKey(school); }

QString identity(const Registration& r) {
    return QStringList{QString::number(r.idKomand), QString::number(r.idPredmet), QString::number(r.idKlass),
                       comparable(r.child.surname), comparable(r.child.name), comparable(r.child.secondName)}
        .join(QChar(0x1f));
}

struct Checker {
    const QList<QStringList>& rows;
    const Layout& layout;
    const Defaults& defaults;
    QHash<QString, int> komands, predmets, klasses;
    QSet<QString> registered;
    QHash<QString, QString> schools;  // schoolOf(team, name) -> the name as the dictionary has it
    QHash<QString, int> inFile;  // identity -> row
    Check out;
    std::map<QString, QString> missingKomand, missingPredmet, missingKlass;  // comparable -> as written

    int column(Field f) const { return int(layout.columns.indexOf(f)); }
    bool mapped(Field f) const { return column(f) >= 0; }
    QString cell(const QStringList& row, Field f) const {
        const int c = column(f);
        return c >= 0 ? row.value(c).simplified() : QString();
    }

    // Refuses a text the database cannot hold or that is longer than its column.
    void text(QStringList& reasons, const QString& what, const QString& value, int length) const {
        if (const QString refused = text1251::refusal(value); !refused.isEmpty())
            reasons << QStringLiteral("%1: %2").arg(what, refused);
        else if (value.size() > length)
            reasons << QStringLiteral("%1 длиннее %2 символов").arg(what).arg(length);
    }

    // The key of a dictionary name; a missing one is noted as one to add when it could be added.
    int key(QStringList& reasons, const QHash<QString, int>& dict, std::map<QString, QString>& missing, const QString& value,
            const QString& none, const QString& unknown, int length) {
        if (value.isEmpty()) {
            reasons << none;
            return 0;
        }
        if (const int k = dict.value(comparable(value))) return k;
        reasons << unknown.arg(value);
        if (text1251::canEncode(value) && value.size() <= length) missing.emplace(comparable(value), value);
        return 0;
    }

    PersonName person(const QStringList& row, Field whole, Field surname, Field name, Field second) const {
        PersonName p = splitName(cell(row, whole));
        for (auto [f, part] : {std::pair{surname, &p.surname}, {name, &p.name}, {second, &p.secondName}}) {
            if (mapped(f)) *part = cell(row, f);
            *part = names::capitalised(*part);
        }
        return p;
    }

    void line(int index) {
        const QStringList& row = rows[index];
        Line l;
        l.row = index;
        QStringList reasons;
        Registration& r = l.reg;
        r.child = person(row, Field::FullName, Field::Surname, Field::Name, Field::SecondName);
        if (r.child.surname.isEmpty())
            reasons << QStringLiteral("Нет фамилии");
        else if (std::none_of(r.child.surname.begin(), r.child.surname.end(), [](QChar ch) { return ch.isLetter(); }))
            reasons << QStringLiteral("В фамилии нет ни одной буквы");
        text(reasons, QStringLiteral("Фамилия"), r.child.surname, kNameLength);
        text(reasons, QStringLiteral("Имя"), r.child.name, kNameLength);
        text(reasons, QStringLiteral("Отчество"), r.child.secondName, kNameLength);
        for (const QString& part : {r.child.surname, r.child.name, r.child.secondName})
            if (const QString word = names::mixedScriptWord(part); !word.isEmpty())
                reasons << QStringLiteral("В слове «%1» есть и русские, и латинские буквы").arg(word);
        const auto chosen = [&](Field f, const QString& fallback) { return mapped(f) ? cell(row, f) : fallback; };
        r.idKomand = key(reasons, komands, missingKomand, chosen(Field::Komand, defaults.komand),
                         QStringLiteral("Нет команды"), QStringLiteral("Команды «%1» нет в справочнике"), kNameLength);
        r.idPredmet = key(reasons, predmets, missingPredmet, chosen(Field::Predmet, defaults.predmet),
                          QStringLiteral("Нет предмета"), QStringLiteral("Предмета «%1» нет в справочнике"), kNameLength);
        r.idKlass = key(reasons, klasses, missingKlass, gradeName(chosen(Field::Klass, defaults.klass)), QStringLiteral("Нет класса"),
                        QStringLiteral("Класса «%1» нет в справочнике"), kKlassLength);
        r.school = chosen(Field::School, defaults.school.simplified());
        text(reasons, QStringLiteral("Учреждение"), r.school, kSchoolLength);
        r.sity = cell(row, Field::Sity);
        text(reasons, QStringLiteral("Город/район"), r.sity, kNameLength);
        for (int i = 0; i < kTeachers; ++i) {
            const PersonName t = person(row, teacherField(i, 0), teacherField(i, 1), teacherField(i, 2), teacherField(i, 3));
            if (t.surname.isEmpty() && t.name.isEmpty() && t.secondName.isEmpty()) continue;
            const QString who = QStringLiteral("Учитель %1").arg(i + 1);
            if (t.surname.isEmpty()) reasons << QStringLiteral("%1: нет фамилии").arg(who);
            text(reasons, who, t.surname, kNameLength);
            text(reasons, who, t.name, kNameLength);
            text(reasons, who, t.secondName, kNameLength);
            r.teachers.append(t);
        }
        if (!reasons.isEmpty()) {
            l.status = Line::Refused;
            l.reason = reasons.join(QStringLiteral("; "));
        } else if (const QString id = identity(r); registered.contains(id)) {
            l.status = Line::Already;
            l.reason = QStringLiteral("Уже зарегистрирован");
        } else if (inFile.contains(id)) {
            l.status = Line::Refused;
            l.reason = QStringLiteral("Повторяет строку %1").arg(inFile.value(id) + 1);
        } else {
            inFile.insert(id, index);
            if (!r.school.isEmpty()) {  // the dictionary's spelling, or a school the team gets now
                const QString school = schoolOf(r.idKomand, r.school);
                if (const auto it = schools.constFind(school); it != schools.constEnd()) {
                    r.school = *it;
                } else {
                    schools.insert(school, r.school);
                    l.newSchool = true;
                }
            }
        }
        out.lines.push_back(l);
    }
};

QStringList values(const std::map<QString, QString>& m) {
    QStringList out;
    for (const auto& [k, v] : m) out << v;
    return out;
}

}  // namespace

QList<Field> allFields() {
    QList<Field> out;
    for (int f = int(Field::None); f <= int(Field::Teacher3SecondName); ++f) out << Field(f);
    return out;
}

QString caption(Field f) {
    switch (f) {
    case Field::None: return QStringLiteral("—");
    case Field::Surname: return QStringLiteral("Фамилия");
    case Field::Name: return QStringLiteral("Имя");
    case Field::SecondName: return QStringLiteral("Отчество");
    case Field::FullName: return QStringLiteral("ФИО");
    case Field::Klass: return QStringLiteral("Класс");
    case Field::School: return QStringLiteral("Учреждение");
    case Field::Sity: return QStringLiteral("Город/район");
    case Field::Komand: return QStringLiteral("Команда");
    case Field::Predmet: return QStringLiteral("Предмет");
    default: break;
    }
    static const char16_t* const parts[] = {u"ФИО", u"фамилия", u"имя", u"отчество"};
    return QStringLiteral("Учитель %1: %2").arg(teacherIndex(f) + 1).arg(QStringView(parts[teacherPart(f)]));
}

Layout guess(const QList<QStringList>& rows) {
    Layout best;
    int bestCount = 1;  // a heading names at least two columns
    for (int r = 0; r < qMin<qsizetype>(rows.size(), 10); ++r) {
        const QList<Field> columns = mapHeading(rows[r], r > 0 ? &rows[r - 1] : nullptr);
        const int n = recognised(columns);
        // A row right under the heading that names as many columns is its second row (headings
        // merged down, "Фамилия", "Имя", "Отчество" under a merged "Учитель"): the data start below it.
        if (n > bestCount || (n == bestCount && best.headerRow >= 0 && r == best.headerRow + 1)) {
            bestCount = n;
            best = {r, columns};
        }
    }
    qsizetype width = 0;
    for (const QStringList& row : rows) width = qMax(width, row.size());
    while (best.columns.size() < width) best.columns.append(Field::None);
    return best;
}

QList<Field> mapColumns(const QList<QStringList>& rows, int headerRow) {
    QList<Field> columns;
    if (headerRow >= 0 && headerRow < rows.size())
        columns = mapHeading(rows[headerRow], headerRow > 0 ? &rows[headerRow - 1] : nullptr);
    qsizetype width = 0;
    for (const QStringList& row : rows) width = qMax(width, row.size());
    while (columns.size() < width) columns.append(Field::None);
    return columns;
}

bool anyFilled(const QList<QStringList>& rows) {
    return std::any_of(rows.begin(), rows.end(), [](const QStringList& row) {
        return std::any_of(row.begin(), row.end(), [](const QString& cell) { return !cell.trimmed().isEmpty(); });
    });
}

List openList(const QString& path) {
    if (!listfile::otherKind(path).isEmpty()) throw FileError(listfile::kSaveAsXlsx);
    auto book = std::make_shared<const listfile::Book>(path);
    std::optional<FileError> refused;
    std::optional<List> readable;
    for (int i = 0; i < book->sheets().size(); ++i) {
        List l{book, i, {}};
        try {
            l.rows = book->rows(book->sheets()[i]);
        } catch (const FileError& e) {
            if (!refused) refused = e;
            continue;
        }
        if (!anyFilled(l.rows)) continue;
        if (guess(l.rows).headerRow >= 0) return l;
        if (!readable) readable = l;
    }
    if (readable) return *readable;
    if (refused) throw *refused;
    throw FileError(kNoRows);
}

QString Missing::describe() const {
    QStringList parts;
    if (!komands.isEmpty()) parts << QStringLiteral("команды: %1").arg(komands.join(QStringLiteral(", ")));
    if (!predmets.isEmpty()) parts << QStringLiteral("предметы: %1").arg(predmets.join(QStringLiteral(", ")));
    if (!klasses.isEmpty()) parts << QStringLiteral("классы: %1").arg(klasses.join(QStringLiteral(", ")));
    return parts.join(u'\n');
}

int Check::count(Line::Status s) const {
    return int(std::count_if(lines.begin(), lines.end(), [s](const Line& l) { return l.status == s; }));
}

Check check(Database& db, Transaction& tr, const QList<QStringList>& rows, const Layout& layout, const Defaults& defaults) {
    Checker c{rows, layout, defaults, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}};
    c.komands = dictionary(db, tr, "SELECT ID_KOMAND AS K, KOMAND AS N FROM S_KOMAND");
    c.predmets = dictionary(db, tr, "SELECT ID_PREDMET AS K, PREDMET AS N FROM S_PREDMET");
    c.klasses = dictionary(db, tr, "SELECT ID_KLASS AS K, KLASS AS N FROM S_KLASS");
    Query q(db, tr, {"SELECT ID_KOMAND, ID_PREDMET, KLASS, SURNAME, NAME, SECONDNAME FROM SPISOK"});
    q.open();
    for (q.first(); !q.eof(); q.next()) {
        Registration r;
        r.idKomand = int(q.fieldInt("ID_KOMAND"));
        r.idPredmet = int(q.fieldInt("ID_PREDMET"));
        r.idKlass = int(q.fieldInt("KLASS"));
        r.child = {q.fieldText("SURNAME"), q.fieldText("NAME"), q.fieldText("SECONDNAME")};
        c.registered.insert(identity(r));
    }
    Query schools(db, tr, {"SELECT ID_KOMAND, SCHOOL FROM S_SCHOOL ORDER BY ID_SCHOOL"});
    schools.open();
    for (schools.first(); !schools.eof(); schools.next()) {
        const QString name = schools.fieldText("SCHOOL");
        const QString key = schoolOf(int(schools.fieldInt("ID_KOMAND")), name);
        if (!c.schools.contains(key)) c.schools.insert(key, name);
    }
    for (int i = layout.firstDataRow(); i < rows.size(); ++i)
        if (std::any_of(rows[i].begin(), rows[i].end(), [](const QString& s) { return !s.trimmed().isEmpty(); }))
            c.line(i);
    c.out.missing = {values(c.missingKomand), values(c.missingPredmet), values(c.missingKlass)};
    return c.out;
}

void addMissing(Database& db, Transaction& tr, const Missing& missing) {
    for (const QString& k : missing.komands) dict::addKomand(db, tr, k);
    for (const QString& p : missing.predmets) dict::addPredmet(db, tr, p);
    for (const QString& k : missing.klasses) dict::addKlass(db, tr, k);
}

Result write(Database& db, Transaction& tr, const QList<QStringList>& rows, const Layout& layout,
             const Defaults& defaults, const std::function<void(int, int)>& progress) {
    Result result;
    result.checked = check(db, tr, rows, layout, defaults);
    const Check& fresh = result.checked;
    result.already = fresh.count(Line::Already);
    result.refused = fresh.count(Line::Refused);
    Registrar registrar(db, tr);
    const int total = int(fresh.lines.size());
    for (int i = 0; i < total; ++i) {
        const Line& l = fresh.lines[size_t(i)];
        if (l.status == Line::Good) {
            if (l.newSchool) dict::addSchool(db, tr, l.reg.idKomand, l.reg.school);
            registrar.insert(l.reg);
            ++result.registered;
        }
        if (progress && (i % 50 == 49 || i + 1 == total)) progress(i + 1, total);
    }
    return result;
}

QList<QStringList> refusedRows(const QList<QStringList>& rows, const Layout& layout, const Check& check) {
    const qsizetype width = layout.columns.size();
    QList<QStringList> out;
    const auto add = [&](QStringList row, const QString& last) {
        while (row.size() < width) row.append(QString());
        out << (row << last);
    };
    if (layout.headerRow >= 0) add(rows[layout.headerRow], QStringLiteral("Причина"));
    for (const Line& l : check.lines)
        if (l.status == Line::Refused) add(rows[l.row], l.reason);
    return out;
}

}  // namespace listimport
