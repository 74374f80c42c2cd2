#pragma once
// A look at the first records before a run: coordinates that mostly fall
// outside the input system's limits, or that are degrees where the system
// wants metres, convert "successfully" into points far from where they
// belong. The run then goes on only when the user says so.
//
//   if (auto warning = batch::PlausibilityWarning(choices))
//       if (!messages.Question(app::AppTitle, *warning)) return;

#include <optional>
#include <string>

#include "app/batch/BatchRun.h"

namespace batch {

// How many of the first records are looked at.
inline constexpr long PlausibilitySample = 20;

// The warning to show when more than half of the first readable records look
// wrong for the input system; nothing when they look right, when none can be
// read (the run names those) or the source cannot be opened.
std::optional<std::string> PlausibilityWarning(const BatchChoices& choices);

}  // namespace batch
