#pragma once
// What the user chose for a batch run, in the window or on the command line:
// the systems, the input table and its fields, the output and its form.

#include <cstdint>
#include <string>

#include "app/batch/Output.h"

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

    std::string scale = "1";     // applied to projected and UTM inputs
    std::int16_t geoFormat = 1;  // geographic input: 1 DMS text, 2 degrees, 3 radians
    bool quote = true;           // text output fields in double quotes
    OutputDelimiter delimiter = OutputDelimiter::Tab;
    // Text for Excel in Belgium and France: semicolons, decimal commas, UTF-8
    // with a byte order mark. The delimiter is then a semicolon.
    bool excelText = false;
    OutputPrecision precision = OutputPrecision::Full;
    std::int16_t method = 1;  // datum transformation method
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

}  // namespace batch
