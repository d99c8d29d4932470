#include "merge/Merge.h"

#include "Lookups.h"
#include "Query.h"
#include "participants/Ciphers.h"
#include "reference/Dictionaries.h"
#include "scoring/Places.h"

#include <QHash>
#include <QSet>
#include <array>
#include <future>
#include <map>
#include <set>
#include <vector>

namespace merge {

namespace {

constexpr int kSlots = 24;

struct Child {
    int id = 0, komand = 0, predmet = 0, klass = 0;
    QString surname, name, second, sity, school;
};

struct Scores {
    int predmet = 0, klass = 0, mesto = 0, dipl = 0;
    std::array<Score, kSlots> slots{};
    std::array<Score, 4> sums{};
    Score summ;
};

struct Group {
    int predmet = 0, klass = 0, number = 0;
};

struct Cipher {
    int predmet = 0, klass = 0, tur = 0;
    QString code;
};

struct Teacher {
    QString surname, name, second;
    QString full() const { return surname + u' ' + name + u' ' + second; }
};

struct Round {
    int id = 0, predmet = 0, tur = 0, count = 0;
    QString name;
};

// Column names, made once: they are asked for on every row.
const QString& slotField(int i) {
    static const auto names = [] {
        std::array<QString, kSlots> n;
        for (int k = 0; k < kSlots; ++k) n[size_t(k)] = QStringLiteral("BAL%1").arg(k + 1, 2, 10, QChar(u'0'));
        return n;
    }();
    return names[size_t(i)];
}

const QString& sumField(int k) {
    static const std::array<QString, 4> names{"B1", "B2", "B3", "B4"};
    return names[size_t(k)];
}

// Reads a whole table once.
template <class F>
void readAll(Database& db, Transaction& tr, const char* sql, F row) {
    Query q(db, tr, {sql});
    q.open();
    for (q.first(); !q.eof(); q.next()) row(q);
}

Scores readScores(const Query& q) {
    Scores s;
    s.predmet = int(q.fieldInt("ID_PREDMET"));
    s.klass = int(q.fieldInt("KLASS"));
    s.mesto = int(q.fieldInt("MESTO"));
    s.dipl = int(q.fieldInt("DIPL_STEP"));
    for (int i = 0; i < kSlots; ++i) s.slots[size_t(i)] = q.fieldScore(slotField(i));
    for (int k = 0; k < 4; ++k) s.sums[size_t(k)] = q.fieldScore(sumField(k));
    s.summ = q.fieldScore("SUMM");
    return s;
}

// How many of the values differ.
int differences(const Scores& a, const Scores& b) {
    int n = (a.mesto != b.mesto) + (a.dipl != b.dipl) + (a.summ != b.summ);
    for (int i = 0; i < kSlots; ++i) n += a.slots[size_t(i)] != b.slots[size_t(i)];
    for (int k = 0; k < 4; ++k) n += a.sums[size_t(k)] != b.sums[size_t(k)];
    return n;
}

// One source of everything, read once and grouped by participant.
struct Source {
    QHash<int, QString> komand, predmet, klass;
    std::vector<std::pair<int, QString>> schools;
    std::vector<Child> children;
    QHash<int, Scores> scores;
    QHash<int, Group> groups;
    std::multimap<int, Cipher> ciphers;
    std::multimap<int, Teacher> teachers;
    std::vector<Round> rounds;

