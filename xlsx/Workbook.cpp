#include "xlsx/Workbook.h"

#include "xlsx/Pages.h"
#include "xlsx/XlsxParts.h"
#include "xlsx/Zip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <pugixml.hpp>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

namespace {

using xlsx::Part;
using xlsx::parse;
using xlsx::serialize;

struct Written {
    enum Kind { Text, Number } kind = Text;
    QString text;  // the text, or the number as the file spells it
};

// The children of a worksheet in the order the format requires.
const char* const kWorksheetOrder[] = {
    "sheetPr",         "dimension",      "sheetViews",      "sheetFormatPr",    "cols",
    "sheetData",       "sheetCalcPr",    "sheetProtection", "protectedRanges",  "scenarios",
    "autoFilter",      "sortState",      "dataConsolidate", "customSheetViews", "mergeCells",
    "phoneticPr",      "conditionalFormatting", "dataValidations", "hyperlinks", "printOptions",
    "pageMargins",     "pageSetup",      "headerFooter",    "rowBreaks",        "colBreaks",
    "customProperties", "cellWatches",   "ignoredErrors",   "smartTags",        "drawing",
    "legacyDrawing",   "legacyDrawingHF", "drawingHF",      "picture",          "oleObjects",
    "controls",        "webPublishItems", "tableParts",     "extLst"};

// The worksheet's child of that name, made in its place when missing.
pugi::xml_node child(pugi::xml_node ws, const char* name) {
    if (pugi::xml_node c = ws.child(name)) return c;
    const auto order = [](const char* n) {
        const auto it = std::find_if(std::begin(kWorksheetOrder), std::end(kWorksheetOrder),
                                     [&](const char* o) { return std::string_view(o) == n; });
        return int(it - std::begin(kWorksheetOrder));
    };
    const int mine = order(name);
    for (pugi::xml_node c : ws.children())
        if (c.type() == pugi::node_element && order(c.name()) < int(std::size(kWorksheetOrder)) && order(c.name()) > mine)
            return ws.insert_child_before(name, c);
    return ws.append_child(name);
}

pugi::xml_attribute attribute(pugi::xml_node node, const char* name) {
    pugi::xml_attribute a = node.attribute(name);
    return a ? a : node.append_attribute(name);
}

// Characters XML 1.0 cannot hold are left out of a text.
QString xmlSafe(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (c.unicode() >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r') out.append(c);
    return out.left(32767);  // the most a spreadsheet cell holds
}

std::string toStd(const QString& s) { return s.toStdString(); }

int columnOf(pugi::xml_node cell) { return xlsx::parseCell(cell.attribute("r").value())->col; }

// The relationships part of a part: "xl/worksheets/_rels/sheet1.xml.rels"; "_rels/.rels" for the
// package itself (""), and the folder its targets are relative to.
std::string relsOf(const std::string& part) {
    const size_t slash = part.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
    return folder + "_rels/" + part.substr(folder.size()) + ".rels";
}
std::string folderOf(const std::string& part) {
    const size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// Whether a formula names the sheet ("Лист1!$A$1", "'Лист 1'!A1"); "Лист15!" does not name "Лист1".
bool namesSheet(const QString& formula, const QString& sheet) {
    QString quoted = sheet;
    quoted = u'\'' + quoted.replace(u'\'', QStringLiteral("''")) + QStringLiteral("'!");
    if (formula.contains(quoted)) return true;
    const QString plain = sheet + u'!';
    for (qsizetype at = formula.indexOf(plain); at >= 0; at = formula.indexOf(plain, at + 1)) {
        const QChar before = at > 0 ? formula[at - 1] : QChar(u' ');
        if (!before.isLetterOrNumber() && before != u'_' && before != u'.' && before != u'\'') return true;
    }
    return false;
}

}  // namespace

struct Workbook::Impl {
    QString templatePath;
    std::vector<Part> parts;  // the template as read
    std::vector<xlsx::SheetEntry> sheets;

    // The copy being made of the chosen sheet.
    QString sheet;
    std::string sheetPart;
    std::vector<Part> copy;              // the parts of the written file
    pugi::xml_document sheetDoc, styles;
    std::vector<xlsx::Range> merged;     // the template's merged areas on the sheet
    int dataRow = 0;
    int lastDataRow = 0;  // 0: every row below the data row is a data row
    std::map<int, std::map<int, Written>> cells;
    std::vector<std::tuple<int, int, int>> headings;  // row, from, to
    int activeRow = 1, activeCol = 1;
    std::vector<std::pair<int, int>> together;  // rows kept on one page
    std::pair<int, int> titles{0, 0};           // the sheet's heading rows printed on every page

    [[noreturn]] void unreadable(const QString& why) const { throw FileError::unreadable(templatePath, why); }
    void read();
    void readSheet(const xlsx::SheetEntry& entry);
    void keepOnly(const xlsx::SheetEntry& entry);
    // What goes with the sheets other than the one kept.
    struct Removed {
        std::vector<QString> names;   // the sheets' names
        std::set<std::string> ids;    // their relationships (a worksheet's only)
        std::vector<std::string> parts;
        int keptIndex = -1;           // the kept sheet's place among all
    };
    Removed removeOtherSheets(pugi::xml_node book, const xlsx::SheetEntry& entry) const;
    void keepNames(pugi::xml_node book, const Removed& removed);
    void dropPartsOf(const Removed& removed, const xlsx::SheetEntry& entry, const pugi::xml_document& rels,
                     pugi::xml_document& types);
    void put(int row, int col, Written w);
    void fillSheet(pugi::xml_document& doc, pugi::xml_document& styleDoc) const;
    // The rows of the sheet being filled and what a new cell takes its format from.
    struct Rows {
        pugi::xml_node data;                      // <sheetData>
        std::map<int, pugi::xml_node> byNumber;
        std::map<int, std::string> columnStyle;   // a column's default format
        std::map<int, std::string> pattern;       // the template's first data row's formats
        std::map<unsigned, unsigned> madeHeading; // heading formats made, by the format they are made from
    };
    // Writes the cells and headings of row r (made when the template has none); the last column written.
    int fillRow(Rows& rows, int r, pugi::xml_document& styleDoc) const;
    void mergeHeadings(pugi::xml_node ws) const;
    // The report's sheet is selected, with its start cell active.
    void selectStart(pugi::xml_node ws) const;
    void breakPages(pugi::xml_node ws, int lastRow, int lastCol) const;
    static unsigned headingStyle(pugi::xml_document& styleDoc, unsigned base, std::map<unsigned, unsigned>& made);
};

void Workbook::Impl::read() {
    if (!QFileInfo::exists(templatePath)) throw FileError(QStringLiteral("Не найден шаблон отчётов: %1").arg(templatePath));
    try {
        parts = xlsx::readParts(templatePath);
        for (const char* part : {"[Content_Types].xml", "xl/styles.xml"})
            if (!xlsx::find(parts, part))
                throw FileError(QStringLiteral("это не книга Excel: нет части %1").arg(QString::fromUtf8(part)));
        pugi::xml_document workbook;
        sheets = xlsx::sheets(parts, workbook);
        const pugi::xml_document s = parse(xlsx::find(parts, "xl/styles.xml")->data, QStringLiteral("xl/styles.xml"));
        const pugi::xml_node ss = s.child("styleSheet");
        if (!ss.child("fonts").child("font") || !ss.child("cellXfs").child("xf"))
            throw FileError(QStringLiteral("в части xl/styles.xml нет шрифтов или форматов ячеек"));
    } catch (const FileError& e) {
        unreadable(e.text());
    }
}

// The sheet's part read and checked: every row and cell has its place within the sheet, in order,
// and the template's merged areas are known.
void Workbook::Impl::readSheet(const xlsx::SheetEntry& entry) {
    const QString partName = QString::fromStdString(entry.part);
    const Part* part = xlsx::find(parts, entry.part);
    if (!part) throw FileError(QStringLiteral("нет части листа «%1»").arg(entry.name));
    sheetDoc = parse(part->data, partName);
    const pugi::xml_node ws = sheetDoc.child("worksheet");
    if (!ws) throw FileError(QStringLiteral("часть %1 не лист").arg(partName));
    const auto bad = [&](const QString& what) {
        return FileError(QStringLiteral("на листе «%1» %2").arg(entry.name, what));
    };
    int lastRow = 0;
    for (pugi::xml_node row : ws.child("sheetData").children("row")) {
        const std::optional<int> r = row.attribute("r") ? xlsx::parseRow(row.attribute("r").value()) : lastRow + 1;
        if (!r || *r <= lastRow || *r > xlsx::kMaxRow) throw bad(QStringLiteral("строки не по порядку или с неверным номером"));
        (row.attribute("r") ? row.attribute("r") : row.prepend_attribute("r")).set_value(*r);
        lastRow = *r;
        int lastCell = 0;
        for (pugi::xml_node c : row.children("c")) {
            std::optional<xlsx::Cell> cell = xlsx::Cell{*r, lastCell + 1};
            if (c.attribute("r")) cell = xlsx::parseCell(c.attribute("r").value());
            if (!cell || cell->row != *r || cell->col <= lastCell || cell->col > xlsx::kMaxColumn)
                throw bad(QStringLiteral("неверный адрес ячейки «%1»").arg(QString::fromUtf8(c.attribute("r").value())));
            (c.attribute("r") ? c.attribute("r") : c.prepend_attribute("r"))
                .set_value(toStd(xlsx::cellName(cell->row, cell->col)).c_str());
            lastCell = cell->col;
        }
    }
    int lastCol = 0;  // column ranges are in order and do not overlap
    for (pugi::xml_node c : ws.child("cols").children("col")) {
        const int min = c.attribute("min").as_int(), max = c.attribute("max").as_int();
        if (min <= lastCol || max < min || max > xlsx::kMaxColumn)
            throw bad(QStringLiteral("неверные столбцы %1–%2").arg(min).arg(max));
        lastCol = max;
    }
    merged.clear();
    for (pugi::xml_node m : ws.child("mergeCells").children("mergeCell")) {
        const auto range = xlsx::parseRange(m.attribute("ref").value());
        if (!range) throw bad(QStringLiteral("неверная объединённая область «%1»").arg(QString::fromUtf8(m.attribute("ref").value())));
        merged.push_back(*range);
    }
}

// The rows the kept sheet prints on every page ("'Лист20'!$17:$17"); none: 0.
static std::pair<int, int> printTitles(pugi::xml_node names) {
    static const QRegularExpression rows(QStringLiteral("\\$(\\d+):\\$(\\d+)"));
    for (pugi::xml_node n : names.children("definedName"))
        if (std::string_view(n.attribute("name").value()) == "_xlnm.Print_Titles" && n.attribute("localSheetId").as_int() == 0)
            if (const auto m = rows.match(QString::fromUtf8(n.text().get())); m.hasMatch())
                return {m.captured(1).toInt(), m.captured(2).toInt()};
    return {0, 0};
}

// The copy holds the chosen sheet only: the other sheets go, with their relationships, content
// types, the parts only they use, the names defined on them (print areas, print titles), and the
// workbook's view and summary that counted them.
void Workbook::Impl::keepOnly(const xlsx::SheetEntry& entry) {
    copy = parts;
    pugi::xml_document workbook = parse(xlsx::find(copy, "xl/workbook.xml")->data, QStringLiteral("xl/workbook.xml"));
    pugi::xml_document rels =
        parse(xlsx::find(copy, "xl/_rels/workbook.xml.rels")->data, QStringLiteral("xl/_rels/workbook.xml.rels"));
    pugi::xml_document types = parse(xlsx::find(copy, "[Content_Types].xml")->data, QStringLiteral("[Content_Types].xml"));
    pugi::xml_node book = workbook.child("workbook");

    const Removed removed = removeOtherSheets(book, entry);
    pugi::xml_node relationships = rels.child("Relationships");
    for (pugi::xml_node r = relationships.first_child(), next; r; r = next) {
        next = r.next_sibling();
        const std::string target = r.attribute("Target").value();
        if (removed.ids.count(r.attribute("Id").value()) || target.find("calcChain.xml") != std::string::npos)
            relationships.remove_child(r);  // a calculation chain that no longer matches makes Excel repair the file
    }
    keepNames(book, removed);
    for (pugi::xml_node view : book.child("bookViews").children("workbookView")) {
        view.remove_attribute("activeTab");
        view.remove_attribute("firstSheet");
    }
    book.remove_child("customWorkbookViews");
    dropPartsOf(removed, entry, rels, types);

    // The summary's list of sheets and names would count the removed ones; it is optional.
    if (Part* app = xlsx::find(copy, "docProps/app.xml")) {
        pugi::xml_document doc = parse(app->data, QStringLiteral("docProps/app.xml"));
        doc.child("Properties").remove_child("HeadingPairs");
        doc.child("Properties").remove_child("TitlesOfParts");
        app->data = serialize(doc);
    }
    xlsx::find(copy, "xl/workbook.xml")->data = serialize(workbook);
    xlsx::find(copy, "xl/_rels/workbook.xml.rels")->data = serialize(rels);
    xlsx::find(copy, "[Content_Types].xml")->data = serialize(types);
    styles = parse(xlsx::find(copy, "xl/styles.xml")->data, QStringLiteral("xl/styles.xml"));
}

Workbook::Impl::Removed Workbook::Impl::removeOtherSheets(pugi::xml_node book, const xlsx::SheetEntry& entry) const {
    Removed removed;
    std::string keptId;
    int index = 0;
    for (pugi::xml_node s = book.child("sheets").child("sheet"), next; s; s = next, ++index) {
        next = s.next_sibling("sheet");
        if (QString::fromUtf8(s.attribute("name").value()) == entry.name && removed.keptIndex < 0) {
            removed.keptIndex = index;
            keptId = s.attribute("r:id").value();
            s.remove_attribute("state");  // a hidden report sheet is shown
            continue;
        }
        removed.names.push_back(QString::fromUtf8(s.attribute("name").value()));
        removed.ids.insert(s.attribute("r:id").value());
        book.child("sheets").remove_child(s);
    }
    removed.ids.erase(keptId);
    // A removed sheet takes along its relationship and part only when they are a worksheet's: an id
    // that names the styles or the shared strings stays theirs.
    std::set<std::string> worksheetIds;
    for (const xlsx::SheetEntry& e : sheets)
        if (!e.part.empty()) worksheetIds.insert(e.relId);
    std::erase_if(removed.ids, [&](const std::string& id) { return !worksheetIds.count(id); });
    for (const xlsx::SheetEntry& e : sheets)
        if (removed.ids.count(e.relId) && !e.part.empty()) removed.parts.push_back(e.part);
    return removed;
}

// Names: those of the kept sheet now belong to sheet 0; those of other sheets, or naming them, go.
void Workbook::Impl::keepNames(pugi::xml_node book, const Removed& removed) {
    pugi::xml_node names = book.child("definedNames");
    if (!names) return;
    for (pugi::xml_node n = names.child("definedName"), next; n; n = next) {
        next = n.next_sibling("definedName");
        const QString formula = QString::fromUtf8(n.text().get());
        bool drop = std::any_of(removed.names.begin(), removed.names.end(),
                                [&](const QString& sheetName) { return namesSheet(formula, sheetName); });
        if (pugi::xml_attribute local = n.attribute("localSheetId")) {
            if (local.as_int(-1) == removed.keptIndex)
                local.set_value(0);
            else
                drop = true;
        }
        if (drop) names.remove_child(n);
    }
    if (!names.child("definedName")) book.remove_child(names);
    titles = printTitles(names);
}

// The parts that only the removed sheets used go, and their content types.
void Workbook::Impl::dropPartsOf(const Removed& removed, const xlsx::SheetEntry& entry, const pugi::xml_document& rels,
                                 pugi::xml_document& types) {
    const auto targets = [&](const std::string& part) {
        std::vector<std::string> out;
        const std::string relsName = relsOf(part);
        const Part* p = xlsx::find(copy, relsName);
        if (!p) return out;
        pugi::xml_document doc;
        const pugi::xml_document* d = &rels;
        if (relsName != "xl/_rels/workbook.xml.rels") {
            doc = parse(p->data, QString::fromStdString(relsName));
            d = &doc;
        }
        for (pugi::xml_node r : d->child("Relationships").children("Relationship"))
            if (std::string_view(r.attribute("TargetMode").value()) != "External")
                if (const std::string t = xlsx::resolve(folderOf(part), r.attribute("Target").value()); !t.empty()) out.push_back(t);
        return out;
    };
    const auto reach = [&](std::vector<std::string> from) {
        std::set<std::string> seen;
        while (!from.empty()) {
            const std::string p = from.back();
            from.pop_back();
            if (!seen.insert(p).second || seen.size() > size_t(xlsx::kMaxParts)) continue;
            for (const std::string& t : targets(p)) from.push_back(t);
        }
        return seen;
    };
    const std::set<std::string> kept = reach({""});
    std::set<std::string> drop;
    for (const std::string& p : reach(removed.parts))
        if (!kept.count(p)) drop.insert(p);
    drop.insert("xl/calcChain.xml");
    for (const std::string& p : std::set<std::string>(drop)) drop.insert(relsOf(p));
    for (const std::string& p : {entry.part, std::string("xl/workbook.xml"), std::string("xl/_rels/workbook.xml.rels"),
                                 std::string("xl/styles.xml"), std::string("[Content_Types].xml")})
        drop.erase(p);
    copy.erase(std::remove_if(copy.begin(), copy.end(), [&](const Part& p) { return drop.count(p.name) > 0; }), copy.end());
    pugi::xml_node typeList = types.child("Types");
    for (pugi::xml_node o = typeList.child("Override"), next; o; o = next) {
        next = o.next_sibling("Override");
        if (drop.count(xlsx::resolve("", o.attribute("PartName").value()))) typeList.remove_child(o);
    }
}

unsigned Workbook::Impl::headingStyle(pugi::xml_document& styleDoc, unsigned base, std::map<unsigned, unsigned>& made) {
    if (auto it = made.find(base); it != made.end()) return it->second;
    pugi::xml_node ss = styleDoc.child("styleSheet");
    pugi::xml_node fonts = ss.child("fonts");
    pugi::xml_node xfs = ss.child("cellXfs");
    std::vector<pugi::xml_node> xfList(xfs.children("xf").begin(), xfs.children("xf").end());
    std::vector<pugi::xml_node> fontList(fonts.children("font").begin(), fonts.children("font").end());
    pugi::xml_node baseXf = base < xfList.size() ? xfList[base] : xfList.front();
    const unsigned baseFont = baseXf.attribute("fontId").as_uint();

    pugi::xml_node font = fonts.append_copy(baseFont < fontList.size() ? fontList[baseFont] : fontList.front());
    if (!font.child("b")) font.prepend_child("b");
    attribute(fonts, "count").set_value(unsigned(fontList.size() + 1));

    pugi::xml_node xf = xfs.append_copy(baseXf);
    attribute(xf, "fontId").set_value(unsigned(fontList.size()));
    for (const char* a : {"applyFont", "applyAlignment"}) attribute(xf, a).set_value("1");
    pugi::xml_node align = xf.child("alignment");
    if (!align) align = xf.prepend_child("alignment");
    attribute(align, "horizontal").set_value("center");
    attribute(xfs, "count").set_value(unsigned(xfList.size() + 1));
    return made[base] = unsigned(xfList.size());
}

void Workbook::Impl::fillSheet(pugi::xml_document& doc, pugi::xml_document& styleDoc) const {
    pugi::xml_node ws = doc.child("worksheet");
    Rows rows{child(ws, "sheetData"), {}, {}, {}, {}};
    // Default formats of the columns (<cols>), for cells the template does not have.
    for (pugi::xml_node c : ws.child("cols").children("col"))
        if (c.attribute("style"))
            for (int i = c.attribute("min").as_int(); i <= c.attribute("max").as_int(); ++i)
                rows.columnStyle[i] = c.attribute("style").value();
    for (pugi::xml_node r : rows.data.children("row")) rows.byNumber[r.attribute("r").as_int()] = r;
    // The look of a data row: the formats of the template's first data row.
    if (auto it = rows.byNumber.find(dataRow); dataRow > 0 && it != rows.byNumber.end())
        for (pugi::xml_node c : it->second.children("c"))
            if (c.attribute("s")) rows.pattern[columnOf(c)] = c.attribute("s").value();

    // Every row that receives a cell, and every heading row.
    std::set<int> touched;
    for (const auto& [r, _] : cells) touched.insert(r);
    for (const auto& [r, from, to] : headings) touched.insert(r);
    int maxRow = 0, maxCol = 0;
    for (int r : touched) {
        maxCol = std::max(maxCol, fillRow(rows, r, styleDoc));
        maxRow = std::max(maxRow, r);
    }
    mergeHeadings(ws);
    if (!together.empty()) breakPages(ws, maxRow, maxCol);

    // The used range.
    if (pugi::xml_node dim = ws.child("dimension")) {
        const auto range = xlsx::parseRange(dim.attribute("ref").value());
        const int lastRow = std::max({range ? range->last.row : 1, maxRow, 1});
        const int lastCol = std::max({range ? range->last.col : 1, maxCol, 1});
        attribute(dim, "ref").set_value(toStd(QStringLiteral("A1:") + xlsx::cellName(lastRow, lastCol)).c_str());
    }
    selectStart(ws);
}

int Workbook::Impl::fillRow(Rows& rows, int r, pugi::xml_document& styleDoc) const {
    const bool isData = dataRow > 0 && r > dataRow && (lastDataRow == 0 || r <= lastDataRow);
    pugi::xml_node row;
    if (auto it = rows.byNumber.find(r); it != rows.byNumber.end()) {
        row = it->second;
    } else {
        auto after = rows.byNumber.upper_bound(r);
        row = after == rows.byNumber.end() ? rows.data.append_child("row") : rows.data.insert_child_before("row", after->second);
        row.append_attribute("r").set_value(r);
        rows.byNumber[r] = row;
    }
    row.remove_attribute("spans");  // left out rather than kept wrong
    std::map<int, pugi::xml_node> rowCells;
    for (pugi::xml_node c : row.children("c")) rowCells[columnOf(c)] = c;
    const auto cellAt = [&](int col) {
        if (auto it = rowCells.find(col); it != rowCells.end()) return it->second;
        auto after = rowCells.upper_bound(col);
        pugi::xml_node c = after == rowCells.end() ? row.append_child("c") : row.insert_child_before("c", after->second);
        c.append_attribute("r").set_value(toStd(xlsx::cellName(r, col)).c_str());
        std::string style;
        if (auto p = rows.pattern.find(col); isData && p != rows.pattern.end())
            style = p->second;
        else if (row.attribute("customFormat").as_bool() && row.attribute("s"))
            style = row.attribute("s").value();
        else if (auto cs = rows.columnStyle.find(col); cs != rows.columnStyle.end())
            style = cs->second;
        if (!style.empty() && style != "0") c.append_attribute("s").set_value(style.c_str());
        rowCells[col] = c;
        return c;
    };
    if (isData)
        for (const auto& [col, style] : rows.pattern) cellAt(col);

    int maxCol = 0;
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
            attribute(c, "s").set_value(headingStyle(styleDoc, c.attribute("s").as_uint(), rows.madeHeading));
        }
        maxCol = std::max(maxCol, to);
    }
    return maxCol;
}

