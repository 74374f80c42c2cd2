#include "store/detail/Isolated.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
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
constexpr int ExitOutOfMemory = 4;
constexpr auto PollInterval = std::chrono::milliseconds(5);
// Time a checking child is given: generous, as a sound file reads at
// several megabytes a second even on a slow disk.
constexpr auto CheckBaseTime = std::chrono::seconds(5);
constexpr auto CheckTimePerMegabyte = std::chrono::seconds(1);
// A package's parts once inflated read at well over a hundred megabytes a
// second; a fifth of that is given.
constexpr auto CheckTimePerUnpackedMegabyte = std::chrono::milliseconds(50);
// Memory a checking child may take beyond what the program holds: enough for
// the readers' own needs and a sound file's cells expanded several tens of
// times (a workbook's XML is compressed about ten to one), bounded so that a
// file claiming a huge size cannot take the machine's memory.
constexpr std::size_t MiB = std::size_t(1) << 20;
constexpr std::size_t CheckBaseMemory = 160 * MiB;
constexpr std::size_t CheckMemoryPerByte = 24;
constexpr std::size_t CheckMaxMemory = 640 * MiB;
// A refusal made with nearly all of the budget used was an allocation that
// failed inside a library that reports it as a read error.
constexpr double NearlyAllOfIt = 0.9;

// A field of /proc/self/status in bytes ("VmSize:" or "VmPeak:"), 0 when
// unknown. Allocates nothing: it runs when memory has run out.
std::size_t StatusBytes(const char* field) {
    char text[4096];
    const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    const ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (got <= 0) return 0;
    text[got] = '\0';
    const char* at = std::strstr(text, field);
    return at ? std::size_t(std::strtoull(at + std::strlen(field), nullptr, 10)) * 1024 : 0;
}

// Bounds the child's address space to what it holds now plus the budget;
// the limit set, or 0. Libraries that meet a failed allocation do not all
// give up (some retry for ever, some report a read error), so a watcher ends
// the child once it has taken nearly all of it.
std::size_t BoundMemory(MemoryBudget memory) {
    if (!MemoryCanBeBounded() || memory.bytes == 0) return 0;
    try {
        std::thread([] {
            std::size_t limit = 0;
            for (;;) {
                std::this_thread::sleep_for(PollInterval);
                rlimit set{};
                if (limit == 0 && ::getrlimit(RLIMIT_AS, &set) == 0 && set.rlim_cur != RLIM_INFINITY)
                    limit = set.rlim_cur;
                if (limit != 0 && double(StatusBytes("VmPeak:")) >= NearlyAllOfIt * double(limit))
                    ::_exit(ExitOutOfMemory);
            }
        }).detach();
    } catch (const std::exception&) {
        return 0;  // no watcher, no bound: the time limit still holds
    }
    const std::size_t now = StatusBytes("VmSize:");
    if (now == 0) return 0;
    const rlimit limit{now + memory.bytes, now + memory.bytes};
    return ::setrlimit(RLIMIT_AS, &limit) == 0 ? limit.rlim_cur : 0;
}

[[noreturn]] void RunChild(const std::function<bool()>& work, MemoryBudget memory) {
    // A fault kills the child outright: handlers it inherited (a crash
    // reporter's, a fuzzer's) would treat it as their own process's.
    for (int sig : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) ::signal(sig, SIG_DFL);
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) ::dup2(null, STDERR_FILENO);
    const std::size_t limit = BoundMemory(memory);
    bool done = false;
    try {
        done = work();
    } catch (const std::bad_alloc&) {
        ::_exit(ExitOutOfMemory);
    } catch (...) {
        done = false;
    }
    if (!done && limit != 0 && double(StatusBytes("VmPeak:")) >= NearlyAllOfIt * double(limit))
        ::_exit(ExitOutOfMemory);
    ::_exit(done ? ExitCompleted : ExitRefused);  // no atexit handlers, no flushing of the parent's buffers
}

