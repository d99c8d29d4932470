#include "xlsx/Pages.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace xlsx {

namespace {

// The part of a page the program fills: the spreadsheet program's own row heights and scaling
// differ a little from the estimate.
constexpr double kFill = 0.85;

// Paper sizes in inches (width, height), portrait, by the sheet's paperSize code; Letter by default.
std::pair<double, double> paper(int code) {
    switch (code) {
    case 9: return {8.27, 11.69};   // A4
    case 8: return {11.69, 16.54};  // A3
    case 11: return {5.83, 8.27};   // A5
    case 5: return {8.5, 14};       // Legal
    default: return {8.5, 11};      // Letter
    }
}

}  // namespace

double columnWidth(pugi::xml_node ws, int column) {
    for (pugi::xml_node c : ws.child("cols").children("col"))
        if (column >= c.attribute("min").as_int() && column <= c.attribute("max").as_int())
            return c.attribute("width").as_double(8.43);
    const pugi::xml_node format = ws.child("sheetFormatPr");
    if (pugi::xml_attribute w = format.attribute("defaultColWidth")) return w.as_double();
    return format.attribute("baseColWidth").as_double(8) + 0.43;
}

PageLayout pageLayout(pugi::xml_node ws, std::pair<int, int> titles, int usedColumns) {
    PageLayout l;
    l.defaultRow = ws.child("sheetFormatPr").attribute("defaultRowHeight").as_double(15);
    const pugi::xml_node setup = ws.child("pageSetup");
    const pugi::xml_node margins = ws.child("pageMargins");
    auto [width, height] = paper(setup.attribute("paperSize").as_int(1));
    if (std::strcmp(setup.attribute("orientation").value(), "landscape") == 0) std::swap(width, height);
    const double printWidth = (width - margins.attribute("left").as_double(0.7) - margins.attribute("right").as_double(0.7)) * 72;
    const double printHeight = (height - margins.attribute("top").as_double(0.75) - margins.attribute("bottom").as_double(0.75)) * 72;
    // A column of w characters is 7w + 5 pixels of 0.75 points wide.
    double sheetWidth = 0;
    for (int c = 1; c <= usedColumns; ++c) sheetWidth += (std::floor(7 * columnWidth(ws, c)) + 5) * 0.75;
    double scale = setup.attribute("scale").as_double(100) / 100;
    if (ws.child("sheetPr").child("pageSetUpPr").attribute("fitToPage").as_bool()) {
        scale = 1;
        if (setup.attribute("fitToWidth").as_int(1) > 0 && sheetWidth > printWidth) scale = printWidth / sheetWidth;
    }
    l.rowsHeight = printHeight / std::max(scale, 0.1) * kFill;
    if (titles.first > 0) {
        std::map<int, double> heights;
        for (pugi::xml_node r : ws.child("sheetData").children("row"))
            if (r.attribute("ht")) heights[r.attribute("r").as_int()] = r.attribute("ht").as_double();
        for (int r = titles.first; r <= titles.second; ++r)
            l.titleHeight += heights.count(r) ? heights[r] : l.defaultRow;
    }
    return l;
}

std::vector<int> pageEnds(const PageLayout& layout, int lastRow, const std::function<double(int)>& rowHeight,
                          const std::vector<std::pair<int, int>>& blocks) {
    std::map<int, int> blockEnd;  // first row -> last row of a block
    for (const auto& [first, last] : blocks)
        if (last > first) blockEnd[first] = std::max(blockEnd[first], last);
    std::vector<int> ends;
    double used = 0;
    bool firstPage = true;
    for (int r = 1; r <= lastRow;) {
        int last = r;
        if (auto it = blockEnd.find(r); it != blockEnd.end()) last = std::min(it->second, lastRow);
        double height = 0;
        for (int k = r; k <= last; ++k) height += rowHeight(k);
        const double room = layout.rowsHeight - (firstPage ? 0 : layout.titleHeight);
        if (used > 0 && used + height > room) {
            ends.push_back(r - 1);
            firstPage = false;
            used = 0;
        }
        if (height > layout.rowsHeight - layout.titleHeight && last > r) {
            // Taller than a page: its rows go one by one.
            blockEnd.erase(r);
            continue;
        }
        used += height;
        r = last + 1;
    }
    return ends;
}

}  // namespace xlsx
