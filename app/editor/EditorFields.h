#pragma once
// The parameter editor's field layout and the rules of its typed fields,
// shared by the model (EditorModel.cpp) and the reading and checking of what
// the user typed (EditorValidation.cpp). Private to app/editor/.

#include <array>
#include <cstddef>
#include <string>

#include "app/editor/EditorModel.h"
#include "app/editor/FieldText.h"
#include "base/Text.h"
#include "core/Params.h"

namespace app::editor {

// Columns behind Txt_D(3..12) and Txt_P(3..12).
constexpr std::array<const char*, 10> DatumNumbers = {"dX", "dY", "dZ", "dX7", "dY7", "dZ7", "rX", "rY", "rZ", "dS"};
constexpr std::array<const char*, 3> ProjectionNumbers = {"FE", "fn", "k0"};
constexpr std::array<const char*, 5> ProjectionAngles = {"Lg0", "Lt0", "Lt1", "Lt2", "aa"};
constexpr std::array<AngleKind, 5> AngleKinds = {AngleKind::Longitude, AngleKind::Latitude, AngleKind::Latitude,
                                                 AngleKind::Latitude, AngleKind::Rotation};
constexpr std::array<const char*, 3> EllipsoidNumbers = {"a", "ec", "unf"};
constexpr int FirstAngle = 6, Lg0Field = 6, Lt0Field = 7, Lt1Field = 8, Lt2Field = 9, AaField = 10, WestLimit = 11,
              EastLimit = 12;
constexpr int FirstRotation = 9, LastRotation = 11, FirstDatumNumber = 3;
// A zone limit of type 1 is kept only strictly inside these bounds (0: none).
constexpr double ZoneLimitLow = 0, ZoneLimitHigh = 61;
constexpr int UtmType = 1, LambertType = 2, ObliqueMercatorType = 3, StereoType = 4, OneParallelType = 5,
              LastType = 5;
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
