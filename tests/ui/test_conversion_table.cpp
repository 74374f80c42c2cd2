// The Calc handler and the fill: the table against the batch pipeline, every
// row as input, grid rows, list rows, refused clicks and the fault policy.

#include <filesystem>

#include "ModelFixture.h"
#include "core/Constants.h"
#include "core/NumberText.h"
#include "core/Pipeline.h"

namespace uitest {
namespace {

using app::Ctl;

// Off every 1 km IFBL boundary, so both paths give the same square.
const std::string LambertX = "151234.5", LambertY = "171234.5";

double Num(const std::string& text) { return core::ValNumber(text); }

// What the table pipeline of the batch run gives for the Lambert point.
struct PipelineOut {
    std::string x, y;
    std::int16_t zone = 0;
};
PipelineOut FromLambert(const std::string& datum, const std::string& projection, std::int16_t method) {
    std::string inDatum, x = LambertX, y = LambertY, outDatum = datum;
    std::int16_t inZone = 0;
    PipelineOut out;
    core::ConvertRecord(inDatum, "BE LB72", x, y, inZone, outDatum, projection, out.x, out.y, out.zone, method);
    return out;
}

class ConversionTable : public ModelTest {
protected:
    void ClickLambert() {
        T(Ctl::TxtE, 8) = LambertX;
        T(Ctl::TxtN, 8) = LambertY;
        model.Com_calculer_Click(8);
    }
};

class LambertPoint : public ConversionTable, public ::testing::WithParamInterface<void (app::MainModel::*)()> {};

TEST_P(LambertPoint, FillsEveryRowAsThePipelineDoes) {
    (model.*GetParam())();
    const std::int16_t method = model.TransformMethod;
    Select(0, "UE UTM");
    Select(1, "NL Geographic AMSF");
    ClickLambert();
    ASSERT_TRUE(messages.shown.empty()) << messages.shown.front().text;

    // Geographic cells in radians, projected ones in metres to the millimetre.
    const struct {
        int row;
        const char *datum, *projection;
    } rows[] = {{0, "WGS84", ""},     {1, "BE ED50", ""}, {2, "BE BD72", ""}, {3, "LU LUREF", ""}, {12, "NL AMSF", ""},
                {4, "", "WGS84 UTM"}, {5, "", "BE UTM"},  {9, "", "LU TM"},   {11, "", "UE UTM"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.row);
        const PipelineOut p = FromLambert(r.datum, r.projection, method);
        const bool list = r.row == 11, projected = *r.projection;
        const std::string& e = list ? T(Ctl::TxtLgDeg, 4) : T(Ctl::TxtE, r.row);
        const std::string& n = list ? T(Ctl::TxtLtDeg, 4) : T(Ctl::TxtN, r.row);
        EXPECT_NEAR(Num(e), Num(p.x), projected ? 6e-4 : 1e-12);
        EXPECT_NEAR(Num(n), Num(p.y), projected ? 6e-4 : 1e-12);
        if (projected) {
            EXPECT_EQ(e.size() - e.find('.') + n.size() - n.find('.'), 8u) << e << " " << n;
            EXPECT_EQ(model.Exists(Ctl::TxtFus, r.row) ? T(Ctl::TxtFus, r.row) : "0", std::to_string(p.zone));
        }
    }
    EXPECT_EQ(T(Ctl::TxtE, 6), FromLambert("", "WGS84 UTMMGRS", method).x);
    EXPECT_EQ(T(Ctl::TxtE, 7), FromLambert("", "BE UTMMGRS", method).x);
    EXPECT_EQ(T(Ctl::TxtE, 10), FromLambert("", "BE LB72IFBL", method).x);
}

INSTANTIATE_TEST_SUITE_P(Methods, LambertPoint,
                         ::testing::Values(&app::MainModel::mnu_calc1_Click, &app::MainModel::mnu_calc2_Click,
                                           &app::MainModel::mnu_calc3_Click, &app::MainModel::mnu_calc4_Click));

// The point typed back into any row of a full table gives the same pivot; that
// row stays as typed and every other row is rewritten.
TEST_F(ConversionTable, EveryRowGivesThePointBack) {
    Select(0, "FR LB93");
    Select(1, "NL Geographic AMSF");
    ClickLambert();
    const Cells reference = AllCells(model);
    // On the pivot, in radians: MGRS rounds to the metre, IFBL to its square.
    const double tolerance[app::RowCount] = {0, 1e-8, 1e-8, 1e-8, 1e-9, 1e-8, 5e-7, 5e-7, 1e-9, 1e-8, 2e-4, 1e-8, 1e-8};
    for (int row = 0; row < app::RowCount; ++row) {
        SCOPED_TRACE(row);
        for (int r = 0; r < app::RowCount; ++r)
            for (const auto& c : app::RowCells(model, r))
                T(c.ctl, c.index) = r == row ? reference.at({c.ctl, c.index}) : "#";
        model.Com_calculer_Click(row);
        ASSERT_TRUE(messages.shown.empty()) << messages.shown.front().text;
        EXPECT_NEAR(Num(T(Ctl::TxtE, 0)), Num(reference.at({Ctl::TxtE, 0})), tolerance[row]);
        EXPECT_NEAR(Num(T(Ctl::TxtN, 0)), Num(reference.at({Ctl::TxtN, 0})), tolerance[row]);
        for (int r = 0; r < app::RowCount; ++r)
            for (const auto& c : app::RowCells(model, r)) {
                if (r == row) {
                    EXPECT_EQ(T(c.ctl, c.index), reference.at({c.ctl, c.index}));
                } else {
                    EXPECT_NE(T(c.ctl, c.index), "#") << "row " << r;
                }
            }
    }
}

// A grid row rewrites its source row in the general format (not recomputed),
// and a source row fills its grid row; the typed cells stay as typed.
TEST_F(ConversionTable, GridRowsFillTheirSourceRowsAndBack) {
    const Ctl E = Ctl::TxtE, N = Ctl::TxtN;
    const struct {
        int row;
        std::vector<std::pair<std::pair<Ctl, int>, const char*>> typed, filled;
    } cases[] = {{6,
                  {{{E, 6}, "31uer 85104 94913"}},
                  {{{E, 4}, "585104"}, {{N, 4}, "5594913"}, {{Ctl::TxtFus, 4}, "31"}, {{E, 6}, "31UER 85104 94913"}}},
                 {10, {{{E, 10}, "A01111"}}, {{{E, 8}, "2500"}, {{N, 8}, "257500"}, {{E, 10}, "A01111"}}},
                 // A decimal comma reads as a point; the typed text is not rewritten.
                 {8, {{{E, 8}, "2500,4"}, {{N, 8}, "257500"}}, {{{E, 10}, "A01111"}, {{E, 8}, "2500,4"}}},
                 {9, {{{E, 9}, "80000,12345"}, {{N, 9}, "100000"}}, {{{E, 9}, "80000,12345"}, {{N, 9}, "100000"}}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        for (const auto& [cell, text] : c.typed) Type(cell.first, cell.second, text);
        model.Com_calculer_Click(c.row);
        ASSERT_TRUE(messages.shown.empty()) << messages.shown.front().text;
        for (const auto& [cell, text] : c.filled) EXPECT_EQ(T(cell.first, cell.second), text);
    }
}

TEST_F(ConversionTable, Ed50MgrsTakesItsBandFromTheEd50Latitude) {
    // At 4.4° E the ED 50 latitude is 0.0009° north of the WGS 84 one: the
    // second point is in band T on WGS 84, yet its ED 50 reference is in U.
    const struct {
        double latDeg;
        const char* start;
    } rows[] = {{47.9999, "31TFP"}, {48.0001, "31UFP"}};
    for (const auto& r : rows) {
        T(Ctl::TxtE, 1) = core::FormatGeneral(4.4 / 180 * core::Pi);
        T(Ctl::TxtN, 1) = core::FormatGeneral(r.latDeg / 180 * core::Pi);
        model.Com_calculer_Click(1);
        EXPECT_EQ(T(Ctl::TxtE, 7).substr(0, 5), r.start) << r.latDeg;
        EXPECT_EQ(T(Ctl::TxtE, 6).substr(0, 3), "31T") << r.latDeg;
    }
}

TEST_F(ConversionTable, ListShowingNoSystemIsLeftAloneAndItsCalcUsesRow0) {
    T(Ctl::TxtE, 0) = "0.0762";
    T(Ctl::TxtN, 0) = "0.8862";
    T(Ctl::TxtLgDeg, 4) = T(Ctl::TxtE, 11) = "old";
    model.Com_calculer_Click(11);
    EXPECT_FALSE(T(Ctl::TxtE, 10).empty());
    EXPECT_EQ(T(Ctl::TxtLgDeg, 4) + T(Ctl::TxtE, 11) + T(Ctl::TxtE, 0), "oldold0.0762");
}

// A list on a datum that is WGS 84 by another name shows the pivot unchanged;
// a point typed there whose pivot sums to zero fills nothing.
TEST_F(ConversionTable, Wgs84AliasDatumGetsThePivotUnchanged) {
    Select(1, "FR Geographic RGF93");
    Type(Ctl::TxtE, 0, "0.0762");
    Type(Ctl::TxtN, 0, "0.8862");
    model.Com_calculer_Click(0);
    EXPECT_EQ(app::RowTexts(model, 12),
              (std::vector<std::string>{"FR Geographic RGF93", T(Ctl::TxtLgDeg, 0), T(Ctl::TxtLtDeg, 0),
                                        T(Ctl::TxtLgDec, 0), T(Ctl::TxtLtDec, 0), "0.0762", "0.8862"}));
    T(Ctl::TxtE, 12) = "-0.5";
    T(Ctl::TxtN, 12) = "0.5";
    const Cells before = AllCells(model);
    model.Com_calculer_Click(12);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(AllCells(model), before);
}

TEST_F(ConversionTable, UtmListOutputOutsideItsZonesIsEmptied) {
    Select(0, "UE UTM");
    T(Ctl::TxtLgDeg, 4) = "old";
    T(Ctl::TxtE, 0) = "1.05";  // 60° E: zone 41, beyond 28..38
    T(Ctl::TxtN, 0) = "0.8";
    model.Com_calculer_Click(0);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "Hors fuseau pour UE UTM");
    EXPECT_EQ(T(Ctl::TxtLgDeg, 4), "");  // not the previous point's easting
    EXPECT_FALSE(T(Ctl::TxtE, 10).empty());
    // 54° from the Luxembourg meridian: that row is emptied and said so, not
    // filled from a series that no longer holds there.
    EXPECT_NE(
        messages.shown[1].text.find("« LU TM » est laissée vide : point à 53.99° de longitude du méridien central, "
                                    "hors du domaine de la projection (4.8° de longitude au plus)."),
        std::string::npos)
        << messages.shown[1].text;
    EXPECT_EQ(T(Ctl::TxtE, app::row::LuTm), "");
}

// A list switched to another system never shows the old system's numbers:
// the row is refilled for the point the table shows, or emptied when row 0
// no longer holds that point.
TEST_F(ConversionTable, ListSwitchRefillsTheRowForThePointShownOrEmptiesIt) {
    Select(0, "BE LB08");
    ClickLambert();
    const struct {
        const char* item;
        bool retyped;       // row 0 typed over before the switch
        const char* datum;  // the system the row then shows, empty when emptied
        const char* projection;
    } steps[] = {{"BE LB72A", false, "", "BE LB72A"},
                 {"NL Geographic AMSF", false, "NL AMSF", ""},
                 {"BE LB08", false, "", "BE LB08"},
                 {"FR LB93", true, "", ""},
                 {"BE LB08", true, "", ""}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s.item);
        if (s.retyped) Type(Ctl::TxtE, 0, "0.0763");
        Select(0, s.item);
        const bool geographic = *s.datum != 0;
        const std::string e = geographic ? T(Ctl::TxtE, 11) : T(Ctl::TxtLgDeg, 4);
        const std::string n = geographic ? T(Ctl::TxtN, 11) : T(Ctl::TxtLtDeg, 4);
        if (!*s.datum && !*s.projection) {
            EXPECT_EQ(e + n + T(Ctl::TxtE, 11), "");
            continue;
        }
        const PipelineOut p = FromLambert(s.datum, s.projection, 1);
        EXPECT_NEAR(Num(e), Num(p.x), geographic ? 1e-12 : 6e-4);
        EXPECT_NEAR(Num(n), Num(p.y), geographic ? 1e-12 : 6e-4);
    }
    // The issue's case: a Calc on the emptied row is refused, not read as the new system.
    model.Com_calculer_Click(11);
    EXPECT_TRUE(model.LastCalcRefused);
}

// Another method recomputes the table from the row it came from, and the line
// under the table names it; when that row has been typed over since, every
// computed cell is emptied and what was typed stays.
TEST_F(ConversionTable, MethodChangeRecomputesTheTableOrEmptiesIt) {
    ClickLambert();
    model.mnu_calc3_Click();
    EXPECT_NEAR(Num(T(Ctl::TxtE, 4)), Num(FromLambert("", "WGS84 UTM", 3).x), 6e-4);
    EXPECT_EQ(T(Ctl::TxtE, 8) + " " + T(Ctl::TxtN, 8), LambertX + " " + LambertY);
    EXPECT_EQ(T(Ctl::LbMethode, 0), "Méthode : Helmert 7 paramètres (± 0,2 m en Belgique)");
    Type(Ctl::TxtE, 8, "150000");
    Type(Ctl::TxtN, 5, "5600000");
    model.mnu_calc1_Click();
    for (const auto& [cell, text] : AllCells(model)) {
        const bool typed =
            cell == std::pair{Ctl::TxtE, 8} || cell == std::pair{Ctl::TxtN, 8} || cell == std::pair{Ctl::TxtN, 5};
        EXPECT_EQ(text.empty(), !typed) << static_cast<int>(cell.first) << "(" << cell.second << ")";
    }
    EXPECT_EQ(T(Ctl::LbMethode, 0), "Méthode : translation géocentrique, 3 paramètres (± 5 m en Belgique)");
    ASSERT_TRUE(messages.shown.empty()) << messages.shown.front().text;
}

// Under the IGN grid the line under the table names it, and a second line
// says when the point lies outside the grid; a refused Calc changes neither.
TEST_F(ConversionTable, GridMethodSaysWhenThePointIsOutsideTheGrid) {
    model.mnu_calc4_Click();
    ClickLambert();
    EXPECT_EQ(T(Ctl::LbMethode, 0), "Méthode : grille IGN (NTv2) (± 0,01 m en Belgique)");
    EXPECT_EQ(T(Ctl::LbMethode, 1), "");
    Type(Ctl::TxtLgDec, 0, "4");
    Type(Ctl::TxtLtDec, 0, "53");
    model.Com_calculer_Click(0);
    ASSERT_FALSE(model.LastCalcRefused);
    EXPECT_EQ(T(Ctl::LbMethode, 1), "Point hors de la grille IGN : BD72 par Helmert 7 paramètres (± 0,2 m)");
    Type(Ctl::TxtE, 8, "abc");
    model.Com_calculer_Click(8);
    ASSERT_TRUE(model.LastCalcRefused);
    EXPECT_EQ(T(Ctl::LbMethode, 1), "Point hors de la grille IGN : BD72 par Helmert 7 paramètres (± 0,2 m)");
    // Another method: the line goes with the grid.
    model.mnu_calc3_Click();
    EXPECT_EQ(T(Ctl::LbMethode, 1), "");
    messages.shown.clear();
    ClickLambert();
    model.mnu_calc4_Click();  // computed again, through the grid
    EXPECT_EQ(T(Ctl::LbMethode, 1), "");
    EXPECT_NEAR(Num(T(Ctl::TxtE, 4)), Num(FromLambert("", "WGS84 UTM", 4).x), 6e-4);
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front().text;
}

// Typed projected coordinates that project back to themselves are accepted,
// even 3.4° from the central meridian; others lie outside the projection.
TEST_F(ConversionTable, ProjectedInputNearTheZoneEdgeIsAccepted) {
    // echo "6.4 50.3" | cs2cs +proj=longlat +datum=WGS84 +to +proj=utm +zone=31 +datum=WGS84
    Type(Ctl::TxtE, 4, "742122.361");
    Type(Ctl::TxtN, 4, "5577517.202");
    Type(Ctl::TxtFus, 4, "31");
    model.Com_calculer_Click(4);
    ASSERT_FALSE(model.LastCalcRefused) << messages.shown.front().text;
    EXPECT_NEAR(Num(T(Ctl::TxtLgDec, 0)), 6.4, 1e-6);
    EXPECT_NEAR(Num(T(Ctl::TxtLtDec, 0)), 50.3, 1e-6);
}

// A click whose input cannot be read, decoded or converted changes nothing
// and says why; the table never shows the previous point as the new one.
TEST_F(ConversionTable, RefusedClickChangesNoCellAndNamesTheCause) {
    const struct {
        const char* list;  // item of list 0
        int row;
        std::vector<std::pair<std::pair<Ctl, int>, const char*>> typed;
        const char* cause;  // part of the message
    } cases[] = {
        {"FR LB2E",
         10,
         {{{Ctl::TxtE, 10}, "ZZZ"}},
         "Calcul impossible depuis la ligne « IFBL » : Code IFBL illisible : ZZZ."},
        {"FR LB2E", 6, {{{Ctl::TxtE, 6}, "ZZZ"}}, "Référence MGRS illisible"},
        {"FR LB2E", 7, {{{Ctl::TxtE, 7}, ""}}, "est vide"},
        {"FR LB2E", 4, {{{Ctl::TxtFus, 4}, ""}}, "la case Fus est vide"},
        {"FR LB2E", 5, {{{Ctl::TxtFus, 5}, "31,6"}}, "fuseau de 1 à 60"},
        {"FR LB2E", 8, {{{Ctl::TxtE, 8}, ""}, {{Ctl::TxtN, 8}, ""}}, "la case X est vide"},
        {"FR LB2E", 8, {{{Ctl::TxtN, 8}, "abc"}}, "la case Y ne contient pas un nombre"},
        {"FR LB2E", 0, {{{Ctl::TxtE, 0}, ""}}, "Longitude (rad) est vide"},
        {"FR LB2E", 1, {{{Ctl::TxtN, 1}, "1.66"}}, "Latitude hors limites"},
        {"FR LB2E",
         4,
         {{{Ctl::TxtN, 4}, "-1000000"}},
         "la case N est hors limites : -1000000 m. Travena calcule "
         "dans l'hémisphère nord, où N va de 0 à 10000000 m."},
        // E and N swapped; far outside a projection that still gives a point.
        {"FR LB2E",
         4,
         {{{Ctl::TxtE, 4}, "5632971"}, {{Ctl::TxtN, 4}, "596372"}},
         "la case E est hors limites : 5632971 m"},
        {"CH LV03",
         11,
         {{{Ctl::TxtLgDeg, 4}, "1e8"}, {{Ctl::TxtLtDeg, 4}, "1e8"}},
         "E = 100000000 m, N = 100000000 m est hors du domaine de la projection « CH LV03 » : le point calculé, "
         "projeté en retour, tombe à 141157466 m de ces coordonnées."},
        {"FR LB2E",
         9,
         {{{Ctl::TxtE, 9}, "-1000000"}},
         "X = -1000000 m, Y = 214650.468 m : point à 1080 km du méridien central, "
         "hors du domaine de la projection (4.8° de longitude au plus)."},
        {"FR LB2E",
         1,
         {{{Ctl::TxtE, 1}, "-4"}},
         "Longitude hors limites : -229.18311805233°. Elle va de -180° à 360°."},
        {"FR LB2E", 8, {{{Ctl::TxtE, 8}, "150000 170000"}}, "la case X ne contient pas un nombre : « 150000 170000 »"},
        {"FR Geographic RGF93", 11, {{{Ctl::TxtE, 11}, "0.07"}, {{Ctl::TxtN, 11}, "-0.5"}}, "Latitude hors limites"},
        {"NL RD", 11, {{{Ctl::TxtLgDeg, 4}, ""}}, "la case E est vide"},
        {"UE UTM",
         11,
         {{{Ctl::TxtLgDeg, 4}, "500000"}, {{Ctl::TxtLtDeg, 4}, "5600000"}, {{Ctl::TxtFus, 11}, "40"}},
         "Hors fuseau"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cause);
        Select(0, c.list);
        ClickLambert();  // a full table, for a point in Belgium
        for (const auto& [cell, text] : c.typed) T(cell.first, cell.second) = text;
        const Cells before = AllCells(model);
        messages.shown.clear();
        model.Com_calculer_Click(c.row);
        EXPECT_TRUE(model.LastCalcRefused);
        EXPECT_EQ(AllCells(model), before);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].kind, "critical");
        EXPECT_NE(messages.shown[0].text.find(c.cause), std::string::npos) << messages.shown[0].text;
    }
}

