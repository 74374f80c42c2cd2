// The rules of the parameter values: each column's bound (ParamColumns.h)
// once it is finite, then the checks of a definition as a whole.

#include "core/ParamRules.h"

#include <cmath>
#include <numbers>
#include <string_view>

#include "core/NumberText.h"
#include "core/ParamColumns.h"
#include "store/Value.h"

namespace core {

namespace {

constexpr const char* FiniteText = "un nombre fini est attendu";

std::optional<ParamFault> Keep(const char* column, const Rule& rule, double value) {
    if (!std::isfinite(value)) return ParamFault{column, value, FiniteText};
    if (!rule.Keeps(value)) return ParamFault{column, value, rule.expected};
    return std::nullopt;
}

// The rule of the column named `column` (without regard to case), if any.
template <class Columns>
std::optional<ParamFault> CheckNamed(const Columns& columns, std::string_view column, double value) {
    for (const auto& c : columns)
        if (store::SameText(c.name, column)) return Keep(c.name, c.rule, value);
    return std::nullopt;
}

// The column rules of a record, in its column order.
template <typename Record, typename Columns>
std::optional<ParamFault> CheckColumns(const Record& p, const Columns& columns) {
    for (const auto& c : columns)
        if (auto fault = Keep(c.name, c.rule, double(p.*c.member))) return fault;
    return std::nullopt;
}

// How far a stored e may stand from the one its 1/f gives: a few units of
// the seventh digit, which moves no point by a centimetre, while a typo or
// e squared typed for e stands thousands of times further.
constexpr double EccentricityAgreement = 1e-6;
// Within this of a pole (about 0.1 mm), the cone and sphere constants divide
// by zero or by a rounding error.
constexpr double PoleMargin = 1e-9;
constexpr double ParallelMargin = 1e-12;

bool AtPole(double latitude) { return std::fabs(latitude) > std::numbers::pi / 2 - PoleMargin; }

const auto& ColumnsOf(const EllipsoidParams&) { return EllipsoidColumns; }
const auto& ColumnsOf(const ProjectionParams&) { return ProjectionColumns; }

// A definition fault names the column of the member to change.
template <class Record>
std::optional<ParamFault> Definition(bool sound, const Record& p, double Record::*member, const char* expected) {
    if (sound) return std::nullopt;
    for (const auto& c : ColumnsOf(p))
        if (c.member == member) return ParamFault{c.name, p.*member, expected};
    return std::nullopt;
}

std::optional<ParamFault> CheckProjectionDefinition(const ProjectionParams& p) {
    switch (p.Type) {
    case 2:
        if (auto f = Definition(!AtPole(p.Lt1), p, &ProjectionParams::Lt1, "un parallèle hors des pôles est attendu"))
            return f;
        if (auto f = Definition(!AtPole(p.Lt2), p, &ProjectionParams::Lt2, "un parallèle hors des pôles est attendu"))
            return f;
        if (auto f = Definition(std::fabs(p.Lt1 - p.Lt2) > ParallelMargin, p, &ProjectionParams::Lt2,
                                "un second parallèle différent du premier est attendu ; pour un seul parallèle, "
                                "choisissez le type à 1 parallèle"))
            return f;
        return Definition(std::fabs(p.Lt1 + p.Lt2) > ParallelMargin, p, &ProjectionParams::Lt2,
                          "deux parallèles symétriques par rapport à l'équateur ne définissent aucun cône");
    case 3:
    case 4:
        return Definition(!AtPole(p.Lt0), p, &ProjectionParams::Lt0,
                          "une latitude d'origine hors des pôles est attendue");
    case 5:
        if (auto f = Definition(!AtPole(p.Lt0), p, &ProjectionParams::Lt0, "un parallèle hors des pôles est attendu"))
            return f;
        return Definition(std::fabs(p.Lt0) > ParallelMargin, p, &ProjectionParams::Lt0,
                          "un parallèle hors de l'équateur est attendu (le cône y devient un cylindre)");
    default: return std::nullopt;
    }
}

const char* TableName(store::ParamTable table) {
    switch (table) {
    case store::ParamTable::Ellipsoides: return "Ellipsoides";
    case store::ParamTable::Datums: return "Datums";
    default: return "Projections";
    }
}

}  // namespace

std::optional<ParamFault> CheckParamValue(store::ParamTable table, std::string_view column, double value) {
    switch (table) {
    case store::ParamTable::Ellipsoides: return CheckNamed(EllipsoidColumns, column, value);
    case store::ParamTable::Datums: return CheckNamed(DatumColumns, column, value);
    default:
        if (store::SameText(ProjectionType.name, column)) return Keep(ProjectionType.name, ProjectionType.rule, value);
        return CheckNamed(ProjectionColumns, column, value);
    }
}

std::optional<ParamFault> CheckEllipsoid(const EllipsoidParams& p) {
    if (auto fault = CheckColumns(p, EllipsoidColumns)) return fault;
    const double e = EccentricityOf(p.unf);
    return Definition(std::fabs(p.ec - e) <= EccentricityAgreement * e, p, &EllipsoidParams::ec,
                      ("l'excentricité que donne 1/f, " + FormatGeneral(e) + ", est attendue").c_str());
}

double EccentricityOf(double unf) {
    const double f = 1 / unf;
    return std::sqrt(f * (2 - f));
}

double InverseFlatteningOf(double ec) {
    if (ec == 0) return 0;
    const double e2 = ec * ec;
    return (1 + std::sqrt(1 - e2)) / e2;  // 1/f with f = 1 - sqrt(1 - e2), without its cancellation
}

std::optional<ParamFault> CheckDatum(const DatumParams& p) { return CheckColumns(p, DatumColumns); }

std::optional<ParamFault> CheckProjection(const ProjectionParams& p) {
    if (auto fault = CheckColumns(p, ProjectionColumns)) return fault;
    if (auto fault = Keep(ProjectionType.name, ProjectionType.rule, p.Type)) return fault;
    return CheckProjectionDefinition(p);
}

std::string ParamFaultText(store::ParamTable table, const std::string& row, const ParamFault& fault) {
    return std::string("Paramètre incorrect dans la table ") + TableName(table) + ", ligne « " + row + " », colonne " +
           fault.column + " : " + FormatGeneral(fault.value) + " (" + fault.expected + ").";
}

}  // namespace core
