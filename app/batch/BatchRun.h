#pragma once
// The batch conversion: every record of a source table converted into one or
// two output systems and written, with the input fields, to a new database,
// GeoPackage or Excel workbook (table "Conversions") or to a delimited text
// file (see Output.h).
//
//   batch::BatchChoices c;
//   c.inIndex = 3;  c.inSystem = "BE LB72";
//   c.outIndex = 1; c.outSystem = "WGS84 UTM";
//   c.inputPath = "/data/pts.txt"; c.table = "pts";   // imported before
//   c.xField = "x"; c.yField = "y"; c.outputPath = "/data/pts_utm.txt";
//   if (auto refusal = batch::CheckChoices(c)) show(*refusal);
//   else batch::RunBatch(c);   // throws BatchFailure, leaving no output

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "store/Engine.h"
#include "app/batch/BatchChoices.h"
#include "app/batch/ChoiceChecks.h"
#include "app/batch/Output.h"
#include "app/batch/SystemChoice.h"

namespace batch {

// The database a run reads `inputPath` through: a text file's scratch
// database, a file by the driver its ending names, a dBase folder.
store::Database OpenInputDatabase(const std::string& inputPath);

// The columns one output system adds, in order; `second` names the zone
// column "Fuseau_2".
std::vector<std::string> OutputColumns(const SystemChoice& output, bool second);

// A run that stopped: what() holds the cause, `record` the record (from 1)
// it stopped at, 0 when it stopped before the first.
struct BatchFailure : base::RuntimeError {
    BatchFailure(int errorNumber, const std::string& cause, long atRecord)
        : base::RuntimeError(errorNumber, cause), record(atRecord) {}
    long record;
    // "Erreur lors de la conversion. Vérifiez vos données et les paramètres
    // des projections." then the record and the cause on a new line; for a
    // file that cannot be read or written, "La conversion n'a pas pu se
    // faire :" and the cause, any temporary name replaced by the file's.
    std::string Message() const;
};

// Thrown by a run's progress callback to stop it: like a failure, it leaves
// nothing at the output path and an existing output as it was.
struct BatchCancelled {};

struct BatchReport {
    long converted = 0;
    long failed = 0;  // keep-going runs only
    struct Failure {
        long record;         // from 1
        std::string reason;  // "<number> <description>"
    };
    std::vector<Failure> firstFailures;  // the first few, in record order
    // What the output format could not hold as given and what became of it
    // (see OutputSink::Notice), to be shown with the run's outcome.
    std::vector<std::string> notices;
    // Records converted by Helmert because they lie outside the IGN grid
    // (method 4); a notice says how many.
    long gridFallbacks = 0;
    // A run that went past failed records: "Conversion terminée : 18
    // enregistrement(s) converti(s), 2 en échec (colonne « Erreur »)."
    std::string Summary() const;
};

struct BatchProgress {
    long done = 0;
    long total = 0;
};

// Runs the conversion of choices that passed CheckChoices (checked again;
// a refusal throws BatchFailure with record 0). The output appears only
// when the run completes; an existing output is replaced only with
// `overwrite`, and then only by a complete one.
BatchReport RunBatch(const BatchChoices& choices, const std::function<void(const BatchProgress&)>& progress = {});

}  // namespace batch
