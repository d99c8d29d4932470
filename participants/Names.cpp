#include "participants/Names.h"

#include <QRegularExpression>
#include <QStringList>

namespace names {

QString capitalised(const QString& name) {
    bool lower = false, upper = false;
    for (QChar c : name) {
        lower = lower || c.isLower();
        upper = upper || c.isUpper();
    }
    if (lower && upper) return name;
    QString out = name;
    bool start = true;  // the next letter begins a part
    for (QChar& c : out) {
        if (c.isLetter()) {
            c = start ? c.toUpper() : c.toLower();
            start = false;
        } else {
            start = c.isSpace() || c == u'-' || c == u'\'' || c == u'’';
        }
    }
    return out;
}

QString schoolKey(const QString& school) {
    static const QRegularExpression quotes(QStringLiteral("[\"'`«»„“”‟‘’‚‛″]"));
    static const QRegularExpression number(QStringLiteral("\\s*№\\s*"));
    static const QRegularExpression legalForm(QStringLiteral("^[А-ЯЁ]{0,4}ОУ$"));
    QString s = school;
    s.replace(quotes, QStringLiteral(" ")).replace(number, QStringLiteral(" №"));
    QStringList words = s.simplified().split(u' ', Qt::SkipEmptyParts);
    if (words.size() > 1 && legalForm.match(words.first()).hasMatch()) words.removeFirst();
    return words.join(u' ').toLower().replace(u'ё', u'е');
}

QString mixedScriptWord(const QString& name) {
    QString word;
    bool cyrillic = false, latin = false;
    const auto mixed = [&] { return cyrillic && latin; };
    for (const QChar c : name + u' ') {
        if (c.isLetter()) {
            word += c;
            if (c.script() == QChar::Script_Cyrillic) cyrillic = true;
            if (c.script() == QChar::Script_Latin) latin = true;
            continue;
        }
        if (mixed()) return word;
        word.clear();
        cyrillic = latin = false;
    }
    return QString();
}

QString initials(const QString& surname, const QString& name, const QString& second) {
    QString out = surname.simplified();
    for (const QString& part : {name.trimmed(), second.trimmed()})
        if (!part.isEmpty()) out += u' ' + part.left(1).toUpper() + u'.';
    return out;
}

}  // namespace names
