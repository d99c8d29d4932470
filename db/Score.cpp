#include "Score.h"

#include "DbError.h"

namespace {

[[noreturn]] void notAScore(const QString& text) {
    throw ConversionError(QStringLiteral("\"%1\" — не число (ожидается балл, например 7 или 7,5)").arg(text));
}

}  // namespace

Score Score::parse(const QString& text, const QLocale& locale) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return Score();
    const auto tooLarge = [&] {
        throw ConversionError(QStringLiteral("\"%1\" — слишком большое число (не более 9999999,99)").arg(text));
    };
    qsizetype i = 0;
    bool negative = false;
    if (t.at(0) == u'-' || t.at(0) == u'+') {
        negative = t.at(0) == u'-';
        ++i;
    }
    const QString dp = locale.decimalPoint();
    std::int64_t whole = 0, frac = 0;
    int digits = 0, fracDigits = 0;
    bool seenPoint = false;
    for (; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c >= u'0' && c <= u'9') {
            const int d = c.unicode() - '0';
            ++digits;
            if (seenPoint) {
                if (++fracDigits > 2)
                    throw ConversionError(
                        QStringLiteral("\"%1\" — слишком много знаков после запятой (не более двух)").arg(text));
                frac = frac * 10 + d;
            } else {
                whole = whole * 10 + d;
                if (whole > kMaxHundredths / 100) tooLarge();
            }
        } else if (!seenPoint && (c == u'.' || c == u',' || QString(c) == dp)) {
            seenPoint = true;
        } else {
            notAScore(text);
        }
    }
    if (digits == 0) notAScore(text);
    if (fracDigits == 1) frac *= 10;
    const std::int64_t h = whole * 100 + frac;
    if (h > kMaxHundredths) tooLarge();
    return fromHundredths(negative ? -h : h);
}

QString Score::toString(const QLocale& locale) const {
    const std::int64_t a = m_h < 0 ? -m_h : m_h;
    QString s = QString::number(a / 100);
    const int frac = int(a % 100);
    if (frac != 0) {
        s += locale.decimalPoint();
        s += frac % 10 == 0 ? QString::number(frac / 10) : QString::number(frac).rightJustified(2, u'0');
    }
    return m_h < 0 ? u'-' + s : s;
}

