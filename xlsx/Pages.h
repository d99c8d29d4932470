#pragma once

#include <functional>
#include <pugixml.hpp>
#include <utility>
#include <vector>

// Where a report's printed pages end, decided by the program so that rows that belong together (a
// winner and his teachers, the last rows of a protocol and the jury's lines under them) never stand
// on two pages. The sheet's own settings say how it prints (paper, orientation, margins, fit to the
// page's width or a scale, column widths, row heights, the heading rows repeated on every page); the
// pages are filled to somewhat less than they hold, so that the spreadsheet program never needs a
// page end of its own between the program's.
namespace xlsx {

struct PageLayout {
    double rowsHeight = 0;    // points of the sheet's rows one page holds
    double titleHeight = 0;   // the heading rows repeated on every page after the first
    double defaultRow = 15;   // a row's height where the sheet gives none
};

// The layout of a worksheet (its XML) whose rows `titles` (first, last; 0 for none) repeat on every
// page; `usedColumns` is the last column that prints.
PageLayout pageLayout(pugi::xml_node worksheet, std::pair<int, int> titles, int usedColumns);

// The rows after which a page ends: every page filled up to the layout's height with rows of the
// given heights (rows 1 to lastRow), a block of rows (first, last) never divided unless it is taller
// than a page.
std::vector<int> pageEnds(const PageLayout& layout, int lastRow, const std::function<double(int)>& rowHeight,
                          const std::vector<std::pair<int, int>>& blocks);

// A column's width in characters as the sheet gives it (its default where it gives none).
double columnWidth(pugi::xml_node worksheet, int column);

}  // namespace xlsx
