#pragma once
// A temporary folder for test databases, removed with everything in it.

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "store/ParamDb.h"

namespace testing_support {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "travena-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// A private copy of the default parameter database, made the one the loaders read.
class ParamDbCopy {
public:
    ParamDbCopy() : path_(dir_.File("SystG\xC3\xA9o.mdb")) {
        std::filesystem::copy_file(TRAVENA_PARAM_DB, path_);
        store::SetParamDbPath(path_);
    }
    ~ParamDbCopy() { store::SetParamDbPath({}); }

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return dir_.File(name); }

private:
    TempDir dir_;
    std::string path_;
};

}  // namespace testing_support
