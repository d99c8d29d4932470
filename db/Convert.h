#pragma once

#include <QString>

// A whole number typed by the operator. Blank or non-numeric text throws ConversionError with a
// message naming the text («"12а" — не число»).
int parseWholeNumber(const QString& text);