// A heading is merged unless that would overlap a merged area: Excel refuses overlapping ones.
void Workbook::Impl::mergeHeadings(pugi::xml_node ws) const {
    std::vector<xlsx::Range> taken = merged;
    std::vector<xlsx::Range> added;
    for (const auto& [r, from, to] : headings) {
        const xlsx::Range range{{r, from}, {r, to}};
        if (from >= to || std::any_of(taken.begin(), taken.end(), [&](const xlsx::Range& m) { return m.overlaps(range); }))
            continue;
        taken.push_back(range);
        added.push_back(range);
    }
    if (added.empty()) return;
    pugi::xml_node merges = child(ws, "mergeCells");
    for (const xlsx::Range& m : added)
        merges.append_child("mergeCell")
            .append_attribute("ref")
            .set_value(toStd(xlsx::cellName(m.first.row, m.first.col) + u':' + xlsx::cellName(m.last.row, m.last.col)).c_str());
    attribute(merges, "count").set_value(int(taken.size()));
}

void Workbook::Impl::selectStart(pugi::xml_node ws) const {
    pugi::xml_node views = child(ws, "sheetViews");
    pugi::xml_node view = views.child("sheetView");
    if (!view) {
        view = views.append_child("sheetView");
        view.append_attribute("workbookViewId").set_value(0);
    }
    attribute(view, "tabSelected").set_value(1);
    const std::string pane = view.child("pane").attribute("activePane").value();
    while (pugi::xml_node s = view.child("selection")) view.remove_child(s);
    pugi::xml_node sel = view.append_child("selection");
    if (!pane.empty()) sel.append_attribute("pane").set_value(pane.c_str());
    const std::string active = toStd(xlsx::cellName(activeRow, activeCol));
    sel.append_attribute("activeCell").set_value(active.c_str());
    sel.append_attribute("sqref").set_value(active.c_str());
}