// Hostile texts in any row: the click is refused with the table untouched, or
// goes through; it never throws nor leaves the wait cursor on.
TEST_F(ConversionTable, HostileTextsInAnyRow) {
    const char* texts[] = {
        "1e308", "-1e309",       "&HFFFF",          "nan",     "inf",   "9e-320",           ".",  "-",
        "  ",    "\xc3\xa9\xff", "31uer 851 949 7", "A011119", "99ZZZ", "6.28318530717958", "-0", "1D5"};
    Select(0, "UE UTM");
    Select(1, "FR Geographic RGF93");
    for (int row = 0; row < app::RowCount; ++row)
        for (const char* text : texts) {
            SCOPED_TRACE(std::to_string(row) + " " + text);
            for (const auto& c : app::RowCells(model, row)) {
                T(c.ctl, c.index) = text;
                ASSERT_NO_THROW(model.LostFocus(c.ctl, c.index));
            }
            const Cells before = AllCells(model);
            ASSERT_NO_THROW(model.Com_calculer_Click(row));
            EXPECT_FALSE(model.WaitCursor());
            if (model.LastCalcRefused) {
                EXPECT_EQ(AllCells(model), before);
            }
        }
}

// A row the fill cannot compute is emptied, the others are still computed,
// and one message names them all.
TEST_F(ConversionTable, RowsTheFillCannotComputeAreEmptiedAndNamedOnce) {
    Select(0, "FR LB2E");
    for (int r = 1; r < app::RowCount; ++r)
        for (const auto& c : app::RowCells(model, r)) T(c.ctl, c.index) = "#";
    // Beyond the MGRS bands: the two MGRS rows cannot show this point.
    Type(Ctl::TxtLgDec, 0, "4.4");
    Type(Ctl::TxtLtDec, 0, "88.5");
    model.Com_calculer_Click(0);
    EXPECT_FALSE(model.LastCalcRefused);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, std::string(app::SafeModeMessage) +
                                          "\n\nLa ligne « MGRS WGS 84 » est laissée vide : Latitude hors des bandes "
                                          "MGRS (88° au plus) : 88.5.\nLaissées vides aussi : « MGRS UD 50 (BE) ».");
    for (int r = 1; r < app::RowCount; ++r)
        for (const auto& c : app::RowCells(model, r)) EXPECT_NE(T(c.ctl, c.index), "#") << r;
    EXPECT_EQ(T(Ctl::TxtE, 6) + T(Ctl::TxtE, 7), "");
    EXPECT_FALSE(T(Ctl::TxtE, 5).empty());
}

