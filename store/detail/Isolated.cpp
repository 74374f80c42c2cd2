#include "store/detail/Isolated.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace store::detail {

namespace {

constexpr int ExitCompleted = 0;
constexpr int ExitRefused = 3;
constexpr auto PollInterval = std::chrono::milliseconds(5);

[[noreturn]] void RunChild(const std::function<bool()>& work) {
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

}  // namespace

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
