// The travena window's own command line, before and after Qt takes its options out.

#include <gtest/gtest.h>

#include "app/main/StartOptions.h"

namespace {

TEST(StartOptions, ReadsOwnOptionsAndRefusesTheRest) {
    const struct {
        std::vector<std::string> args;
        bool longOnly;
        bool help, version;
        const char *params, *error;
    } cases[] = {
        {{"--params", "/p/a b.mdb"}, false, false, false, "/p/a b.mdb", ""},
        {{"--params=/p.mdb", "--version"}, false, false, true, "/p.mdb", ""},
        {{"--params"}, false, false, false, "", "valeur manquante après --params"},
        {{"--verbose"}, false, false, false, "", "option inconnue : --verbose"},
        {{"pts.txt"}, false, false, false, "", "argument inattendu : pts.txt"},
        // Before Qt: its one-dash options and their values are not ours to judge.
        {{"-platform", "offscreen", "--help"}, true, true, false, "", ""},
        {{"-style", "fusion", "--verbose"}, true, false, false, "", "option inconnue : --verbose"},
    };
    for (const auto& c : cases) {
        const app::StartOptions o = app::ParseStartOptions(c.args, c.longOnly);
        const std::string& line = c.args.front();
        EXPECT_EQ(o.help, c.help) << line;
        EXPECT_EQ(o.version, c.version) << line;
        EXPECT_EQ(o.params, c.params) << line;
        EXPECT_EQ(o.error, c.error) << line;
    }
}

}  // namespace
