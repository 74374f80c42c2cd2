#include "app/batch/SystemList.h"

#include "store/Engine.h"
#include "store/ParamDb.h"

namespace batch {

namespace {

template <class Each>
void ForEachRow(store::Database& db, const std::string& sql, Each each) {
    store::Recordset rs = db.OpenRecordset(sql);
    while (!rs.Eof()) {
        each(rs);
        rs.MoveNext();
    }
}

}  // namespace

std::vector<std::string> SystemItems(store::Database& params) {
    std::vector<std::string> items;
    ForEachRow(params, store::sql::AllProjections,
               [&](store::Recordset& rs) { items.push_back(rs.Field("nom").Value().Text()); });
    ForEachRow(params, store::sql::AllDatums, [&](store::Recordset& rs) {
        items.push_back(rs.Field("Pays").Value().Text() + " Geographic " + rs.Field("Code").Value().Text());
    });
    ForEachRow(params, store::sql::UtmProjections,
               [&](store::Recordset& rs) { items.push_back(rs.Field("Pays").Value().Text() + " MGRS"); });
    items.push_back("BE IFBL");
    return items;
}

}  // namespace batch
