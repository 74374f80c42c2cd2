#pragma once
// The number columns of each parameter record, one line each: the column's
// name (as store/ParamSchema.h spells it), the member it fills, the rule its
// values keep and the parameter editor's label for it. The loaders read
// these columns in this order, the rules (ParamRules.h) check them in this
// order, and the editor shows them under these labels. The build stops until
// these tables and the schema's lists name the same number columns in the
// same order.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <numbers>
#include <string_view>
#include <type_traits>

#include "core/Params.h"
#include "store/ParamSchema.h"

namespace core {

// The values a column may hold, beyond being finite, and what it must hold
// when a value breaks them.
struct Rule {
    double low, high;
    bool lowIncluded, highIncluded;
    const char* expected;

    constexpr bool Keeps(double v) const {
        return (lowIncluded ? v >= low : v > low) && (highIncluded ? v <= high : v < high);
    }
};

// The bounds are wide enough for every terrestrial reference system in use
// and narrow enough that the formulas stay the ones they are written for.
namespace rule {
// Every Earth ellipsoid lies between 6 377 km and 6 379 km; a value outside
// 6 300 to 6 500 km is a unit slip (kilometres) or a typo.
inline constexpr Rule SemiMajorAxis{6'300'000, 6'500'000, true, true,
                                    "un demi-grand axe de 6 300 000 à 6 500 000 m est attendu"};
// e below 1 and 1/f above 1: a real ellipse with a positive minor axis.
inline constexpr Rule Eccentricity{0, 1, true, false, "une excentricité de 0 à moins de 1 est attendue"};
inline constexpr Rule InverseFlattening{1, std::numeric_limits<double>::infinity(), false, true,
                                        "un aplatissement inverse supérieur à 1 est attendu"};
// Real shifts are at most about 1 km; 10 km leaves room.
inline constexpr Rule Translation{-10'000, 10'000, true, true, "une translation de -10 000 à 10 000 m est attendue"};
// The 7-parameter formula takes small angles (sin r = r); at 60'' its
// second-order error reaches about 0.3 m at the Earth's surface, and real
// rotations are a few arc-seconds.
inline constexpr Rule Rotation{-60, 60, true, true, "une rotation de -60 à 60 secondes d'arc est attendue"};
// Real scale differences are some tens of ppm; 1000 ppm leaves room.
inline constexpr Rule ScaleDifference{-1000, 1000, true, true,
                                      "une différence d'échelle de -1 000 à 1 000 ppm est attendue"};
// Up to 100 000 km: room for the zone prefixes of Gauss-Krüger eastings (60 500 000 m).
inline constexpr Rule FalseOrigin{-1e8, 1e8, true, true, "une coordonnée de -100 000 000 à 100 000 000 m est attendue"};
// Real scale factors lie within 0.1 % of 1; 0.5 to 2 leaves room.
inline constexpr Rule ScaleFactor{0.5, 2, true, true, "un facteur d'échelle de 0,5 à 2 est attendu"};
// Angles in radians: a longitude or a rotation within one turn either way
// (the full-precision 2 pi, so that a stored turn written with the program's
// 15-digit pi passes), a latitude within the poles.
inline constexpr Rule Turn{-2 * std::numbers::pi, 2 * std::numbers::pi, true, true,
                           "un angle de -2π à 2π radians est attendu"};
inline constexpr Rule Latitude{-std::numbers::pi / 2, std::numbers::pi / 2, true, true,
                               "une latitude de -π/2 à π/2 radians est attendue"};
inline constexpr Rule TypeCode{1, 5, true, true, "un type de 1 à 5 est attendu"};
}  // namespace rule

template <class Record, class M>
struct ParamColumn {
    using Member = M;
    const char* name;
    M Record::*member;
    Rule rule;
    const char* label;  // what the editor's field holds, with its unit (a projection's: before a type is chosen)
};

inline constexpr std::array<ParamColumn<EllipsoidParams, double>, 3> EllipsoidColumns{
    {{"a", &EllipsoidParams::a, rule::SemiMajorAxis, "a : demi-grand axe (m)"},
     {"ec", &EllipsoidParams::ec, rule::Eccentricity, "e : première excentricité (vide : tirée de 1/f)"},
     {"unf", &EllipsoidParams::unf, rule::InverseFlattening, "1/f : aplatissement inverse (vide : tiré de e)"}}};

inline constexpr std::array<ParamColumn<DatumParams, float>, 10> DatumColumns{
    {{"dX", &DatumParams::dX, rule::Translation, "dX (m)"},
     {"dY", &DatumParams::dY, rule::Translation, "dY (m)"},
     {"dZ", &DatumParams::dZ, rule::Translation, "dZ (m)"},
     {"dX7", &DatumParams::dX7, rule::Translation, "dX 7 paramètres (m)"},
     {"dY7", &DatumParams::dY7, rule::Translation, "dY 7 paramètres (m)"},
     {"dZ7", &DatumParams::dZ7, rule::Translation, "dZ 7 paramètres (m)"},
     {"rX", &DatumParams::rX, rule::Rotation, "rX (\", vecteur position)"},
     {"rY", &DatumParams::rY, rule::Rotation, "rY (\", vecteur position)"},
     {"rZ", &DatumParams::rZ, rule::Rotation, "rZ (\", vecteur position)"},
     {"dS", &DatumParams::dS, rule::ScaleDifference, "dS (ppm)"}}};

inline constexpr std::array<ParamColumn<ProjectionParams, double>, 8> ProjectionColumns{
    {{"FE", &ProjectionParams::FE, rule::FalseOrigin, "FE : fausse abscisse (m)"},
     {"fn", &ProjectionParams::fn, rule::FalseOrigin, "FN : fausse ordonnée (m)"},
     {"k0", &ProjectionParams::k0, rule::ScaleFactor, "k0 : facteur d'échelle"},
     {"Lg0", &ProjectionParams::Lg0, rule::Turn, "Lg0 : méridien central"},
     {"Lt0", &ProjectionParams::Lt0, rule::Latitude, "Lt0 : latitude d'origine"},
     {"Lt1", &ProjectionParams::Lt1, rule::Latitude, "Lt1 : parallèle 1"},
     {"Lt2", &ProjectionParams::Lt2, rule::Latitude, "Lt2 : parallèle 2"},
     {"aa", &ProjectionParams::aa, rule::Turn, "aa : rotation"}}};

// Read after the numbers; the editor chooses it from a list.
inline constexpr ParamColumn<ProjectionParams, std::int16_t> ProjectionType{"Type", &ProjectionParams::Type,
                                                                            rule::TypeCode, nullptr};

namespace detail {
constexpr bool SameName(const char* a, const char* b) { return std::string_view(a) == b; }

// Whether `columns` are the number columns of `table` in its order, those in
// `skipped` apart (no record holds them), each of the precision its member has.
template <std::size_t N, class Columns>
constexpr bool Matches(const std::array<store::schema::Column, N>& table, const Columns& columns,
                       std::initializer_list<const char*> skipped = {}) {
    constexpr bool single = std::is_same_v<typename Columns::value_type::Member, float>;
    std::size_t i = 0;
    for (const store::schema::Column& c : table) {
        if (!store::schema::IsNumber(c.kind)) continue;
        bool skip = false;
        for (const char* s : skipped) skip = skip || SameName(s, c.name);
        if (skip) continue;
        if (i == columns.size() || !SameName(columns[i].name, c.name)) return false;
        if ((c.kind == store::schema::Kind::Single) != single) return false;
        ++i;
    }
    return i == columns.size();
}
}  // namespace detail

// A column added to a table of the schema, or to one of these, stops the
// build until both say the same.
static_assert(detail::Matches(store::schema::Ellipsoides, EllipsoidColumns));
static_assert(detail::Matches(store::schema::Datums, DatumColumns));
static_assert(detail::Matches(store::schema::Projections, ProjectionColumns, {"limitew", "limitee"}));
static_assert(store::schema::Find(store::schema::Projections, ProjectionType.name).kind ==
              store::schema::Kind::Integer);

}  // namespace core
