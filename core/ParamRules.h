#pragma once
// The soundness rules of parameter values, stated once: what the loaders
// refuse to hand to a formula and what the parameter editor refuses to save.
//
// A rule belongs to one column and says, in French, what the column must
// hold; a value breaking it comes back as a ParamFault naming the column.
// Every number must be finite, then stay within the bounds of its column
// (see ParamColumns.h for each bound and why). The record checks run the
// column rules in the record's column order; checks of a definition that
// needs several columns (equal standard parallels, a pole, an eccentricity
// inconsistent with the flattening) belong in the record checks too, after
// the column rules, so that the loaders and the editor refuse the same rows.
//
//   if (auto fault = core::CheckParamValue(store::ParamTable::Ellipsoides, "a", a))
//       refuse(label, fault->expected);
//   if (auto fault = core::CheckProjection(record))
//       throw base::RuntimeError(base::err::BadParameter, core::ParamFaultText(table, nom, *fault));

#include <optional>
#include <string>
#include <string_view>

#include "core/Params.h"
#include "store/ParamDb.h"

namespace core {

struct ParamFault {
    std::string column;    // as the parameter database spells it: "a", "rX", "Lt0"
    double value = 0;      // the value refused
    std::string expected;  // what the column must hold: "un nombre fini est attendu"
};

// The rule of one column of `table` (its name compared without regard to
// case); nothing when the value keeps it or the column has no rule.
std::optional<ParamFault> CheckParamValue(store::ParamTable table, std::string_view column, double value);

// The first rule a whole record breaks, in its column order, then the rules
// of its definition as a whole:
// - an ellipsoid's e must be the eccentricity its 1/f gives (to 1e-6 of e);
// - type 2: standard parallels distinct, neither at a pole, not symmetric
//   about the equator (the cone constant n would be 0);
// - types 3 and 4: the origin off the poles; type 5: its parallel off the
//   poles and off the equator.
// A definition fault names the column to change (ec, Lt2, Lt0).
std::optional<ParamFault> CheckEllipsoid(const EllipsoidParams& p);
std::optional<ParamFault> CheckDatum(const DatumParams& p);
std::optional<ParamFault> CheckProjection(const ProjectionParams& p);

// The first eccentricity of an ellipsoid of inverse flattening `unf`, and the
// inverse flattening of eccentricity `ec` (0 for a sphere, which has none).
double EccentricityOf(double unf);
double InverseFlatteningOf(double ec);

// The loaders' message: "Paramètre incorrect dans la table Ellipsoides,
// ligne « X », colonne a : 1E+308 (un demi-grand axe de 6 300 000 à
// 6 500 000 m est attendu)."
std::string ParamFaultText(store::ParamTable table, const std::string& row, const ParamFault& fault);

}  // namespace core
