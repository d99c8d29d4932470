#include "reports/Workbook.h"

#include "reports/XlsxParts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <pugixml.hpp>
#include <zip.h>

#include <algorithm>
#include <set>
#include <sstream>

namespace {

using Entry = xlsx::Part;
using xlsx::parse;
using xlsx::parseCell;

struct Written {
    enum Kind { Text, Number } kind = Text;
    QString text;  // the text, or the number as the file spells it
};

// Worksheet children that come after <mergeCells>, in the order the format requires.
const char* const kAfterMergeCells[] = {"phoneticPr",     "conditionalFormatting", "dataValidations", "hyperlinks",
                                         "printOptions",   "pageMargins",           "pageSetup",       "headerFooter",
                                         "rowBreaks",      "colBreaks",             "customProperties", "cellWatches",
                                         "ignoredErrors",  "smartTags",             "drawing",         "legacyDrawing",
                                         "legacyDrawingHF", "drawingHF",            "picture",         "oleObjects",
                                         "controls",       "webPublishItems",       "tableParts",      "extLst"};

[[noreturn]] void fail(const QString& text) { throw ReportError(text); }


// Characters XML 1.0 cannot hold are left out of a text.
QString xmlSafe(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (c.unicode() >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r') out.append(c);
    return out.left(32767);  // the most a spreadsheet cell holds
}

std::string toStd(const QString& s) { return s.toStdString(); }

QByteArray serialize(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw);
    const std::string s = out.str();
    return QByteArray(s.data(), qsizetype(s.size()));
}

}  // namespace

struct Workbook::Impl {
    QString templatePath;
    std::vector<Entry> entries;
    pugi::xml_document workbook;
    pugi::xml_document styles;
    std::map<QString, QString> sheetPaths;  // sheet name -> part name, "xl/worksheets/sheet1.xml"
    std::vector<QString> sheetOrder;        // sheet names in the workbook's order

    QString sheet;
    int dataRow = 0;
    std::map<int, std::map<int, Written>> cells;
    std::vector<std::tuple<int, int, int>> headings;  // row, from, to
    int activeRow = 1, activeCol = 1;

    Entry* entry(const std::string& name) {
        for (Entry& e : entries)
            if (e.name == name) return &e;
        return nullptr;
    }
    QString where() const { return templatePath; }
    void read();
    void fillSheet(pugi::xml_document& doc);
    unsigned headingStyle(unsigned base, std::map<unsigned, unsigned>& made);
    void dropCalcChain();
};

void Workbook::Impl::read() {
    if (!QFileInfo::exists(templatePath)) fail(QStringLiteral("Не найден шаблон отчётов: %1").arg(templatePath));
    try {
        entries = xlsx::readParts(templatePath);
        for (const char* part : {"xl/workbook.xml", "xl/_rels/workbook.xml.rels", "xl/styles.xml"})
            if (!entry(part))
                fail(QStringLiteral("Шаблон отчётов %1 не является книгой Excel: нет части %2")
                         .arg(templatePath, QString::fromUtf8(part)));
        for (const auto& [name, part] : xlsx::sheets(entries, workbook)) {
            sheetPaths[name] = QString::fromStdString(part);
            sheetOrder.push_back(name);
        }
        styles = parse(entry("xl/styles.xml")->data, QStringLiteral("xl/styles.xml"));
    } catch (const ReportError& e) {
        if (e.text().startsWith(QStringLiteral("Шаблон отчётов"))) throw;
        fail(QStringLiteral("Не удалось прочитать шаблон отчётов %1: %2").arg(templatePath, e.text()));
    }
}

unsigned Workbook::Impl::headingStyle(unsigned base, std::map<unsigned, unsigned>& made) {
    if (auto it = made.find(base); it != made.end()) return it->second;
    pugi::xml_node ss = styles.child("styleSheet");
    pugi::xml_node fonts = ss.child("fonts");
    pugi::xml_node xfs = ss.child("cellXfs");
    std::vector<pugi::xml_node> xfList(xfs.children("xf").begin(), xfs.children("xf").end());
    std::vector<pugi::xml_node> fontList(fonts.children("font").begin(), fonts.children("font").end());
    pugi::xml_node baseXf = base < xfList.size() ? xfList[base] : xfList.front();
    const unsigned baseFont = baseXf.attribute("fontId").as_uint();

    pugi::xml_node font = fonts.append_copy(baseFont < fontList.size() ? fontList[baseFont] : fontList.front());
    if (!font.child("b")) font.prepend_child("b");
    fonts.attribute("count").set_value(unsigned(fontList.size() + 1));

    pugi::xml_node xf = xfs.append_copy(baseXf);
    xf.attribute("fontId") ? xf.attribute("fontId").set_value(unsigned(fontList.size()))
                           : xf.append_attribute("fontId").set_value(unsigned(fontList.size()));
    for (const char* a : {"applyFont", "applyAlignment"}) {
        pugi::xml_attribute at = xf.attribute(a);
        (at ? at : xf.append_attribute(a)).set_value("1");
    }
    pugi::xml_node align = xf.child("alignment");
    if (!align) align = xf.prepend_child("alignment");
    (align.attribute("horizontal") ? align.attribute("horizontal") : align.append_attribute("horizontal"))
        .set_value("center");
    xfs.attribute("count").set_value(unsigned(xfList.size() + 1));
    return made[base] = unsigned(xfList.size());
}

