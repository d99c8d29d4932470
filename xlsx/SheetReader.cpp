#include "xlsx/SheetReader.h"

#include "xlsx/FileError.h"
#include "xlsx/XlsxParts.h"

#include <QFileInfo>
#include <cmath>
#include <set>
#include <string_view>

namespace {

QString tooLong() { return QStringLiteral("текст длиннее %1 знаков").arg(SheetReader::kMaxCellChars); }
QString control(unsigned code) { return QStringLiteral("управляющий символ (код %1)").arg(code); }

// A text with its refusal: a string item of the workbook is refused only where a cell shows it.
struct Item {
    QString text;
    QString refused;
};

// All the text of a string item: plain, or rich runs one after another (phonetic hints left out),
// never converted when it is longer than a cell may hold.
Item itemText(pugi::xml_node si) {
    if (pugi::xml_node t = si.child("t")) {
        const char* raw = t.text().get();
        if (QString why = SheetReader::refusal(raw); !why.isEmpty()) return {QString(), why};
        return {QString::fromUtf8(raw), QString()};
    }
    QString out;
    for (pugi::xml_node r : si.children("r")) {
        const char* raw = r.child("t").text().get();
        if (QString why = SheetReader::refusal(raw); !why.isEmpty()) return {QString(), why};
        out += QString::fromUtf8(raw);
        if (out.size() > SheetReader::kMaxCellChars) return {QString(), tooLong()};
    }
    return {out, QString()};
}

// A number as a spreadsheet shows it by default: whole numbers without a fraction.
QString numberText(const char* v) {
    bool ok = false;
    const double d = QString::fromLatin1(v).toDouble(&ok);
    if (!ok) return QString::fromUtf8(v);
    if (std::fabs(d) < 1e15 && d == std::floor(d)) return QString::number(qint64(d));
    return QString::number(d, 'g', 15);
}

// The rows of a sheet being read, within the bounds of a list.
class Table {
public:
    explicit Table(const QString& sheet) : m_sheet(sheet) {}

    void put(int row, int col, const QString& text) {
        if (row > SheetReader::kMaxRows)
            throw FileError(QStringLiteral("на листе «%1» больше %2 строк").arg(m_sheet).arg(SheetReader::kMaxRows));
        if (col > SheetReader::kMaxColumns)
            throw FileError(QStringLiteral("на листе «%1» больше %2 столбцов").arg(m_sheet).arg(SheetReader::kMaxColumns));
        while (m_rows.size() < row) m_rows.append(QStringList());
        QStringList& r = m_rows[row - 1];
        if (r.size() < col) {
            m_cells += col - r.size();
            if (m_cells > SheetReader::kMaxCells)
                throw FileError(QStringLiteral("на листе «%1» больше %2 ячеек").arg(m_sheet).arg(SheetReader::kMaxCells));
            while (r.size() < col) r.append(QString());
        }
        r[col - 1] = text;
    }
    QString at(int row, int col) const { return m_rows.value(row - 1).value(col - 1); }
    QList<QStringList> take() { return std::move(m_rows); }

private:
    QString m_sheet;
    QList<QStringList> m_rows;
    qint64 m_cells = 0;
};

}  // namespace

QString SheetReader::refusal(const char* utf8) {
    qsizetype chars = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8); *p; ++p) {
        if (*p < 0x20 && *p != '\t' && *p != '\n' && *p != '\r') return control(*p);
        if ((*p & 0xC0) != 0x80 && ++chars > kMaxCellChars) return tooLong();
    }
    return QString();
}

QString SheetReader::refusal(const QString& text) {
    if (text.size() > kMaxCellChars) return tooLong();
    for (QChar c : text)
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') return control(c.unicode());
    return QString();
}

struct SheetReader::Impl {
    QString path;
    std::vector<xlsx::Part> parts;
    std::vector<xlsx::SheetEntry> sheets;
    std::vector<Item> shared;

    [[noreturn]] void fail(const QString& why) const { throw FileError::unreadable(path, why); }
    QList<QStringList> read(const xlsx::SheetEntry& sheet) const;
};

SheetReader::SheetReader(const QString& path) : d(std::make_unique<Impl>()) {
    d->path = path;
    if (!QFileInfo::exists(path)) throw FileError(QStringLiteral("Файл не найден: %1").arg(path));
    try {
        d->parts = xlsx::readParts(path);
        pugi::xml_document workbook;
        d->sheets = xlsx::sheets(d->parts, workbook);
        if (xlsx::Part* p = xlsx::find(d->parts, "xl/sharedStrings.xml")) {
            // Parsed where it lies (it is not needed again), then let go; no more strings than a
            // list has cells.
            if (p->data.count("<si") > kMaxCells)
                throw FileError(QStringLiteral("в файле больше %1 общих строк").arg(kMaxCells));
            {
                const pugi::xml_document doc = xlsx::parseInPlace(p->data, QStringLiteral("xl/sharedStrings.xml"));
                for (pugi::xml_node si : doc.child("sst").children("si")) d->shared.push_back(itemText(si));
            }
            p->data = QByteArray();
        }
    } catch (const FileError& e) {
        d->fail(e.text());
    }
}

