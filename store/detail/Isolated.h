#pragma once
// Internal to the store: runs a piece of work in a child process, so that a
// library that crashes or loops forever on a damaged file cannot take the
// program down with it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace store::detail {

enum class IsolatedOutcome {
    Completed,    // the work returned true
    Refused,      // the work returned false or threw
    Crashed,      // killed by a signal, or any other exit
    TimedOut,     // still running at the deadline, then killed
    OutOfMemory,  // ran out of the address space it was given
};

// How much more address space a child may take than the program held when
// it started: unlimited (0), or a number of bytes.
struct MemoryBudget {
    std::size_t bytes = 0;
};

// Whether this build bounds a child's memory: not under an address-space
// sanitizer, which reserves terabytes up front.
bool MemoryCanBeBounded();

// When no child can be started the work is not run and counts as completed.
// The child has no standard error (libraries chatter there on damaged
// input) and shares nothing back but its outcome.
IsolatedOutcome RunIsolated(const std::function<bool()>& work, std::chrono::milliseconds timeout,
                            MemoryBudget memory = {});

// Runs `read` over the file at `path` in a child first, before the library it
// uses is trusted with the file in this process; throws 3343 when the child
// crashes or stalls. Failing with an error is left to the real read, which
// fails the same way. The child's memory is bounded too, by a budget scaled
// to the file: a file that needs more (a zip bomb, a sheet claiming a huge
// size) is refused with 3274, and never read here without the bound.
// The verdict on a sound file is kept per `reader` and
// file version, so a file is checked once however often it is opened.
// `unpacked`: the bytes the read goes through once the file's parts are
// inflated (a zip package), when more than the file's own; the time given
// grows with them.
void CheckFileInChild(const char* reader, const std::string& path, const std::function<bool()>& read,
                      std::uintmax_t unpacked = 0);

}  // namespace store::detail
