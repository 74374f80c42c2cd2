#pragma once
// Rows of the table as clipboard text, and a line from the clipboard split
// into a row's cells.
//
// Copied rows are tab-separated, label first, cells as the window shows
// them, so that a spreadsheet puts each value in its column. A pasted line is
// split at tabs, semicolons or ", " (a spreadsheet, a CSV line, a map's
// "lat, lon"), else at blanks, where labels ("E 596372 N 5632971") and
// hemisphere letters ("50°50'48\"N 4°21'9\"E") say which value is which.
// Metres labelled E/N or X/Y come out in E, N order.

#include <string>
#include <vector>

#include "app/main/MainModel.h"

namespace app {

// One row, label first, tab-separated, ended by a line break.
std::string RowLine(const MainModel& model, int row);
// The height line, names and cells, tab-separated and ended by a line
// break; empty when neither height is given.
std::string HeightLine(const MainModel& model);
// The column headers, every row (a list row only when its list shows a
// system), the height line and the method line.
std::string TableLines(const MainModel& model);

// The values of a pasted text, with what it says of them.
struct PastedLine {
    std::vector<std::string> fields;
    std::string label;      // a first tab-separated field that names a row or system, else empty
    bool lines = false;     // more than one line of text
    bool mapOrder = false;  // split at blanks or ", ", as maps and web pages write (latitude first)
};

// Splits `text`; `geographic` says whether the values are angles (hemisphere
// letters group blank-separated fields) or metres (E/N and X/Y labels).
// `names` are the row labels and system names a copied row starts with.
PastedLine SplitPastedLine(const std::string& text, bool geographic, const std::vector<std::string>& names);

}  // namespace app
