// A list item's system: its kind and the names the pipeline and the output columns take.

#include <gtest/gtest.h>

#include "tests/Support.h"
#include "app/batch/SystemChoice.h"

namespace {

using batch::SystemKind;

struct ChoiceCase {
    const char* name;
    const char* item;
    SystemKind kind;
    const char* names;  // projection|datum|field base
};

class SystemChoiceTable : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(SystemChoiceTable, ItemGivesKindAndNames) {
    const ChoiceCase& c = GetParam();
    const batch::SystemChoice s = batch::MakeSystemChoice(c.item);
    EXPECT_EQ(s.kind, c.kind);
    EXPECT_EQ(s.projection + "|" + s.datum + "|" + s.fieldBase, c.names);
}

INSTANTIATE_TEST_SUITE_P(
    Items, SystemChoiceTable,
    ::testing::Values(
        ChoiceCase{"projection", "BE LB72", SystemKind::Projected, "BE LB72||BE_LB72"},
        ChoiceCase{"utm", "BE UTM", SystemKind::Utm, "BE UTM||BE_UTM"},
        ChoiceCase{"country_datum", "BE Geographic ED50", SystemKind::Geographic, "|BE ED50|BE_Geographic_ED50"},
        ChoiceCase{"europe_datum", "UE Geographic ETRS89", SystemKind::Geographic, "|ETRS89|UE_Geographic_ETRS89"},
        ChoiceCase{"world_mgrs", "W MGRS", SystemKind::Mgrs, "WGS84 UTMMGRS||W_MGRS"},
        ChoiceCase{"ifbl", "BE IFBL", SystemKind::Ifbl, "BE LB72IFBL||BE_IFBL"},
        ChoiceCase{"code_missing", "W Geographic", SystemKind::Geographic, "||W_Geographic"},
        ChoiceCase{"absent", "", SystemKind::None, "||"}),
    testsupport::RowName());

}  // namespace
