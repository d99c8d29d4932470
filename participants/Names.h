#pragma once

#include <QString>

// How names that people type are put right and compared: participants' and teachers' names,
// schools. Used by the list import; registration by hand can use the same rules.
namespace names {

// A name typed all in lower or all in upper case gets a capital first letter and the rest in lower
// case, each part of a double name too ("ёлкин" and "ЁЛКИН" give "Ёлкин", "римский-корсаков" gives
// "Римский-Корсаков"). A name typed in mixed case ("МакКей") stays as it was typed.
QString capitalised(const QString& name);

// A school's name as schools are compared: case, ё, quotes of every kind, the spaces around "№" and
// a leading legal form ("МБОУ", "ГАОУ") do not count, so «Лицей № 2» and МБОУ "Лицей №2" are one.
QString schoolKey(const QString& school);

// The first word of a name that mixes Russian and Latin letters ("Ивaнова" with a Latin "a"), which
// reads like the right name on paper but never matches it; empty when there is none.
QString mixedScriptWord(const QString& name);

// "Петрова Анна Сергеевна" as "Петрова А. С." (a missing name or patronymic left out), the initials
// capitals whatever was typed.
QString initials(const QString& surname, const QString& name, const QString& second);

}  // namespace names
