// The shared text helpers: what each trims, and the ending that decides how a
// path is read or written.

#include <gtest/gtest.h>

#include <string>

#include "base/Text.h"

namespace {

TEST(Text, TrimsOnlyTheGivenBlanksAtTheGivenEnds) {
    using namespace std::string_literals;
    const std::string padded = "  a b\0 \0"s;  // a dBase field: blanks and NULs after
    EXPECT_EQ(base::TrimEnd(padded, std::string_view(" \0", 2)), "  a b");
    EXPECT_EQ(base::TrimStart(padded), "a b\0 \0"s);
    EXPECT_EQ(base::Trim(" \tx\t ", " \t"), "x");
    EXPECT_EQ(base::Trim(" \tx\t "), "\tx\t");
    EXPECT_EQ(base::Trim("   "), "");
    EXPECT_EQ(base::TrimEnd("SELECT 1 ;; ", " ;"), "SELECT 1");
}

TEST(Text, PathEndingIsAfterTheLastDotOfTheName) {
    const struct {
        const char* path;
        const char* ending;
    } cases[] = {
        {"Relevés/Points.CSV", "csv"}, {"a.b.Txt", "txt"}, {".mdb", "mdb"},
        {"dossier.d/points", ""},      {"pointstxt", ""},  {"points.", ""},
        {"/tmp/x.XlSx", "xlsx"},       {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(base::PathEnding(c.path), c.ending) << c.path;
}

TEST(Text, CaseChangesLeaveUtf8Alone) {
    EXPECT_EQ(base::AsciiUpper("été Lb72"), "éTé LB72");
    EXPECT_EQ(base::AsciiLower("ÉTÉ.MDB"), "ÉtÉ.mdb");
    EXPECT_EQ(base::Guillemets("BE LB72"), "« BE LB72 »");
}

}  // namespace