// Page ends before the rows kept together where a page would cut them. A written text is taken to
// wrap in its column (a data row's look wraps), so its row grows by the lines it needs.
void Workbook::Impl::breakPages(pugi::xml_node ws, int lastRow, int lastCol) const {
    std::map<int, double> given;
    for (pugi::xml_node r : ws.child("sheetData").children("row"))
        if (r.attribute("ht")) given[r.attribute("r").as_int()] = r.attribute("ht").as_double();
    int columns = lastCol;
    for (pugi::xml_node c : ws.child("cols").children("col")) columns = std::max(columns, c.attribute("max").as_int());
    const xlsx::PageLayout layout = xlsx::pageLayout(ws, titles, std::min(columns, 64));
    const auto height = [&](int r) {
        double h = given.count(r) ? given.at(r) : layout.defaultRow;
        if (const auto it = cells.find(r); it != cells.end())
            for (const auto& [col, w] : it->second) {
                const double perLine = std::max(1.0, std::floor((xlsx::columnWidth(ws, col) - 1) / 1.1));
                h = std::max(h, std::ceil(double(w.text.size()) / perLine) * layout.defaultRow);
            }
        return h;
    };
    const std::vector<int> ends = xlsx::pageEnds(layout, lastRow, height, together);
    ws.remove_child("rowBreaks");
    if (ends.empty()) return;
    pugi::xml_node breaks = child(ws, "rowBreaks");
    breaks.append_attribute("count").set_value(int(ends.size()));
    breaks.append_attribute("manualBreakCount").set_value(int(ends.size()));
    for (int end : ends) {  // the break stands above the row of this zero-based number: after row `end`
        pugi::xml_node b = breaks.append_child("brk");
        b.append_attribute("id").set_value(end);
        b.append_attribute("max").set_value(16383);
        b.append_attribute("man").set_value(1);
    }
}