// waitpid, retried when a signal interrupts it.
pid_t Reap(pid_t pid, int& status, int options) {
    pid_t r;
    do r = ::waitpid(pid, &status, options);
    while (r < 0 && errno == EINTR);
    return r;
}

// Size and a hash of the file's bytes, FNV-1a over eight bytes at a time
// (a byte at a time took a fifth of a second for 100 MB). Timestamps cannot
// tell two versions apart: writes close together share the file system's
// time tick.
std::pair<std::uintmax_t, std::uint64_t> ContentDigest(const std::string& path) {
    constexpr std::uint64_t Offset = 14695981039346656037ull, Prime = 1099511628211ull;
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    std::uintmax_t size = 0;
    std::uint64_t hash = Offset;
    while (in) {
        in.read(block.data(), std::streamsize(block.size()));
        const auto got = std::size_t(in.gcount());
        std::size_t i = 0;
        for (; i + sizeof(std::uint64_t) <= got; i += sizeof(std::uint64_t)) {
            std::uint64_t word = 0;
            std::memcpy(&word, block.data() + i, sizeof word);
            hash = (hash ^ word) * Prime;
            hash ^= hash >> 29;  // the high bits of a word reach the low ones
        }
        for (; i < got; ++i) hash = (hash ^ static_cast<unsigned char>(block[i])) * Prime;
        size += got;
    }
    return {size, hash};
}

}  // namespace

bool MemoryCanBeBounded() {
#if defined(__SANITIZE_ADDRESS__)
    return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return false;
#else
    return true;
#endif
#else
    return true;
#endif
}

void CheckFileInChild(const char* reader, const std::string& path, const std::function<bool()>& read,
                      std::uintmax_t unpacked) {
    using Version = std::pair<std::uintmax_t, std::uint64_t>;
    static std::mutex mutex;
    static std::map<std::pair<std::string, std::string>, Version> sound;
    const Version version = ContentDigest(path);
    const std::lock_guard lock(mutex);
    const auto key = std::make_pair(std::string(reader), path);
    const auto known = sound.find(key);
    if (known != sound.end() && known->second == version) return;
    const auto megabytes = long(version.first >> 20);
    const std::size_t budget =
        std::min<std::size_t>(CheckMaxMemory, CheckBaseMemory + CheckMemoryPerByte * std::size_t(version.first));
    const auto time = CheckBaseTime + CheckTimePerMegabyte * megabytes +
                      CheckTimePerUnpackedMegabyte * long(std::max(unpacked, version.first) >> 20);
    switch (RunIsolated(read, time, MemoryBudget{budget})) {
    // More than a sound file of its size needs: a damaged or hostile file.
    case IsolatedOutcome::OutOfMemory: throw Error(base::err::UnreadableFile, path);
    case IsolatedOutcome::Crashed:
    case IsolatedOutcome::TimedOut: throw Error(base::err::BadFormat, path);
    case IsolatedOutcome::Completed: sound[key] = version; break;
    case IsolatedOutcome::Refused: break;  // the engine error shows again when the file is read here
    }
}

IsolatedOutcome RunIsolated(const std::function<bool()>& work, std::chrono::milliseconds timeout, MemoryBudget memory) {
    const pid_t pid = ::fork();
    if (pid < 0) return IsolatedOutcome::Completed;  // no process to spare: go on unguarded
    if (pid == 0) RunChild(work, memory);

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = Reap(pid, status, WNOHANG);
        if (r == pid) {
            if (!WIFEXITED(status)) return IsolatedOutcome::Crashed;
            if (WEXITSTATUS(status) == ExitCompleted) return IsolatedOutcome::Completed;
            if (WEXITSTATUS(status) == ExitRefused) return IsolatedOutcome::Refused;
            if (WEXITSTATUS(status) == ExitOutOfMemory) return IsolatedOutcome::OutOfMemory;
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
