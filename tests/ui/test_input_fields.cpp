// The cells: normalisation when left, cross-filling of the three forms of a
// geographic coordinate, upper-casing, zone range, and Enter moving along the row.

#include <optional>

#include "ModelFixture.h"

namespace uitest {
namespace {

using app::ControlRef;
using app::Ctl;

using InputFields = ModelTest;

// Metres are not read as angles: a list row showing a projection keeps its
// number (its hidden angle cells zeroed), grid cells are only upper-cased.
TEST_F(InputFields, ProjectedAndGridCellsKeepTheirText) {
    Select(0, "FR LB93");
    Type(Ctl::TxtLgDeg, 4, "652000,5");
    Type(Ctl::TxtE, 6, " 31uer 851 949");
    Type(Ctl::TxtE, 8, "150000,5");
    Type(Ctl::TxtN, 8, "abc");
    EXPECT_EQ(T(Ctl::TxtLgDeg, 4) + " " + T(Ctl::TxtLgDec, 4) + " " + T(Ctl::TxtE, 11), "652000.5 0.000000 0");
    EXPECT_EQ(T(Ctl::TxtE, 6) + "|" + T(Ctl::TxtE, 8) + "|" + T(Ctl::TxtN, 8), " 31UER 851 949|150000,5|abc");
}

// What an angle cell reads, or refuses: a refused text stays for correction
// and keeps the focus, the other two forms of the coordinate are emptied (a
// Calc must not use the value they showed before), one message says why.
TEST_F(InputFields, AngleCellReadsWhatIsWrittenOrRefusesIt) {
    const struct {
        Ctl ctl;
        int index;
        const char* typed;
        const char* dms;                // the DMS cell afterwards; nullptr when refused
        const char* decimal;            // or the part of the refusal message
        const char* radians = nullptr;  // when given, the radian cell afterwards
    } cases[] = {{Ctl::TxtLtDeg, 0, "50°30'15.5''", "50°30'15.5''", "50.504306"},
                 {Ctl::TxtLtDeg, 1, "50°30'15\"", "50°30'15''", "50.504167"},
                 {Ctl::TxtLtDeg, 2, "50° 30' 15''", "50°30'15.000''", "50.504167"},  // rewritten as read
                 {Ctl::TxtLgDeg, 1, "4 21'6.12''", "4°21'6.120''", "4.351700"},
                 {Ctl::TxtLtDeg, 3, "N 50 30", "50°30'0.000''", "50.500000"},
                 {Ctl::TxtLgDeg, 5, "-0°30'", "359°30'0.000''", "359.500000"},
                 {Ctl::TxtLgDeg, 3, "30''", "30''", "0.008333"},
                 {Ctl::TxtLtDeg, 0, "50.5", "50°30'0.000''", "50.500000"},
                 {Ctl::TxtLgDeg, 4, "-4°30'", "355°30'0.000''", "355.500000"},
                 {Ctl::TxtLgDeg, 4, "4°30'0''", "4°30'0''", "4.500000", "0.0785398163397448"},
                 {Ctl::TxtLgDec, 0, "4.35", "4°21'0.000''", "4.35"},
                 {Ctl::TxtLtDec, 5, "50,5", "50°30'0.000''", "50.5", "0.881391272257136"},
                 {Ctl::TxtLtDec, 5, "90", "90°0'0.000''", "90"},
                 {Ctl::TxtE, 1, "0,5", "28°38'52.403''", "28.647890", "0.5"},
                 {Ctl::TxtE, 0, "-0.1", "354°16'13.519''", "354.270422", "6.18318530717958"},
                 {Ctl::TxtLtDeg, 0, "E50°30'", nullptr, "pas une latitude"},
                 {Ctl::TxtLgDeg, 0, "10'20°", nullptr, "Angle illisible"},
                 {Ctl::TxtLtDeg, 1, "50°75'", nullptr, "les minutes vont de 0 à 59"},
                 {Ctl::TxtLtDeg, 1, "S50°30'", nullptr, "Latitude hors limites"},
                 {Ctl::TxtLtDeg, 5, "95°", nullptr, "Latitude hors limites"},
                 {Ctl::TxtLtDec, 3, "-10", nullptr, "hémisphère nord"},
                 {Ctl::TxtN, 12, "-0.1", nullptr, "Latitude hors limites"},
                 {Ctl::TxtLgDec, 2, "12abc", nullptr,
                  "Ligne « Geographic LB 72 », case « Longitude (dd.xxxxx) » :\n« 12abc » n'est pas un nombre."},
                 {Ctl::TxtN, 12, "0.5 rad", nullptr, "case « Latitude (rad) »"},
                 {Ctl::TxtLgDec, 0, "400", nullptr, "Longitude hors limites"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        messages.shown.clear();
        const bool latitude = c.ctl == Ctl::TxtLtDeg || c.ctl == Ctl::TxtLtDec || c.ctl == Ctl::TxtN;
        const bool radians = c.ctl == Ctl::TxtE || c.ctl == Ctl::TxtN;
        const int j = radians && c.index > 10 ? c.index - 7 : c.index, k = radians ? c.index : j > 3 ? j + 7 : j;
        const Ctl dms = latitude ? Ctl::TxtLtDeg : Ctl::TxtLgDeg, dec = latitude ? Ctl::TxtLtDec : Ctl::TxtLgDec;
        const Ctl rad = latitude ? Ctl::TxtN : Ctl::TxtE;
        for (Ctl ctl : {dms, dec}) T(ctl, j) = "old";
        T(rad, k) = "old";
        T(c.ctl, c.index) = c.typed;
        PressEnter(c.ctl, c.index);
        if (c.dms) {
            EXPECT_EQ(T(dms, j) + " " + T(dec, j), c.dms + std::string(" ") + c.decimal);
            if (c.radians) {
                EXPECT_EQ(T(rad, k), c.radians);
            }
            EXPECT_TRUE(messages.shown.empty());
            EXPECT_TRUE(model.TakeFocusRequest());
            const Cells once = AllCells(model);
            model.LostFocus(c.ctl, c.index);
            EXPECT_EQ(AllCells(model), once);  // leaving again changes nothing
            continue;
        }
        EXPECT_EQ(T(dms, j) + T(dec, j) + T(rad, k), c.typed);  // the other two emptied
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].kind, "critical");
        EXPECT_NE(messages.shown[0].text.find(c.decimal), std::string::npos) << messages.shown[0].text;
        EXPECT_EQ(model.TakeFocusRequest(), (ControlRef{c.ctl, c.index}));
        EXPECT_FALSE(model.EnterPressed);
    }
}

// A zone cell keeps whole zones 1 to 60 and moves on; anything else is
// emptied, and said.
TEST_F(InputFields, ZoneCellKeepsOnlyWholeZones1To60) {
    const std::pair<const char*, const char*> zones[] = {{"31", "31"}, {"1", "1"},   {"60", "60"}, {"31,0", "31,0"},
                                                         {"31,6", ""}, {"0", ""},    {"61", ""},   {"-3", ""},
                                                         {"abc", ""},  {"1e999", ""}};
    for (const auto& [typed, kept] : zones) {
        messages.shown.clear();
        T(Ctl::TxtFus, 4) = typed;
        PressEnter(Ctl::TxtFus, 4);
        EXPECT_EQ(T(Ctl::TxtFus, 4), kept) << typed;
        const std::optional<ControlRef> calc = ControlRef{Ctl::Com_calculer, 4};
        EXPECT_EQ(model.TakeFocusRequest(), *kept ? calc : std::nullopt) << typed;
        EXPECT_EQ(messages.shown.size(), *kept ? 0u : 1u) << typed;
    }
}

// Where Enter in a non-empty cell sends the focus.
TEST_F(InputFields, EnterMovesAlongTheRow) {
    const struct {
        Ctl ctl;
        int index;
        const char* text;
        ControlRef next;
    } moves[] = {{Ctl::TxtLgDeg, 0, "4°", {Ctl::TxtLtDeg, 0}},
                 {Ctl::TxtLtDeg, 1, "50°", {Ctl::Com_calculer, 1}},
                 {Ctl::TxtLtDeg, 4, "50°", {Ctl::Com_calculer, 11}},
                 {Ctl::TxtLgDec, 5, "4", {Ctl::TxtLtDec, 5}},
                 {Ctl::TxtE, 0, "0.07", {Ctl::TxtN, 0}},
                 {Ctl::TxtE, 4, "585104", {Ctl::TxtN, 4}},
                 {Ctl::TxtE, 6, "31UER", {Ctl::Com_calculer, 6}},
                 {Ctl::TxtE, 10, "A01111", {Ctl::Com_calculer, 10}},
                 {Ctl::TxtE, 11, "0.07", {Ctl::Com_calculer, 11}},
                 {Ctl::TxtN, 4, "5594913", {Ctl::TxtFus, 4}},
                 {Ctl::TxtN, 9, "100000", {Ctl::Com_calculer, 9}},
                 {Ctl::TxtN, 12, "0.8", {Ctl::Com_calculer, 12}},
                 {Ctl::TxtLtDeg, 5, "5600000", {Ctl::TxtFus, 12}}};  // a UTM list row, below
    Select(1, "UE UTM");
    for (const auto& m : moves) {
        T(m.ctl, m.index) = m.text;
        PressEnter(m.ctl, m.index);
        EXPECT_EQ(model.TakeFocusRequest(), m.next) << static_cast<int>(m.ctl) << "(" << m.index << ")";
        EXPECT_FALSE(model.EnterPressed);
    }
}

// Other keys pass through; Enter is swallowed, and in an empty cell it is
// forgotten once the cell is left by Tab or the mouse.
TEST_F(InputFields, EnterInAnEmptyCellIsForgottenWhenTheCellIsLeft) {
    int key = 'a';
    model.KeyPress(Ctl::TxtE, 8, key);
    EXPECT_EQ(key, 'a');
    EXPECT_FALSE(model.EnterPressed);
    key = app::KeyEnter;
    model.KeyPress(Ctl::TxtE, 8, key);
    EXPECT_EQ(key, 0);
    EXPECT_TRUE(model.EnterPressed);
    EXPECT_FALSE(model.TakeFocusRequest());
    model.LostFocus(Ctl::TxtE, 8);
    Type(Ctl::TxtE, 9, "80000");
    EXPECT_FALSE(model.TakeFocusRequest());
    EXPECT_FALSE(model.EnterPressed);
}

}  // namespace
}  // namespace uitest
