#include "reports/SheetReader.h"

#include "reports/Workbook.h"
#include "reports/XlsxParts.h"

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

}  // namespace

struct SheetReader::Impl {
    QString path;
    std::vector<xlsx::Part> parts;
    std::vector<std::pair<QString, std::string>> sheets;
    QStringList shared;

    [[noreturn]] void fail(const QString& why) const {
        throw ReportError(QStringLiteral("Не удалось прочитать файл %1: %2").arg(path, why));
    }
};

SheetReader::SheetReader(const QString& path) : d(std::make_unique<Impl>()) {
    d->path = path;
    if (!QFileInfo::exists(path)) throw ReportError(QStringLiteral("Файл не найден: %1").arg(path));
    try {
        d->parts = xlsx::readParts(path);
        pugi::xml_document workbook;
        d->sheets = xlsx::sheets(d->parts, workbook);
        if (const xlsx::Part* p = xlsx::find(d->parts, "xl/sharedStrings.xml")) {
            const pugi::xml_document doc = xlsx::parse(p->data, QStringLiteral("xl/sharedStrings.xml"));
            for (pugi::xml_node si : doc.child("sst").children("si")) d->shared.append(itemText(si));
        }
    } catch (const ReportError& e) {
        d->fail(e.text());
    }
}

SheetReader::~SheetReader() = default;

QStringList SheetReader::sheetNames() const {
    QStringList out;
    for (const auto& s : d->sheets) out.append(s.first);
    return out;
}

QList<QStringList> SheetReader::rows(const QString& sheet) const {
    const auto it = std::find_if(d->sheets.begin(), d->sheets.end(), [&](const auto& s) { return s.first == sheet; });
    if (it == d->sheets.end()) d->fail(QStringLiteral("нет листа «%1»").arg(sheet));
    const xlsx::Part* part = xlsx::find(d->parts, it->second);
    if (!part) d->fail(QStringLiteral("нет части %1").arg(QString::fromStdString(it->second)));
    pugi::xml_document doc;
    try {
        doc = xlsx::parse(part->data, QString::fromStdString(it->second));
    } catch (const ReportError& e) {
        d->fail(e.text());
    }
    QList<QStringList> out;
    const auto put = [&](int row, int col, const QString& text) {
        while (out.size() < row) out.append(QStringList());
        QStringList& r = out[row - 1];
        while (r.size() < col) r.append(QString());
        r[col - 1] = text;
    };
    const pugi::xml_node ws = doc.child("worksheet");
    int rowNo = 0;
    for (pugi::xml_node row : ws.child("sheetData").children("row")) {
        rowNo = row.attribute("r") ? row.attribute("r").as_int() : rowNo + 1;
        int colNo = 0;
        for (pugi::xml_node c : row.children("c")) {
            colNo = c.attribute("r") ? xlsx::parseCell(c.attribute("r").value()).second : colNo + 1;
            const std::string type = c.attribute("t").value();
            QString text;
            if (type == "s") {
                const int i = c.child("v").text().as_int(-1);
                text = i >= 0 && i < d->shared.size() ? d->shared[i] : QString();
            } else if (type == "inlineStr") {
                text = itemText(c.child("is"));
            } else if (type == "str" || type == "e") {
                text = QString::fromUtf8(c.child("v").text().get());
            } else if (type == "b") {
                text = c.child("v").text().as_int() ? QStringLiteral("1") : QStringLiteral("0");
            } else if (c.child("v")) {
                text = numberText(c.child("v").text().get());
            }
            if (!text.isEmpty()) put(rowNo, colNo, text);
        }
    }
    for (pugi::xml_node m : ws.child("mergeCells").children("mergeCell")) {
        const QString ref = QString::fromUtf8(m.attribute("ref").value());
        const auto [r0, c0] = xlsx::parseCell(ref.section(u':', 0, 0).toLatin1().constData());
        const auto [r1, c1] = xlsx::parseCell(ref.section(u':', -1).toLatin1().constData());
        if (r0 < 1 || c0 < 1 || r1 < r0 || c1 < c0 || r1 - r0 > 10000 || c1 - c0 > 1000) continue;
        const QString value = r0 <= out.size() && c0 <= out[r0 - 1].size() ? out[r0 - 1][c0 - 1] : QString();
        if (value.isEmpty()) continue;
        for (int r = r0; r <= r1; ++r)
            for (int col = c0; col <= c1; ++col) put(r, col, value);
    }
    return out;
}
