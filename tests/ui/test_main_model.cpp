// Start-up, menus, list selection and its layout, parameter sheets, help texts.

#include "ModelFixture.h"
#include "core/AngleText.h"
#include "core/Constants.h"
#include "app/help/Module_aide.h"
#include "app/main/ConversionTable.h"
#include "app/main/ParamSheet.h"

namespace uitest {
namespace {

using app::Ctl;

using MainModelTest = ModelTest;

TEST_F(MainModelTest, StartsWithBothListsOnNoSystemAndMethod1) {
    for (int k = 0; k < 2; ++k) {
        const auto& list = model.At(Ctl::Combo_projec, k);
        ASSERT_GE(list.items.size(), 3u);
        EXPECT_EQ(list.items[0], "-");
        EXPECT_EQ(list.listIndex, 0);
        // Unlocked projections, then unlocked datums as "<Pays> Geographic <Code>".
        EXPECT_EQ(list.items[1], "UE UTM");
        EXPECT_NE(std::find(list.items.begin(), list.items.end(), "FR Geographic RGF93"), list.items.end());
        EXPECT_EQ(std::find(list.items.begin(), list.items.end(), "BE LB72"), list.items.end());  // locked
        EXPECT_EQ(std::find(list.items.begin(), list.items.end(), "W Geographic WGS84"), list.items.end());
        EXPECT_TRUE(app::RowCells(model, 11 + k).empty());
        EXPECT_FALSE(model.At(Ctl::Com_calculer, 11 + k).visible);
    }
    EXPECT_EQ(model.TransformMethod, 1);
    EXPECT_TRUE(model.mnu_calc1.checked);
    EXPECT_FALSE(model.mnu_calc2.checked || model.mnu_calc3.checked);
}

struct SelectionCase {
    const char* item;
    bool dms, decimal, radians, zone, calc;
    int calcAsRow;  // the Calc button stands where this fixed row's does
};
void PrintTo(const SelectionCase& c, std::ostream* os) { *os << c.item; }
class ListSelection : public ModelTest, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(ListSelection, RearrangesTheListRow) {
    const SelectionCase& c = GetParam();
    for (int k = 0; k < 2; ++k) {
        const int r = 11 + k;
        Select(k, c.item);
        EXPECT_EQ(model.At(Ctl::TxtLgDeg, k + 4).visible, c.dms);
        EXPECT_EQ(model.At(Ctl::TxtLtDeg, k + 4).visible, c.dms);
        EXPECT_EQ(model.At(Ctl::TxtLgDec, k + 4).visible, c.decimal);
        EXPECT_EQ(model.At(Ctl::TxtN, r).visible, c.radians);
        EXPECT_EQ(model.At(Ctl::TxtFus, r).visible, c.zone);
        EXPECT_EQ(model.At(Ctl::Lb, k + 13).visible, c.zone);
        EXPECT_EQ(model.At(Ctl::Com_calculer, r).visible, c.calc);
        if (c.calc) {
            EXPECT_EQ(model.At(Ctl::Com_calculer, r).rect.left, model.At(Ctl::Com_calculer, c.calcAsRow).rect.left);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Items, ListSelection,
                         ::testing::Values(SelectionCase{"-", false, false, false, false, false, 0},
                                           SelectionCase{"DE Geographic DHDN", true, true, true, false, true, 0},
                                           SelectionCase{"UE UTM", true, false, false, true, true, 4},
                                           SelectionCase{"NL RD", true, false, false, false, true, 8}));

TEST_F(MainModelTest, SwitchingGeographicToUtmKeepsTheTexts) {
    Select(0, "FR Geographic RGF93");
    T(Ctl::TxtE, 11) = "0.07";
    Select(0, "UE UTM");
    EXPECT_FALSE(model.At(Ctl::TxtE, 11).visible);
    EXPECT_TRUE(model.At(Ctl::TxtFus, 11).visible);
    EXPECT_EQ(model.At(Ctl::Com_calculer, 11).rect.left, model.At(Ctl::Com_calculer, 4).rect.left);
    EXPECT_EQ(T(Ctl::TxtE, 11), "0.07");
}

TEST_F(MainModelTest, MethodMenuMovesTheCheckMark) {
    const std::pair<void (app::MainModel::*)(), std::int16_t> clicks[] = {
        {&app::MainModel::mnu_calc2_Click, 2}, {&app::MainModel::mnu_calc3_Click, 3}, {&app::MainModel::mnu_calc1_Click, 1}};
    for (const auto& [click, method] : clicks) {
        (model.*click)();
        EXPECT_EQ(model.TransformMethod, method);
        EXPECT_EQ(std::vector<bool>({model.mnu_calc1.checked, model.mnu_calc2.checked, model.mnu_calc3.checked}),
                  std::vector<bool>({method == 1, method == 2, method == 3}));
    }
    // A new window, as on a new start, begins with method 1.
    model.mnu_calc2_Click();
    app::MainModel restarted(messages, host);
    restarted.Form_Load();
    EXPECT_EQ(restarted.TransformMethod, 1);
    EXPECT_TRUE(restarted.mnu_calc1.checked);
}

TEST_F(MainModelTest, MenusReachTheHost) {
    model.mnu_apropos_Click();
    model.mnu_quitter_Click();
    model.Com_anl_Click();
    model.mnu_ouvrir_Click();
    EXPECT_EQ(host.aboutShown, 1);
    EXPECT_EQ(host.batchShown, 1);
    EXPECT_EQ(host.closed, 2);
}

// ---------------------------------------------------------------------------
// Parameter sheets.

TEST(ParamSheet, DatumLinesWithTheSevenParameterBlock) {
    core::EllipsoidParams e{6378388, 0.0819918899790298, 297};
    core::DatumParams d;
    d.Ellipsoide = "International 1924";
    d.dX = -87.f, d.dY = -98.f, d.dZ = -121.f;
    d.dX7 = -106.8686f, d.dY7 = 52.2978f, d.dZ7 = -103.7239f;
    d.rX = 0.3366f, d.rY = -0.457f, d.rZ = 1.8422f, d.dS = -1.2747f;
    EXPECT_EQ(app::DatumSheet("International 1924", e, "BE BD72", d),
              "Ellipsoid : International 1924\n"
              "semimajor axis a = 6378388 m\n"
              "eccentricity e = 0.0819918899790298\n"
              "inverse flattering 1/f = 297\n"
              "\n"
              "Datum : BE BD72\n"
              "3 (or 5) parameters geocentrics translations to WGS84 :\n"
              "dX = -87 m\n"
              "dY = -98 m\n"
              "dZ = -121 m\n"
              "\n"
              "7 parameters geocentrics translations to WGS84 :\n"
              "dX = -106.8686 m\n"
              "dY = 52.2978 m\n"
              "dZ = -103.7239 m\n"
              "rX = 0.3366 ''\n"
              "rY = -0.457 ''\n"
              "rZ = 1.8422 ''\n"
              "dS = -1.2747 ppm\n");
}

TEST(ParamSheet, NoSevenParameterBlockWhenItsTranslationsSumToZero) {
    core::DatumParams d;
    d.dX7 = 5.f, d.dY7 = -5.f, d.dZ7 = 0.f;
    d.rX = 1.f, d.dS = 2.f;  // rotations and scale alone do not count
    const std::string sheet = app::DatumSheet("E", core::EllipsoidParams{}, "X", d);
    EXPECT_EQ(sheet.find("7 parameters"), std::string::npos);
    EXPECT_EQ(sheet.substr(sheet.size() - 9), "dZ = 0 m\n");
}

TEST(ParamSheet, ProjectionLinesShowAnglesAsDms) {
    auto dms = [](double radians) {
        std::string text;
        double degrees = 0;
        core::ConvertAngle(text, degrees, radians, core::angle::FromRadians);
        return text;
    };
    core::ProjectionParams p;
    p.FE = 150000.013, p.fn = 5400088.438, p.k0 = 1;
    p.Lg0 = 0.0762, p.Lt0 = 1.5707, p.Lt1 = 0.8930, p.aa = 0;
    EXPECT_EQ(app::ProjectionSheet("Lambert 72", p),
              "\n\nProjection : Lambert 72\n"
              "false easting FE = 150000.013 m\n"
              "false northing FN = 5400088.438 m\n"
              "scale factor k0 = 1\n"
              "central meridian = " + dms(0.0762) + "\n"
              "latitude of origin = " + dms(1.5707) + "\n"
              "latitude 1 = " + dms(0.8930) + "\n"
              "latitude 2 = \n"
              "rotation = \n");
    EXPECT_EQ(dms(0.0762).substr(0, 4), "4°2");
}

TEST(ParamSheet, SinglePrecisionShowsSevenDigits) {
    EXPECT_EQ(app::FormatSingle(0.1f), "0.1");
    EXPECT_EQ(app::FormatSingle(-125.8f), "-125.8");
    EXPECT_EQ(app::FormatSingle(1e20f), "1E+20");
    EXPECT_EQ(app::FormatSingle(0.f), "0");
}

TEST_F(MainModelTest, RowLabelShowsItsSheetTitledWithTheLabel) {
    model.Lb_Click(4);
    model.Lb_Click(6);
    model.Lb_Click(8);
    model.Lb_Click(10);
    model.Lb_Click(0);
    ASSERT_EQ(messages.shown.size(), 5u);
    EXPECT_EQ(messages.shown[0].kind, "info");
    EXPECT_EQ(messages.shown[0].title, "UTM WGS 84");
    EXPECT_EQ(messages.shown[1].title, "MGRS WGS 84");
    EXPECT_EQ(messages.shown[0].text, messages.shown[1].text);
    EXPECT_EQ(messages.shown[2].text, messages.shown[3].text);
    EXPECT_NE(messages.shown[0].text.find("Datum : WGS84\n"), std::string::npos);
    EXPECT_NE(messages.shown[0].text.find("Projection : UTM - Transverse Mercator\n"), std::string::npos);
    EXPECT_NE(messages.shown[2].text.find("Datum : BE BD72\n"), std::string::npos);
    EXPECT_NE(messages.shown[2].text.find("Projection : Lambert 72\n"), std::string::npos);
    EXPECT_EQ(messages.shown[4].text.find("Projection"), std::string::npos);
    EXPECT_EQ(messages.shown[4].text.find("7 parameters"), std::string::npos);  // WGS 84: all zero
    EXPECT_EQ(messages.shown[4].text.rfind("Ellipsoid : WGS 84\n", 0), 0u);
}

TEST_F(MainModelTest, ShiftOnAListShowsItsSheet) {
    Select(0, "FR LB93");
    model.Combo_projec_KeyDown(0, 16, app::ShiftMask);
    model.Combo_projec_KeyDown(0, 17, app::CtrlMask);
    model.Combo_projec_KeyDown(0, 16, app::ShiftMask | app::CtrlMask);
    model.Combo_projec_KeyDown(0, 65, 0);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].title, "FR LB93");
    EXPECT_NE(messages.shown[0].text.find("Projection : FR LB93 - Lambert conique conforme (2 parallèles)\n"),
              std::string::npos);
    EXPECT_NE(messages.shown[0].text.find("Datum : FR RGF93\n"), std::string::npos);

