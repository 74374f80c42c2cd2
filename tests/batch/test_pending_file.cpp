// A run stopped from outside leaves no temporary file behind.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/batch/PendingFile.h"
#include "tests/Support.h"

namespace {

namespace fs = std::filesystem;

std::size_t FilesIn(const std::string& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++n;
    return n;
}

TEST(PendingFile, ATerminatedRunRemovesItsFileAndJournal) {
    testsupport::TempDir dir;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        batch::PendingFile pending(dir.File("out.mdb"));
        std::ofstream(pending.Path()) << "half";
        std::ofstream(pending.Path() + "-journal") << "half";
        ::raise(SIGTERM);
        ::_exit(0);  // not reached
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(FilesIn(dir.File("")), 0u);
}

TEST(PendingFile, TheNextRunRemovesWhatAKilledRunLeft) {
    testsupport::TempDir dir;
    const pid_t dead = ::fork();  // a process id sure to be gone
    if (dead == 0) ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const std::string stale = dir.File("out.txt.part" + std::to_string(dead));
    const std::string alive = dir.File("out.txt.part" + std::to_string(::getppid()));  // another run still going
    for (const std::string& path : {stale, stale + "-journal", alive}) std::ofstream(path) << "x";
    { batch::PendingFile pending(dir.File("out.txt")); }
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_FALSE(fs::exists(stale + "-journal"));
    EXPECT_TRUE(fs::exists(alive));
}

}  // namespace

namespace {

TEST(PendingNames, MessagesNameTheTargetNotTheTemporaryFile) {
    EXPECT_EQ(batch::PendingTargetsIn("/d/out.gpkg.part123 : disque plein ; /d/a.part.txt.part9"),
              "/d/out.gpkg : disque plein ; /d/a.part.txt");
    EXPECT_EQ(batch::PendingTargetsIn("rien.partout"), "rien.partout");
}

}  // namespace