void Workbook::Impl::fillSheet(pugi::xml_document& doc) {
    pugi::xml_node ws = doc.child("worksheet");
    pugi::xml_node data = ws.child("sheetData");
    if (!data) data = ws.insert_child_after("sheetData", ws.child("cols") ? ws.child("cols") : ws.child("sheetFormatPr"));

    // Default formats of the columns (<cols>), for cells the template does not have.
    std::map<int, std::string> columnStyle;
    for (pugi::xml_node c : ws.child("cols").children("col"))
        if (c.attribute("style"))
            for (int i = c.attribute("min").as_int(); i <= c.attribute("max").as_int() && i <= 16384; ++i)
                columnStyle[i] = c.attribute("style").value();

    std::map<int, pugi::xml_node> rows;
    for (pugi::xml_node r : data.children("row")) rows[r.attribute("r").as_int()] = r;
    // The look of a data row: the formats of the template's first data row.
    std::map<int, std::string> pattern;
    if (auto it = rows.find(dataRow); dataRow > 0 && it != rows.end())
        for (pugi::xml_node c : it->second.children("c"))
            if (c.attribute("s")) pattern[parseCell(c.attribute("r").value()).second] = c.attribute("s").value();

    // Every row that receives a cell, and every heading row.
    std::set<int> touched;
    for (const auto& [r, _] : cells) touched.insert(r);
    for (const auto& [r, from, to] : headings) touched.insert(r);

    std::map<unsigned, unsigned> madeHeading;
    int maxRow = 0, maxCol = 0;
    for (int r : touched) {
        pugi::xml_node row;
        if (auto it = rows.find(r); it != rows.end()) {
            row = it->second;
        } else {
            auto after = rows.upper_bound(r);
            row = after == rows.end() ? data.append_child("row") : data.insert_child_before("row", after->second);
            row.append_attribute("r").set_value(r);
            rows[r] = row;
        }
        row.remove_attribute("spans");  // left out rather than kept wrong
        std::map<int, pugi::xml_node> rowCells;
        for (pugi::xml_node c : row.children("c")) rowCells[parseCell(c.attribute("r").value()).second] = c;
        const auto cellAt = [&](int col) {
            if (auto it = rowCells.find(col); it != rowCells.end()) return it->second;
            auto after = rowCells.upper_bound(col);
            pugi::xml_node c = after == rowCells.end() ? row.append_child("c") : row.insert_child_before("c", after->second);
            c.append_attribute("r").set_value(toStd(cellName(r, col)).c_str());
            std::string style;
            if (auto p = pattern.find(col); r > dataRow && dataRow > 0 && p != pattern.end())
                style = p->second;
            else if (row.attribute("customFormat").as_bool() && row.attribute("s"))
                style = row.attribute("s").value();
            else if (auto cs = columnStyle.find(col); cs != columnStyle.end())
                style = cs->second;
            if (!style.empty() && style != "0") c.append_attribute("s").set_value(style.c_str());
            rowCells[col] = c;
            return c;
        };
        if (r > dataRow && dataRow > 0)
            for (const auto& [col, style] : pattern) cellAt(col);

        if (auto it = cells.find(r); it != cells.end()) {
            for (const auto& [col, w] : it->second) {
                pugi::xml_node c = cellAt(col);
                while (c.first_child()) c.remove_child(c.first_child());
                c.remove_attribute("t");
                maxCol = std::max(maxCol, col);
                if (w.kind == Written::Number) {
                    c.append_child("v").text().set(toStd(w.text).c_str());
                } else if (!w.text.isEmpty()) {
                    c.append_attribute("t").set_value("inlineStr");
                    pugi::xml_node t = c.append_child("is").append_child("t");
                    t.append_attribute("xml:space").set_value("preserve");
                    t.text().set(toStd(w.text).c_str());
                }
            }
        }
        for (const auto& [hr, from, to] : headings) {
            if (hr != r) continue;
            for (int col = from; col <= to; ++col) {
                pugi::xml_node c = cellAt(col);
                const unsigned base = c.attribute("s").as_uint();
                (c.attribute("s") ? c.attribute("s") : c.append_attribute("s")).set_value(headingStyle(base, madeHeading));
            }
            maxCol = std::max(maxCol, to);
        }
        maxRow = std::max(maxRow, r);
    }

    if (!headings.empty()) {
        pugi::xml_node merges = ws.child("mergeCells");
        if (!merges) {
            pugi::xml_node before;
            for (const char* name : kAfterMergeCells)
                if ((before = ws.child(name))) break;
            merges = before ? ws.insert_child_before("mergeCells", before) : ws.append_child("mergeCells");
            merges.append_attribute("count").set_value(0);
        }
        for (const auto& [r, from, to] : headings)
            merges.append_child("mergeCell")
                .append_attribute("ref")
                .set_value(toStd(cellName(r, from) + u':' + cellName(r, to)).c_str());
        const auto n = std::distance(merges.children("mergeCell").begin(), merges.children("mergeCell").end());
        (merges.attribute("count") ? merges.attribute("count") : merges.append_attribute("count")).set_value(int(n));
    }

    // The used range.
    if (pugi::xml_node dim = ws.child("dimension")) {
        const QString ref = QString::fromUtf8(dim.attribute("ref").value());
        const auto [r0, c0] = parseCell(toStd(ref.section(u':', -1)).c_str());
        dim.attribute("ref").set_value(
            toStd(QStringLiteral("A1:") + cellName(std::max({r0, maxRow, 1}), std::max({c0, maxCol, 1}))).c_str());
    }

    // The report's sheet is selected, with its start cell active.
    pugi::xml_node views = ws.child("sheetViews");
    if (!views) views = ws.insert_child_before("sheetViews", ws.child("sheetFormatPr") ? ws.child("sheetFormatPr") : data);
    pugi::xml_node view = views.child("sheetView");
    if (!view) {
        view = views.append_child("sheetView");
        view.append_attribute("workbookViewId").set_value(0);
    }
    (view.attribute("tabSelected") ? view.attribute("tabSelected") : view.append_attribute("tabSelected")).set_value(1);
    const std::string pane = view.child("pane").attribute("activePane").value();
    while (pugi::xml_node s = view.child("selection")) view.remove_child(s);
    pugi::xml_node sel = view.append_child("selection");
    if (!pane.empty()) sel.append_attribute("pane").set_value(pane.c_str());
    const std::string active = toStd(cellName(activeRow, activeCol));
    sel.append_attribute("activeCell").set_value(active.c_str());
    sel.append_attribute("sqref").set_value(active.c_str());
}

