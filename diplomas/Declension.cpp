#include "diplomas/Declension.h"

#include "reports/ReportFiles.h"
#include "xlsx/FileError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace declension {

namespace {

// Bounds of a rules file: the shipped one is 18 KB with about 130 rules.
constexpr qint64 kMaxBytes = 1 << 20;
constexpr int kMaxRules = 2000;
constexpr int kMaxTests = 500;
constexpr int kMaxText = 40;

struct Broken {
    QString why;
};

QString text(const QJsonValue& v, const QString& where) {
    if (!v.isString()) throw Broken{QStringLiteral("%1: ожидается строка").arg(where)};
    const QString s = v.toString();
    if (s.size() > kMaxText) throw Broken{QStringLiteral("%1: слишком длинная строка").arg(where)};
    return s;
}

QStringList texts(const QJsonValue& v, const QString& where, int most, bool lower) {
    if (!v.isArray()) throw Broken{QStringLiteral("%1: ожидается список").arg(where)};
    const QJsonArray a = v.toArray();
    if (a.size() > most) throw Broken{QStringLiteral("%1: слишком много элементов").arg(where)};
    QStringList out;
    for (const QJsonValue& e : a) {
        QString s = text(e, where);
        if (s.isEmpty()) throw Broken{QStringLiteral("%1: пустая строка").arg(where)};
        out << (lower ? s.toLower() : s);
    }
    return out;
}

Rule readRule(const QJsonValue& v, const QString& where) {
    if (!v.isObject()) throw Broken{QStringLiteral("%1: ожидается правило").arg(where)};
    const QJsonObject o = v.toObject();
    Rule r;
    const QString g = text(o.value(u"gender"), where + QStringLiteral(".gender"));
    if (g == u"male")
        r.gender = Gender::Male;
    else if (g == u"female")
        r.gender = Gender::Female;
    else if (g == u"androgynous")
        r.gender = Gender::Androgynous;
    else
        throw Broken{QStringLiteral("%1: неизвестный род «%2»").arg(where, g)};
    r.test = texts(o.value(u"test"), where + QStringLiteral(".test"), kMaxTests, true);
    if (r.test.isEmpty()) throw Broken{QStringLiteral("%1: нет окончаний").arg(where)};
    const QJsonValue mods = o.value(u"mods");
    if (!mods.isArray() || mods.toArray().size() != 5)
        throw Broken{QStringLiteral("%1.mods: ожидается пять падежей").arg(where)};
    for (int i = 0; i < 5; ++i) {
        const QString m = text(mods.toArray().at(i), where + QStringLiteral(".mods"));
        if (m.isEmpty()) throw Broken{QStringLiteral("%1.mods: пустая строка").arg(where)};
        r.mods[size_t(i)] = m;
    }
    if (o.contains(u"tags")) r.tags = texts(o.value(u"tags"), where + QStringLiteral(".tags"), 10, false);
    return r;
}

QList<Rule> readList(const QJsonObject& kind, const QString& key, const QString& where, int& count) {
    QList<Rule> out;
    if (!kind.contains(key)) return out;
    const QJsonValue v = kind.value(key);
    if (!v.isArray()) throw Broken{QStringLiteral("%1.%2: ожидается список").arg(where, key)};
    const QJsonArray a = v.toArray();
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (++count > kMaxRules) throw Broken{QStringLiteral("слишком много правил")};
        out << readRule(a.at(i), QStringLiteral("%1.%2[%3]").arg(where, key).arg(i));
    }
    return out;
}

// A rule's tags are features the word must all have.
bool fits(const Rule& r, Gender gender, const QString& lower, bool whole, const QStringList& features) {
    for (const QString& tag : r.tags)
        if (!features.contains(tag)) return false;
    if (r.gender != Gender::Androgynous && r.gender != gender) return false;
    for (const QString& t : r.test)
        if (whole ? lower == t : lower.endsWith(t)) return true;
    return false;
}

const Rule* find(const RuleSet& set, Gender gender, const QString& word, const QStringList& features) {
    const QString lower = word.toLower();
    for (const Rule& r : set.exceptions)
        if (fits(r, gender, lower, true, features)) return &r;
    for (const Rule& r : set.suffixes)
        if (fits(r, gender, lower, false, features)) return &r;
    return nullptr;
}

// Applies the dative's modifications to the word as written: removed letters go from its end,
// appended ones take its case (capitals after a word in capitals).
QString apply(const QString& word, const QString& mod) {
    const bool capitals = word.size() > 1 && word == word.toUpper() && word != word.toLower();
    QString out = word;
    for (const QChar c : mod) {
        if (c == u'.') continue;
        if (c == u'-')
            out.chop(1);
        else
            out += capitals ? c.toUpper() : c.toLower();
    }
    return out;
}

