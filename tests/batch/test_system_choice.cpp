#include <gtest/gtest.h>

#include <algorithm>

#include "store/Engine.h"
#include "app/batch/SystemChoice.h"
#include "app/batch/SystemList.h"

namespace {

using batch::SystemKind;

struct ChoiceCase {
    const char* name;
    const char* item;
    SystemKind kind;
    const char* projection;
    const char* datum;
    const char* base;
};

class SystemChoiceTable : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(SystemChoiceTable, ItemGivesKindAndNames) {
    const ChoiceCase& c = GetParam();
    const batch::SystemChoice s = batch::MakeSystemChoice(c.item);
    EXPECT_EQ(s.kind, c.kind);
    EXPECT_EQ(s.projection, c.projection);
    EXPECT_EQ(s.datum, c.datum);
    EXPECT_EQ(s.fieldBase, c.base);
}

INSTANTIATE_TEST_SUITE_P(
    Items, SystemChoiceTable,
    ::testing::Values(
        ChoiceCase{"projection", "BE LB72", SystemKind::Projected, "BE LB72", "", "BE_LB72"},
        ChoiceCase{"utm", "BE UTM", SystemKind::Utm, "BE UTM", "", "BE_UTM"},
        ChoiceCase{"country_datum", "BE Geographic ED50", SystemKind::Geographic, "", "BE ED50",
                   "BE_Geographic_ED50"},
        ChoiceCase{"europe_datum", "UE Geographic ETRS89", SystemKind::Geographic, "", "ETRS89",
                   "UE_Geographic_ETRS89"},
        ChoiceCase{"world_mgrs", "W MGRS", SystemKind::Mgrs, "WGS84 UTMMGRS", "", "W_MGRS"},
        ChoiceCase{"ifbl", "BE IFBL", SystemKind::Ifbl, "BE LB72IFBL", "", "BE_IFBL"},
        ChoiceCase{"code_missing", "W Geographic", SystemKind::Geographic, "", "", "W_Geographic"},
        ChoiceCase{"absent", "", SystemKind::None, "", "", ""}),
    [](const auto& i) { return std::string(i.param.name); });

TEST(SystemItems, DefaultDatabaseListsEveryKindInOrder) {
    store::Database db = store::OpenDatabase(TRAVENA_PARAM_DB);
    const auto items = batch::SystemItems(db);
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.front(), "WGS84 UTM");
    EXPECT_EQ(items.back(), "BE IFBL");
    const auto at = [&](const char* s) { return std::find(items.begin(), items.end(), s) - items.begin(); };
    // Projections, then datums, then MGRS grids.
    EXPECT_LT(at("DE GK3"), at("W Geographic WGS84"));
    EXPECT_LT(at("DE Geographic DHDN"), at("W MGRS"));
    EXPECT_LT(at("UE MGRS"), static_cast<long>(items.size()));
    // 12 projections, 11 datums, 3 UTM projections, IFBL.
    EXPECT_EQ(items.size(), 12u + 11u + 3u + 1u);
}

}  // namespace
