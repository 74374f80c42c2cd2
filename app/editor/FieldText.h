#pragma once
// The editor's fields as text: numbers and angles shown so that they read
// back as the very value stored, and typed text read strictly by the readers
// the main window's cells use (core::ReadNumberText, core::ReadAngleText),
// so that a typing slip is refused instead of being stored as another number.

#include <optional>
#include <string>

#include "store/Value.h"

namespace app {

// What an angle field holds, which decides the letters it may carry and the
// range it is stored in.
enum class AngleKind { Longitude, Latitude, Rotation };

// A number column: the shortest text that reads back as the same double, in
// plain decimals within 1e-5 to 1e15 (400000, not 4e+05); empty for Null.
std::string ShowNumber(const store::Value& value);

// An angle column in radians as signed degrees-minutes-seconds, with the
// fewest decimals of seconds (none at all for a whole minute: 3°, 48°15',
// -2°8'6'') that ReadAngle reads back as the same radians, up to
// MaxShownSecondDecimals (well below a micrometre). Empty for 0 or Null. A
// longitude stored beyond 180° is shown west (-2°, not 358°).
std::string ShowAngle(const store::Value& radians, AngleKind kind);
inline constexpr int MaxShownSecondDecimals = 12;

// A typed number as core::ReadNumberText reads it (a decimal comma or point,
// thousands grouped by blanks); empty text is 0. Nothing when the text is not
// one number; `why`, when given, gets the reader's message.
std::optional<double> ReadNumber(const std::string& text, std::string* why = nullptr);

// A typed angle in radians, read by core::ReadAngleText: degrees-minutes-
// seconds (50°30'15.5'', 50 30 15.5, a hemisphere letter) or decimal degrees
// (-2.135), a minus sign applying to the whole angle; empty text is 0.
// A longitude is brought within -180° to 180° (357° is -3°), a latitude must
// lie within -90° to 90°, a rotation keeps its sign; anything beyond 360°
// either way is refused. `why`, when given, gets the reason of a refusal.
std::optional<double> ReadAngle(const std::string& text, AngleKind kind, std::string* why = nullptr);

}  // namespace app
