#include "app/batch/InputFormat.h"

#include <sys/stat.h>

#include <string_view>

#include "app/batch/BatchRun.h"
#include "store/Driver.h"
#include "store/EngineError.h"

namespace batch {

namespace {

constexpr std::pair<const char*, const char*> Drivers[] = {{".mdb", ""},
                                                           {".xls", "Excel 8.0"},
                                                           {".xlsx", "Excel 12.0 Xml"},
                                                           {".ods", "OpenDocument"},
                                                           {".gpkg", "GeoPackage"}};

}  // namespace

std::string LowerTail(const std::string& path, std::size_t n) {
    std::string tail = path.substr(path.size() >= n ? path.size() - n : 0);
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return tail;
}

std::optional<std::string> FileDriver(const std::string& path) {
    for (const auto& [ending, driver] : Drivers)
        if (LowerTail(path, std::string_view(ending).size()) == ending) return driver;
    return std::nullopt;
}

std::optional<std::string> InputRefusal(const std::string& path) {
    if (path.empty()) return std::nullopt;
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    const bool folder = exists && S_ISDIR(st.st_mode);
    const bool named = FileDriver(path) || IsTextPath(path);
    const bool dbase = !named && (folder || LowerTail(path, 4) == ".dbf");
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
