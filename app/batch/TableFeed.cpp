#include "app/batch/TableFeed.h"

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

TableFeed::TableFeed(const Source& source, const std::string& table)
    : db_(OpenSource(source)), table_(table), cursor_(db_.OpenForwardOnly(table)) {}

long TableFeed::Count() {
    if (const long known = cursor_->Count(); known >= 0) return known;
    return CountRecords(db_, table_);
}

long TableFeed::FetchMore(long n, std::vector<std::vector<store::Value>>& rows) {
    long read = 0;
    std::vector<store::Value> row;
    while (read < n && !atEnd_) {
        if (!cursor_->Next(row)) {
            atEnd_ = true;
            break;
        }
        MakeReadable(cursor_->Fields(), row);
        rows.push_back(std::move(row));
        row.clear();
        ++read;
    }
    fetched_ += read;
    return read;
}

std::string PreviewCaption(const std::string& caption, const std::string& table, long count) {
    return caption + " - " + table + "  (" + std::to_string(count) + " enregistrements)";
}

PreviewPlacement PlacePreview(int screenWidth, int screenHeight) {
    constexpr int Width = 12120, Height = 9120, WideScreen = 12000;
    if (screenWidth <= WideScreen) return {true, 0, 0, 0, 0};
    return {false, (screenWidth - Width) / 2, (screenHeight - Height) / 2, Width, Height};
}

}  // namespace batch
