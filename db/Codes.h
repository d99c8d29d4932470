#pragma once

#include <QString>

// Cipher codes as they are read on paper: the markers see the written code, never its letters'
// encodings, so two codes that look alike are one code.
namespace codes {

// Capitals and small letters alike, Latin letters that look like Cyrillic ones (A, B, C, E, H, K,
// M, O, P, T, X, Y) as those, Ё as Е; leading and trailing blanks are not part of a code.
QString lookalike(const QString& code);

}  // namespace codes
