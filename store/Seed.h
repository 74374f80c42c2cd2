#pragma once
// The readable seed of a database: tables as blocks of tab-separated lines.
//
//   # comment
//   == Table
//   Column1<TAB>Column2
//   value<TAB>value
//
// Cells are stored as texts and take the column's type when written, so a
// number is stored as exactly the double its decimal text spells. An empty
// cell is Null.

#include <string>
#include <vector>

#include "store/Engine.h"

namespace store {

struct SeedTable {
    std::string name;
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
};

// Fails with 3075, naming the line, on a row whose cell count differs from its header's.
std::vector<SeedTable> ParseSeed(const std::string& text);

// Adds the rows of every seed table to the table of that name.
void FillFromSeed(Database& db, const std::vector<SeedTable>& tables);

}  // namespace store
