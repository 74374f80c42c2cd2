#include "app/batch/TableFeed.h"

#include <algorithm>

#include "app/batch/Quoted.h"
#include "app/batch/ReadableValue.h"

namespace batch {

store::Database OpenSource(const Source& source) { return store::OpenDatabase(source.database, source.connect); }

long CountRecords(store::Database& db, const std::string& table) {
    try {
        store::Recordset rs = db.OpenRecordset("SELECT COUNT(*) FROM " + Quoted(table));
        return long(rs.Field(0).Value().Double());
    } catch (const store::EngineError&) {
        // Drivers read whole tables only; their files are small enough to read twice.
        auto cursor = db.OpenForwardOnly(table);
        if (const long known = cursor->Count(); known >= 0) return known;
        long n = 0;
        std::vector<store::Value> row;
        while (cursor->Next(row)) ++n;
        return n;
    }
}

TableFeed::TableFeed(const Source& source, const std::string& table, FeedCache cache)
    : db_(OpenSource(source)), table_(table), cache_(cache), cursor_(db_.OpenForwardOnly(table)) {
    cache_.blockRows = std::max(cache_.blockRows, 1L);
    cache_.blocks = std::max(cache_.blocks, std::size_t{1});
}

long TableFeed::Count() {
    if (count_ < 0) count_ = cursor_->Count();
    if (count_ < 0) count_ = CountRecords(db_, table_);
    return count_;
}

const std::vector<store::Value>* TableFeed::Row(long index) {
    if (index < 0) return nullptr;
    const long first = index - index % cache_.blockRows;
    const auto held = std::find_if(blocks_.begin(), blocks_.end(), [&](const Block& b) { return b.first == first; });
    const Block* block = nullptr;
    if (held != blocks_.end()) {
        blocks_.splice(blocks_.begin(), blocks_, held);
        block = &blocks_.front();
    } else if (!failed_) {
        try {
            block = &Load(first);
        } catch (const base::RuntimeError&) {
            failed_ = true;  // the grid shows what it could read
        }
    }
    if (!block || std::size_t(index - first) >= block->rows.size()) return nullptr;
    return &block->rows[std::size_t(index - first)];
}

const TableFeed::Block& TableFeed::Load(long first) {
    MoveTo(first);
    Block block{first, {}};
    std::vector<store::Value> row;
    while (position_ == first + long(block.rows.size()) && long(block.rows.size()) < cache_.blockRows &&
           cursor_->Next(row)) {
        MakeReadable(cursor_->Fields(), row);
        block.rows.push_back(std::move(row));
        row.clear();
        ++position_;
        ++read_;
    }
    if (blocks_.size() >= cache_.blocks) blocks_.pop_back();
    blocks_.push_front(std::move(block));
    return blocks_.front();
}

// Sources that go to a row directly do; the others read forward to it,
// from the start again to go back. A row past the end leaves the cursor
// short of it, and nothing is read there.
void TableFeed::MoveTo(long row) {
    if (position_ == row) return;
    if (cursor_->Seek(row)) {
        position_ = row;
        return;
    }
    if (row < position_) {
        cursor_ = db_.OpenForwardOnly(table_);
        position_ = 0;
    }
    std::vector<store::Value> skipped;
    while (position_ < row && cursor_->Next(skipped)) {
        ++position_;
        ++read_;
    }
}

std::string PreviewCaption(const std::string& caption, const std::string& table, long count) {
    if (count <= 0) return caption;
    return caption + " - " + table + "  (" + std::to_string(count) + " enregistrements)";
}

PreviewPlacement PlacePreview(int screenWidth, int screenHeight) {
    constexpr int Width = 12120, Height = 9120, WideScreen = 12000;
    if (screenWidth <= WideScreen) return {true, 0, 0, 0, 0};
    return {false, (screenWidth - Width) / 2, (screenHeight - Height) / 2, Width, Height};
}

}  // namespace batch
