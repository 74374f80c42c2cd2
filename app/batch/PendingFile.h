#pragma once
// A file built beside its target under a temporary name and moved into place
// only when complete, so that a failed, interrupted or killed import or run
// leaves no half-made output, no temporary file, and the previous file as it
// was.
//
//   batch::PendingFile pending("/data/out.txt");
//   write(pending.Path());
//   pending.Commit(true);   // without it, the destructor removes the file

#include <string>

namespace batch {

// The target a pending file's path stands for ("/d/out.txt.part123" ->
// "/d/out.txt"): what messages name. Any other path is returned unchanged.
std::string PendingTarget(const std::string& path);
// A message with every pending file's name in it replaced by its target's.
std::string PendingTargetsIn(std::string text);

class PendingFile {
public:
    // Throws base::RuntimeError 75 when `target` is the parameter database.
    explicit PendingFile(std::string target);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const std::string& Path() const { return path_; }

    // Moves the file to its target; with `replace` false, fails rather than
    // replace an existing target. Throws base::RuntimeError 75.
    void Commit(bool replace);

private:
    std::string target_, path_;
    bool done_ = false;
    int slot_ = -1;  // in the table the signal handler cleans
};

}  // namespace batch
