#pragma once

#include <QLocale>
#include <QString>
#include <compare>
#include <cstdint>

// An exact score in hundredths, as stored in a NUMERIC(9,2) column.
class Score {
public:
    static constexpr std::int64_t kMaxHundredths = 999'999'999;  // 9999999.99

    constexpr Score() = default;
    static constexpr Score fromHundredths(std::int64_t h) { Score s; s.m_h = h; return s; }

    // Accepts the locale's decimal separator and also '.' and ','; at most two fractional
    // digits; an optional leading minus. Blank text is zero. Throws ConversionError naming
    // the text when it is not a score or does not fit NUMERIC(9,2).
    static Score parse(const QString& text, const QLocale& locale = QLocale());

    constexpr std::int64_t hundredths() const { return m_h; }

    // Shortest decimal form with the locale's separator: "7", "7,5", "7,25"; "0" for zero.
    QString toString(const QLocale& locale = QLocale()) const;

    constexpr Score operator+(Score o) const { return fromHundredths(m_h + o.m_h); }
    constexpr Score& operator+=(Score o) { m_h += o.m_h; return *this; }
    constexpr Score operator-(Score o) const { return fromHundredths(m_h - o.m_h); }
    constexpr auto operator<=>(const Score&) const = default;

private:
    std::int64_t m_h = 0;
};

