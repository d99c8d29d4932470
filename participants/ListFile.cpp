#include "participants/ListFile.h"

#include "Text.h"
#include "xlsx/FileError.h"
#include "xlsx/SheetReader.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <climits>

namespace listfile {

namespace {

QString decode(QByteArray bytes) {
    // A byte order mark names the encoding ("Текст Юникод" of a spreadsheet program is UTF-16).
    if (const auto bom = QStringConverter::encodingForData(bytes)) {
        QStringDecoder d(*bom, QStringDecoder::Flag::Stateless);
        return d.decode(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    return text1251::decode(bytes);
}

// The separator that splits the first lines most evenly: the one whose smallest count of fields
// over them is largest (a heading "Фамилия, имя, отчество;Класс" is split by ';', as its rows are).
QChar separator(const QString& text) {
    const QChar seps[3] = {u';', u'\t', u','};
    int least[3] = {INT_MAX, INT_MAX, INT_MAX};
    int counts[3] = {1, 1, 1};
    int lines = 0;
    bool quoted = false, empty = true;
    for (qsizetype i = 0; i <= text.size() && lines < 20; ++i) {
        const QChar c = i < text.size() ? text[i] : QChar(u'\n');
        if (c == u'"') quoted = !quoted;
        if (quoted) continue;
        if (c == u'\n') {
            if (!empty) {
                for (int k = 0; k < 3; ++k) least[k] = qMin(least[k], counts[k]);
                ++lines;
            }
            std::fill(std::begin(counts), std::end(counts), 1);
            empty = true;
            continue;
        }
        if (c != u'\r') empty = false;
        for (int k = 0; k < 3; ++k) counts[k] += c == seps[k];
    }
    int best = 0;
    for (int k = 1; k < 3; ++k)
        if (least[k] != INT_MAX && least[k] > least[best]) best = k;
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
    qint64 cells = 0;
    const auto endField = [&] {
        if (row.size() >= SheetReader::kMaxColumns)
            throw FileError(QStringLiteral("в строке %1 больше %2 столбцов").arg(rows.size() + 1).arg(SheetReader::kMaxColumns));
        row.append(field);
        field.clear();
    };
    // A field is refused as a workbook's cell is: too long, or with a control character.
    const auto append = [&](QChar c) {
        field.append(c);
        if (c.unicode() >= 0x20 && field.size() <= SheetReader::kMaxCellChars) return;
        if (const QString why = SheetReader::refusal(field); !why.isEmpty())
            throw FileError(QStringLiteral("в строке %1, столбце %2 %3").arg(rows.size() + 1).arg(row.size() + 1).arg(why));
    };
    const auto endRow = [&] {
        endField();
        while (!row.isEmpty() && row.last().isEmpty()) row.removeLast();
        if (rows.size() >= SheetReader::kMaxRows)
            throw FileError(QStringLiteral("в файле больше %1 строк").arg(SheetReader::kMaxRows));
        if ((cells += row.size()) > SheetReader::kMaxCells)
            throw FileError(QStringLiteral("в файле больше %1 ячеек").arg(SheetReader::kMaxCells));
        rows.append(row);
        row.clear();
        any = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                append(c);
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                append(c);
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
            append(c);
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
            // Quoted where a reader could split or end it, so that the separator is found again.
            if (std::any_of(c.begin(), c.end(), [](QChar ch) { return QStringView(u";,\t\"\r\n").contains(ch); }))
                c = u'"' + c.replace(u'"', QStringLiteral("\"\"")) + u'"';
            cells.append(c);
        }
        out += cells.join(u';') + QStringLiteral("\r\n");
    }
    return "\xEF\xBB\xBF" + out.toUtf8();
}

Book::Book(const QString& path) : m_path(path) {
    if (isCsv(path)) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) throw FileError::unreadable(path, f.errorString());
        if (f.size() > kMaxCsvBytes)
            throw FileError::unreadable(path, QStringLiteral("файл больше %1 МБ").arg(kMaxCsvBytes >> 20));
        try {
            m_csv = parseCsv(f.readAll());
        } catch (const FileError& e) {
            throw FileError::unreadable(path, e.text());
        }
        m_sheets = QStringList{QFileInfo(path).fileName()};
    } else {
        m_reader = std::make_unique<SheetReader>(path);
        m_sheets = m_reader->sheetNames();
    }
}

Book::~Book() = default;

QList<QStringList> Book::rows(const QString& sheet) const { return m_reader ? m_reader->rows(sheet) : m_csv; }

QStringList sheetNames(const QString& path) { return Book(path).sheets(); }

QList<QStringList> read(const QString& path, const QString& sheet) { return Book(path).rows(sheet); }

QString otherKind(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    const QByteArray head = f.read(100);
    if (head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) return QStringLiteral("книга Excel 97–2003 (.xls)");
    // An OpenDocument file is a zip whose first part, stored as it is, names its kind.
    if (head.startsWith("PK\x03\x04") && head.mid(30, 8) == "mimetype" && head.contains("application/vnd.oasis.opendocument"))
        return QStringLiteral("документ OpenDocument (.ods)");
    return QString();
}

}  // namespace listfile
