#pragma once
// Helpers shared by the test binaries: error numbers, table row names, whole
// files, recorded message boxes, and temporary folders and parameter
// databases removed after each test.

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Messages.h"
#include "base/Errors.h"
#include "store/ParamDb.h"

namespace testsupport {

// The run-time error number f throws, or 0 when it returns normally.
template <class F>
int ErrorNumber(F&& f) {
    try {
        f();
    } catch (const base::RuntimeError& e) {
        return e.number;
    }
    return 0;
}

// Test names from the `name` member of each table row.
struct RowName {
    template <class Param>
    std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
        return info.param.name;
    }
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
}

// Message boxes recorded instead of shown; questions get `answer`.
struct Shown {
    std::string kind;  // "info", "critical" or "question"
    std::string title;
    std::string text;
};

class RecordingMessages : public app::Messages {
public:
    void Info(const std::string& title, const std::string& text) override { shown.push_back({"info", title, text}); }
    void Critical(const std::string& title, const std::string& text) override {
        shown.push_back({"critical", title, text});
    }
    bool Question(const std::string& title, const std::string& text) override {
        shown.push_back({"question", title, text});
        return answer;
    }
    int Count(const std::string& text) const {
        int n = 0;
        for (const auto& s : shown) n += s.text == text;
        return n;
    }
    std::vector<Shown> shown;
    bool answer = true;
};

// A temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "travena-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::filesystem::filesystem_error("mkdtemp", std::error_code(errno, std::generic_category()));
        path_ = pattern;
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

}  // namespace testsupport

namespace testsupport {

// The parts of `text` between the `d` characters; an empty text is one empty part.
inline std::vector<std::string> Split(const std::string& text, char d) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == d) parts.emplace_back();
        else parts.back().push_back(c);
    }
    return parts;
}

}  // namespace testsupport
