// The bounds of each parameter column. They are wide enough for every
// terrestrial reference system in use and narrow enough that the formulas
// stay the ones they are written for:
// - a: every Earth ellipsoid lies between 6 377 km and 6 379 km; a value
//   outside 6 300 to 6 500 km is a unit slip (kilometres) or a typo.
// - ec below 1 and 1/f above 1: a real ellipse with a positive minor axis.
// - translations: real shifts are at most about 1 km; 10 km leaves room.
// - rotations: the 7-parameter formula takes small angles (sin r = r); at
//   60'' its second-order error reaches about 0.3 m at the Earth's surface,
//   and real rotations are a few arc-seconds.
// - dS: real scale differences are some tens of ppm; 1000 ppm leaves room.
// - false eastings and northings: up to 100 000 km, room for the zone
//   prefixes of Gauss-Krüger eastings (60 500 000 m).
// - k0: real scale factors lie within 0.1 % of 1; 0.5 to 2 leaves room.
// - angles in radians: a latitude within the poles, a longitude or a
//   rotation within one turn either way (the full-precision 2 pi, so that a
//   stored turn written with the program's 15-digit pi passes).

#include "core/ParamRules.h"

#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <string_view>

#include "core/NumberText.h"
#include "store/Value.h"

namespace core {

namespace {

constexpr double Infinite = std::numeric_limits<double>::infinity();

struct Rule {
    double low, high;
    bool lowIncluded, highIncluded;
    const char* expected;

