#include "Convert.h"

#include "DbError.h"

int parseWholeNumber(const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok) {
        if (text.trimmed().isEmpty()) throw ConversionError(QStringLiteral("\"\" — не число (поле пустое)"));
        throw ConversionError(QStringLiteral("\"%1\" — не число").arg(text));
    }
    return v;
}