void Workbook::Impl::put(int row, int col, Written w) {
    if (row < 1 || row > xlsx::kMaxRow || col < 1 || col > xlsx::kMaxColumn)
        throw FileError(QStringLiteral("Отчёт не помещается на лист «%1»: ячейка %2, %3").arg(sheet).arg(row).arg(col));
    cells[row][col] = std::move(w);
}

Workbook::Workbook(const QString& templatePath) : d(std::make_unique<Impl>()) {
    d->templatePath = templatePath;
    d->read();
}

Workbook::~Workbook() = default;

void Workbook::selectSheet(const QString& name) {
    const auto it = std::find_if(d->sheets.begin(), d->sheets.end(), [&](const xlsx::SheetEntry& s) { return s.name == name; });
    if (it == d->sheets.end() || it->part.empty())
        throw FileError(QStringLiteral("В шаблоне отчётов %1 нет листа «%2»").arg(d->templatePath, name));
    d->titles = {0, 0};
    try {
        d->readSheet(*it);
        d->keepOnly(*it);
    } catch (const FileError& e) {
        d->sheet.clear();
        d->unreadable(e.text());
    }
    d->sheet = name;
    d->sheetPart = it->part;
}

void Workbook::setDataRow(int row) {
    d->dataRow = row;
    d->lastDataRow = 0;
}