    bool Keeps(double v) const { return (lowIncluded ? v >= low : v > low) && (highIncluded ? v <= high : v < high); }
};

constexpr const char* FiniteText = "un nombre fini est attendu";

constexpr Rule SemiMajorAxis{6'300'000, 6'500'000, true, true,
                             "un demi-grand axe de 6 300 000 à 6 500 000 m est attendu"};
constexpr Rule Eccentricity{0, 1, true, false, "une excentricité de 0 à moins de 1 est attendue"};
constexpr Rule InverseFlattening{1, Infinite, false, true, "un aplatissement inverse supérieur à 1 est attendu"};
constexpr Rule Translation{-10'000, 10'000, true, true, "une translation de -10 000 à 10 000 m est attendue"};
constexpr Rule Rotation{-60, 60, true, true, "une rotation de -60 à 60 secondes d'arc est attendue"};
constexpr Rule ScaleDifference{-1000, 1000, true, true, "une différence d'échelle de -1 000 à 1 000 ppm est attendue"};
constexpr Rule FalseOrigin{-1e8, 1e8, true, true, "une coordonnée de -100 000 000 à 100 000 000 m est attendue"};
constexpr Rule ScaleFactor{0.5, 2, true, true, "un facteur d'échelle de 0,5 à 2 est attendu"};
constexpr Rule Turn{-2 * std::numbers::pi, 2 * std::numbers::pi, true, true,
                    "un angle de -2π à 2π radians est attendu"};
constexpr Rule Latitude{-std::numbers::pi / 2, std::numbers::pi / 2, true, true,
                        "une latitude de -π/2 à π/2 radians est attendue"};
constexpr Rule TypeCode{1, 5, true, true, "un type de 1 à 5 est attendu"};

struct ColumnRule {
    std::string_view column;
    const Rule* rule;
};

constexpr std::array<ColumnRule, 3> EllipsoidRules{
    {{"a", &SemiMajorAxis}, {"ec", &Eccentricity}, {"unf", &InverseFlattening}}};
constexpr std::array<ColumnRule, 10> DatumRules{{{"dX", &Translation},
                                                 {"dY", &Translation},
                                                 {"dZ", &Translation},
                                                 {"dX7", &Translation},
                                                 {"dY7", &Translation},
                                                 {"dZ7", &Translation},
                                                 {"rX", &Rotation},
                                                 {"rY", &Rotation},
                                                 {"rZ", &Rotation},
                                                 {"dS", &ScaleDifference}}};
constexpr std::array<ColumnRule, 9> ProjectionRules{{{"FE", &FalseOrigin},
                                                     {"fn", &FalseOrigin},
                                                     {"k0", &ScaleFactor},
                                                     {"Lg0", &Turn},
                                                     {"Lt0", &Latitude},
                                                     {"Lt1", &Latitude},
                                                     {"Lt2", &Latitude},
                                                     {"aa", &Turn},
                                                     {"Type", &TypeCode}}};

template <std::size_t N>
std::optional<ParamFault> Check(const std::array<ColumnRule, N>& rules, std::string_view column, double value) {
    for (const ColumnRule& r : rules) {
        if (!store::SameText(r.column, column)) continue;
        if (!std::isfinite(value)) return ParamFault{std::string(r.column), value, FiniteText};
        if (!r.rule->Keeps(value)) return ParamFault{std::string(r.column), value, r.rule->expected};
        return std::nullopt;
    }
    return std::nullopt;
}

// The column rules of a record, in its column order.
template <std::size_t N, typename Record, typename Columns>
std::optional<ParamFault> CheckColumns(const std::array<ColumnRule, N>& rules, const Record& p,
                                       const Columns& columns) {
    for (const auto& [member, column] : columns)
        if (auto fault = Check(rules, column, double(p.*member))) return fault;
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

std::optional<ParamFault> Definition(bool sound, const char* column, double value, const char* expected) {
    if (sound) return std::nullopt;
    return ParamFault{column, value, expected};
}

std::optional<ParamFault> CheckProjectionDefinition(const ProjectionParams& p) {
    switch (p.Type) {
    case 2:
        if (auto f = Definition(!AtPole(p.Lt1), "Lt1", p.Lt1, "un parallèle hors des pôles est attendu")) return f;
        if (auto f = Definition(!AtPole(p.Lt2), "Lt2", p.Lt2, "un parallèle hors des pôles est attendu")) return f;
        if (auto f = Definition(std::fabs(p.Lt1 - p.Lt2) > ParallelMargin, "Lt2", p.Lt2,
                                "un second parallèle différent du premier est attendu ; pour un seul parallèle, "
                                "choisissez le type à 1 parallèle"))
            return f;
        return Definition(std::fabs(p.Lt1 + p.Lt2) > ParallelMargin, "Lt2", p.Lt2,
                          "deux parallèles symétriques par rapport à l'équateur ne définissent aucun cône");
    case 3:
    case 4: return Definition(!AtPole(p.Lt0), "Lt0", p.Lt0, "une latitude d'origine hors des pôles est attendue");
    case 5:
        if (auto f = Definition(!AtPole(p.Lt0), "Lt0", p.Lt0, "un parallèle hors des pôles est attendu")) return f;
        return Definition(std::fabs(p.Lt0) > ParallelMargin, "Lt0", p.Lt0,
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
    case store::ParamTable::Ellipsoides: return Check(EllipsoidRules, column, value);
    case store::ParamTable::Datums: return Check(DatumRules, column, value);
    default: return Check(ProjectionRules, column, value);
    }
}

std::optional<ParamFault> CheckEllipsoid(const EllipsoidParams& p) {
    if (auto fault = CheckColumns(EllipsoidRules, p, EllipsoidColumns)) return fault;
    const double e = EccentricityOf(p.unf);
    return Definition(std::fabs(p.ec - e) <= EccentricityAgreement * e, "ec", p.ec,
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

std::optional<ParamFault> CheckDatum(const DatumParams& p) { return CheckColumns(DatumRules, p, DatumColumns); }

std::optional<ParamFault> CheckProjection(const ProjectionParams& p) {
    if (auto fault = CheckColumns(ProjectionRules, p, ProjectionColumns)) return fault;
    if (auto fault = Check(ProjectionRules, "Type", p.Type)) return fault;
    return CheckProjectionDefinition(p);
}

std::string ParamFaultText(store::ParamTable table, const std::string& row, const ParamFault& fault) {
    return std::string("Paramètre incorrect dans la table ") + TableName(table) + ", ligne « " + row + " », colonne " +
           fault.column + " : " + FormatGeneral(fault.value) + " (" + fault.expected + ").";
}

}  // namespace core
