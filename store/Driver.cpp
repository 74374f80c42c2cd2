// The registry of drivers and the reading of connect strings.

#include "store/Driver.h"

#include <sys/stat.h>

#include <filesystem>
#include <mutex>
#include <vector>

#include "base/Text.h"
#include "store/detail/Drivers.h"
#include "store/EngineError.h"
#include "store/detail/Sqlite.h"

namespace store {

namespace {

struct Registry {
    std::mutex mutex;
    std::vector<std::pair<std::string, std::shared_ptr<Driver>>> drivers{
        {"", detail::MakeAccessDriver(detail::MakeSqliteDriver())},
        {"Excel 8.0", detail::MakeXlsDriver()},
        {"dBase 5.0", detail::MakeDbfDriver()},
        {"Excel 12.0 Xml", detail::MakeXlsxDriver()},
        {"OpenDocument", detail::MakeModuleDriver(&detail::GdalReaders::ods, "un classeur .ods")},
        {"GeoPackage", detail::MakeModuleDriver(&detail::GdalReaders::gpkg, "un GeoPackage")}};
};

Registry& Drivers() {
    static Registry registry;
    return registry;
}

}  // namespace

void CheckFileKind(const std::string& path, bool folderAllowed) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return;
    if (S_ISREG(st.st_mode) || (folderAllowed && S_ISDIR(st.st_mode))) return;
    throw Error(base::err::NotAFile, path);
}

std::string RealFilePath(const std::string& path) {
    std::error_code ec;
    std::string absolute = std::filesystem::absolute(path, ec).string();
    if (ec) absolute = path;
    if (absolute.rfind("/vsi", 0) == 0)
        throw EngineError(
            base::err::NotAFile,
            "'" + path + "' désigne un fichier virtuel de GDAL : seuls les fichiers réels sont lus et écrits.");
    return absolute;
}

bool SameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path pa = fs::weakly_canonical(a, ec);
    const fs::path pb = fs::weakly_canonical(b, ec);
    return fs::equivalent(pa, pb, ec) || pa == pb;
}

void RegisterDriver(const std::string& name, std::shared_ptr<Driver> driver) {
    Registry& r = Drivers();
    const std::lock_guard lock(r.mutex);
    for (auto& [known, existing] : r.drivers)
        if (SameText(known, name)) {
            existing = std::move(driver);
            return;
        }
    r.drivers.emplace_back(name, std::move(driver));
}

std::shared_ptr<Driver> FindDriver(const std::string& name) {
    Registry& r = Drivers();
    const std::lock_guard lock(r.mutex);
    for (const auto& [known, driver] : r.drivers)
        if (SameText(known, name)) return driver;
    throw Error(base::err::NoDriver, name);
}

// The path is everything after the first DATABASE= key: a file name may hold
// semicolons, or even ";DATABASE=", and is never read as more keys.
ConnectString ParseConnect(const std::string& connect) {
    ConnectString c;
    std::size_t start = 0;
    for (bool first = true;; first = false) {
        const auto end = connect.find(';', start);
        const std::string part = connect.substr(start, end == std::string::npos ? end : end - start);
        if (first) {
            c.driver = base::Trim(part);
        } else if (const auto eq = part.find('=');
                   eq != std::string::npos && SameText(base::Trim(part.substr(0, eq)), "DATABASE")) {
            c.database = connect.substr(start + eq + 1);
            break;
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return c;
}

}  // namespace store
