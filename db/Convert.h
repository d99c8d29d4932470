#pragma once

#include <QString>
#include <optional>

// A whole number typed by the operator, blanks around it allowed; none when the text is not one.
std::optional<int> wholeNumber(const QString& text);
// How a text that is not a number is named in messages: «"12а" — не число».
QString notANumber(const QString& text);
