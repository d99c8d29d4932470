#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>

// Russian names put in the dative ("вручается Иванову Ивану Ивановичу") by the rules of the
// petrovich rule set (rules.json, shipped beside the program): for each kind of name (surname,
// first name, patronymic) exceptions, matched against the whole word, then suffixes, matched
// against its end; the first rule that fits gives the modifications of each case: "-" removes the
// last letter, "." keeps the word, any other letter is appended.
namespace declension {

enum class Gender { Male, Female, Androgynous };
enum class Kind { Last = 0, First = 1, Middle = 2 };

struct Rule {
    Gender gender = Gender::Androgynous;
    QStringList test;                // lower case
    std::array<QString, 5> mods;     // genitive, dative, accusative, instrumental, prepositional
    QStringList tags;                // features the word must have ("first_word")
};

struct RuleSet {
    QList<Rule> exceptions, suffixes;
};

class Rules {
public:
    // Reads a rules.json. The file comes from outside: its size, the number of rules and of their
    // tests and every text are bounded; a broken file throws FileError naming it and the reason.
    static Rules load(const QString& path);
    // The same from the file's bytes; `path` only names it in the refusal.
    static Rules parse(const QByteArray& bytes, const QString& path);
    // The rules beside the program, else the installed ones (reportfiles::installedDataFolder).
    static QString defaultPath();

    const RuleSet& set(Kind kind) const { return m_sets[size_t(kind)]; }

private:
    std::array<RuleSet, 3> m_sets;
};

// A name in the dative, and whether the rules gave a sure form of every part. When they did not
// (no rule for a part, or the gender unknown where the rule needs it) `text` is the name as given
// (the nominative) and `sure` is false.
struct Dative {
    QString text;
    bool sure = true;
};

// The gender a patronymic shows ("…ич" male, "…на" female); else the one the surname's ending
// shows ("…ов", "…ин", "…ский" male; "…ова", "…ина", "…ская" female); else the one the first-name
// rules give the name when they give one; else androgynous (and the rules that need a gender give
// no sure form).
Gender gender(const Rules& rules, const QString& surname, const QString& name, const QString& patronymic);
// The whole name "Фамилия Имя Отчество" in the dative (parts that are empty are left out).
Dative dative(const Rules& rules, const QString& surname, const QString& name, const QString& patronymic);

}  // namespace declension
