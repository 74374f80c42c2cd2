#include "app/batch/PendingFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/Errors.h"

namespace batch {

PendingFile::PendingFile(std::string target)
    : target_(std::move(target)), path_(target_ + ".part" + std::to_string(::getpid())) {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

PendingFile::~PendingFile() {
    std::error_code ignored;
    if (!done_) std::filesystem::remove(path_, ignored);
}

void PendingFile::Commit(bool replace) {
    // A hard link fails on an existing target, where a rename would replace it.
    const bool moved = replace ? std::rename(path_.c_str(), target_.c_str()) == 0
                               : ::link(path_.c_str(), target_.c_str()) == 0;
    if (!moved) throw base::RuntimeError(base::err::FileAccess, target_ + " : " + std::strerror(errno));
    if (!replace) ::unlink(path_.c_str());
    done_ = true;
}

}  // namespace batch
