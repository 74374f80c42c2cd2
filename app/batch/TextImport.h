#pragma once
// Copies a delimited text file into a table of a scratch database beside it,
// so that the batch run reads it through the engine like any other source.
//
//   batch::TextImportOptions opt;             // tab, first line names fields
//   batch::ImportedTable t = batch::ImportText("/data/pts.txt", opt);
//   // t.databasePath == "/data/pts._travena.mdb", t.tableName == "pts"

#include <functional>
#include <string>
#include <vector>

#include "base/Errors.h"

namespace batch {

struct TextImportOptions {
    std::string delimiter = "\t";  // exactly one character (byte); anything else is refused
    bool header = true;            // the first line names the fields
};

struct ImportedTable {
    std::string databasePath;
    std::string tableName;
    long records = 0;
};

// "C:/data/pts.txt" -> "C:/data/pts._travena.mdb" (the path without its last
// three characters, the dot kept). When the file's folder exists and cannot be
// written (a CD, a read-only share), a file of the temporary folder instead,
// named after the folder and the title.
std::string ScratchDatabasePath(const std::string& textPath);
// Whether that database is in the temporary folder; whoever imported the file
// removes it there once done with it.
bool ScratchIsTemporary(const std::string& textPath);
void RemoveTemporaryScratch(const std::string& textPath);

// How a text file looks delimited: the delimiter among tab, ';', ',' and '|'
// that splits the first lines into the same number of fields (two or more),
// and whether the first line names the fields (it holds no number). Tab and
// a header when nothing fits or the file cannot be read.
struct TextLayout {
    std::string delimiter = "\t";
    bool header = true;
};
TextLayout GuessTextLayout(const std::string& textPath);

// The first `lines` records of a file as the import would make them: the
// column names, then each record's fields (a short line has fewer). `error`
// holds why the file cannot be read.
struct TextPreview {
    std::vector<std::string> names;
    std::vector<std::vector<std::string>> rows;
    std::string error;
};
TextPreview PreviewText(const std::string& textPath, const TextImportOptions& options, std::size_t lines);
// "C:/data/pts.txt" -> "pts": the file title without its last four characters,
// characters a table name cannot hold (a dot...) made '_'.
std::string ImportedTableName(const std::string& textPath);

// Any failure of the import. what() is the error's own description; Message()
// is the full text the window shows.
struct TextImportError : base::RuntimeError {
    using base::RuntimeError::RuntimeError;
    // "Erreur dans la lecture du fichier texte. Vérifiez ce fichier\r<number> <description>"
    std::string Message() const;
};

// Replaces the scratch database of `textPath` (when it exists) by a new one
// holding the file's table. `progress` is called every 10 records with the
// count so far. On failure throws TextImportError and leaves no scratch
// database behind.
ImportedTable ImportText(const std::string& textPath, const TextImportOptions& options,
                         const std::function<void(long)>& progress = {});

}  // namespace batch
