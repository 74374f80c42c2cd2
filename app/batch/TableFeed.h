#pragma once
// A source table read on demand, for the preview grid: the record count up
// front, then rows in blocks as the grid scrolls down, so that a table of a
// million rows opens as fast as one of ten.
//
//   batch::Source s{"Excel 8.0;", "/data/coords.xls"};
//   batch::TableFeed feed(s, "Points");
//   long n = feed.Count();
//   feed.FetchMore(100, rows);   // the first hundred rows, appended

#include <memory>
#include <string>
#include <vector>

#include "store/Engine.h"

namespace batch {

// The batch window's browsing connection: the connect text that names the
// driver ("" for the engine's own files and Access, "Excel 8.0;",
// "dBase 5.0;") and the database (a file, or the folder of dBase tables).
struct Source {
    std::string connect;
    std::string database;
    friend bool operator==(const Source&, const Source&) = default;
};

store::Database OpenSource(const Source& source);

// The number of records of a table: counted by the engine, or by a reading
// pass of its own for tables the drivers read.
long CountRecords(store::Database& db, const std::string& table);

class TableFeed {
public:
    // Opens the table; engine errors propagate.
    TableFeed(const Source& source, const std::string& table);

    const std::vector<store::FieldDef>& Fields() const { return cursor_->Fields(); }
    long Count();
    // Appends up to `n` further rows to `rows`; returns how many it read.
    long FetchMore(long n, std::vector<std::vector<store::Value>>& rows);
    bool AtEnd() const { return atEnd_; }
    // Rows read from the table so far.
    long Fetched() const { return fetched_; }

private:
    store::Database db_;
    std::string table_;
    std::unique_ptr<store::TableCursor> cursor_;
    bool atEnd_ = false;
    long fetched_ = 0;
};

// The caption so far ("Aperçu") with the table and its record count:
// "Aperçu - pts  (120 enregistrements)".
std::string PreviewCaption(const std::string& caption, const std::string& table, long count);

// Where the preview window goes on a screen of the given size in twips:
// centred at 12120 x 9120 on a screen wider than 12000, maximised otherwise.
struct PreviewPlacement {
    bool maximised = false;
    int left = 0, top = 0, width = 0, height = 0;
};
PreviewPlacement PlacePreview(int screenWidth, int screenHeight);

}  // namespace batch
