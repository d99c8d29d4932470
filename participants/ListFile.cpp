#include "participants/ListFile.h"

#include "Text.h"
#include "reports/SheetReader.h"
#include "reports/Workbook.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace listfile {

namespace {

QString decode(QByteArray bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes.mid(3));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    return text1251::decode(bytes);
}

// The separator that splits the first line into the most fields, outside quotes.
QChar separator(const QString& text) {
    int counts[3] = {};
    const QChar seps[3] = {u';', u'\t', u','};
    bool quoted = false;
    for (QChar c : text) {
        if (c == u'"') quoted = !quoted;
        if (quoted) continue;
        if (c == u'\n') break;
        for (int i = 0; i < 3; ++i) counts[i] += c == seps[i];
    }
    int best = 0;
    for (int i = 1; i < 3; ++i)
        if (counts[i] > counts[best]) best = i;
    return seps[best];
}

}  // namespace

bool isCsv(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == u"csv" || suffix == u"txt";
}

QList<QStringList> parseCsv(const QByteArray& bytes) {
    const QString text = decode(bytes);
    const QChar sep = separator(text);
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false, any = false;
    const auto endField = [&] {
        row.append(field);
        field.clear();
    };
    const auto endRow = [&] {
        endField();
        while (!row.isEmpty() && row.last().isEmpty()) row.removeLast();
        rows.append(row);
        row.clear();
        any = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field.append(c);
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field.append(c);
            }
        } else if (c == u'"') {
            quoted = true;
            any = true;
        } else if (c == sep) {
            endField();
            any = true;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            endRow();
        } else {
            field.append(c);
            any = true;
        }
    }
    if (any || !field.isEmpty() || !row.isEmpty()) endRow();
    return rows;
}

QByteArray writeCsv(const QList<QStringList>& rows) {
    QString out;
    for (const QStringList& row : rows) {
        QStringList cells;
        for (QString c : row) {
            if (c.contains(u';') || c.contains(u'"') || c.contains(u'\n') || c.contains(u'\r'))
                c = u'"' + c.replace(u'"', QStringLiteral("\"\"")) + u'"';
            cells.append(c);
        }
        out += cells.join(u';') + QStringLiteral("\r\n");
    }
    return "\xEF\xBB\xBF" + out.toUtf8();
}

QStringList sheetNames(const QString& path) {
    if (isCsv(path)) return {QFileInfo(path).fileName()};
    return SheetReader(path).sheetNames();
}

QList<QStringList> read(const QString& path, const QString& sheet) {
    if (!isCsv(path)) return SheetReader(path).rows(sheet);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw ReportError(QStringLiteral("Не удалось прочитать файл %1: %2").arg(path, f.errorString()));
    return parseCsv(f.readAll());
}

}  // namespace listfile
