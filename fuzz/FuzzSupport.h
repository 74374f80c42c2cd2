#pragma once
// What the fuzz targets share: a private folder for the files they write.
// Targets that load parameters read the default database the build puts
// beside them, as the program does.

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace fuzz {

// A folder of this process, removed at exit (its name outlives every static
// destructor, so the exit handler can still read it).
inline const std::string& Folder() {
    static const std::string* const folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "travena-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        auto* made = new std::string(pattern);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(Folder(), ec);
        });
        return made;
    }();
    return *folder;
}

// `bytes` written to a file of that name in the private folder.
inline std::string WriteFile(const std::string& name, const std::uint8_t* bytes, std::size_t size) {
    const std::string path = Folder() + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes, 1, size, f) != size || std::fclose(f) != 0) std::abort();
    return path;
}

}  // namespace fuzz