// One name (each part of a double-barrelled one declined by itself); empty when a part has no rule.
std::optional<QString> declined(const RuleSet& set, Gender gender, const QString& name) {
    const QStringList parts = name.split(u'-');
    QStringList out;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (parts[i].isEmpty()) {
            out << parts[i];
            continue;
        }
        QStringList features;
        if (i == 0 && parts.size() > 1) features << QStringLiteral("first_word");
        const Rule* r = find(set, gender, parts[i], features);
        if (!r) return std::nullopt;
        out << apply(parts[i], r->mods[1]);
    }
    return out.join(u'-');
}

}  // namespace

Rules Rules::load(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw FileError::unreadable(path, f.errorString());
    if (f.size() > kMaxBytes) throw FileError::unreadable(path, QStringLiteral("файл больше 1 МБ"));
    return parse(f.read(kMaxBytes + 1), path);
}

Rules Rules::parse(const QByteArray& bytes, const QString& path) {
    if (bytes.size() > kMaxBytes) throw FileError::unreadable(path, QStringLiteral("файл больше 1 МБ"));
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        throw FileError::unreadable(path, QStringLiteral("это не правила склонения (JSON): %1").arg(error.errorString()));
    Rules rules;
    int count = 0;
    try {
        const char* const kinds[] = {"lastname", "firstname", "middlename"};
        for (int k = 0; k < 3; ++k) {
            const QString name = QString::fromLatin1(kinds[k]);
            const QJsonValue v = doc.object().value(name);
            if (!v.isObject()) throw Broken{QStringLiteral("нет правил «%1»").arg(name)};
            RuleSet& set = rules.m_sets[size_t(k)];
            set.exceptions = readList(v.toObject(), QStringLiteral("exceptions"), name, count);
            set.suffixes = readList(v.toObject(), QStringLiteral("suffixes"), name, count);
        }
    } catch (const Broken& b) {
        throw FileError::unreadable(path, b.why);
    }
    return rules;
}

QString Rules::defaultPath() {
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("rules.json"));
    const QString installed = reportfiles::installedDataFolder();
    return QFileInfo::exists(beside) || installed.isEmpty() ? beside : QDir(installed).filePath(QStringLiteral("rules.json"));
}

Gender gender(const Rules& rules, const QString& surname, const QString& name, const QString& patronymic) {
    const QString p = patronymic.trimmed().toLower();
    if (p.endsWith(u"ич")) return Gender::Male;
    if (p.endsWith(u"на")) return Gender::Female;
    // A surname's ending tells surely (that of the first part of a double-barrelled one that has
    // such an ending): a boy named Никита or Илья is known by it.
    for (const QString& s : surname.trimmed().toLower().split(u'-')) {
        for (const char16_t* e : {u"ова", u"ева", u"ёва", u"ина", u"ына", u"ская", u"цкая"})
            if (s.endsWith(e)) return Gender::Female;
        for (const char16_t* e : {u"ов", u"ев", u"ёв", u"ин", u"ын", u"ский", u"цкий"})
            if (s.endsWith(e)) return Gender::Male;
    }
    // The first-name rules tell only where every gendered rule that fits the name agrees.
    const QString n = name.trimmed().toLower();
    if (n.isEmpty()) return Gender::Androgynous;
    const RuleSet& set = rules.set(Kind::First);
    for (const Rule& r : set.exceptions)
        if (r.test.contains(n)) return r.gender;
    bool male = false, female = false;
    for (const Rule& r : set.suffixes)
        for (const QString& t : r.test)
            if (n.endsWith(t)) {
                male |= r.gender == Gender::Male;
                female |= r.gender == Gender::Female;
            }
    return male == female ? Gender::Androgynous : (male ? Gender::Male : Gender::Female);
}

Dative dative(const Rules& rules, const QString& surname, const QString& name, const QString& patronymic) {
    const Gender g = gender(rules, surname, name, patronymic);
    const QString given[3] = {surname.trimmed(), name.trimmed(), patronymic.trimmed()};
    QStringList nominative, out;
    bool sure = true;
    for (int k = 0; k < 3; ++k) {
        if (given[k].isEmpty()) continue;
        nominative << given[k];
        const std::optional<QString> d = declined(rules.set(Kind(k)), g, given[k]);
        sure = sure && d.has_value();
        out << d.value_or(given[k]);
    }
    return sure ? Dative{out.join(u' '), true} : Dative{nominative.join(u' '), false};
}

}  // namespace declension