void Workbook::Impl::dropCalcChain() {
    // No formula is written, and a calculation chain that no longer matches makes Excel repair the file.
    entries.erase(std::remove_if(entries.begin(), entries.end(), [](const Entry& e) { return e.name == "xl/calcChain.xml"; }),
                  entries.end());
    if (Entry* types = entry("[Content_Types].xml")) {
        pugi::xml_document doc = parse(types->data, QStringLiteral("[Content_Types].xml"));
        for (pugi::xml_node o : doc.child("Types").children("Override"))
            if (std::string(o.attribute("PartName").value()) == "/xl/calcChain.xml") {
                doc.child("Types").remove_child(o);
                break;
            }
        types->data = serialize(doc);
    }
    if (Entry* rels = entry("xl/_rels/workbook.xml.rels")) {
        pugi::xml_document doc = parse(rels->data, QStringLiteral("xl/_rels/workbook.xml.rels"));
        for (pugi::xml_node r : doc.child("Relationships").children("Relationship"))
            if (std::string(r.attribute("Target").value()).find("calcChain.xml") != std::string::npos) {
                doc.child("Relationships").remove_child(r);
                break;
            }
        rels->data = serialize(doc);
    }
}

Workbook::Workbook(const QString& templatePath) : d(std::make_unique<Impl>()) {
    d->templatePath = templatePath;
    d->read();
}

Workbook::~Workbook() = default;

QString Workbook::cellName(int row, int col) { return columnName(col) + QString::number(row); }

