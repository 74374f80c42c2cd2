// The parameter loaders: one row of the parameter database, by its exact Nom,
// into a record. The name is bound to the statement, never spliced into it;
// records are cached by the store until the database changes. Rows holding
// values no formula can use are refused (err::BadParameter).

#include "core/Params.h"

#include <array>
#include <cmath>
#include <iomanip>
#include <locale>
#include <sstream>
#include <utility>

#include "base/Errors.h"
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
void Require(bool sound, store::Recordset& rs, const char* table, const char* column, double value,
             const char* expected) {
    if (sound) return;
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << "Paramètre incorrect dans la table " << table << ", ligne « " << rs.Field("Nom").Value().Text()
         << " », colonne " << column << " : " << std::setprecision(17) << value << " (" << expected << ").";
    throw base::RuntimeError(base::err::BadParameter, text.str());
}

constexpr const char* Finite = "un nombre fini est attendu";
constexpr const char* Positive = "un nombre positif est attendu";

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
    for (const auto& [member, column] : EllipsoidColumns) {
        p.*member = Number(rs, column);
        Require(std::isfinite(p.*member), rs, "Ellipsoides", column, p.*member, Finite);
    }
    Require(p.a > 0, rs, "Ellipsoides", "a", p.a, Positive);
    Require(p.ec >= 0 && p.ec < 1, rs, "Ellipsoides", "ec", p.ec, "une excentricité de 0 à moins de 1 est attendue");
    Require(p.unf > 0, rs, "Ellipsoides", "unf", p.unf, Positive);
    return p;
}

DatumParams ReadDatum(store::Recordset& rs) {
    DatumParams p;
    p.Ellipsoide = Name(rs, "Ellipsoide");
    for (const auto& [member, column] : DatumColumns) {
        p.*member = Single(rs, column);
        Require(std::isfinite(p.*member), rs, "Datums", column, p.*member, Finite);
    }
    return p;
}

ProjectionParams ReadProjection(store::Recordset& rs) {
    ProjectionParams p;
    p.Datum = Name(rs, "Datum");
    for (const auto& [member, column] : ProjectionColumns) {
        p.*member = Number(rs, column);
        Require(std::isfinite(p.*member), rs, "Projections", column, p.*member, Finite);
    }
    Require(p.k0 > 0, rs, "Projections", "k0", p.k0, Positive);
    p.Type = rs.Field("Type").Value().Int16();
    Require(p.Type >= 1 && p.Type <= 5, rs, "Projections", "Type", p.Type, "un type de 1 à 5 est attendu");
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
