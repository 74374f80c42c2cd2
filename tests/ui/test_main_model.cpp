// Start-up, menus, list selection and its layout, parameter sheets, help texts.

#include <algorithm>

#include "ModelFixture.h"
#include "app/help/Module_aide.h"
#include "app/main/ParamSheet.h"

namespace uitest {
namespace {

using app::Ctl;

using MainModelTest = ModelTest;

// Both lists offer "-", the unlocked projections, then the unlocked datums.
TEST_F(MainModelTest, StartsWithBothListsOnNoSystemAndMethod1) {
    for (int k = 0; k < 2; ++k) {
        const auto& items = model.At(Ctl::Combo_projec, k).items;
        const auto has = [&](const char* item) { return std::find(items.begin(), items.end(), item) != items.end(); };
        EXPECT_EQ(items[0] + "|" + items[1], "-|UE UTM");
        EXPECT_EQ(model.At(Ctl::Combo_projec, k).listIndex, 0);
        EXPECT_TRUE(has("FR Geographic RGF93"));
        EXPECT_FALSE(has("BE LB72") || has("W Geographic WGS84"));  // locked
    }
    EXPECT_EQ(model.TransformMethod, 1);
}

// A list row shows the cells of its system's kind, its Calc button where the
// fixed row of that kind has it, and empties what the old system's numbers were.
TEST_F(MainModelTest, ListSelectionRearrangesTheListRow) {
    const struct {
        const char* item;
        const char* shown;  // DMS, decimal, radians, zone, Calc
        int calcAsRow;      // -1: no button
    } cases[] = {{"DE Geographic DHDN", "11101", 0}, {"UE UTM", "10011", 4}, {"NL RD", "10001", 8}, {"-", "00000", -1}};
    const auto shown = [&](Ctl ctl, int i) { return model.At(ctl, i).visible ? '1' : '0'; };
    for (int k = 0; k < 2; ++k) {
        const int r = 11 + k;
        for (const auto& c : cases) {
            SCOPED_TRACE(c.item);
            T(Ctl::TxtE, r) = T(Ctl::TxtLgDeg, k + 4) = "0.07";
            Select(k, c.item);
            EXPECT_EQ(std::string({shown(Ctl::TxtLgDeg, k + 4), shown(Ctl::TxtLgDec, k + 4), shown(Ctl::TxtN, r),
                                   shown(Ctl::TxtFus, r), shown(Ctl::Com_calculer, r)}),
                      c.shown);
            if (c.calcAsRow >= 0) {
                EXPECT_EQ(model.At(Ctl::Com_calculer, r).rect.left, model.At(Ctl::Com_calculer, c.calcAsRow).rect.left);
            }
            EXPECT_EQ(T(Ctl::TxtE, r) + T(Ctl::TxtLgDeg, k + 4), "");
        }
    }
}

TEST_F(MainModelTest, MenusReachTheHostAndMoveTheMethodCheckMark) {
    model.mnu_apropos_Click();
    model.mnu_quitter_Click();
    model.Com_anl_Click();
    model.mnu_ouvrir_Click();
    EXPECT_EQ(std::vector<int>({host.aboutShown, host.batchShown, host.closed}), std::vector<int>({1, 1, 2}));
    using app::MainModel;
    const std::pair<void (MainModel::*)(), std::int16_t> clicks[] = {{&MainModel::mnu_calc2_Click, 2},
                                                                     {&MainModel::mnu_calc3_Click, 3},
                                                                     {&MainModel::mnu_calc4_Click, 4},
                                                                     {&MainModel::mnu_calc1_Click, 1}};
    EXPECT_TRUE(model.mnu_calc4.enabled);  // the grid is beside the test
    for (const auto& [click, method] : clicks) {
        (model.*click)();
        EXPECT_EQ(model.TransformMethod, method);
        EXPECT_EQ(std::vector<bool>({model.mnu_calc1.checked, model.mnu_calc2.checked, model.mnu_calc3.checked,
                                     model.mnu_calc4.checked}),
                  std::vector<bool>({method == 1, method == 2, method == 3, method == 4}));
    }
    // A new window, as on a new start, begins with method 1.
    model.mnu_calc2_Click();
    app::MainModel restarted(messages, host);
    restarted.Form_Load();
    EXPECT_EQ(restarted.TransformMethod, 1);
    EXPECT_EQ(restarted.Text(Ctl::LbMethode, 0),
              "Méthode : translation géocentrique, 3 paramètres (± 5 m en Belgique)");
}

// The help names exactly the methods the "Calculs" menu lets one choose.
TEST_F(MainModelTest, HelpNamesTheMethodsTheMenuOffers) {
    const std::string help = app::MainHelp().text;
    EXPECT_NE(help.find("'Calculs'. Quatre algorithmes sont disponibles : geographic/geocentric conversions, "
                        "geographic conversion Molodenski, Helmert tranformation (7 parameters) et Grille IGN "
                        "(NTv2, Belgique)."),
              std::string::npos)
        << help;
    EXPECT_TRUE(model.mnu_calc4.enabled);
}

TEST(ParamSheet, NoSevenParameterBlockWhenItsTranslationsSumToZero) {
    core::DatumParams d;
    d.dX7 = 5.f, d.dY7 = -5.f, d.dZ7 = 0.f;
    d.rX = 1.f, d.dS = 2.f;  // rotations and scale alone do not count
    const std::string sheet = app::DatumSheet("E", core::EllipsoidParams{}, "X", d);
    EXPECT_EQ(sheet.find("7 parameters"), std::string::npos);
    EXPECT_EQ(sheet.substr(sheet.size() - 9), "dZ = 0 m\n");
}

// A fixed row's label shows its sheet, the grid rows that of their projection;
// single-precision parameters show their seven digits, angles as DMS.
TEST_F(MainModelTest, RowLabelShowsItsSheetTitledWithTheLabel) {
    for (int row : {4, 6, 8, 10, 0}) model.Lb_Click(row);
    ASSERT_EQ(messages.shown.size(), 5u);
    EXPECT_EQ(messages.shown[0].title + "|" + messages.shown[1].title, "UTM WGS 84|MGRS WGS 84");
    EXPECT_EQ(messages.shown[0].text, messages.shown[1].text);
    EXPECT_EQ(messages.shown[2].text, messages.shown[3].text);
    EXPECT_EQ(messages.shown[2].text,
              "Ellipsoid : International 1924\n"
              "semimajor axis a = 6378388 m\n"
              "eccentricity e = 0.0819918899790298\n"
              "inverse flattering 1/f = 297\n"
              "\n"
              "Datum : BE BD72\n"
              "3 (or 5) parameters geocentrics translations to WGS84 :\n"
              "dX = -125.8 m\n"
              "dY = 79.9 m\n"
              "dZ = -100.5 m\n"
              "\n"
              "7 parameters geocentrics translations to WGS84 :\n"
              "dX = -106.8686 m\n"
              "dY = 52.2978 m\n"
              "dZ = -103.7239 m\n"
              "rX = 0.3366 ''\n"
              "rY = -0.457 ''\n"
              "rZ = 1.8422 ''\n"
              "dS = -1.2747 ppm\n"
              "\n\n"
              "Projection : Lambert 72\n"
              "false easting FE = 150000.013 m\n"
              "false northing FN = 5400088.438 m\n"
              "scale factor k0 = 1\n"
              "central meridian = 4°22'2.952''\n"
              "latitude of origin = 90°0'0.000''\n"
              "latitude 1 = 51°10'0.002''\n"
              "latitude 2 = 49°50'0.002''\n"
              "rotation = \n");
    EXPECT_NE(messages.shown[0].text.find("Projection : UTM - Transverse Mercator\n"), std::string::npos);
    EXPECT_EQ(messages.shown[4].text.find("Projection"), std::string::npos);
}

TEST_F(MainModelTest, ShiftOnAListShowsItsSheet) {
    Select(0, "FR LB93");
    Select(1, "NL Geographic AMSF");
    const struct {
        int list, key, shift;
    } presses[] = {{0, 16, app::ShiftMask}, {0, 17, app::CtrlMask}, {0, 16, app::ShiftMask | app::CtrlMask}, {0, 65, 0},
                   {0, 9, app::ShiftMask},  // Shift+Tab leaves the list
                   {1, 16, app::ShiftMask}};
    for (const auto& p : presses) model.Combo_projec_KeyDown(p.list, p.key, p.shift);
    ASSERT_EQ(messages.shown.size(), 3u);  // Shift, then Ctrl, on list 0
    EXPECT_EQ(messages.shown[1].title + "|" + messages.shown[2].title, "FR LB93|NL Geographic AMSF");
    EXPECT_NE(messages.shown[0].text.find("Projection : FR LB93 - Lambert conique conforme (2 parallèles)\n"),
              std::string::npos);
    EXPECT_NE(messages.shown[0].text.find("Datum : FR RGF93\n"), std::string::npos);
    EXPECT_NE(messages.shown[2].text.find("Datum : NL AMSF\n"), std::string::npos);
    EXPECT_EQ(messages.shown[2].text.find("Projection"), std::string::npos);
    Select(1, "-");
    model.Combo_projec_KeyDown(1, 16, app::ShiftMask);
    EXPECT_EQ(messages.shown.size(), 3u);
}

TEST_F(MainModelTest, SheetOfAMissingNameIsReportedNotThrown) {
    model.At(Ctl::Combo_projec, 0).items.push_back("XX NONE");
    Select(0, "XX NONE");
    EXPECT_NO_THROW(model.Combo_projec_KeyDown(0, 16, app::ShiftMask));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind + " " + messages.shown[0].title, "critical Travena");
}

}  // namespace
}  // namespace uitest
