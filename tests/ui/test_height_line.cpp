// The height line: a typed height and the other one at the table's point,
// against cs2cs EPSG:4937 -> EPSG:5710 on the same quasi-geoid grid.

#include "ModelFixture.h"
#include "app/main/RowClipboard.h"
#include "core/NumberText.h"

namespace uitest {
namespace {

using app::Ctl;
namespace height = app::height;

class HeightLine : public ModelTest {
protected:
    // A WGS 84 point typed in decimal degrees into row 0, and its Calc.
    void ClickPoint(const std::string& lon, const std::string& lat) {
        Type(Ctl::TxtLgDec, 0, lon);
        Type(Ctl::TxtLtDec, 0, lat);
        model.Com_calculer_Click(0);
    }
    std::string& H(int cell) { return T(Ctl::TxtH, cell); }
};

struct HeightCase {
    const char *lon, *lat;
    int typed;
    const char *value, *other;
};

// echo "LAT LON h" | PROJ_DATA=/usr/share/proj:data cs2cs -f %.6f EPSG:4937 EPSG:5710
//   50.85 4.35 100 -> 57.151666; 49.6 5.8 300 -> 254.775002; 51.3 2.6 50 -> 8.144000
// H -> h adds back the same N (42.848334 at the first point).
const HeightCase Cases[] = {
    {"4.35", "50.85", height::Ellipsoidal, "100", "57.152"}, {"5.8", "49.6", height::Ellipsoidal, "300", "254.775"},
    {"2.6", "51.3", height::Ellipsoidal, "50", "8.144"},     {"4.35", "50.85", height::Ostend, "56.5", "99.348"},
    {"4.35", "50.85", height::Ostend, "-3,25", "39.598"},  // a decimal comma, below Ostend level
};

TEST_F(HeightLine, CalcFillsTheOtherHeightAsCs2csDoes) {
    for (const HeightCase& c : Cases) {
        SCOPED_TRACE(std::string(c.value) + " at " + c.lon + " " + c.lat);
        Type(Ctl::TxtH, c.typed, c.value);
        ClickPoint(c.lon, c.lat);
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(H(1 - c.typed), c.other);
        EXPECT_FALSE(T(Ctl::TxtE, 8).empty());  // the table is filled as without heights
        // The computed height typed back (as a new text) gives the first one.
        const std::string typed = H(c.typed);
        Type(Ctl::TxtH, 1 - c.typed, std::string(c.other) + "0");
        EXPECT_TRUE(H(c.typed).empty()) << "a new height empties the other";
        model.Com_hauteur_Click();
        EXPECT_NEAR(core::ValNumber(H(c.typed)), core::ValNumber(typed), 0.0011);
        H(0).clear(), H(1).clear();
        model.LostFocus(Ctl::TxtH, c.typed);  // emptied: no height any more
    }
}

TEST_F(HeightLine, NoHeightLeavesTheLineAlone) {
    ClickPoint("4.35", "50.85");
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(H(0).empty() && H(1).empty());
    EXPECT_EQ(app::HeightLine(model), "");
}

TEST_F(HeightLine, OutsideTheModelGivesNoHeightButTheTable) {
    const struct {
        const char *lon, *lat;
        bool farWest;  // beyond the Luxembourg projection's domain too: its row emptied and said so
    } outside[] = {{"10", "50", false}, {"4.35", "53", false}, {"4.35", "48", false}, {"354.3", "50", true}};
    for (const auto& p : outside) {
        SCOPED_TRACE(std::string(p.lon) + " " + p.lat);
        messages.shown.clear();
        Type(Ctl::TxtH, height::Ellipsoidal, "100");
        H(height::Ostend) = "12.000";  // a stale number must not stay
        ClickPoint(p.lon, p.lat);
        EXPECT_FALSE(model.LastCalcRefused);
        EXPECT_FALSE(T(Ctl::TxtE, 4).empty());
        EXPECT_EQ(H(height::Ostend), "");
        EXPECT_EQ(H(height::Ellipsoidal), "100");
        ASSERT_EQ(messages.shown.size(), p.farWest ? 2u : 1u);
        std::string all;
        for (const auto& m : messages.shown) all += m.text + "\n";
        EXPECT_NE(all.find("hors du modèle hBG18"), std::string::npos) << all;
        EXPECT_EQ(all.find("« LU TM » est laissée vide") != std::string::npos, p.farWest) << all;
    }
}

TEST_F(HeightLine, UnreadableHeightRefusesTheCalc) {
    ClickPoint("4.35", "50.85");
    const Cells before = AllCells(model);
    for (const char* typed : {"12abc", "1e999", "--"}) {
        SCOPED_TRACE(typed);
        messages.shown.clear();
        Type(Ctl::TxtH, height::Ostend, typed);
        EXPECT_EQ(messages.shown.size(), 1u) << "said on leaving the cell";
        T(Ctl::TxtE, 8) = "150000", T(Ctl::TxtN, 8) = "170000";
        model.Com_calculer_Click(8);
        EXPECT_TRUE(model.LastCalcRefused);
        T(Ctl::TxtE, 8) = before.at({Ctl::TxtE, 8}), T(Ctl::TxtN, 8) = before.at({Ctl::TxtN, 8});
        EXPECT_EQ(AllCells(model), before);
        EXPECT_EQ(H(height::Ellipsoidal), "");
    }
}

TEST_F(HeightLine, TheTypedHeightStaysTheInput) {
    Type(Ctl::TxtH, height::Ellipsoidal, "100");
    ClickPoint("4.35", "50.85");
    ASSERT_EQ(H(height::Ostend), "57.152");
    // Another point: the typed h is kept, H follows the point.
    ClickPoint("5.8", "49.6");
    EXPECT_EQ(H(height::Ellipsoidal), "100");
    EXPECT_EQ(H(height::Ostend), "54.775");  // N = 300 - 254.775002 here
    // Emptying the computed cell leaves the typed one; the next Calc refills it.
    H(height::Ostend).clear();
    model.LostFocus(Ctl::TxtH, height::Ostend);
    EXPECT_EQ(H(height::Ellipsoidal), "100");
    model.Com_hauteur_Click();
    EXPECT_EQ(H(height::Ostend), "54.775");
    // A change of method computes the table and its height again.
    model.mnu_calc3_Click();
    EXPECT_EQ(H(height::Ostend), "54.775");
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(app::HeightLine(model), "Hauteurs (m) :\th ellipsoïdale (ETRS89)\t100\tH Ostende (DNG, hBG18)\t54.775\n");
}

TEST_F(HeightLine, ItsCalcNeedsAComputedPointAndAHeight) {
    Type(Ctl::TxtH, height::Ellipsoidal, "100");
    model.Com_hauteur_Click();  // nothing computed yet
    ClickPoint("4.35", "50.85");
    H(height::Ostend).clear();
    Type(Ctl::TxtLgDec, 0, "5.8");  // typed, not computed: the table shows another point
    model.Com_hauteur_Click();
    EXPECT_EQ(H(height::Ostend), "");
    Type(Ctl::TxtH, height::Ellipsoidal, "");
    model.Com_hauteur_Click();
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_NE(messages.shown[0].text.find("pas de point calculé"), std::string::npos);
    EXPECT_NE(messages.shown[1].text.find("pas de point calculé"), std::string::npos);
    EXPECT_NE(messages.shown[2].text.find("tapez une des deux hauteurs"), std::string::npos);
}

}  // namespace
}  // namespace uitest
