// The Calc handler and the fill: every row as input, the rows left as typed,
// the grid rows rewriting their source rows, the list rows, and the fault
// policy on a parameter database with a row missing.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

#include "ModelFixture.h"
#include "core/Constants.h"
#include "core/Grid.h"
#include "core/NumberText.h"
#include "core/Pipeline.h"
#include "app/main/ConversionTable.h"

namespace uitest {
namespace {

using app::Ctl;
namespace fs = std::filesystem;

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

void SelectMethod(app::MainModel& m, std::int16_t method) {
    if (method == 1) m.mnu_calc1_Click();
    if (method == 2) m.mnu_calc2_Click();
    if (method == 3) m.mnu_calc3_Click();
}

// ---------------------------------------------------------------------------
// A Lambert 72 point fills the table as the pipeline converts it.

class LambertPoint : public ModelTest, public ::testing::WithParamInterface<std::int16_t> {};

TEST_P(LambertPoint, FillsEveryRowAsThePipelineDoes) {
    const std::int16_t method = GetParam();
    SelectMethod(model, method);
    Select(0, "FR LB93");
    Select(1, "NL Geographic AMSF");
    T(Ctl::TxtE, 8) = LambertX;
    T(Ctl::TxtN, 8) = LambertY;
    model.Com_calculer_Click(8);
    ASSERT_TRUE(messages.shown.empty()) << messages.shown.front().text;

    const struct {
        int row;
        const char* datum;
    } geographic[] = {{0, "WGS84"}, {1, "BE ED50"}, {2, "BE BD72"}, {3, "LU LUREF"}, {12, "NL AMSF"}};
    for (const auto& g : geographic) {
        SCOPED_TRACE(g.row);
        const PipelineOut p = FromLambert(g.datum, "", method);
        EXPECT_NEAR(Num(T(Ctl::TxtE, g.row)), Num(p.x), 1e-12);
        EXPECT_NEAR(Num(T(Ctl::TxtN, g.row)), Num(p.y), 1e-12);
    }
    const struct {
        int row;
        const char* projection;
        bool zone;
    } projected[] = {{4, "WGS84 UTM", true}, {5, "BE UTM", true}, {9, "LU TM", false}};
    for (const auto& q : projected) {
        SCOPED_TRACE(q.row);
        const PipelineOut p = FromLambert("", q.projection, method);
        EXPECT_NEAR(Num(T(Ctl::TxtE, q.row)), Num(p.x), 6e-4);
        EXPECT_NEAR(Num(T(Ctl::TxtN, q.row)), Num(p.y), 6e-4);
        if (q.zone) {
            EXPECT_EQ(T(Ctl::TxtFus, q.row), std::to_string(p.zone));
        }
    }
    const PipelineOut lb93 = FromLambert("", "FR LB93", method);
    EXPECT_NEAR(Num(T(Ctl::TxtLgDeg, 4)), Num(lb93.x), 6e-4);
    EXPECT_NEAR(Num(T(Ctl::TxtLtDeg, 4)), Num(lb93.y), 6e-4);
    EXPECT_EQ(T(Ctl::TxtE, 6), FromLambert("", "WGS84 UTMMGRS", method).x);
    EXPECT_EQ(T(Ctl::TxtE, 7), FromLambert("", "BE UTMMGRS", method).x);
    EXPECT_EQ(T(Ctl::TxtE, 10), FromLambert("", "BE LB72IFBL", method).x);

    // The row typed is left as typed.
    EXPECT_EQ(T(Ctl::TxtE, 8), LambertX);
    EXPECT_EQ(T(Ctl::TxtN, 8), LambertY);
    EXPECT_FALSE(model.WaitCursor());
}

INSTANTIATE_TEST_SUITE_P(Methods, LambertPoint, ::testing::Values(1, 2, 3),
                         [](const auto& info) { return "method" + std::to_string(info.param); });

// ---------------------------------------------------------------------------
// Every row as input: the point typed back into any row gives the same pivot.

Cells ReferenceTable() {
    RecordingMessages messages;
    RecordingHost host;
    store::SetParamDbPath(TRAVENA_PARAM_DB);
    app::MainModel m(messages, host);
    m.Form_Load();
    m.SelectListItem(0, 4);  // FR LB93
    m.SelectListItem(1, 12);  // NL Geographic AMSF
    EXPECT_EQ(m.ListText(0), "FR LB93");
    EXPECT_EQ(m.ListText(1), "NL Geographic AMSF");
    m.Text(Ctl::TxtE, 8) = LambertX;
    m.Text(Ctl::TxtN, 8) = LambertY;
    m.Com_calculer_Click(8);
    return AllCells(m);
}

struct RowCase {
    const char* name;
    int row;
    std::vector<std::pair<Ctl, int>> typed;  // cells copied from the reference table
    double tolerance;                        // on the pivot, radians
};
void PrintTo(const RowCase& c, std::ostream* os) { *os << c.name; }

class EveryRow : public ModelTest, public ::testing::WithParamInterface<RowCase> {};

TEST_P(EveryRow, GivesThePivotBackAndKeepsTheRow) {
    static const Cells reference = ReferenceTable();
    const RowCase& c = GetParam();
    Select(0, "FR LB93");
    Select(1, "NL Geographic AMSF");
    for (const auto& cell : c.typed) T(cell.first, cell.second) = reference.at(cell);
    model.Com_calculer_Click(c.row);
    ASSERT_TRUE(messages.shown.empty()) << messages.shown.front().text;

    EXPECT_NEAR(Num(T(Ctl::TxtE, 0)), Num(reference.at({Ctl::TxtE, 0})), c.tolerance);
    EXPECT_NEAR(Num(T(Ctl::TxtN, 0)), Num(reference.at({Ctl::TxtN, 0})), c.tolerance);
    for (const auto& cell : c.typed) EXPECT_EQ(T(cell.first, cell.second), reference.at(cell));
    // Every other row is filled.
    for (int r = 1; r < app::RowCount; ++r)
        if (r != c.row) {
            for (const auto& cell : app::RowCells(model, r)) EXPECT_FALSE(T(cell.ctl, cell.index).empty()) << r;
        }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EveryRow,
    ::testing::Values(RowCase{"row0_wgs84", 0, {{Ctl::TxtE, 0}, {Ctl::TxtN, 0}}, 0},
                      RowCase{"row1_ed50", 1, {{Ctl::TxtE, 1}, {Ctl::TxtN, 1}}, 1e-8},
                      RowCase{"row2_bd72", 2, {{Ctl::TxtE, 2}, {Ctl::TxtN, 2}}, 1e-8},
                      RowCase{"row3_luref", 3, {{Ctl::TxtE, 3}, {Ctl::TxtN, 3}}, 1e-8},
                      RowCase{"row4_utm", 4, {{Ctl::TxtE, 4}, {Ctl::TxtN, 4}, {Ctl::TxtFus, 4}}, 1e-9},
                      RowCase{"row5_utm_ed50", 5, {{Ctl::TxtE, 5}, {Ctl::TxtN, 5}, {Ctl::TxtFus, 5}}, 1e-8},
                      RowCase{"row6_mgrs", 6, {{Ctl::TxtE, 6}}, 5e-7},
                      RowCase{"row7_mgrs_ed50", 7, {{Ctl::TxtE, 7}}, 5e-7},
                      RowCase{"row8_lambert", 8, {{Ctl::TxtE, 8}, {Ctl::TxtN, 8}}, 1e-9},
                      RowCase{"row9_lutm", 9, {{Ctl::TxtE, 9}, {Ctl::TxtN, 9}}, 1e-8},
                      RowCase{"row10_ifbl", 10, {{Ctl::TxtE, 10}}, 2e-4},
                      RowCase{"row11_list_projection", 11, {{Ctl::TxtLgDeg, 4}, {Ctl::TxtLtDeg, 4}}, 1e-8},
                      RowCase{"row12_list_geographic", 12, {{Ctl::TxtE, 12}, {Ctl::TxtN, 12}}, 1e-8}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Grid rows rewrite their source rows; rows computed from typed cells.

using ConversionTable = ModelTest;

// A grid row rewrites its source row in the general format (not recomputed),
// and a source row fills its grid row; the typed cells stay as typed.
struct GridCase {
    const char* name;
    int row;
    std::vector<std::pair<std::pair<Ctl, int>, const char*>> typed, filled;
};
void PrintTo(const GridCase& c, std::ostream* os) { *os << c.name; }
class GridRows : public ModelTest, public ::testing::WithParamInterface<GridCase> {};

TEST_P(GridRows, FillTheirSourceRowsAndBack) {
    const GridCase& c = GetParam();
    for (const auto& [cell, text] : c.typed) Type(cell.first, cell.second, text);
    model.Com_calculer_Click(c.row);
    ASSERT_TRUE(messages.shown.empty()) << messages.shown.front().text;
    for (const auto& [cell, text] : c.filled) EXPECT_EQ(T(cell.first, cell.second), text);
    EXPECT_FALSE(T(Ctl::TxtE, 7).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GridRows,
    ::testing::Values(
        GridCase{"utm_fills_mgrs", 4,
                 {{{Ctl::TxtE, 4}, "585104.094"}, {{Ctl::TxtN, 4}, "5594913.119"}, {{Ctl::TxtFus, 4}, "31"}},
                 {{{Ctl::TxtE, 4}, "585104.094"}, {{Ctl::TxtN, 4}, "5594913.119"}, {{Ctl::TxtE, 6}, "31UER8510494913"}}},
        GridCase{"mgrs_rewrites_utm", 6, {{{Ctl::TxtE, 6}, "31uer 85104 94913"}},
                 {{{Ctl::TxtE, 4}, "585104"}, {{Ctl::TxtN, 4}, "5594913"}, {{Ctl::TxtFus, 4}, "31"},
                  {{Ctl::TxtE, 6}, "31UER 85104 94913"}}},
        GridCase{"ifbl_rewrites_lambert", 10, {{{Ctl::TxtE, 10}, "A01111"}},
                 {{{Ctl::TxtE, 8}, "2500"}, {{Ctl::TxtN, 8}, "257500"}, {{Ctl::TxtE, 10}, "A01111"}}},
        // A decimal comma reads as a point.
        GridCase{"lambert_fills_ifbl", 8, {{{Ctl::TxtE, 8}, "2500,4"}, {{Ctl::TxtN, 8}, "257500"}},
                 {{{Ctl::TxtE, 10}, "A01111"}, {{Ctl::TxtE, 8}, "2500,4"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConversionTable, Ed50MgrsTakesItsBandFromTheEd50Latitude) {
    // At 4.4° E the ED 50 latitude is 0.0009° north of the WGS 84 one: the
    // second point is in band T on WGS 84, yet its ED 50 reference is in U.
    const struct { double latDeg; const char* start; } rows[] = {{47.9999, "31TFP"}, {48.0001, "31UFP"}};
    for (const auto& r : rows) {
        T(Ctl::TxtE, 1) = core::FormatGeneral(4.4 / 180 * core::Pi);
        T(Ctl::TxtN, 1) = core::FormatGeneral(r.latDeg / 180 * core::Pi);
        model.Com_calculer_Click(1);
        EXPECT_EQ(T(Ctl::TxtE, 7).substr(0, 5), r.start) << r.latDeg;
        EXPECT_EQ(T(Ctl::TxtE, 6).substr(0, 3), "31T") << r.latDeg;
    }
}

// ---------------------------------------------------------------------------
// List rows.

TEST_F(ConversionTable, ListShowingNoSystemIsLeftAloneAndItsCalcUsesRow0) {
    T(Ctl::TxtE, 0) = "0.0762";
    T(Ctl::TxtN, 0) = "0.8862";
    T(Ctl::TxtLgDeg, 4) = "old";
    T(Ctl::TxtE, 11) = "old";
    model.Com_calculer_Click(11);
    EXPECT_FALSE(T(Ctl::TxtE, 1).empty());
    EXPECT_FALSE(T(Ctl::TxtE, 10).empty());
    EXPECT_EQ(T(Ctl::TxtLgDeg, 4), "old");
    EXPECT_EQ(T(Ctl::TxtE, 11), "old");
    EXPECT_EQ(T(Ctl::TxtE, 0), "0.0762");
}

TEST_F(ConversionTable, Wgs84AliasDatumGetsThePivotUnchanged) {
    Select(1, "FR Geographic RGF93");
    Type(Ctl::TxtE, 0, "0.0762");
    Type(Ctl::TxtN, 0, "0.8862");
    model.Com_calculer_Click(0);
    EXPECT_EQ(T(Ctl::TxtE, 12), T(Ctl::TxtE, 0));
    EXPECT_EQ(T(Ctl::TxtN, 12), T(Ctl::TxtN, 0));
    EXPECT_EQ(T(Ctl::TxtLgDeg, 5), T(Ctl::TxtLgDeg, 0));
    EXPECT_EQ(T(Ctl::TxtLtDec, 5), T(Ctl::TxtLtDec, 0));
}

TEST_F(ConversionTable, UtmListRowWritesItsZone) {
    Select(0, "UE UTM");
    T(Ctl::TxtE, 8) = LambertX;
    T(Ctl::TxtN, 8) = LambertY;
    model.Com_calculer_Click(8);
    EXPECT_EQ(T(Ctl::TxtFus, 11), "31");
    EXPECT_EQ(T(Ctl::TxtLgDeg, 4).find('.') + 4, T(Ctl::TxtLgDeg, 4).size());  // "0.000"
}

TEST_F(ConversionTable, UtmListInputOutsideItsZonesIsRefused) {
    Select(0, "UE UTM");
    T(Ctl::TxtLgDeg, 4) = "500000";
    T(Ctl::TxtLtDeg, 4) = "5600000";
    T(Ctl::TxtFus, 11) = "40";  // limits 28..38
    model.Com_calculer_Click(11);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, "critical");
    EXPECT_EQ(messages.shown[0].title, "Travena");
    EXPECT_EQ(messages.shown[0].text, "Hors fuseau");
    EXPECT_TRUE(T(Ctl::TxtE, 0).empty());
    EXPECT_TRUE(T(Ctl::TxtE, 1).empty());
}

TEST_F(ConversionTable, UtmListOutputOutsideItsZonesIsEmptied) {
    Select(0, "UE UTM");
    T(Ctl::TxtLgDeg, 4) = "old";
    T(Ctl::TxtE, 0) = "1.05";  // 60° E: zone 41
    T(Ctl::TxtN, 0) = "0.8";
    model.Com_calculer_Click(0);
    EXPECT_EQ(messages.Count("Hors fuseau pour UE UTM"), 1);
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(T(Ctl::TxtLgDeg, 4), "");  // not the previous point's easting
    EXPECT_FALSE(T(Ctl::TxtE, 10).empty());
}

TEST_F(ConversionTable, PivotSummingToZeroFillsNothing) {
    Select(1, "FR Geographic RGF93");
    T(Ctl::TxtE, 12) = "-0.5";
    T(Ctl::TxtN, 12) = "0.5";
    model.Com_calculer_Click(12);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(T(Ctl::TxtE, 0).empty());
    EXPECT_TRUE(T(Ctl::TxtE, 1).empty());
    EXPECT_FALSE(model.WaitCursor());
}

// ---------------------------------------------------------------------------
// A click whose input cannot be read, decoded or converted changes nothing
// and says why; the table never shows the previous point as the new one.

struct RefusedCase {
    const char* name;
    const char* list;  // item of list 1, "" for none
    int row;
    std::vector<std::pair<std::pair<Ctl, int>, const char*>> typed;
    const char* cause;  // part of the message
};
void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }
class RefusedClick : public ModelTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedClick, ChangesNoCellAndNamesTheCause) {
    const RefusedCase& c = GetParam();
    Select(0, "FR LB2E");
    T(Ctl::TxtE, 8) = LambertX;
    T(Ctl::TxtN, 8) = LambertY;
    model.Com_calculer_Click(8);  // a full table, for a point in Belgium
    if (*c.list) Select(0, c.list);
    for (const auto& [cell, text] : c.typed) T(cell.first, cell.second) = text;
    const Cells before = AllCells(model);
    messages.shown.clear();

    model.Com_calculer_Click(c.row);
    EXPECT_TRUE(model.LastCalcRefused);
    EXPECT_EQ(AllCells(model), before);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, "critical");
    const std::string& text = messages.shown[0].text;
    EXPECT_EQ(text.find("Calcul impossible depuis la ligne « "), 0u) << text;
    EXPECT_NE(text.find(c.cause), std::string::npos) << text;
    EXPECT_FALSE(model.WaitCursor());
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, RefusedClick,
    ::testing::Values(
        RefusedCase{"unreadable_ifbl", "", 10, {{{Ctl::TxtE, 10}, "ZZZ"}}, "« IFBL » : Code IFBL illisible : ZZZ."},
        RefusedCase{"unreadable_mgrs", "", 6, {{{Ctl::TxtE, 6}, "ZZZ"}}, "Référence MGRS illisible"},
        RefusedCase{"empty_mgrs", "", 7, {{{Ctl::TxtE, 7}, ""}}, "est vide"},
        RefusedCase{"utm_without_zone", "", 4, {{{Ctl::TxtFus, 4}, ""}}, "la case Fus est vide"},
        RefusedCase{"zone_not_whole", "", 5, {{{Ctl::TxtFus, 5}, "31,6"}}, "fuseau de 1 à 60"},
        RefusedCase{"empty_lambert", "", 8, {{{Ctl::TxtE, 8}, ""}, {{Ctl::TxtN, 8}, ""}}, "la case X est vide"},
        RefusedCase{"word_in_lambert", "", 8, {{{Ctl::TxtN, 8}, "abc"}}, "la case Y ne contient pas un nombre"},
        RefusedCase{"number_then_word", "", 9, {{{Ctl::TxtE, 9}, "80000m"}}, "ne contient pas un nombre"},
        RefusedCase{"empty_pivot_row", "", 0, {{{Ctl::TxtE, 0}, ""}}, "Longitude (rad) est vide"},
        RefusedCase{"latitude_beyond_pole", "", 1, {{{Ctl::TxtN, 1}, "1.66"}}, "Latitude hors limites"},
        RefusedCase{"southern_utm_point", "", 4, {{{Ctl::TxtN, 4}, "-1000000"}}, "hémisphère nord"},
        RefusedCase{"southern_list_point", "FR Geographic RGF93", 11,
                    {{{Ctl::TxtE, 11}, "0.07"}, {{Ctl::TxtN, 11}, "-0.5"}}, "Latitude hors limites"},
        RefusedCase{"empty_list_projection", "NL RD", 11, {{{Ctl::TxtLgDeg, 4}, ""}}, "la case E est vide"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConversionTable, RowsTheFillCannotComputeAreEmptiedAndNamedOnce) {
    Select(0, "FR LB2E");
    T(Ctl::TxtE, 8) = LambertX;
    T(Ctl::TxtN, 8) = LambertY;
    model.Com_calculer_Click(8);
    std::map<int, std::vector<std::string>> before;
    for (int r = 1; r < app::RowCount; ++r) before[r] = app::RowTexts(model, r);

    // Beyond the MGRS bands (and the IFBL grid): those rows cannot show this point.
    Type(Ctl::TxtLgDec, 0, "4.4");
    Type(Ctl::TxtLtDec, 0, "88.5");
    model.Com_calculer_Click(0);
    EXPECT_FALSE(model.LastCalcRefused);
    ASSERT_EQ(messages.shown.size(), 1u);
    const std::string& text = messages.shown[0].text;
    EXPECT_EQ(text.find(app::SafeModeMessage), 0u);
    EXPECT_NE(text.find("La ligne « MGRS WGS 84 » est laissée vide : "), std::string::npos) << text;
    EXPECT_NE(text.find("« MGRS UD 50 (BE) »"), std::string::npos) << text;
    for (int r = 1; r < app::RowCount; ++r) {
        SCOPED_TRACE(r);
        const std::vector<std::string> now = app::RowTexts(model, r);
        const bool emptied = std::all_of(now.begin() + 1, now.end(), [](const auto& t) { return t.empty(); });
        EXPECT_TRUE(emptied || now != before[r]);  // never the previous point
    }
    EXPECT_TRUE(T(Ctl::TxtE, 6).empty());
    EXPECT_FALSE(T(Ctl::TxtE, 5).empty());
    EXPECT_FALSE(model.WaitCursor());
}

// ---------------------------------------------------------------------------
// Parameters missing, on a copy of the parameter database.

class MissingParams : public ModelTest {
protected:
    void UseDatabaseWithout(const std::string& table, const std::string& name) {
        if (!table.empty()) {
            store::Database db = store::OpenDatabase(copy_.Path());
            ASSERT_EQ(db.Execute("DELETE FROM " + table + " WHERE Nom = ?", {store::Value(name)}), 1);
        }
        Load(copy_.Path());
    }
    testsupport::ParamDbCopy copy_;
};

TEST_F(MissingParams, MissingProjectionEmptiesItsRowOnly) {
    UseDatabaseWithout("Projections", "LU TM");
    Select(0, "FR LB93");
    for (auto [ctl, i] : {std::pair{Ctl::TxtE, 9}, {Ctl::TxtN, 9}, {Ctl::TxtE, 10}, {Ctl::TxtLgDeg, 4}})
        T(ctl, i) = "old";
    T(Ctl::TxtE, 8) = LambertX;
    T(Ctl::TxtN, 8) = LambertY;
    model.Com_calculer_Click(8);
    model.Com_calculer_Click(8);  // each click reports afresh

    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].kind, "info");
    EXPECT_NE(messages.shown[0].text.find("« LU TM » est laissée vide"), std::string::npos);
    EXPECT_EQ(T(Ctl::TxtE, 9), "");
    EXPECT_EQ(T(Ctl::TxtN, 9), "");
    EXPECT_EQ(T(Ctl::TxtE, 10), FromLambert("", "BE LB72IFBL", 1).x);
    EXPECT_NE(T(Ctl::TxtLgDeg, 4), "old");
    EXPECT_FALSE(host.Waiting());
}

TEST_F(MissingParams, MissingDatumRefusesTheClickOnce) {
    UseDatabaseWithout("Datums", "BE BD72");
    T(Ctl::TxtE, 8) = LambertX;
    T(Ctl::TxtN, 8) = LambertY;
    model.Com_calculer_Click(8);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, "critical");
    EXPECT_TRUE(T(Ctl::TxtE, 0).empty());
    EXPECT_FALSE(model.WaitCursor());
}

TEST_F(MissingParams, DatabaseRemovedWhileRunningShowsOneMessage) {
    UseDatabaseWithout("", "");
    fs::remove(copy_.Path());
    T(Ctl::TxtE, 8) = LambertX;
    T(Ctl::TxtN, 8) = LambertY;
    model.Com_calculer_Click(8);
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(T(Ctl::TxtE, 0).empty());
}

}  // namespace
}  // namespace uitest
