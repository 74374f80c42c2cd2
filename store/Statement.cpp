#include "store/Statement.h"

#include "store/detail/EngineImpl.h"
#include "store/detail/Sqlite.h"

namespace store {

Statement::Statement(Database& db, const std::string& sql)
    : db_(db.Impl()), conn_(&db_->Native()), query_(std::make_unique<detail::Query>(db_->Native(), sql)) {}

Statement::~Statement() {
    if (db_->conn.get() != conn_) query_->Abandon();
}

template <typename Bind>
void Statement::Step(Bind bind) {
    detail::Connection& conn = db_->Native();
    if (&conn != conn_) throw Error(base::err::ObjectClosed);
    bind(*query_);
    // Reset even when the step fails, so the statement holds no lock.
    struct Reset {
        detail::Query& q;
        ~Reset() { q.Reset(); }
    } reset{*query_};
    while (query_->Step()) {}
    conn.NoteWrite();
}

void Statement::Run(const std::vector<std::string_view>& texts) {
    Step([&](detail::Query& q) { q.BindTexts(texts); });
}

void Statement::Run(const std::vector<Value>& values) {
    Step([&](detail::Query& q) { q.Bind(values, true); });
}

}  // namespace store