    Select(1, "NL Geographic AMSF");
    model.Combo_projec_KeyDown(1, 16, app::ShiftMask);
    EXPECT_EQ(messages.shown.back().title, "NL Geographic AMSF");
    EXPECT_NE(messages.shown.back().text.find("Datum : NL AMSF\n"), std::string::npos);
    EXPECT_EQ(messages.shown.back().text.find("Projection"), std::string::npos);

    Select(1, "-");
    model.Combo_projec_KeyDown(1, 16, app::ShiftMask);
    EXPECT_EQ(messages.shown.size(), 3u);
}

TEST_F(MainModelTest, SheetOfAMissingNameIsReportedNotThrown) {
    auto& list = model.At(Ctl::Combo_projec, 0);
    list.items.push_back("XX NONE");
    Select(0, "XX NONE");
    EXPECT_NO_THROW(model.Combo_projec_KeyDown(0, 16, app::ShiftMask));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, "critical");
    EXPECT_EQ(messages.shown[0].title, "Travena");
}

TEST(ListItems, DatumNameIsRebuiltFromTheItem) {
    EXPECT_EQ(app::DatumOfItem("FR Geographic RGF93"), "FR RGF93");
    EXPECT_EQ(app::DatumOfItem("DE Geographic ETRS89"), "DE ETRS89");
    EXPECT_EQ(app::DatumOfItem("Geographic"), " ");
    EXPECT_TRUE(app::IsUtmItem("UE UTM"));
    EXPECT_FALSE(app::IsUtmItem("UT"));
    EXPECT_TRUE(app::IsWgs84Datum("DE ETRS89"));
    EXPECT_FALSE(app::IsWgs84Datum("FR NTF"));
}

// ---------------------------------------------------------------------------
// Help texts.

TEST_F(MainModelTest, HelpPictureShowsTheMainHelp) {
    model.Img_help_Click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, "info");
    EXPECT_EQ(messages.shown[0].title, app::MainHelp().title);
    RecordingMessages other;
    app::ShowEditorHelp(other);
    app::ShowBatchHelp(other);
    ASSERT_EQ(other.shown.size(), 2u);
    EXPECT_NE(other.shown[0].text, other.shown[1].text);
}

}  // namespace
}  // namespace uitest
