#pragma once
// Values of the input's date and boolean columns as people read them. The
// drivers hand an Access DateTime or a dBase Date out as its day number
// (days since 30/12/1899, the time as the fraction) and a boolean as -1 or
// 0, as the engine stores them; outputs and the preview show "2024-03-15",
// "2024-03-15 08:30:00" and 1 or 0.
//
//   batch::MakeReadable(cursor.Fields(), row);

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/Driver.h"
#include "store/Value.h"

namespace batch {

// "2024-03-15" for 45366, with " HH:MM:SS" when the day number has a time
// (to the nearest second); empty for a day number outside years 100 to 9999.
std::string DateText(double serial);

// The day number of a text DateText writes ("2024-03-15", "2024-03-15
// 08:30:15"); nothing for any other text or an impossible date.
std::optional<double> DateSerial(std::string_view text);

// Rewrites in place the values of `row` whose field is a date or a boolean;
// a date outside years 100 to 9999 stays its number.
void MakeReadable(const std::vector<store::FieldDef>& fields, std::vector<store::Value>& row);

}  // namespace batch
