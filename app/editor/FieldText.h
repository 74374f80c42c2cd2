#pragma once
// The editor's fields as text: numbers and angles shown so that they read
// back as the same value, and typed text read strictly, so that a typing
// slip is refused instead of being stored as another number.

#include <optional>
#include <string>

#include "store/Value.h"

namespace app {

// A number column: the shortest text that reads back as the same double;
// empty for Null.
std::string ShowNumber(const store::Value& value);
// An angle column in radians, as degrees-minutes-seconds text (empty for 0 or Null).
std::string ShowAngle(const store::Value& radians);

// A typed number: a decimal comma becomes a point and blanks are dropped
// ("150 000,5" is 150000.5); empty text is 0. Nothing when the rest is not
// wholly one decimal number.
std::optional<double> ReadNumber(std::string text);

// What an angle field holds, which decides the range it is stored in.
enum class AngleKind { Longitude, Latitude, Rotation };

// A typed degrees-minutes-seconds angle (50°30'15.5'', 12°, 30'', -3°),
// read as the window's cells read it, then brought into the range the
// formulas compute with: a longitude west of Greenwich and a southern
// latitude are stored negative (-3° rather than 357°), a rotation from 0° to
// 360°. Empty text is 0. Nothing when the text is not of that form, or is a
// latitude beyond 90° either side.
std::optional<double> ReadAngle(std::string text, AngleKind kind);

}  // namespace app
