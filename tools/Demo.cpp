#include "Demo.h"

#include "Batch.h"
#include "Database.h"
#include "Lookups.h"
#include "Query.h"
#include "participants/Ciphers.h"
#include "participants/Groups.h"
#include "participants/Registration.h"
#include "scoring/Awards.h"
#include "scoring/Scores.h"
#include "reference/Dictionaries.h"
#include "reference/Rounds.h"

#include <QSet>
#include <QStringList>
#include <random>

namespace demo {

namespace {

struct Team {
    const char* name;
    QStringList schools;
};

struct Subject {
    const char* name;
    RoundSlots rounds;
};

const QStringList kMaleSurnames = {"Иванов", "Смирнов", "Кузнецов", "Попов", "Васильев", "Петров", "Соколов",
                                   "Михайлов", "Новиков", "Фёдоров", "Морозов", "Волков", "Алексеев", "Лебедев",
                                   "Семёнов", "Егоров", "Павлов", "Козлов", "Степанов", "Николаев", "Орлов",
                                   "Андреев", "Макаров", "Никитин", "Захаров"};
const QStringList kMaleNames = {"Александр", "Дмитрий", "Максим", "Сергей", "Андрей", "Алексей", "Артём",
                                "Илья", "Кирилл", "Михаил", "Никита", "Матвей", "Роман", "Егор", "Арсений",
                                "Иван", "Денис", "Тимофей", "Владимир", "Павел"};
const QStringList kFemaleNames = {"Анастасия", "Мария", "Дарья", "Анна", "Елизавета", "Полина", "Виктория",
                                  "Екатерина", "Софья", "Александра", "Валерия", "Ксения", "Варвара", "Алиса",
                                  "Вероника", "Арина", "Ольга", "Татьяна", "Наталья", "Ирина"};
// Patronymics, the son's and the daughter's.
const std::vector<std::pair<QString, QString>> kPatronymics = {
    {"Александрович", "Александровна"}, {"Дмитриевич", "Дмитриевна"}, {"Сергеевич", "Сергеевна"},
    {"Андреевич", "Андреевна"},         {"Алексеевич", "Алексеевна"}, {"Михайлович", "Михайловна"},
    {"Иванович", "Ивановна"},           {"Владимирович", "Владимировна"}, {"Николаевич", "Николаевна"},
    {"Павлович", "Павловна"},           {"Юрьевич", "Юрьевна"},       {"Викторович", "Викторовна"},
    {"Евгеньевич", "Евгеньевна"},       {"Олегович", "Олеговна"},     {"Игоревич", "Игоревна"}};

QString femaleSurname(const QString& male) { return male + u'а'; }

}  // namespace

void fill(Database& db, Transaction& tr, const Options& options) {
    std::mt19937 rng(options.seed);
    const auto pick = [&](const QStringList& l) { return l.at(int(rng() % unsigned(l.size()))); };
    const auto patronymic = [&](bool female) {
        const auto& p = kPatronymics[rng() % kPatronymics.size()];
        return female ? p.second : p.first;
    };

    const std::vector<Team> teams = {
        {"Центральный район", {"МБОУ «Гимназия №1»", "МБОУ «СОШ №5»", "МАОУ «Лицей №3»"}},
        {"Северный район", {"МБОУ «СОШ №12»", "МБОУ «СОШ №17»"}},
        {"Заречный район", {"МБОУ «Заречная СОШ»", "МБОУ «СОШ №21»", "МБОУ «Гимназия №8»", "МБОУ «СОШ №24»"}},
        {"Приморский район", {"МАОУ «Приморский лицей»", "МБОУ «СОШ №30»"}},
        {"Октябрьский район", {"МБОУ «СОШ №41»", "МБОУ «Гимназия №44»", "МБОУ «СОШ №47»"}},
        {"Сельские школы", {"МКОУ «Берёзовская СОШ»", "МКОУ «Озёрная СОШ»", "МКОУ «Луговская ООШ»"}},
    };
    const std::vector<Subject> subjects = {
        // Every task is worth 10; the organisers of Russian gave no maxima.
        {"Математика", {{{"Теоретический", "5", "10 10 10 10 10"}, {"Олимпиадный", "6", "10 10 10 10 10 10"}, {}, {}}}},
        {"Физика", {{{"Теоретический", "4", "10 10 10 10"}, {"Экспериментальный", "2", "10 10"}, {}, {}}}},
        {"Русский язык", {{{"Письменный", "6"}, {}, {}, {}}}},
        {"История", {{{"Тестовый", "3", "10 10 10"}, {"Аналитический", "4", "10 10 10 10"}, {"Эссе", "2", "10 10"}, {}}}},
        {"Биология", {{{"Теоретический", "6", "10 10 10 10 10 10"}, {"Практический", "3", "10 10 10"}, {}, {}}}},
    };

    for (const Team& t : teams) dict::addKomand(db, tr, QString::fromUtf8(t.name));
    for (const Subject& s : subjects) dict::addPredmet(db, tr, QString::fromUtf8(s.name));
    for (int k = 5; k <= 11; ++k) dict::addKlass(db, tr, QString::number(k));
    tr.commitRetaining();

    std::vector<int> teamKeys, subjectKeys, gradeKeys;
    for (const Team& t : teams) {
        const int key = lookup::komandKey(db, tr, QString::fromUtf8(t.name));
        teamKeys.push_back(key);
        for (const QString& school : t.schools) dict::addSchool(db, tr, key, school);
    }
    for (const Subject& s : subjects) {
        const int key = lookup::predmetKey(db, tr, QString::fromUtf8(s.name));
        subjectKeys.push_back(key);
        rounds::save(db, tr, key, s.rounds);
    }
    for (int k = 5; k <= 11; ++k) gradeKeys.push_back(lookup::klassKey(db, tr, QString::number(k)));
    tr.commitRetaining();

    Registrar registrar(db, tr);
    for (int i = 0; i < options.participants; ++i) {
        const size_t team = rng() % teams.size();
        Registration r;
        r.idKomand = teamKeys[team];
        r.idPredmet = subjectKeys[rng() % subjectKeys.size()];
        r.idKlass = gradeKeys[rng() % gradeKeys.size()];
        r.school = pick(teams[team].schools);
        const bool girl = rng() % 2;
        const QString surname = pick(kMaleSurnames);
        r.child = {girl ? femaleSurname(surname) : surname, pick(girl ? kFemaleNames : kMaleNames),
                   patronymic(girl)};
        const int teachers = 1 + int(rng() % 4 == 0);
        for (int t = 0; t < teachers; ++t) {
            const bool woman = rng() % 3 != 0;
            const QString ts = pick(kMaleSurnames);
            r.teachers.append({woman ? femaleSurname(ts) : ts, pick(woman ? kFemaleNames : kMaleNames),
                               patronymic(woman)});
        }
        registrar.insert(r);
        if (i % 50 == 49) tr.commitRetaining();
    }
    tr.commitRetaining();

    // Another station (another seed) marks its codes, as stations agree to, so that they never clash.
    const QString prefix = options.seed == Options().seed ? QString() : QStringLiteral("С%1-").arg(options.seed);

    // Every subject and grade in groups of at most twelve, and a cipher for each round of the
    // subject: the grade, a dash and a number drawn at random, unique in the subject, grade and round.
    for (size_t s = 0; s < subjects.size(); ++s) {
        const QString subject = QString::fromUtf8(subjects[s].name);
        for (size_t g = 0; g < gradeKeys.size(); ++g) {
            const QList<int> children = groups::participants(db, tr, subject, gradeKeys[g]);
            if (children.isEmpty()) continue;
            const int groupCount = int((children.size() + 11) / 12);
            QList<groups::Count> counts;
            for (int k = 0; k < groupCount; ++k)
                counts.append({QString(), int(children.size() / groupCount + (k < children.size() % groupCount))});
            groups::distribute(db, tr, subject, subjectKeys[s], gradeKeys[g], counts);
            for (int round = 1; round <= 4; ++round) {
                if (subjects[s].rounds[size_t(round - 1)].name.isEmpty()) continue;
                QSet<int> drawn;
                const unsigned span = unsigned(qMax(900, int(children.size()) * 4));  // room for every child
                for (int child : children) {
                    int number;
                    do number = 100 + int(rng() % span); while (drawn.contains(number));
                    drawn.insert(number);
                    ciphers::store(db, tr, child, subjectKeys[s], gradeKeys[g], round, prefix + QStringLiteral("%1-%2").arg(g + 5).arg(number));
                }
            }
            // Scores for most: whole points, halves and quarters, none above a task's 10; a few children
            // have none yet.
            scores::Shown shown{};
            for (int round = 0; round < 4; ++round) {
                const RoundSlot& slot = subjects[s].rounds[size_t(round)];
                for (int task = 0; task < (slot.name.isEmpty() ? 0 : slot.count.toInt()); ++task)
                    shown[size_t(round * 6 + task)] = true;
            }
            for (int child : children) {
                if (rng() % 8 == 0) continue;
                scores::Slots typed{};
                for (int n = 0; n < scores::kSlots; ++n)
                    if (shown[size_t(n)])
                        typed[size_t(n)] = Score::fromHundredths(
                            qMin(1000, int(rng() % 11) * 100 + int(rng() % 4) * 25 * int(rng() % 3 == 0)));
                scores::save(db, tr, child, subjectKeys[s], gradeKeys[g], typed, shown);
            }
            // Degrees by hand, as the jury decides: here the first four places get 1, 2, 3 and an
            // honourable mention.
            Query top(db, tr, {"SELECT ID_CHILD, MESTO FROM BAL WHERE ID_PREDMET = :P AND KLASS = :K AND MESTO <= 4"});
            top.setInt("P", subjectKeys[s]);
            top.setInt("K", gradeKeys[g]);
            top.open();
            for (top.first(); !top.eof(); top.next())
                awards::give(db, tr, int(top.fieldInt("ID_CHILD")), int(top.fieldInt("MESTO")));
        }
        tr.commitRetaining();
    }
}

namespace {

// The stored tables of a database and their columns, in order.
std::vector<std::pair<QString, QStringList>> tablesOf(Database& db, Transaction& tr) {
    Query q(db, tr,
            {"SELECT TRIM(R.RDB$RELATION_NAME) AS T, TRIM(F.RDB$FIELD_NAME) AS C FROM RDB$RELATIONS R",
             "JOIN RDB$RELATION_FIELDS F ON F.RDB$RELATION_NAME = R.RDB$RELATION_NAME",
             "WHERE COALESCE(R.RDB$SYSTEM_FLAG, 0) = 0 AND COALESCE(R.RDB$RELATION_TYPE, 0) = 0",
             "ORDER BY R.RDB$RELATION_ID, F.RDB$FIELD_POSITION"});
    q.open();
    std::vector<std::pair<QString, QStringList>> out;
    for (q.first(); !q.eof(); q.next()) {
        if (out.empty() || out.back().first != q.fieldText("T")) out.emplace_back(q.fieldText("T"), QStringList());
        out.back().second << q.fieldText("C");
    }
    return out;
}

// The columns ("TABLE.COLUMN") that hold fractions: read as the engine writes them, with a point,
// whatever the locale.
QSet<QString> scaledColumns(Database& db, Transaction& tr) {
    Query q(db, tr,
            {"SELECT TRIM(R.RDB$RELATION_NAME) || '.' || TRIM(R.RDB$FIELD_NAME) AS C FROM RDB$RELATION_FIELDS R",
             "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = R.RDB$FIELD_SOURCE WHERE F.RDB$FIELD_SCALE < 0"});
    q.open();
    QSet<QString> out;
    for (q.first(); !q.eof(); q.next()) out.insert(q.fieldText("C"));
    return out;
}

}  // namespace

void copyInto(Database& from, Transaction& fromTr, Database& to, Transaction& toTr) {
    QHash<QString, QStringList> source;
    for (const auto& [table, columns] : tablesOf(from, fromTr)) source.insert(table, columns);
    // The dictionaries and participants before the rows that name them.
    const QSet<QString> scaled = scaledColumns(from, fromTr);
    auto tables = tablesOf(to, toTr);
    static const QStringList first{"S_KOMAND", "S_PREDMET", "S_KLASS", "S_SCHOOL", "SPISOK"};
    std::stable_sort(tables.begin(), tables.end(), [](const auto& a, const auto& b) {
        const auto rank = [](const QString& t) { return first.contains(t) ? first.indexOf(t) : int(first.size()); };
        return rank(a.first) < rank(b.first);
    });
    for (const auto& [table, columns] : tables) {
        QStringList both;
        for (const QString& c : columns)
            if (source.value(table).contains(c)) both << c;
        if (both.isEmpty()) continue;
        QList<BatchInsert::Column> params;
        for (const QString& c : both) params.append({c, QStringLiteral("VARCHAR(500)")});  // the engine converts
        BatchInsert insert(to, toTr, table, params, 100);
        QStringList read;
        for (const QString& c : both)
            read << (scaled.contains(table + u'.' + c) ? QStringLiteral("CAST(%1 AS VARCHAR(40)) AS %1").arg(c) : c);
        Query rows(from, fromTr);
        rows.setSql(QStringList{QStringLiteral("SELECT %1 FROM %2").arg(read.join(QStringLiteral(", ")), table)});
        rows.open();
        for (rows.first(); !rows.eof(); rows.next()) {
            for (const QString& c : both)
                if (!rows.fieldIsNull(c)) insert.setText(c, rows.fieldText(c));
            insert.add();
        }
        insert.flush();
        toTr.commitRetaining();
    }
    Query identities(to, toTr,
                     {"SELECT TRIM(RDB$RELATION_NAME) AS T, TRIM(RDB$FIELD_NAME) AS C FROM RDB$RELATION_FIELDS",
                      "WHERE RDB$IDENTITY_TYPE IS NOT NULL"});
    identities.open();
    for (identities.first(); !identities.eof(); identities.next()) {
        const QString table = identities.fieldText("T"), column = identities.fieldText("C");
        Query largest(to, toTr);
        largest.setSql(QStringList{QStringLiteral("SELECT COALESCE(MAX(%1), 0) AS M FROM %2").arg(column, table)});
        largest.open();
        Query restart(to, toTr);
        restart.setSql(
            QStringList{QStringLiteral("ALTER TABLE %1 ALTER %2 RESTART WITH %3").arg(table, column).arg(largest.fieldInt("M"))});
        restart.execute();
        toTr.commitRetaining();
    }
}

}  // namespace demo
