// Reading and loading seeds.

#include "store/Seed.h"

namespace store {

namespace {

std::vector<std::string> Cells(const std::string& line) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (;;) {
        const auto tab = line.find('\t', start);
        cells.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
        if (tab == std::string::npos) return cells;
        start = tab + 1;
    }
}

}  // namespace

std::vector<SeedTable> ParseSeed(const std::string& text) {
    std::vector<SeedTable> tables;
    std::size_t start = 0;
    for (int lineNo = 1; start < text.size(); ++lineNo) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.front() == '#') continue;
        if (line.rfind("== ", 0) == 0) {
            tables.push_back({line.substr(3), {}, {}});
            continue;
        }
        if (tables.empty())
            throw Error(base::err::SyntaxError, "ligne " + std::to_string(lineNo) + " hors d'une table");
        SeedTable& t = tables.back();
        std::vector<std::string> cells = Cells(line);
        if (t.columns.empty()) {
            t.columns = std::move(cells);
        } else if (cells.size() != t.columns.size()) {
            throw Error(base::err::SyntaxError, "ligne " + std::to_string(lineNo) + " : " +
                                                    std::to_string(cells.size()) + " cellules pour " +
                                                    std::to_string(t.columns.size()) + " colonnes");
        } else {
            t.rows.push_back(std::move(cells));
        }
    }
    return tables;
}

void FillFromSeed(Database& db, const std::vector<SeedTable>& tables) {
    for (const SeedTable& t : tables) {
        Recordset rs = db.OpenRecordset(t.name);
        for (const auto& row : t.rows) {
            rs.AddNew();
            for (std::size_t c = 0; c < row.size(); ++c)
                rs.SetField(t.columns[c], row[c].empty() ? Value() : Value(row[c]));
            rs.Update();
        }
    }
}

}  // namespace store
