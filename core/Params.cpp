// The parameter loaders: one row of the parameter database, by its exact Nom,
// into a record. The name is bound to the statement, never spliced into it;
// records are cached by the store until the database changes. Rows holding
// values no formula can use are refused (err::BadParameter, the rules of
// ParamRules.h).

#include "core/Params.h"

#include <optional>

#include "base/Errors.h"
#include "core/ParamColumns.h"
#include "core/ParamRules.h"
#include "store/ParamDb.h"

namespace core {

namespace {

// Columns are read in the record's order, so that a row failing to convert
// fails on the same column every time.
double Number(store::Recordset& rs, const char* column) { return rs.Field(column).Value().Double(); }
float Single(store::Recordset& rs, const char* column) { return rs.Field(column).Value().Float(); }

std::string Name(store::Recordset& rs, const char* column) {
    const store::Value v = rs.Field(column).Value();
    if (v.IsNull()) throw base::ArithmeticError(base::err::InvalidNull, "Utilisation incorrecte de Null.");
    return v.Text();
}

// A row whose numbers no formula can use would give the same wrong point for
// every input: it is refused where it is read, naming where it lies.
void Require(const std::optional<ParamFault>& fault, store::Recordset& rs, store::ParamTable table) {
    if (fault)
        throw base::RuntimeError(base::err::BadParameter,
                                 ParamFaultText(table, rs.Field("Nom").Value().Text(), *fault));
}

EllipsoidParams ReadEllipsoid(store::Recordset& rs) {
    EllipsoidParams p;
    for (const auto& c : EllipsoidColumns) p.*c.member = Number(rs, c.name);
    Require(CheckEllipsoid(p), rs, store::ParamTable::Ellipsoides);
    return p;
}

DatumParams ReadDatum(store::Recordset& rs) {
    DatumParams p;
    p.Ellipsoide = Name(rs, "Ellipsoide");
    for (const auto& c : DatumColumns) p.*c.member = Single(rs, c.name);
    Require(CheckDatum(p), rs, store::ParamTable::Datums);
    return p;
}

ProjectionParams ReadProjection(store::Recordset& rs) {
    ProjectionParams p;
    p.Datum = Name(rs, "Datum");
    for (const auto& c : ProjectionColumns) p.*c.member = Number(rs, c.name);
    p.Type = rs.Field(ProjectionType.name).Value().Int16();
    Require(CheckProjection(p), rs, store::ParamTable::Projections);
    return p;
}

}  // namespace

EllipsoidParams LoadEllipsoid(const std::string& name) {
    return store::LoadParam<store::ParamTable::Ellipsoides, ReadEllipsoid>(name);
}

DatumParams LoadDatum(const std::string& name) { return store::LoadParam<store::ParamTable::Datums, ReadDatum>(name); }

ProjectionParams LoadProjection(const std::string& name) {
    return store::LoadParam<store::ParamTable::Projections, ReadProjection>(name);
}

}  // namespace core
