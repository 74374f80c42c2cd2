#pragma once
// The items of the batch window's three system lists, after their placeholder.

#include <string>
#include <vector>

namespace store {
class Database;
}

namespace batch {

// Every projection by name, every datum as "<Pays> Geographic <Code>", every
// UTM projection's country as "<Pays> MGRS", then "BE IFBL", in that order.
std::vector<std::string> SystemItems(store::Database& params);

}  // namespace batch
