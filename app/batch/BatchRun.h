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
#include "app/batch/InputFormat.h"
#include "app/batch/Output.h"
#include "app/batch/SystemChoice.h"

namespace batch {

enum class OutputDelimiter : std::int16_t { Comma = 0, Tab = 1, Semicolon = 2 };

// What the batch window holds when "Convertir" is pressed.
struct BatchChoices {
    // Selection indexes in the three lists; 0 is the placeholder entry.
    int inIndex = 0, outIndex = 0, out2Index = 0;
    std::string inSystem, outSystem, out2System;  // list items; out2 taken only when out2Index > 0

    std::string inputPath;  // a file, or the folder of dBase tables
    std::string table;      // the table inside it
    std::string xField, yField, zoneField;
    // A height field (empty: no heights): its kind and the output's, 'h' the
    // ETRS89 ellipsoidal height, 'H' the Ostend height (DNG, hBG18). The
    // output gains one column, h_ETRS89 or H_DNG; a record outside the model
    // fails.
    std::string zField;
    char heightIn = 'h', heightOut = 'H';
    std::string outputPath;

    std::string scale = "1";         // applied to projected and UTM inputs
    std::int16_t geoFormat = 1;      // geographic input: 1 DMS text, 2 degrees, 3 radians
    bool quote = true;               // text output fields in double quotes
    OutputDelimiter delimiter = OutputDelimiter::Tab;
    // Text for Excel in Belgium and France: semicolons, decimal commas, UTF-8
    // with a byte order mark. The delimiter is then a semicolon.
    bool excelText = false;
    OutputPrecision precision = OutputPrecision::Full;
    std::int16_t method = 1;         // datum transformation method
    // Add a column « Méthode » naming the method that gave each record
    // (under the IGN grid, Helmert for a record outside it).
    bool methodColumn = false;
    // Write every record: one that cannot be converted gets empty output
    // fields and its reason in an added last column "Erreur". Otherwise the
    // run stops at the first such record and writes nothing.
    bool keepGoing = false;
    // Replace an existing output (the window asked; --overwrite). Otherwise
    // an existing output is refused before anything is read.
    bool overwrite = false;
    // Threads converting records, blocks of them written in record order:
    // the output is the same for any number. 0: one per core.
    int threads = 0;
};

// The database a run reads `inputPath` through: a text file's scratch
// database, a file by the driver its ending names, a dBase folder.
store::Database OpenInputDatabase(const std::string& inputPath);

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
