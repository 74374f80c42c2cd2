#pragma once
// The parameter editor's field layout and the rules of its typed fields,
// shared by the model (EditorModel.cpp) and the reading and checking of what
// the user typed (EditorValidation.cpp). Private to app/editor/.

#include <array>
#include <cstddef>
#include <string>
#include <tuple>

#include "app/editor/EditorModel.h"
#include "app/editor/FieldText.h"
#include "base/Text.h"
#include "core/ParamColumns.h"
#include "core/Params.h"
#include "store/ParamSchema.h"

namespace app::editor {

// `Count` column names of a record's column table (core/ParamColumns.h) from
// `First` on: the editor's fields follow the loaders' columns, spelled there once.
template <std::size_t First, std::size_t Count, class Columns>
constexpr std::array<const char*, Count> ColumnNames(const Columns& columns) {
    static_assert(First + Count <= std::tuple_size_v<Columns>);
    std::array<const char*, Count> names{};
    for (std::size_t i = 0; i < Count; ++i) names[i] = columns[First + i].name;
    return names;
}

// Columns behind Txt_E(1..3), Txt_D(3..12) and Txt_P(3..10).
constexpr auto EllipsoidNumbers = ColumnNames<0, 3>(core::EllipsoidColumns);
constexpr auto DatumNumbers = ColumnNames<0, 10>(core::DatumColumns);
constexpr auto ProjectionNumbers = ColumnNames<0, 3>(core::ProjectionColumns);
constexpr auto ProjectionAngles = ColumnNames<3, 5>(core::ProjectionColumns);
// A column added to a record's table needs its field here: the build stops
// until the editor shows it.
static_assert(core::EllipsoidColumns.size() == EllipsoidNumbers.size());
static_assert(core::DatumColumns.size() == DatumNumbers.size());
static_assert(core::ProjectionColumns.size() == ProjectionNumbers.size() + ProjectionAngles.size());
// How the angle fields read and show, after their columns' kinds.
constexpr std::array<AngleKind, ProjectionAngles.size()> AngleKindsOf(const auto& names) {
    std::array<AngleKind, ProjectionAngles.size()> kinds{};
    for (std::size_t i = 0; i < names.size(); ++i) {
        const store::schema::Kind kind = store::schema::Find(store::schema::Projections, names[i]).kind;
        if (!store::schema::IsAngle(kind)) throw "an angle field on a column that holds no angle";
        kinds[i] = kind == store::schema::Kind::Longitude  ? AngleKind::Longitude
                   : kind == store::schema::Kind::Latitude ? AngleKind::Latitude
                                                           : AngleKind::Rotation;
    }
    return kinds;
}
constexpr auto AngleKinds = AngleKindsOf(ProjectionAngles);
static_assert([] {
    for (const char* name : ProjectionNumbers)
        if (store::schema::IsAngle(store::schema::Find(store::schema::Projections, name).kind)) return false;
    return true;
}());

// `labels` with the labels of `columns` from field `first` on, where the
// editor shows them.
template <std::size_t N, class Columns>
constexpr std::array<const char*, N> WithLabels(std::array<const char*, N> labels, std::size_t first,
                                                const Columns& columns) {
    for (std::size_t i = 0; i < columns.size(); ++i) labels.at(first + i) = columns[i].label;
    for (const char* label : labels)
        if (!label) throw "a field without a label";
    return labels;
}
constexpr int FirstAngle = 6, Lg0Field = 6, Lt0Field = 7, Lt1Field = 8, Lt2Field = 9, AaField = 10, WestLimit = 11,
              EastLimit = 12;
constexpr int FirstRotation = 9, LastRotation = 11, FirstDatumNumber = 3;
// A zone limit of type 1 is kept only strictly inside these bounds (0: none).
constexpr double ZoneLimitLow = 0, ZoneLimitHigh = 61;
constexpr int UtmType = 1, LambertType = 2, ObliqueMercatorType = 3, StereoType = 4, OneParallelType = 5, LastType = 5;
constexpr const char* UtmCode = "UTM";

// A value the editor will not store, with the message that says why.
struct Refused {
    std::string text;
};

// Typed fields lose the spaces and tabs around them.
inline std::string Trim(const std::string& text) { return std::string(base::Trim(text, " \t")); }

inline bool Filled(const std::string& text) { return !Trim(text).empty(); }

// The number or angle a field holds, else Refused naming the field by `label`.
double Number(const std::string& label, const std::string& text);
double Angle(const std::string& label, const std::string& text, AngleKind kind);
// Refused « Le champ « label » doit <rule>. » unless `ok`.
void Require(bool ok, const std::string& label, const char* rule);

// The section's name as it would be saved.
std::string FormName(const EditorModel& m, int section);
// The required fields: the first one left empty is named, since a confirmed
// Add or Apply that does nothing would look like a success.
void RequireFilled(const EditorModel& m, int section);
// Refuses a text longer than `limit` characters, naming it as `what`.
void RequireLength(const std::string& text, std::size_t limit, const std::string& what);

// The record the columns read from the fields make, as the loaders would.
core::EllipsoidParams EllipsoidOf(const EditorModel::Columns& c);
core::DatumParams DatumOf(const EditorModel::Columns& c);
core::ProjectionParams ProjectionOf(const EditorModel::Columns& c);

}  // namespace app::editor
