#include "Convert.h"

std::optional<int> wholeNumber(const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

QString notANumber(const QString& text) {
    if (text.trimmed().isEmpty()) return QStringLiteral("\"\" — не число (поле пустое)");
    return QStringLiteral("\"%1\" — не число").arg(text);
}
