#include "store/AppFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <vector>

namespace store {

namespace {

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

struct ProgramFolders {
    std::mutex mutex;
    std::vector<std::string> folders;
};

ProgramFolders& Added() {
    static ProgramFolders added;
    return added;
}

}  // namespace

std::string AppFolder() {
    static const std::string folder = [] {
        std::string exe(4096, '\0');
        const ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size());
        if (n <= 0) return std::string(".");
        exe.resize(std::size_t(n));
        const auto slash = exe.rfind('/');
        return slash == 0 ? std::string("/") : exe.substr(0, slash);
    }();
    return folder;
}

std::string InstalledDataFolder(const std::string& appFolder) {
    const auto slash = appFolder.rfind('/');
    const std::string prefix = slash == std::string::npos || slash == 0 ? std::string() : appFolder.substr(0, slash);
    return prefix + "/share/travena";
}

std::string ShippedFile(const std::string& name) {
    std::vector<std::string> programs{AppFolder()};
    {
        ProgramFolders& added = Added();
        const std::lock_guard lock(added.mutex);
        programs.insert(programs.end(), added.folders.begin(), added.folders.end());
    }
    for (const std::string& program : programs)
        for (const std::string& folder : {program, InstalledDataFolder(program)}) {
            const std::string path = folder + "/" + name;
            if (IsFile(path)) return path;
        }
    return {};
}

void AddProgramFolder(const std::string& folder) {
    ProgramFolders& added = Added();
    const std::lock_guard lock(added.mutex);
    added.folders.push_back(folder);
}

}  // namespace store
