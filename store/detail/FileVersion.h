#pragma once
// Internal to the store: what tells a file rewritten in place, or replaced,
// from the one read before, for what readers keep of a file between reads.

#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace store::detail {

struct FileVersion {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    std::int64_t written = 0, changed = 0;  // nanoseconds
    bool operator==(const FileVersion&) const = default;
    bool Exists() const { return size >= 0; }

    // A missing file's is the default one.
    static FileVersion Of(const std::string& path) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) return {};
        const auto ns = [](const timespec& t) { return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; };
        return {st.st_dev, st.st_ino, st.st_size, ns(st.st_mtim), ns(st.st_ctim)};
    }
};

}  // namespace store::detail