// Parameters missing from a copy of the parameter database: a projection
// empties its row only, each click saying so; without a datum, or without the
// database, the click is refused once.
TEST_F(ConversionTable, MissingParameters) {
    testsupport::ParamDbCopy copy;
    const auto without = [&](const std::string& table, const std::string& name) {
        store::Database db = store::OpenDatabase(copy.Path());
        EXPECT_EQ(db.Execute("DELETE FROM " + table + " WHERE Nom = ?", {store::Value(name)}), 1);
        Load(copy.Path());
    };
    without("Projections", "LU TM");
    T(Ctl::TxtE, 9) = T(Ctl::TxtN, 9) = "old";
    ClickLambert();
    ClickLambert();  // each click reports afresh
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].kind, "info");
    EXPECT_NE(messages.shown[1].text.find("« LU TM » est laissée vide"), std::string::npos);
    EXPECT_EQ(T(Ctl::TxtE, 9) + T(Ctl::TxtN, 9), "");
    EXPECT_EQ(T(Ctl::TxtE, 10), FromLambert("", "BE LB72IFBL", 1).x);
    for (const bool removed : {false, true}) {
        if (removed) std::filesystem::remove(copy.Path());
        else without("Datums", "BE BD72");
        const Cells before = AllCells(model);
        messages.shown.clear();
        ClickLambert();
        ASSERT_EQ(messages.shown.size(), 1u) << removed;
        EXPECT_EQ(messages.shown[0].kind, "critical");
        EXPECT_EQ(AllCells(model), before);
        EXPECT_FALSE(model.WaitCursor());
    }
}

}  // namespace
}  // namespace uitest
