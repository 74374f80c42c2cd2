#include "store/detail/Isolated.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>
#include <tuple>
#include <vector>

#include "store/EngineError.h"

namespace store::detail {

namespace {

constexpr int ExitCompleted = 0;
constexpr int ExitRefused = 3;
constexpr auto PollInterval = std::chrono::milliseconds(5);
// Time a checking child is given: generous, as a sound file reads at
// several megabytes a second even on a slow disk.
constexpr auto CheckBaseTime = std::chrono::seconds(5);
constexpr auto CheckTimePerMegabyte = std::chrono::seconds(1);

[[noreturn]] void RunChild(const std::function<bool()>& work) {
    // A fault kills the child outright: handlers it inherited (a crash
    // reporter's, a fuzzer's) would treat it as their own process's.
    for (int sig : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) ::signal(sig, SIG_DFL);
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) ::dup2(null, STDERR_FILENO);
    bool done = false;
    try {
        done = work();
    } catch (...) {
        done = false;
    }
    ::_exit(done ? ExitCompleted : ExitRefused);  // no atexit handlers, no flushing of the parent's buffers
}

// waitpid, retried when a signal interrupts it.
pid_t Reap(pid_t pid, int& status, int options) {
    pid_t r;
    do r = ::waitpid(pid, &status, options);
    while (r < 0 && errno == EINTR);
    return r;
}

// Size and FNV-1a hash of the file's bytes. Timestamps cannot tell two
// versions apart: writes close together share the file system's time tick.
std::pair<std::uintmax_t, std::uint64_t> ContentDigest(const std::string& path) {
    constexpr std::uint64_t Offset = 14695981039346656037ull, Prime = 1099511628211ull;
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    std::uintmax_t size = 0;
    std::uint64_t hash = Offset;
    while (in) {
        in.read(block.data(), std::streamsize(block.size()));
        const auto got = std::size_t(in.gcount());
        for (std::size_t i = 0; i < got; ++i) hash = (hash ^ static_cast<unsigned char>(block[i])) * Prime;
        size += got;
    }
    return {size, hash};
}

}  // namespace

void CheckFileInChild(const char* reader, const std::string& path, const std::function<bool()>& read) {
    using Version = std::pair<std::uintmax_t, std::uint64_t>;
    static std::mutex mutex;
    static std::map<std::pair<std::string, std::string>, Version> sound;
    const Version version = ContentDigest(path);
    const std::lock_guard lock(mutex);
    const auto key = std::make_pair(std::string(reader), path);
    const auto known = sound.find(key);
    if (known != sound.end() && known->second == version) return;
    const auto megabytes = long(version.first >> 20);
    switch (RunIsolated(read, CheckBaseTime + CheckTimePerMegabyte * megabytes)) {
    case IsolatedOutcome::Crashed:
    case IsolatedOutcome::TimedOut: throw Error(base::err::BadFormat, path);
    case IsolatedOutcome::Completed: sound[key] = version; break;
    case IsolatedOutcome::Refused: break;  // the engine error shows again when the file is read here
    }
}

IsolatedOutcome RunIsolated(const std::function<bool()>& work, std::chrono::milliseconds timeout) {
    const pid_t pid = ::fork();
    if (pid < 0) return IsolatedOutcome::Completed;  // no process to spare: go on unguarded
    if (pid == 0) RunChild(work);

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = Reap(pid, status, WNOHANG);
        if (r == pid) {
            if (!WIFEXITED(status)) return IsolatedOutcome::Crashed;
            if (WEXITSTATUS(status) == ExitCompleted) return IsolatedOutcome::Completed;
            if (WEXITSTATUS(status) == ExitRefused) return IsolatedOutcome::Refused;
            return IsolatedOutcome::Crashed;
        }
        if (r < 0) return IsolatedOutcome::Crashed;
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            Reap(pid, status, 0);
            return IsolatedOutcome::TimedOut;
        }
        std::this_thread::sleep_for(PollInterval);
    }
}

}  // namespace store::detail
