// The parameter loaders: one row of the parameter database, by its exact Nom,
// into a record. The name is bound to the statement, never spliced into it;
// records are cached by the store until the database changes.

#include "core/Params.h"

#include <array>
#include <utility>

#include "base/Errors.h"
#include "store/ParamDb.h"

namespace core {

namespace {

// Columns are read in the record's order, so that a row failing to convert
// fails on the same column every time. Without a row, the first read fails
// with the store's "no current record" error.
double Number(store::Recordset& rs, const char* column) { return rs.Field(column).Value().Double(); }
float Single(store::Recordset& rs, const char* column) { return rs.Field(column).Value().Float(); }

std::string Name(store::Recordset& rs, const char* column) {
    const store::Value v = rs.Field(column).Value();
    if (v.IsNull()) throw base::ArithmeticError(base::err::InvalidNull, "Utilisation incorrecte de Null.");
    return v.Text();
}

// Columns in the record's order, each with the member it fills.
constexpr std::array<std::pair<double EllipsoidParams::*, const char*>, 3> EllipsoidColumns{{
    {&EllipsoidParams::a, "a"}, {&EllipsoidParams::ec, "ec"}, {&EllipsoidParams::unf, "unf"}}};
constexpr std::array<std::pair<float DatumParams::*, const char*>, 10> DatumColumns{{
    {&DatumParams::dX, "dX"}, {&DatumParams::dY, "dY"}, {&DatumParams::dZ, "dZ"},
    {&DatumParams::dX7, "dX7"}, {&DatumParams::dY7, "dY7"}, {&DatumParams::dZ7, "dZ7"},
    {&DatumParams::rX, "rX"}, {&DatumParams::rY, "rY"}, {&DatumParams::rZ, "rZ"}, {&DatumParams::dS, "dS"}}};
constexpr std::array<std::pair<double ProjectionParams::*, const char*>, 8> ProjectionColumns{{
    {&ProjectionParams::FE, "FE"}, {&ProjectionParams::fn, "fn"}, {&ProjectionParams::k0, "k0"},
    {&ProjectionParams::Lg0, "Lg0"}, {&ProjectionParams::Lt0, "Lt0"}, {&ProjectionParams::Lt1, "Lt1"},
    {&ProjectionParams::Lt2, "Lt2"}, {&ProjectionParams::aa, "aa"}}};

EllipsoidParams ReadEllipsoid(store::Recordset& rs) {
    EllipsoidParams p;
    for (const auto& [member, column] : EllipsoidColumns) p.*member = Number(rs, column);
    return p;
}

DatumParams ReadDatum(store::Recordset& rs) {
    DatumParams p;
    p.Ellipsoide = Name(rs, "Ellipsoide");
    for (const auto& [member, column] : DatumColumns) p.*member = Single(rs, column);
    return p;
}

ProjectionParams ReadProjection(store::Recordset& rs) {
    ProjectionParams p;
    p.Datum = Name(rs, "Datum");
    for (const auto& [member, column] : ProjectionColumns) p.*member = Number(rs, column);
    p.Type = rs.Field("Type").Value().Int16();
    return p;
}

}  // namespace

EllipsoidParams LoadEllipsoid(const std::string& name) {
    return store::LoadParam<store::ParamTable::Ellipsoides, ReadEllipsoid>(name);
}

DatumParams LoadDatum(const std::string& name) {
    return store::LoadParam<store::ParamTable::Datums, ReadDatum>(name);
}

ProjectionParams LoadProjection(const std::string& name) {
    return store::LoadParam<store::ParamTable::Projections, ReadProjection>(name);
}

}  // namespace core
