#include "app/batch/InputFormat.h"

#include <sys/stat.h>

#include <string_view>

#include "app/batch/TextImport.h"
#include "base/Text.h"
#include "store/Driver.h"
#include "store/EngineError.h"

namespace batch {

namespace {

constexpr std::pair<std::string_view, const char*> Drivers[] = {
    {"mdb", ""}, {"xls", "Excel 8.0"}, {"xlsx", "Excel 12.0 Xml"}, {"ods", "OpenDocument"}, {"gpkg", "GeoPackage"}};

}  // namespace

bool IsTextPath(const std::string& path) {
    const std::string e = base::PathEnding(path);
    return e == "txt" || e == "csv";
}

bool IsDbasePath(const std::string& path) { return base::PathEnding(path) == "dbf"; }

std::optional<std::string> FileDriver(const std::string& path) {
    const std::string e = base::PathEnding(path);
    for (const auto& [ending, driver] : Drivers)
        if (e == ending) return driver;
    return std::nullopt;
}

InputSource InputSourceOf(const std::string& inputPath) {
    if (IsTextPath(inputPath)) return {ScratchDatabasePath(inputPath), ""};
    if (const auto driver = FileDriver(inputPath)) return {inputPath, *driver};
    return {inputPath, "dBase 5.0"};
}

std::optional<std::string> InputRefusal(const std::string& path) {
    if (path.empty()) return std::nullopt;
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    const bool folder = exists && S_ISDIR(st.st_mode);
    const bool named = FileDriver(path) || IsTextPath(path);
    const bool dbase = !named && (folder || IsDbasePath(path));
    try {
        store::CheckFileKind(path, dbase);
    } catch (const store::EngineError& e) {
        return e.what();
    }
    if (exists && !named && !dbase)
        return "Le format du fichier « " + path +
               " » n'est pas pris en charge. Formats lus : Access 97 (.mdb), Excel 97 (.xls), "
               "Excel (.xlsx), OpenDocument (.ods), GeoPackage (.gpkg), "
               "dBase (.dbf, ou un dossier de fichiers .dbf), texte délimité (.txt, .csv).";
    return std::nullopt;
}

}  // namespace batch