QString Workbook::columnName(int col) {
    QString s;
    for (int c = col; c > 0; c = (c - 1) / 26) s.prepend(QChar(u'A' + (c - 1) % 26));
    return s;
}


void Workbook::selectSheet(const QString& name) {
    if (!d->sheetPaths.count(name) || !d->entry(toStd(d->sheetPaths[name])))
        fail(QStringLiteral("В шаблоне отчётов %1 нет листа «%2»").arg(d->templatePath, name));
    d->sheet = name;
}

void Workbook::setDataRow(int row) { d->dataRow = row; }

void Workbook::setText(int row, int col, const QString& text) { d->cells[row][col] = {Written::Text, xmlSafe(text)}; }

void Workbook::setNumber(int row, int col, qint64 value) {
    d->cells[row][col] = {Written::Number, QString::number(value)};
}

void Workbook::setScore(int row, int col, Score value) {
    d->cells[row][col] = {Written::Number, value.toString(QLocale::c())};
}

void Workbook::formatHeading(int row, int fromCol, int toCol) { d->headings.emplace_back(row, fromCol, toCol); }

void Workbook::activate(int row, int col) {
    d->activeRow = row;
    d->activeCol = col;
}

void Workbook::save(const QString& path) {
    if (d->sheet.isEmpty()) fail(QStringLiteral("Не выбран лист отчёта"));
    try {
        // The sheets: only the report's is selected.
        for (const QString& name : d->sheetOrder) {
            Entry* e = d->entry(toStd(d->sheetPaths[name]));
            if (!e) continue;
            pugi::xml_document doc = parse(e->data, d->sheetPaths[name]);
            if (name == d->sheet) {
                d->fillSheet(doc);
            } else {
                bool changed = false;
                for (pugi::xml_node v : doc.child("worksheet").child("sheetViews").children("sheetView"))
                    if (v.attribute("tabSelected")) {
                        v.remove_attribute("tabSelected");
                        changed = true;
                    }
                if (!changed) continue;
            }
            e->data = serialize(doc);
        }
        // The report's sheet is the active one.
        pugi::xml_node book = d->workbook.child("workbook");
        pugi::xml_node views = book.child("bookViews");
        if (!views) views = book.insert_child_before("bookViews", book.child("sheets"));
        pugi::xml_node view = views.child("workbookView");
        if (!view) view = views.append_child("workbookView");
        const auto index = std::find(d->sheetOrder.begin(), d->sheetOrder.end(), d->sheet) - d->sheetOrder.begin();
        (view.attribute("activeTab") ? view.attribute("activeTab") : view.append_attribute("activeTab")).set_value(int(index));
        if (view.attribute("firstSheet").as_int() > index) view.attribute("firstSheet").set_value(int(index));
        d->entry("xl/workbook.xml")->data = serialize(d->workbook);
        d->entry("xl/styles.xml")->data = serialize(d->styles);
        d->dropCalcChain();
    } catch (const ReportError& e) {
        fail(QStringLiteral("Не удалось заполнить лист «%1» шаблона %2: %3").arg(d->sheet, d->templatePath, e.text()));
    }

    const QString folder = QFileInfo(path).absolutePath();
    const QString temp = path + QStringLiteral(".part");
    QFile::remove(temp);
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(temp).constData(), ZIP_CREATE | ZIP_EXCL, &error);
    const auto cannotWrite = [&](const QString& why) {
        QFile::remove(temp);
        fail(QStringLiteral("Не удалось записать отчёт в папку %1: %2").arg(QDir::toNativeSeparators(folder), why));
    };
    if (!zip) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, error);
        const QString why = QString::fromUtf8(zip_error_strerror(&ze));
        zip_error_fini(&ze);
        cannotWrite(why);
    }
    for (const Entry& e : d->entries) {
        zip_source_t* src = zip_source_buffer(zip, e.data.constData(), zip_uint64_t(e.data.size()), 0);
        if (!src || zip_file_add(zip, e.name.c_str(), src, ZIP_FL_ENC_UTF_8) < 0) {
            if (src) zip_source_free(src);
            const QString why = QString::fromUtf8(zip_strerror(zip));
            zip_discard(zip);
            cannotWrite(why);
        }
    }
    if (zip_close(zip) != 0) {
        const QString why = QString::fromUtf8(zip_strerror(zip));
        zip_discard(zip);
        cannotWrite(why);
    }
    if (!QFile::rename(temp, path)) cannotWrite(QStringLiteral("файл %1 уже есть или недоступен").arg(QFileInfo(path).fileName()));
}