    void read(Database& db, Transaction& tr) {
        readAll(db, tr, "SELECT ID_KOMAND, KOMAND FROM S_KOMAND",
                [&](Query& q) { komand.insert(int(q.fieldInt("ID_KOMAND")), q.fieldText("KOMAND")); });
        readAll(db, tr, "SELECT ID_PREDMET, PREDMET FROM S_PREDMET",
                [&](Query& q) { predmet.insert(int(q.fieldInt("ID_PREDMET")), q.fieldText("PREDMET")); });
        readAll(db, tr, "SELECT ID_KLASS, KLASS FROM S_KLASS",
                [&](Query& q) { klass.insert(int(q.fieldInt("ID_KLASS")), q.fieldText("KLASS")); });
        readAll(db, tr, "SELECT ID_KOMAND, SCHOOL FROM S_SCHOOL ORDER BY ID_SCHOOL",
                [&](Query& q) { schools.emplace_back(int(q.fieldInt("ID_KOMAND")), q.fieldText("SCHOOL")); });
        readAll(db, tr, "SELECT * FROM SPISOK ORDER BY  ID_CHILD", [&](Query& q) {
            children.push_back({int(q.fieldInt("ID_CHILD")), int(q.fieldInt("ID_KOMAND")), int(q.fieldInt("ID_PREDMET")),
                                int(q.fieldInt("KLASS")), q.fieldText("SURNAME"), q.fieldText("NAME"),
                                q.fieldText("SECONDNAME"), q.fieldText("SITY"), q.fieldText("SCHOOL")});
        });
        readAll(db, tr, "SELECT * FROM BAL", [&](Query& q) {
            const int id = int(q.fieldInt("ID_CHILD"));
            if (!scores.contains(id)) scores.insert(id, readScores(q));  // the first row of a participant
        });
        readAll(db, tr, "SELECT * FROM GRUP", [&](Query& q) {
            const int id = int(q.fieldInt("ID_CHILD"));
            if (!groups.contains(id))
                groups.insert(id, {int(q.fieldInt("ID_PREDMET")), int(q.fieldInt("KLASS")), int(q.fieldInt("N_GROUP"))});
        });
        readAll(db, tr, "SELECT * FROM SHIFR ORDER BY ID_CHILD, ID_TUR", [&](Query& q) {
            ciphers.emplace(int(q.fieldInt("ID_CHILD")), Cipher{int(q.fieldInt("ID_PREDMET")), int(q.fieldInt("KLASS")),
                                                                int(q.fieldInt("ID_TUR")), q.fieldText("SHIFR")});
        });
        readAll(db, tr, "SELECT * FROM TEACHERS ORDER BY ID_CHILD, ID_TEACHER", [&](Query& q) {
            teachers.emplace(int(q.fieldInt("ID_CHILD")),
                             Teacher{q.fieldText("SURNAME"), q.fieldText("NAME"), q.fieldText("SECONDNAME")});
        });
        readAll(db, tr, "SELECT * FROM TUR ORDER BY ID_PREDMET", [&](Query& q) {
            rounds.push_back({int(q.fieldInt("ID")), int(q.fieldInt("ID_PREDMET")), int(q.fieldInt("ID_TUR")),
                              int(q.fieldInt("KOL_ZAD")), q.fieldText("NAME_TUR")});
        });
    }
};

// A working dictionary by name; a name it lacks is added.
class Dictionary {
public:
    using Add = void (*)(Database&, Transaction&, const QString&);
    using Key = int (*)(Database&, Transaction&, const QString&);
    Dictionary(Database& db, Transaction& tr, Add add, Key key, int& added)
        : m_db(db), m_tr(tr), m_add(add), m_key(key), m_added(added) {}
    int key(const QString& name) {
        if (auto it = m_keys.find(name); it != m_keys.end()) return *it;
        int k = m_key(m_db, m_tr, name);
        if (k == 0) {
            m_add(m_db, m_tr, name);
            k = m_key(m_db, m_tr, name);
            ++m_added;
        }
        m_keys.insert(name, k);
        return k;
    }

private:
    Database& m_db;
    Transaction& m_tr;
    Add m_add;
    Key m_key;
    int& m_added;
    QHash<QString, int> m_keys;
};

QString identity(const Child& c) {
    return QStringList{QString::number(c.komand), QString::number(c.predmet), QString::number(c.klass), c.surname,
                       c.name, c.second, c.school}
        .join(QChar(0x1f));
}

QString databaseName(Database& db, Transaction& tr) {
    Query q(db, tr, {"SELECT MON$DATABASE_NAME AS N FROM MON$DATABASE"});
    q.open();
    return q.fieldText("N");
}

}  // namespace

Result run(Database& work, Transaction& workTr, Database& source, Transaction& sourceTr, const Progress& progress) {
    QString sourceName;
    try {
        sourceName = databaseName(source, sourceTr);
    } catch (const DbError& e) {
        throw SourceError(e);
    }
    if (databaseName(work, workTr) == sourceName)
        throw Refusal(QStringLiteral("Нельзя объединить базу данных саму с собой."),
                      QStringLiteral("Выберите файл базы данных другого рабочего места."));
    // The source is read on a second thread while the working database is read here.
    Source src;
    auto sourceRead = std::async(std::launch::async, [&] {
        try {
            src.read(source, sourceTr);
        } catch (const DbError& e) {
            throw SourceError(e);
        }
    });
    Result result;
    // Dictionary keys by name.
    Dictionary teams(work, workTr, dict::addKomand, lookup::komandKey, result.dictionaryAdded);
    Dictionary subjects(work, workTr, dict::addPredmet, lookup::predmetKey, result.dictionaryAdded);
    Dictionary grades(work, workTr, dict::addKlass, lookup::klassKey, result.dictionaryAdded);
    const auto team = [&](int k) { return teams.key(src.komand.value(k)); };
    const auto subject = [&](int k) { return subjects.key(src.predmet.value(k)); };
    const auto grade = [&](int k) { return grades.key(src.klass.value(k)); };

    // What the working database holds already.
    QHash<QString, int> known;
    readAll(work, workTr, "SELECT * FROM SPISOK", [&](Query& q) {
        known.insert(identity({0, int(q.fieldInt("ID_KOMAND")), int(q.fieldInt("ID_PREDMET")), int(q.fieldInt("KLASS")),
                               q.fieldText("SURNAME"), q.fieldText("NAME"), q.fieldText("SECONDNAME"), {},
                               q.fieldText("SCHOOL")}),
                     int(q.fieldInt("ID_CHILD")));
    });
    QHash<int, Scores> workScores;
    readAll(work, workTr, "SELECT * FROM BAL", [&](Query& q) { workScores.insert(int(q.fieldInt("ID_CHILD")), readScores(q)); });
    QHash<int, int> workGroups;
    readAll(work, workTr, "SELECT ID_CHILD, N_GROUP FROM GRUP",
            [&](Query& q) { workGroups.insert(int(q.fieldInt("ID_CHILD")), int(q.fieldInt("N_GROUP"))); });
    std::map<std::pair<int, int>, QString> workCiphers;  // (participant, round) -> code
    std::map<std::tuple<int, int, int, QString>, int> codeHolders;  // (subject, grade, round, code) -> participant
    readAll(work, workTr, "SELECT * FROM SHIFR", [&](Query& q) {
        const int id = int(q.fieldInt("ID_CHILD")), tur = int(q.fieldInt("ID_TUR"));
        workCiphers[{id, tur}] = q.fieldText("SHIFR");
        codeHolders[{int(q.fieldInt("ID_PREDMET")), int(q.fieldInt("KLASS")), tur, ciphers::lookalike(q.fieldText("SHIFR"))}] = id;
    });
    QHash<int, QSet<QString>> workTeachers;
    readAll(work, workTr, "SELECT * FROM TEACHERS", [&](Query& q) {
        workTeachers[int(q.fieldInt("ID_CHILD"))].insert(
            Teacher{q.fieldText("SURNAME"), q.fieldText("NAME"), q.fieldText("SECONDNAME")}.full());
    });

    sourceRead.get();
    // Every source participant in working keys, and which one he is there already.
    std::vector<Child> children = src.children;
    std::vector<int> existing(children.size(), 0);
    for (size_t i = 0; i < children.size(); ++i) {
        Child& c = children[i];
        c.komand = team(c.komand);
        c.predmet = subject(c.predmet);
        c.klass = grade(c.klass);
        existing[i] = known.value(identity(c), 0);
    }

    // Codes another participant holds in the same subject, grade and round refuse the merge.
    QStringList clashes;
    for (size_t i = 0; i < children.size(); ++i) {
        auto [from, to] = src.ciphers.equal_range(children[i].id);
        for (auto it = from; it != to; ++it) {
            const Cipher& c = it->second;
            if (existing[i] && workCiphers.count({existing[i], c.tur})) continue;  // his own stays
            const auto key = std::make_tuple(subject(c.predmet), grade(c.klass), c.tur, ciphers::lookalike(c.code));
            const auto holder = codeHolders.find(key);
            if (holder != codeHolders.end() && holder->second != existing[i] && holder->second != -int(i) - 1)
                clashes << QStringLiteral("%1, класс %2, тур %3: %4")
                               .arg(src.predmet.value(c.predmet), src.klass.value(c.klass))
                               .arg(c.tur)
                               .arg(c.code);
            else
                codeHolders[key] = existing[i] ? existing[i] : -int(i) - 1;
        }
    }
    if (!clashes.isEmpty()) {
        const qsizetype shown = qMin<qsizetype>(clashes.size(), 20);
        QString detail = QStringLiteral("Эти шифры уже есть у других участников:\n") + clashes.mid(0, shown).join(u'\n');
        if (clashes.size() > shown) detail += QStringLiteral("\nи ещё %1").arg(clashes.size() - shown);
        throw Refusal(QStringLiteral("Объединение не выполнено: шифры совпадают."),
                      detail + QStringLiteral("\nИсправьте шифры на одном из рабочих мест и повторите объединение."));
    }

    // Schools of the teams, by name.
    {
        std::set<std::pair<int, QString>> have;
        readAll(work, workTr, "SELECT ID_KOMAND, SCHOOL FROM S_SCHOOL",
                [&](Query& q) { have.emplace(int(q.fieldInt("ID_KOMAND")), q.fieldText("SCHOOL")); });
        for (const auto& [k, school] : src.schools) {
            const std::pair<int, QString> s{team(k), school};
            if (have.insert(s).second) {
                dict::addSchool(work, workTr, s.first, s.second);
                ++result.dictionaryAdded;
            }
        }
    }

    Query insChild(work, workTr,
                   {"INSERT INTO SPISOK ( ID_KOMAND, ID_PREDMET, KLASS, NAME, SCHOOL, SECONDNAME, SITY, SURNAME)",
                    "VALUES ( :ID_KOMAND, :ID_PREDMET, :KLASS, :NAME, :SCHOOL, :SECONDNAME, :SITY, :SURNAME)",
                    "RETURNING ID_CHILD;"});
    Query insScores(work, workTr,
                    {"INSERT INTO BAL ( ID_CHILD, ID_PREDMET, B1, B2, B3, B4, BAL01, BAL02, BAL03, BAL04, BAL05, BAL06, "
                     "BAL07, BAL08, BAL09, BAL10, BAL11, BAL12, BAL13, BAL14, BAL15, BAL16, BAL17, BAL18, BAL19, BAL20, "
                     "BAL21, BAL22, BAL23, BAL24, DIPL_STEP, KLASS, MESTO, SUMM)",
                     "VALUES (:ID_CHILD, :ID_PREDMET, :B1, :B2, :B3, :B4, :BAL01, :BAL02, :BAL03, :BAL04, :BAL05, :BAL06, "
                     ":BAL07, :BAL08, :BAL09, :BAL10, :BAL11, :BAL12, :BAL13, :BAL14, :BAL15, :BAL16, :BAL17, :BAL18, "
                     ":BAL19, :BAL20, :BAL21, :BAL22, :BAL23, :BAL24, :DIPL_STEP, :KLASS, :MESTO, :SUMM);"});
    Query insGroup(work, workTr,
                   {"INSERT INTO GRUP (ID_CHILD, ID_PREDMET, KLASS, N_GROUP)",
                    "VALUES (:ID_CHILD, :ID_PREDMET, :KLASS, :N_GROUP);"});
    Query insCipher(work, workTr,
                    {"INSERT INTO SHIFR (ID_CHILD, ID_PREDMET, ID_TUR, KLASS, SHIFR)",
                     "VALUES (:ID_CHILD, :ID_PREDMET, :ID_TUR, :KLASS, :SHIFR);"});
    Query insTeacher(work, workTr,
                     {"INSERT INTO TEACHERS (ID_CHILD, NAME, SECONDNAME, SURNAME)",
                      "VALUES (:ID_CHILD, :NAME, :SECONDNAME, :SURNAME);"});

    std::set<std::pair<int, int>> ranked;  // subjects and grades that received score rows
    const int total = int(children.size());
    for (int i = 0; i < total; ++i) {
        const Child& c = children[size_t(i)];
        int id = existing[size_t(i)];
        if (id) {
            ++result.alreadyThere;
        } else {
            insChild.setInt("ID_KOMAND", c.komand);
            insChild.setInt("ID_PREDMET", c.predmet);
            insChild.setInt("KLASS", c.klass);
            insChild.setText("NAME", c.name);
            insChild.setText("SCHOOL", c.school);
            insChild.setText("SECONDNAME", c.second);
            insChild.setText("SITY", c.sity);
            insChild.setText("SURNAME", c.surname);
            insChild.execute();
            id = int(insChild.fieldInt("ID_CHILD"));
            ++result.copied;
        }

        if (auto s = src.scores.find(c.id); s != src.scores.end()) {
            Scores sc = *s;
            sc.predmet = subject(sc.predmet);
            sc.klass = grade(sc.klass);
            if (auto w = workScores.find(id); w != workScores.end()) {
                result.keptDifferent += differences(*w, sc);
            } else {
                insScores.setInt("ID_CHILD", id);
                insScores.setInt("ID_PREDMET", sc.predmet);
                insScores.setInt("KLASS", sc.klass);
                for (int k = 0; k < kSlots; ++k) insScores.setScore(slotField(k), sc.slots[size_t(k)]);
                for (int k = 0; k < 4; ++k) insScores.setScore(sumField(k), sc.sums[size_t(k)]);
                insScores.setScore("SUMM", sc.summ);
                insScores.setInt("MESTO", sc.mesto);
                insScores.setInt("DIPL_STEP", sc.dipl);
                insScores.execute();
                ranked.emplace(sc.predmet, sc.klass);
            }
        }
        if (auto g = src.groups.find(c.id); g != src.groups.end()) {
            if (auto w = workGroups.find(id); w != workGroups.end()) {
                result.keptDifferent += *w != g->number;
            } else {
                insGroup.setInt("ID_CHILD", id);
                insGroup.setInt("ID_PREDMET", subject(g->predmet));
                insGroup.setInt("KLASS", grade(g->klass));
                insGroup.setInt("N_GROUP", g->number);
                insGroup.execute();
            }
        }
        auto [cf, ct] = src.ciphers.equal_range(c.id);
        for (auto it = cf; it != ct; ++it) {
            const Cipher& cp = it->second;
            if (auto w = workCiphers.find({id, cp.tur}); w != workCiphers.end()) {
                result.keptDifferent += w->second != cp.code;
                continue;
            }
            insCipher.setInt("ID_CHILD", id);
            insCipher.setInt("ID_PREDMET", subject(cp.predmet));
            insCipher.setInt("ID_TUR", cp.tur);
            insCipher.setInt("KLASS", grade(cp.klass));
            insCipher.setText("SHIFR", cp.code);
            insCipher.execute();
        }
        auto [tf, tt] = src.teachers.equal_range(c.id);
        const QSet<QString> had = workTeachers.value(id);
        for (auto it = tf; it != tt; ++it) {
            if (had.contains(it->second.full())) continue;
            insTeacher.setInt("ID_CHILD", id);
            insTeacher.setText("SURNAME", it->second.surname);
            insTeacher.setText("NAME", it->second.name);
            insTeacher.setText("SECONDNAME", it->second.second);
            insTeacher.execute();
        }
        if (progress && (i % 50 == 49 || i + 1 == total)) progress(i + 1, total);
    }

    // Rounds: a slot held in use stays; one missing or empty is taken from the source.
    std::map<std::pair<int, int>, int> slots;  // (subject, slot) -> ID_TUR held
    readAll(work, workTr, "SELECT ID, ID_PREDMET, ID_TUR FROM TUR",
            [&](Query& q) { slots[{int(q.fieldInt("ID_PREDMET")), int(q.fieldInt("ID"))}] = int(q.fieldInt("ID_TUR")); });
    Query insRound(work, workTr,
                   {"INSERT INTO TUR ( ID, ID_PREDMET, ID_TUR, KOL_ZAD, NAME_TUR)",
                    "VALUES (:ID, :ID_PREDMET, :ID_TUR, :KOL_ZAD, :NAME_TUR);"});
    Query updRound(work, workTr,
                   {"UPDATE TUR", "SET  ID_TUR=:ID_TUR, KOL_ZAD=:KOL_ZAD, NAME_TUR=:NAME_TUR",
                    "WHERE ID_PREDMET= :ID_PREDMET AND ID=:ID;"});
    for (const Round& r : src.rounds) {
        const int predmet = subject(r.predmet);
        const auto held = slots.find({predmet, r.id});
        if (held != slots.end() && (held->second != 0 || r.tur == 0)) continue;
        Query& write = held == slots.end() ? insRound : updRound;
        write.setInt("ID", r.id);
        write.setInt("ID_PREDMET", predmet);
        write.setInt("ID_TUR", r.tur);
        write.setInt("KOL_ZAD", r.count);
        write.setText("NAME_TUR", r.name);
        write.execute();
        slots[{predmet, r.id}] = r.tur;
    }

    std::set<int> rankedSubjects;  // every grade of each, in one statement
    for (const auto& pair : ranked) rankedSubjects.insert(pair.first);
    for (int predmet : rankedSubjects) RecomputeSubjectPlaces(work, workTr, predmet);
    return result;
}

}  // namespace merge