SheetReader::~SheetReader() = default;

QStringList SheetReader::sheetNames() const {
    QStringList out;
    for (const auto& s : d->sheets) out.append(s.name);
    return out;
}

QList<QStringList> SheetReader::rows(const QString& sheet) const {
    const auto it = std::find_if(d->sheets.begin(), d->sheets.end(), [&](const auto& s) { return s.name == sheet; });
    if (it == d->sheets.end()) d->fail(QStringLiteral("нет листа «%1»").arg(sheet));
    try {
        return d->read(*it);
    } catch (const FileError& e) {
        d->fail(e.text());
    }
}

namespace {

// A cell's text, or its refusal; `shared` are the workbook's shared strings.
Item cellText(pugi::xml_node c, const std::vector<Item>& shared) {
    const std::string type = c.attribute("t").value();
    const char* v = c.child("v").text().get();
    if (type == "s") {
        // The index: digits only, of a string the workbook has.
        size_t i = 0;
        const std::string_view digits(v);
        bool number = !digits.empty() && digits.size() <= 9;
        for (char ch : digits) {
            number = number && ch >= '0' && ch <= '9';
            i = i * 10 + size_t(ch - '0');
        }
        if (!number || i >= shared.size())
            return {QString(), QStringLiteral("ссылка на общую строку «%1», которой нет").arg(QString::fromUtf8(v).left(20))};
        return shared[i];  // held once: the text is shared, not copied
    }
    if (type == "inlineStr") return itemText(c.child("is"));
    if (QString why = SheetReader::refusal(v); !why.isEmpty()) return {QString(), why};
    if (type == "str" || type == "e") return {QString::fromUtf8(v), QString()};
    if (type == "b") return {c.child("v").text().as_int() ? QStringLiteral("1") : QStringLiteral("0"), QString()};
    return {c.child("v") ? numberText(v) : QString(), QString()};
}

}  // namespace

QList<QStringList> SheetReader::Impl::read(const xlsx::SheetEntry& sheet) const {
    const QString partName = QString::fromStdString(sheet.part);
    const xlsx::Part* part = xlsx::find(parts, sheet.part);
    if (!part) throw FileError(QStringLiteral("нет части %1").arg(partName));
    const pugi::xml_document doc = xlsx::parse(part->data, partName);
    const auto badRef = [&](const char* ref) {
        return FileError(QStringLiteral("на листе «%1» неверный адрес ячейки «%2»").arg(sheet.name, QString::fromUtf8(ref)));
    };
    Table out(sheet.name);
    const pugi::xml_node ws = doc.child("worksheet");
    std::set<int> seen;
    int rowNo = 0;
    for (pugi::xml_node row : ws.child("sheetData").children("row")) {
        if (pugi::xml_attribute r = row.attribute("r")) {
            const std::optional<int> number = xlsx::parseRow(r.value());
            if (!number) throw badRef(r.value());
            rowNo = *number;
        } else if (++rowNo > xlsx::kMaxRow) {
            throw badRef("");
        }
        if (!seen.insert(rowNo).second)
            throw FileError(QStringLiteral("на листе «%1» строка %2 записана дважды").arg(sheet.name).arg(rowNo));
        int colNo = 0;
        for (pugi::xml_node c : row.children("c")) {
            if (pugi::xml_attribute r = c.attribute("r")) {
                const auto cell = xlsx::parseCell(r.value());
                if (!cell) throw badRef(r.value());
                colNo = cell->col;
            } else if (++colNo > xlsx::kMaxColumn) {
                throw badRef("");
            }
            const Item item = cellText(c, shared);
            if (!item.refused.isEmpty())
                throw FileError(QStringLiteral("на листе «%1» в ячейке %2 %3")
                                    .arg(sheet.name, xlsx::cellName(rowNo, colNo), item.refused));
            if (!item.text.isEmpty()) out.put(rowNo, colNo, item.text);
        }
    }
    for (pugi::xml_node m : ws.child("mergeCells").children("mergeCell")) {
        const auto range = xlsx::parseRange(m.attribute("ref").value());
        if (!range) throw badRef(m.attribute("ref").value());
        const QString value = out.at(range->first.row, range->first.col);
        if (value.isEmpty()) continue;
        for (int r = range->first.row; r <= range->last.row; ++r)
            for (int col = range->first.col; col <= range->last.col; ++col) out.put(r, col, value);
    }
    return out.take();
}
