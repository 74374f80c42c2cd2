#pragma once
// A source table read on demand, for the preview grid: the record count up
// front, then any row by its number, from a few blocks of rows kept in
// memory. A table of a million rows opens as fast as one of ten, its last
// row is one jump away, and scrolling through it holds no more than the
// blocks' worth of rows.
//
//   batch::Source s{"Excel 8.0;", "/data/coords.xls"};
//   batch::TableFeed feed(s, "Points");
//   long n = feed.Count();
//   const std::vector<store::Value>* last = feed.Row(n - 1);

#include <list>
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

// How much of a table the preview keeps: `blocks` blocks of `blockRows`
// rows, a few screenfuls.
struct FeedCache {
    long blockRows = 200;
    std::size_t blocks = 8;
};

class TableFeed {
public:
    // Opens the table; engine errors propagate.
    TableFeed(const Source& source, const std::string& table, FeedCache cache = {});

    const std::vector<store::FieldDef>& Fields() const { return cursor_->Fields(); }
    // Counted once; engine errors propagate.
    long Count();
    // Row `index` (from 0) with readable values, valid until the next call;
    // null past the end of the table. After a failed read (a file damaged
    // part-way, say) only the rows already held are given.
    const std::vector<store::Value>* Row(long index);
    bool Failed() const { return failed_; }

    std::size_t BlocksHeld() const { return blocks_.size(); }
    // Rows read from the table so far, those passed over to reach a row included.
    long Read() const { return read_; }

private:
    struct Block {
        long first = 0;
        std::vector<std::vector<store::Value>> rows;
    };
    const Block& Load(long first);
    void MoveTo(long row);

    store::Database db_;
    std::string table_;
    FeedCache cache_;
    std::unique_ptr<store::TableCursor> cursor_;
    long position_ = 0;  // the row the cursor reads next
    long count_ = -1;
    long read_ = 0;
    bool failed_ = false;
    std::list<Block> blocks_;  // the most recently used first
};

// The caption so far ("Aperçu") with the table and its record count:
// "Aperçu - pts  (120 enregistrements)". An empty table keeps the caption
// as it was: moving to its last record, to count them, fails.
std::string PreviewCaption(const std::string& caption, const std::string& table, long count);

// Where the preview window goes on a screen of the given size in twips:
// centred at 12120 x 9120 on a screen wider than 12000, maximised otherwise.
struct PreviewPlacement {
    bool maximised = false;
    int left = 0, top = 0, width = 0, height = 0;
};
PreviewPlacement PlacePreview(int screenWidth, int screenHeight);

}  // namespace batch
