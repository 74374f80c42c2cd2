#pragma once
// One action statement prepared once and run for many records, as when a
// table is filled row after row: no statement lookup, no copy of the texts.
//
//   store::Statement insert(db, "INSERT INTO \"pts\" VALUES (?, ?)");
//   std::vector<std::string_view> texts{"1", "148679.447"};
//   insert.Run(texts);
//
// Destroy it before closing its database.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/Engine.h"

namespace store {

namespace detail {
class Query;
}

class Statement {
public:
    Statement(Database& db, const std::string& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds every parameter (3061 for the wrong count) and runs the
    // statement once. The texts are read in place: they need only outlive the call.
    void Run(const std::vector<std::string_view>& texts);
    void Run(const std::vector<Value>& values);

private:
    template <typename Bind>
    void Step(Bind bind);

    std::shared_ptr<detail::DatabaseImpl> db_;
    const void* conn_;  // the connection the statement was prepared on
    std::unique_ptr<detail::Query> query_;
};

}  // namespace store
