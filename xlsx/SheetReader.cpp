#include "xlsx/SheetReader.h"

#include "xlsx/FileError.h"
#include "xlsx/XlsxParts.h"

#include <QFileInfo>
#include <cmath>

namespace {

// All the text of a string item: plain, or rich runs one after another (phonetic hints left out).
QString itemText(pugi::xml_node si) {
    if (pugi::xml_node t = si.child("t")) return QString::fromUtf8(t.text().get());
    QString out;
    for (pugi::xml_node r : si.children("r")) out += QString::fromUtf8(r.child("t").text().get());
    return out;
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

struct SheetReader::Impl {
    QString path;
    std::vector<xlsx::Part> parts;
    std::vector<xlsx::SheetEntry> sheets;
    QStringList shared;

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
        if (const xlsx::Part* p = xlsx::find(d->parts, "xl/sharedStrings.xml")) {
            const pugi::xml_document doc = xlsx::parse(p->data, QStringLiteral("xl/sharedStrings.xml"));
            for (pugi::xml_node si : doc.child("sst").children("si")) d->shared.append(itemText(si));
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
    int rowNo = 0;
    for (pugi::xml_node row : ws.child("sheetData").children("row")) {
        if (pugi::xml_attribute r = row.attribute("r")) {
            const std::optional<int> number = xlsx::parseRow(r.value());
            if (!number) throw badRef(r.value());
            rowNo = *number;
        } else if (++rowNo > xlsx::kMaxRow) {
            throw badRef("");
        }
        int colNo = 0;
        for (pugi::xml_node c : row.children("c")) {
            if (pugi::xml_attribute r = c.attribute("r")) {
                const auto cell = xlsx::parseCell(r.value());
                if (!cell) throw badRef(r.value());
                colNo = cell->col;
            } else if (++colNo > xlsx::kMaxColumn) {
                throw badRef("");
            }
            const std::string type = c.attribute("t").value();
            QString text;
            if (type == "s") {
                const int i = c.child("v").text().as_int(-1);
                text = i >= 0 && i < shared.size() ? shared[i] : QString();
            } else if (type == "inlineStr") {
                text = itemText(c.child("is"));
            } else if (type == "str" || type == "e") {
                text = QString::fromUtf8(c.child("v").text().get());
            } else if (type == "b") {
                text = c.child("v").text().as_int() ? QStringLiteral("1") : QStringLiteral("0");
            } else if (c.child("v")) {
                text = numberText(c.child("v").text().get());
            }
            if (!text.isEmpty()) out.put(rowNo, colNo, text);
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