void Workbook::endData(int lastRow) { d->lastDataRow = lastRow; }

void Workbook::setText(int row, int col, const QString& text) { d->put(row, col, {Written::Text, xmlSafe(text)}); }

void Workbook::setNumber(int row, int col, qint64 value) { d->put(row, col, {Written::Number, QString::number(value)}); }

void Workbook::setScore(int row, int col, Score value) {
    d->put(row, col, {Written::Number, value.toString(QLocale::c())});
}

void Workbook::formatHeading(int row, int fromCol, int toCol) {
    if (row < 1 || row > xlsx::kMaxRow || fromCol < 1 || toCol < fromCol || toCol > xlsx::kMaxColumn)
        throw FileError(QStringLiteral("Отчёт не помещается на лист «%1»: ячейка %2, %3").arg(d->sheet).arg(row).arg(toCol));
    d->headings.emplace_back(row, fromCol, toCol);
}

void Workbook::keepTogether(int firstRow, int lastRow) {
    if (firstRow >= 1 && lastRow > firstRow && lastRow <= xlsx::kMaxRow) d->together.emplace_back(firstRow, lastRow);
}

void Workbook::activate(int row, int col) {
    d->activeRow = std::clamp(row, 1, xlsx::kMaxRow);
    d->activeCol = std::clamp(col, 1, xlsx::kMaxColumn);
}

