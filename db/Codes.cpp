#include "Codes.h"

namespace codes {

QString lookalike(const QString& code) {
    static const QString latin = QStringLiteral("ABCEHKMOPTXY");
    static const QString cyrillic = QStringLiteral("АВСЕНКМОРТХУ");
    QString out = code.trimmed().toUpper();
    for (QChar& c : out) {
        const qsizetype i = latin.indexOf(c);
        if (i >= 0) c = cyrillic.at(i);
        if (c == u'Ё') c = u'Е';
    }
    return out;
}

}  // namespace codes
