#pragma once
// The checks a batch run's choices pass before anything is read: systems and
// fields chosen, an output the run can write and that spares its input, the
// output's folder writable. The window shows the first refusal; the run
// refuses choices that fail them.

#include <optional>
#include <string>

#include "app/batch/BatchChoices.h"
#include "app/batch/InputFormat.h"
#include "app/batch/Output.h"
#include "app/batch/SystemChoice.h"

namespace batch {

// Why the output's folder cannot take it: missing, or not writable (a
// read-only medium, no permission). Nothing when it can.
std::optional<std::string> FolderRefusal(const std::string& outputPath);

// « Le fichier « … » existe déjà ; … »: an existing output without `overwrite`.
std::string ExistsRefusal(const std::string& path);

// The message of the first check the choices fail, nothing when they pass.
std::optional<std::string> CheckChoices(const BatchChoices& choices);
// The same for paths already told: `source` and `kind` of its input and output.
std::optional<std::string> CheckChoices(const BatchChoices& choices, const InputSource& source, OutputKind kind);

// Whether the window shows the Y and zone field choices for an input system.
bool NeedsY(const SystemChoice& input);
bool NeedsZone(const SystemChoice& input);

}  // namespace batch