void Workbook::save(const QString& path) {
    if (d->sheet.isEmpty()) throw FileError(QStringLiteral("Не выбран лист отчёта"));
    std::vector<Part> out = d->copy;
    {
        pugi::xml_document sheet, styles;
        sheet.reset(d->sheetDoc);
        styles.reset(d->styles);
        d->fillSheet(sheet, styles);
        xlsx::find(out, d->sheetPart)->data = serialize(sheet);
        xlsx::find(out, "xl/styles.xml")->data = serialize(styles);
    }

    const QString folder = QFileInfo(path).absolutePath();
    const QString temp = path + QStringLiteral(".part");
    QFile::remove(temp);
    const auto cannotWrite = [&](const QString& why) {
        QFile::remove(temp);
        throw FileError(QStringLiteral("Не удалось записать отчёт в папку %1: %2").arg(QDir::toNativeSeparators(folder), why));
    };
    int error = 0;
    xlsx::zip::Archive zip(zip_open(QFile::encodeName(temp).constData(), ZIP_CREATE | ZIP_EXCL, &error));
    if (!zip) cannotWrite(xlsx::zip::errorText(error));
    for (const Part& p : out) {
        xlsx::zip::Source src(zip_source_buffer(zip.get(), p.data.constData(), zip_uint64_t(p.data.size()), 0));
        if (!src || zip_file_add(zip.get(), p.name.c_str(), src.get(), ZIP_FL_ENC_UTF_8) < 0)
            cannotWrite(QString::fromUtf8(zip_strerror(zip.get())));
        (void)src.release();  // the archive has it now
    }
    if (!xlsx::zip::close(zip)) cannotWrite(QString::fromUtf8(zip_strerror(zip.get())));
    if (!QFile::rename(temp, path)) cannotWrite(QStringLiteral("файл %1 уже есть или недоступен").arg(QFileInfo(path).fileName()));
}
