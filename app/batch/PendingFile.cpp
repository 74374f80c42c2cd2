// A killed run cannot clean up after itself by destructors, so pending files
// are also removed from a signal handler (SIGINT, SIGTERM, SIGHUP), and a
// later run for the same target removes what a run killed outright (SIGKILL,
// power loss) left: files named after a process that no longer exists.

#include "app/batch/PendingFile.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/Errors.h"
#include "base/SystemText.h"
#include "store/ParamDb.h"

namespace batch {

namespace {

namespace fs = std::filesystem;

constexpr const char* PartMark = ".part";
constexpr const char* JournalSuffix = "-journal";  // SQLite's beside a database being written

// Paths the signal handler removes; fixed storage, as a handler may not allocate.
constexpr int Slots = 8;
constexpr std::size_t MaxPath = 4096;
char slotPaths[Slots][MaxPath + sizeof("-journal")];
std::atomic<bool> slotUsed[Slots];

void RemoveAll(const std::string& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
    fs::remove(path + JournalSuffix, ignored);
}

extern "C" void RemovePendingAndDie(int signal) {
    for (int k = 0; k < Slots; ++k) {
        if (!slotUsed[k].load()) continue;
        char* path = slotPaths[k];
        ::unlink(path);
        const std::size_t n = std::strlen(path);
        std::memcpy(path + n, JournalSuffix, sizeof("-journal"));
        ::unlink(path);
        path[n] = '\0';
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Only where the program has not chosen its own handling.
void InstallHandlers() {
    static const bool installed = [] {
        for (int s : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction current {};
            if (::sigaction(s, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
                struct sigaction action {};
                action.sa_handler = RemovePendingAndDie;
                sigemptyset(&action.sa_mask);
                ::sigaction(s, &action, nullptr);
            }
        }
        return true;
    }();
    (void)installed;
}

int Register(const std::string& path) {
    if (path.size() > MaxPath) return -1;
    InstallHandlers();
    for (int k = 0; k < Slots; ++k) {
        if (slotUsed[k].load()) continue;
        std::memcpy(slotPaths[k], path.c_str(), path.size() + 1);
        slotUsed[k].store(true);
        return k;
    }
    return -1;
}

bool ProcessGone(const std::string& digits) {
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const pid_t pid = pid_t(std::stol(digits));
    return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

// "<target>.part<pid>" and its journal, for every pid that is gone.
void RemoveLeftovers(const std::string& target) {
    const fs::path t(target);
    const std::string prefix = t.filename().string() + PartMark;
    std::error_code ec;
    for (fs::directory_iterator it(t.parent_path().empty() ? fs::path(".") : t.parent_path(), ec), end;
         !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.rfind(prefix, 0) != 0) continue;
        std::string pid = name.substr(prefix.size());
        if (pid.size() > std::strlen(JournalSuffix) &&
            pid.compare(pid.size() - std::strlen(JournalSuffix), std::string::npos, JournalSuffix) == 0)
            pid.resize(pid.size() - std::strlen(JournalSuffix));
        if (ProcessGone(pid)) {
            std::error_code ignored;
            fs::remove(it->path(), ignored);
        }
    }
}

}  // namespace

std::string PendingTarget(const std::string& path) {
    const auto mark = path.rfind(PartMark);
    if (mark == std::string::npos) return path;
    const std::string pid = path.substr(mark + std::strlen(PartMark));
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) return path;
    return path.substr(0, mark);
}

std::string PendingTargetsIn(std::string text) {
    for (std::size_t mark = text.find(PartMark); mark != std::string::npos; mark = text.find(PartMark, mark)) {
        const std::size_t digits = mark + std::strlen(PartMark);
        const std::size_t end = text.find_first_not_of("0123456789", digits);
        if (end == digits) {
            ++mark;
            continue;
        }
        text.erase(mark, (end == std::string::npos ? text.size() : end) - mark);
    }
    return text;
}

PendingFile::PendingFile(std::string target)
    : target_(std::move(target)), path_(target_ + PartMark + std::to_string(::getpid())) {
    // Whatever the output (a run's, a text import's scratch database), it
    // must never take the place of the parameters every computation reads.
    if (store::IsParamDatabase(target_))
        throw base::RuntimeError(base::err::FileAccess,
                                 target_ + " : c'est la base de paramètres, elle ne peut pas être remplacée.");
    RemoveLeftovers(target_);
    RemoveAll(path_);
    slot_ = Register(path_);
}

PendingFile::~PendingFile() {
    if (!done_) RemoveAll(path_);
    if (slot_ >= 0) slotUsed[slot_].store(false);
}

void PendingFile::Commit(bool replace) {
    // A hard link fails on an existing target, where a rename would replace it.
    const bool moved =
        replace ? std::rename(path_.c_str(), target_.c_str()) == 0 : ::link(path_.c_str(), target_.c_str()) == 0;
    if (!moved) throw base::RuntimeError(base::err::FileAccess, target_ + " : " + base::SystemText(errno));
    if (!replace) ::unlink(path_.c_str());
    done_ = true;
}

}  // namespace batch
