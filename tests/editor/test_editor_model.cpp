// The parameter editor's model on a private copy of the default database,
// with the main window's model beside it, as a user drives them.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "app/editor/EditorModel.h"
#include "app/editor/FieldText.h"
#include <cmath>

#include "core/Constants.h"
#include "core/Datum.h"
#include "core/Projection.h"
#include "core/NumberText.h"
#include "core/ParamColumns.h"
#include "core/ParamRules.h"
#include "core/Params.h"
#include "store/ParamDb.h"
#include "store/ParamSchema.h"
#include "tests/Support.h"
#include "tests/ui/ModelFixture.h"

namespace {

using app::Ctl;
using app::SecDatum;
using app::SecEllipsoid;
using app::SecProjection;

double Rad(double degrees) { return degrees / 180 * core::Pi; }

TEST(EditorFields, NumbersAreReadWholeOrRefused) {
    const struct {
        const char* text;
        std::optional<double> value;
    } rows[] = {{"0,5", 0.5},
                {"0.5", 0.5},
                {" -150 000,25 ", -150000.25},
                {"", 0.0},
                {"1e3", 1000.0},
                {"12a", std::nullopt},
                {"1,2,3", std::nullopt},
                {"-", std::nullopt},
                {"&H10", std::nullopt},
                {"1e999", std::nullopt},
                {"150000 170000", std::nullopt}};
    for (const auto& r : rows) EXPECT_EQ(app::ReadNumber(r.text), r.value) << r.text;
}

// The editor reads angles as the main window's cells do: a sign applies to
// the whole angle, decimal degrees as EPSG and PROJ give them.
TEST(EditorFields, AnglesAreReadAsTheCellsReadThem) {
    using K = app::AngleKind;
    const std::optional<double> refused;
    const struct {
        const char* text;
        K kind;
        std::optional<double> degrees;
    } rows[] = {{"50°30'15.5''", K::Latitude, 50 + 30 / 60.0 + 15.5 / 3600},
                {"50°30'15,5''", K::Latitude, 50 + 30 / 60.0 + 15.5 / 3600},
                {"50 30 15.5", K::Latitude, 50 + 30 / 60.0 + 15.5 / 3600},
                {"-2°8'6''", K::Longitude, -(2 + 8 / 60.0 + 6 / 3600.0)},  // the Jersey grid's meridian
                {"-0°30'", K::Longitude, -0.5},
                {"2°8'6'' W", K::Longitude, -(2 + 8 / 60.0 + 6 / 3600.0)},
                {"-2.135", K::Longitude, -2.135},
                {"47.1443937222222", K::Latitude, 47.1443937222222},
                {"30''", K::Rotation, 30 / 3600.0},
                {"", K::Longitude, 0.0},
                {"0°", K::Longitude, 0.0},
                {"-3°", K::Longitude, -3.0},
                {"357°", K::Longitude, -3.0},
                {"-30°", K::Latitude, -30.0},
                {"-1°", K::Rotation, -1.0},
                {"100°", K::Latitude, refused},
                {"N 50°", K::Longitude, refused},
                {"400°", K::Longitude, refused},
                {"30'50°", K::Longitude, refused},
                {"50°75'", K::Latitude, refused}};
    for (const auto& r : rows) {
        const std::optional<double> radians = app::ReadAngle(r.text, r.kind);
        ASSERT_EQ(radians.has_value(), r.degrees.has_value()) << r.text;
        if (radians) {
            EXPECT_NEAR(*radians, Rad(*r.degrees), 1e-14) << r.text;
        }
    }
}

// Shown as people write them, and read back to the same bits.
TEST(EditorFields, StoredValuesAreShownSoThatTheyReadBackExactly) {
    using K = app::AngleKind;
    const struct {
        double radians;
        K kind;
        const char* shown;
    } angles[] = {{Rad(-2), K::Longitude, "-2°"},
                  {Rad(358), K::Longitude, "-2°"},
                  {Rad(48.25), K::Latitude, "48°15'"},
                  {Rad(-(2 + 8 / 60.0 + 6 / 3600.0)), K::Longitude, "-2°8'6''"},
                  {0.8930268104939635, K::Latitude, nullptr},  // BE LB72's first parallel, 51°10'0.00204''
                  {0.00014204313635987726, K::Rotation, nullptr},
                  {0.0, K::Latitude, ""}};
    for (const auto& a : angles) {
        const std::string text = app::ShowAngle(store::Value(a.radians), a.kind);
        if (a.shown) {
            EXPECT_EQ(text, a.shown);
        }
        if (a.radians != Rad(358)) {
            EXPECT_EQ(app::ReadAngle(text, a.kind), a.radians) << text;
        }
    }
    EXPECT_EQ(app::ShowAngle(store::Value(0.8930268104939635), K::Latitude).rfind("51°10'0.00204", 0), 0u);
    const struct {
        double value;
        const char* shown;
    } numbers[] = {{400000, "400000"},
                   {5400088.438, "5400088.438"},
                   {0.9996, "0.9996"},
                   {-1.2747, "-1.2747"},
                   {0.08181919084262149, "0.08181919084262149"},
                   {1e-7, "1e-07"}};
    for (const auto& n : numbers) {
        EXPECT_EQ(app::ShowNumber(store::Value(n.value)), n.shown);
        EXPECT_EQ(app::ReadNumber(app::ShowNumber(store::Value(n.value))), n.value) << n.shown;
    }
}

class EditorTest : public ::testing::Test {
public:
    EditorTest() {
        // A locked datum that no projection uses.
        Db().Execute("UPDATE Datums SET lock = 'Y' WHERE Nom = 'DE ETRS89'");
        main.Form_Load();
        editor.Form_Load();
    }
    static store::Database Db() { return store::OpenDatabase(store::ParamDbPath()); }
    static long Rows(const std::string& table) { return Db().OpenRecordset(table).RecordCount(); }
    static store::Value Column(const std::string& table, const std::string& nom, const std::string& column) {
        store::Recordset rs = Db().OpenRecordset("SELECT * FROM " + table + " WHERE Nom = ?", {store::Value(nom)});
        return rs.Eof() ? store::Value() : rs.Field(column).Value();
    }
    void Show(int section, const std::string& name) {
        const int i = editor.Combo[section].Find(name);
        ASSERT_GE(i, 0) << name;
        editor.SelectCombo(section, i);
    }
    // The row as another program has just stored it.
    void ShowStored(int section, const std::string& name) {
        editor.Form_Load();
        Show(section, name);
    }
    // Each section's list and the list choosing a row of it for the next section hold the same items.
    bool ListsPaired() {
        return editor.Combo[SecDatum].items == editor.Combo_D.items &&
               editor.Combo[SecEllipsoid].items == editor.Combo_E.items;
    }
    const std::vector<std::string>& MainItems(int k) { return main.At(Ctl::Combo_projec, k).items; }
    bool InMain(const std::string& item) {
        const auto& items = MainItems(0);
        return MainItems(1) == items && std::find(items.begin(), items.end(), item) != items.end();
    }
    void SelectInMain(const std::string& item) {
        for (int i = 0; i < static_cast<int>(MainItems(0).size()); ++i)
            if (MainItems(0)[i] == item) main.SelectListItem(0, i);
    }
    // A new datum "<pays> <code>" on GRS 80, added as the user does.
    void AddDatum(const std::string& pays, const std::string& code, const std::string& dX = "0,5") {
        editor.Com_eff_Click(SecDatum);
        editor.Txt_D[1] = pays;
        editor.Txt_D[2] = code;
        editor.Txt_D[3] = dX;
        editor.SelectCombo_E(editor.Combo_E.Find("GRS 80"));
        editor.Com_aj_D_Click();
    }
    // A new projection "FR <code>" of `type` on `datum`; angles as typed.
    void AddProjection(const std::string& code, const std::string& datum, int type,
                       std::array<const char*, 5> angles = {"3°", "49°", "48°15'", "49°45'", ""},
                       std::pair<const char*, const char*> limits = {"", ""}, const char* k0 = "1",
                       bool autoUtm = false) {
        editor.Com_eff_Click(SecProjection);
        editor.Txt_P[1] = "FR";
        editor.Txt_P[2] = code;
        editor.Txt_P[3] = "1700000";
        editor.Txt_P[4] = "8200000";
        editor.Txt_P[5] = k0;
        for (int i = 0; i < 5; ++i) editor.Txt_P[6 + i] = angles[i];
        editor.Txt_P[11] = limits.first;
        editor.Txt_P[12] = limits.second;
        editor.SelectCombo_D(editor.Combo_D.Find(datum));
        for (int i = 0; i < static_cast<int>(editor.Combo_type.items.size()); ++i)
            if (app::TypeCode(editor.Combo_type.items[i]) == type) editor.SelectCombo_type(i);
        editor.SetAutoUtm(autoUtm);
        editor.Com_aj_P_Click();
    }
    std::string LastCritical() {
        for (auto it = messages.shown.rbegin(); it != messages.shown.rend(); ++it)
            if (it->kind == "critical") return it->text;
        return {};
    }

    testsupport::ParamDbCopy copy;
    uitest::RecordingMessages messages;
    uitest::RecordingHost host;
    app::MainModel main{messages, host};
    app::MainModelLists lists{main};
    app::EditorModel editor{messages, lists};
};

TEST_F(EditorTest, ShowingAProjectionShowsItsDatumAndThatDatumsEllipsoid) {
    Show(SecProjection, "BE LB72");
    EXPECT_EQ(editor.Combo_D.Text() + "|" + editor.Combo[SecDatum].Text() + "|" + editor.Txt_D[3] + "|" +
                  editor.Combo_E.Text() + "|" + editor.Combo[SecEllipsoid].Text() + "|" + editor.Txt_E[1] + "|" +
                  std::to_string(app::TypeCode(editor.Combo_type.Text())) + "|" + editor.Txt_P[8],
              "BE BD72|BE BD72|-125.8|International 1924|International 1924|6378388|2|51°10'0.00204''");
    Show(SecProjection, "BE UTM");
    EXPECT_EQ(editor.Txt_P[11], "31");  // zone numbers on type 1
}

TEST_F(EditorTest, ButtonsFollowLockAndReferences) {
    const struct {
        int section;
        const char* name;
        bool apply, remove;
    } rows[] = {{SecProjection, "BE LB72", false, false}, {SecProjection, "FR LB93", true, true},
                {SecDatum, "FR NTF", true, false},        {SecDatum, "DE ETRS89", false, false},
                {SecEllipsoid, "GRS 80", true, false},    {SecEllipsoid, "WGS 84", false, false}};
    for (const auto& r : rows) {
        Show(r.section, r.name);
        const std::array<std::pair<bool, bool>, 3> state = {{{editor.Com_appl_E.enabled, editor.Com_sup_E.enabled},
                                                             {editor.Com_appl_D.enabled, editor.Com_sup_D.enabled},
                                                             {editor.Com_appl_P.enabled, editor.Com_sup_P.enabled}}};
        EXPECT_EQ(state[r.section], std::pair(r.apply, r.remove)) << r.name;
    }
}

// What a refused Add leaves: no row, the message naming the field, and no
// question asked first (none at all when the question is declined).
TEST_F(EditorTest, RefusedAddsChangeNothing) {
    const auto addE = [&](const char* a, const char* ec, const char* unf) {
        editor.Txt_E = {"", a, ec, unf, "Mon ellipsoïde"};
        editor.Com_aj_E_Click();
    };
    const auto addP = [&](const char* code, int type, std::array<const char*, 5> angles, const char* k0 = "1",
                          bool autoUtm = false) {
        AddProjection(code, "FR NTF", type, angles, {"", ""}, k0, autoUtm);
    };
    const std::string longCode(48, 'C');
    const struct {
        const char* table;
        std::function<void()> act;
        const char* message;
    } rows[] = {{"Datums", [&] { AddDatum("BE", "ED50"); }, "Le nom du datum existe déjà !"},
                {"Datums", [&] { AddDatum("BE", ""); }, "Le champ « Code » doit être rempli."},
                {"Datums",
                 [&] {
                     messages.answer = false;
                     AddDatum("XX", "Y");
                 },
                 ""},
                {"Datums", [&] { AddDatum("XX", "Y", "12a"); }, "Le champ « dX (m) » doit contenir un nombre"},
                {"Datums", [&] { AddDatum("XX", "Y", "20000"); }, "Le champ « dX (m) » : une translation de -10 000"},
                {"Datums", [&] { AddDatum("XX", longCode); }, "Le nom (Pays, une espace et Code) « XX CCCC"},
                {"Projections",
                 [&] {
                     editor.Com_eff_Click(SecProjection);
                     editor.Txt_P[1] = "BE";
                     editor.Txt_P[2] = "LB72";
                     editor.Com_aj_P_Click();
                 },
                 "Le nom de la projection existe déjà !"},
                {"Projections",
                 [&] {
                     addP("T3", 3, {"3°", "", "", "", ""});
                 },
                 "Le champ « Lt0 : latitude d'origine » doit être rempli."},
                {"Projections",
                 [&] {
                     addP("T2", 2, {"3°75'", "49°", "48°", "50°", ""});
                 },
                 "Le champ « Lg0 : méridien central » doit contenir un angle"},
                {"Projections",
                 [&] {
                     addP("T2", 2, {"3°", "95°", "48°", "50°", ""});
                 },
                 "Le champ « Lt0"},
                {"Projections",
                 [&] {
                     addP("K0", 5, {"3°", "49°", "", "", ""}, "0");
                 },
                 "Le champ « k0 : facteur d'échelle sur le parallèle » : un facteur d'échelle de 0,5 à 2"},
                // Definitions no formula can compute.
                {"Projections",
                 [&] {
                     addP("EQ", 2, {"3°", "49°", "49°", "49°", ""});
                 },
                 "Le champ « Lt2 : second parallèle standard » : un second parallèle différent"},
                {"Projections",
                 [&] {
                     addP("SY", 2, {"3°", "0°", "10°", "-10°", ""});
                 },
                 "Le champ « Lt2 : second parallèle standard » : deux parallèles symétriques"},
                {"Projections",
                 [&] {
                     addP("PO", 2, {"3°", "49°", "90°", "50°", ""});
                 },
                 "Le champ « Lt1 : premier parallèle standard » : un parallèle hors des pôles"},
                {"Projections",
                 [&] {
                     addP("EQ5", 5, {"3°", "0°", "", "", ""});
                 },
                 "Le champ « Lt0 : parallèle standard (et origine) » : un parallèle hors de l'équateur"},
                {"Projections",
                 [&] {
                     addP("P3", 3, {"3°", "-90°", "", "", ""});
                 },
                 "Le champ « Lt0 : latitude d'origine » : une latitude d'origine hors des pôles"},
                // Lg0 = 0 means automatic UTM zones: only as an explicit choice, and on a UTM row.
                {"Projections",
                 [&] {
                     addP("TM0", 1, {"0°", "", "", "", ""});
                 },
                 "Le champ « Lg0 : méridien central » : un méridien central à 0 signifie des fuseaux UTM automatiques"},
                {"Projections",
                 [&] {
                     addP("TMA", 1, {"", "", "", "", ""}, "0.9996", true);
                 },
                 "Des fuseaux UTM automatiques demandent le code « UTM »"},
                {"Ellipsoides", [&] { addE("1", "0.08", "298"); },
                 "Le champ « a : demi-grand axe (m) » : un demi-grand axe de 6 300 000"},
                {"Ellipsoides", [&] { addE("6378137", "1", "298"); }, "Le champ « e : première excentricité"},
                {"Ellipsoides", [&] { addE("6378137", "0.0818", "298.257223563"); },
                 "Le champ « e : première excentricité (vide : tirée de 1/f) » : l'excentricité que donne 1/f, "
                 "0.0818191908426"},
                {"Ellipsoides", [&] { addE("6378137", "", ""); }, "Remplissez le champ « e » ou le champ « 1/f »"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(&r - rows);
        for (int section = 0; section < 3; ++section) editor.Com_eff_Click(section);
        messages.shown.clear();
        messages.answer = true;
        const long before = Rows(r.table);
        const auto items = MainItems(0);
        r.act();
        EXPECT_EQ(Rows(r.table), before);
        EXPECT_EQ(MainItems(0), items);
        EXPECT_EQ(LastCritical().substr(0, std::string(r.message).size()), r.message);
        EXPECT_EQ(LastCritical().empty(), std::string(r.message).empty());
        if (!LastCritical().empty()) {
            EXPECT_EQ(messages.shown.front().kind, "critical") << messages.shown.front().text;
        }
    }
}

// The user types e or 1/f; the other is derived.
TEST_F(EditorTest, AnEllipsoidNeedsOnlyOneOfEAnd1OverF) {
    editor.Txt_E = {"", "6377563.396", "", "299.3249646", "Airy 1830"};
    editor.Com_aj_E_Click();
    EXPECT_NEAR(Column("Ellipsoides", "Airy 1830", "ec").Double(), 0.08167337387414189, 1e-16);
    editor.Txt_E = {"", "6378160", "0.0818205679407", "", "GRS 67"};
    editor.Com_aj_E_Click();
    EXPECT_NEAR(Column("Ellipsoides", "GRS 67", "unf").Double(), 298.247167427, 1e-6);
}

TEST_F(EditorTest, AutomaticUtmZonesAreAnExplicitChoiceWithZoneLimits) {
    const struct {
        const char* pays;
        const char* west;
        const char* east;
        double storedWest, storedEast;
    } rows[] = {{"FR", "31", "32", 31, 32}, {"DE", "0", "61", 0, 0}};
    for (const auto& r : rows) {
        editor.Com_eff_Click(SecProjection);
        editor.Txt_P[1] = r.pays;
        editor.Txt_P[3] = "500000";
        editor.Txt_P[4] = "0";
        editor.Txt_P[5] = "0.9996";
        editor.Txt_P[11] = r.west;
        editor.Txt_P[12] = r.east;
        editor.SelectCombo_D(editor.Combo_D.Find("FR NTF"));
        editor.SelectCombo_type(0);
        editor.SetAutoUtm(true);
        EXPECT_EQ(editor.Txt_P[2], "");
        editor.Txt_P[2] = "UTM";
        editor.Com_aj_P_Click();
        const std::string name = std::string(r.pays) + " UTM";
        EXPECT_EQ(Column("Projections", name, "Lg0").Double(), 0.0) << LastCritical();
        EXPECT_EQ(Column("Projections", name, "limitew").Double(), r.storedWest);
        EXPECT_EQ(Column("Projections", name, "limitee").Double(), r.storedEast);
        Show(SecProjection, name);
        EXPECT_TRUE(editor.AutoUtm);
    }
    // The other types' limits are longitudes.
    AddProjection("LIM", "FR NTF", 2, {"3°", "49°", "48°15'", "49°45'", ""}, {"-2°", "8°"});
    EXPECT_NEAR(Column("Projections", "FR LIM", "limitew").Double(), Rad(-2), 1e-15);
    EXPECT_NEAR(Column("Projections", "FR LIM", "limitee").Double(), Rad(8), 1e-15);
    // A fixed meridian, with no limits: ED50 / TM 0 N needs the meridian a hair off 0°.
    AddProjection("TM0", "FR NTF", 1, {"0°0'0.000001''", "", "", "", ""}, {"", ""}, "0.9996");
    EXPECT_GT(Column("Projections", "FR TM0", "Lg0").Double(), 0.0) << LastCritical();
}

TEST_F(EditorTest, RenamingCarriesTheRowsUsingItAndTheMainLists) {
    AddProjection("NTF2", "FR NTF", 5);
    const auto others = Column("Projections", "FR LB93", "Datum");
    Show(SecDatum, "FR NTF");
    const int at = editor.Combo[SecDatum].listIndex;
    editor.Txt_D[2] = "NTFB";
    editor.Com_appl_D_Click();
    for (const char* p : {"FR LB2E", "FR NTF2"}) EXPECT_EQ(Column("Projections", p, "Datum").Text(), "FR NTFB");
    EXPECT_EQ(Column("Projections", "FR LB93", "Datum"), others);
    EXPECT_EQ(editor.Combo_D.items[at], "FR NTFB");
    EXPECT_TRUE(InMain("FR Geographic NTFB"));
    EXPECT_FALSE(InMain("FR Geographic NTF"));
    Show(SecProjection, "FR LB2E");
    EXPECT_EQ(editor.Combo_D.Text(), "FR NTFB");

    Show(SecEllipsoid, "Clarke 1880 IGN");
    editor.Txt_E[4] = "Clarke 1880 (IGN)";
    editor.Com_appl_E_Click();
    EXPECT_EQ(Column("Datums", "FR NTFB", "Ellipsoide").Text(), "Clarke 1880 (IGN)");
    EXPECT_EQ(Column("Datums", "NL AMSF", "Ellipsoide").Text(), "Bessel 1841");
    EXPECT_TRUE(ListsPaired());
    EXPECT_EQ(editor.Combo_E.Text(), "Clarke 1880 (IGN)");
}

TEST_F(EditorTest, ApplyingWithoutRenameChangesOnlyTheRowAndTheNextCalc) {
    SelectInMain("FR LB2E");
    auto calc = [&] {
        main.Text(Ctl::TxtE, 8) = "150000";
        main.Text(Ctl::TxtN, 8) = "170000";
        main.Com_calculer_Click(8);
        return main.Text(Ctl::TxtLgDeg, 4);
    };
    const std::string before = calc();
    const float ntfBefore = core::LoadDatum("FR NTF").dX;
    const auto items = MainItems(0);
    Show(SecDatum, "FR NTF");
    editor.Txt_D[3] = "-68";  // 100 m east of the shipped shift
    editor.Com_appl_D_Click();
    EXPECT_EQ(Column("Projections", "FR LB2E", "Datum").Text(), "FR NTF");
    EXPECT_EQ(MainItems(0), items);
    EXPECT_EQ(core::LoadDatum("FR NTF").dX, ntfBefore + 100);
    EXPECT_NE(calc(), before);
}

TEST_F(EditorTest, AddedAndDeletedRowsReachEveryList) {
    AddDatum("FR", "L'X", "0,5");  // an apostrophe in the name
    EXPECT_EQ(Column("Datums", "FR L'X", "dX").Double(), 0.5);
    EXPECT_EQ(Column("Datums", "FR L'X", "lock").Text(), "N");
    EXPECT_EQ(editor.Combo[SecDatum].Text() + " " + editor.Txt_D[3], "FR L'X 0.5");
    EXPECT_TRUE(ListsPaired());
    EXPECT_TRUE(InMain("FR Geographic L'X"));
    EXPECT_EQ(main.At(Ctl::Combo_projec, 0).listIndex, 0);
    editor.Com_sup_D_Click();
    EXPECT_FALSE(InMain("FR Geographic L'X"));
    EXPECT_EQ(main.At(Ctl::Combo_projec, 1).listIndex, 0);

    AddDatum("FR", "DEL");
    editor.Com_sup_D_Click();
    EXPECT_EQ(Column("Datums", "FR DEL", "Nom"), store::Value());
    EXPECT_EQ(editor.Combo[SecDatum].Find("FR DEL"), -1);
    EXPECT_TRUE(ListsPaired());
    EXPECT_EQ(editor.CurrentName[SecDatum], editor.Combo[SecDatum].items.front());
    Show(SecProjection, "CH LV03");
    editor.Com_sup_P_Click();
    EXPECT_FALSE(InMain("CH LV03"));
    EXPECT_EQ(editor.Combo[SecProjection].Find("CH LV03"), -1);
}

TEST_F(EditorTest, AFailureInTheCascadeLeavesTheDatabaseAsItWas) {
    Db().Execute("CREATE TRIGGER refuse BEFORE UPDATE OF Datum ON Projections BEGIN SELECT RAISE(ABORT, 'refus'); END");
    Show(SecDatum, "FR NTF");
    const auto datums = editor.Combo[SecDatum].items;
    editor.Txt_D[2] = "NTFC";
    editor.Com_appl_D_Click();
    EXPECT_EQ(Column("Datums", "FR NTF", "Code").Text(), "NTF");
    EXPECT_EQ(Column("Datums", "FR NTFC", "Nom"), store::Value());
    EXPECT_EQ(Column("Projections", "FR LB2E", "Datum").Text(), "FR NTF");
    EXPECT_EQ(editor.Combo[SecDatum].items, datums);
    EXPECT_TRUE(InMain("FR Geographic NTF"));
    EXPECT_NE(LastCritical().find("Impossible d'enregistrer les modifications de ce datum"), std::string::npos);
    EXPECT_NE(LastCritical().find("n'a pas été modifiée"), std::string::npos);
    Show(SecProjection, "FR LB2E");  // still usable, sets true to the file
    EXPECT_EQ(editor.Combo_D.Text(), "FR NTF");
}

// Store errors: a message naming the action and the cause, and no change.
struct StoreFaultCase {
    const char* name;
    std::function<std::unique_ptr<store::Transaction>(const std::string& path)> fault;
    const char* cause;
};
class StoreFaults : public EditorTest, public ::testing::WithParamInterface<StoreFaultCase> {};
TEST_P(StoreFaults, AreReportedAndChangeNothing) {
    const long before = Rows("Datums");
    const auto held = GetParam().fault(copy.Path());
    if (std::string(GetParam().name) == "read_only") editor.Form_Load();  // the header is read on opening
    AddDatum("XX", "NEW");
    const std::string text = LastCritical();
    EXPECT_EQ(text.rfind("Impossible d'ajouter ce datum :", 0), 0u) << text;
    EXPECT_NE(text.find(GetParam().cause), std::string::npos) << text;
    EXPECT_FALSE(InMain("XX Geographic NEW"));
    EXPECT_EQ(editor.Combo[SecDatum].Find("XX NEW"), -1);
    if (std::filesystem::exists(copy.Path())) {
        EXPECT_EQ(Rows("Datums"), before);
    }
}
INSTANTIATE_TEST_SUITE_P(Editor, StoreFaults,
                         ::testing::Values(
                             // A file the engine may read but not write (its header asks for a newer writer).
                             StoreFaultCase{"read_only",
                                            [](const std::string& path) {
                                                std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
                                                f.seekp(18);
                                                f.put(char(3));
                                                return nullptr;
                                            },
                                            "lecture seule"},
                             StoreFaultCase{"missing",
                                            [](const std::string& path) {
                                                std::filesystem::remove(path);
                                                return nullptr;
                                            },
                                            "introuvable"},
                             StoreFaultCase{"locked_by_another_writer",
                                            [](const std::string& path) {
                                                store::Database other = store::OpenDatabase(path);
                                                return std::make_unique<store::Transaction>(other);
                                            },
                                            "verrouillé"}),
                         testsupport::RowName());

TEST_F(EditorTest, TheMainWindowRereadsItsRowsOnceTheEditorCloses) {
    host.editor = [&] { AddProjection("MENU", "FR NTF", 5); };
    const long before = main.ProjectionList->RecordCount();
    main.mnu_modifier_Click();
    EXPECT_EQ(host.editorShown, 1);
    EXPECT_EQ(main.ProjectionList->RecordCount(), before + 1);
}

// The README's worked example: the French conic zone CC49 on RGF93.
TEST_F(EditorTest, ReadmeExampleAddsTheConicZoneCC49) {
    AddProjection("CC49", "FR RGF93", 2, {"3°", "49°", "48°15'", "49°45'", ""});
    SelectInMain("FR CC49");
    main.Text(Ctl::TxtLgDec, 0) = "3.0573";
    main.LostFocus(Ctl::TxtLgDec, 0);
    main.Text(Ctl::TxtLtDec, 0) = "50.6292";
    main.LostFocus(Ctl::TxtLtDec, 0);
    main.Com_calculer_Click(0);
    // cs2cs +proj=lcc +lat_0=49 +lon_0=3 +lat_1=48.25 +lat_2=49.75 +x_0=1700000 +y_0=8200000 +ellps=GRS80
    EXPECT_NEAR(core::ValNumber(main.Text(Ctl::TxtLgDeg, 4)), 1704055.605, 2e-3);
    EXPECT_NEAR(core::ValNumber(main.Text(Ctl::TxtLtDeg, 4)), 8381219.070, 2e-3);
}

TEST_F(EditorTest, AMeridianWestOfGreenwichIsStoredNegative) {
    AddProjection("TMW", "WGS84", 1, {"-2°", "49°", "", "", ""});
    EXPECT_NEAR(Column("Projections", "FR TMW", "Lg0").Double(), Rad(-2), 1e-15);
    Show(SecProjection, "FR TMW");
    EXPECT_EQ(editor.Txt_P[6], "-2°");
    editor.Com_appl_P_Click();  // what is shown saves back the same meridian
    EXPECT_NEAR(Column("Projections", "FR TMW", "Lg0").Double(), Rad(-2), 1e-15);
}

}  // namespace

namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Messages that let another program act while the question is on screen.
struct RacingMessages : uitest::RecordingMessages {
    bool Question(const std::string& title, const std::string& text) override {
        if (auto act = std::exchange(meanwhile, nullptr)) act();
        return RecordingMessages::Question(title, text);
    }
    std::function<void()> meanwhile;
};

}  // namespace

// Angles shown with the digits that read back, and fields left as shown
// keeping their stored values: an Apply with nothing changed writes nothing.
TEST_F(EditorTest, ANoChangeApplyLeavesEveryShippedRowByteIdentical) {
    const std::string before = Bytes(copy.Path());
    int applied = 0;
    for (int section : {SecEllipsoid, SecDatum, SecProjection})
        for (const std::string& name : std::vector<std::string>(editor.Combo[section].items)) {
            Show(section, name);
            const bool enabled = section == SecEllipsoid ? editor.Com_appl_E.enabled
                                 : section == SecDatum   ? editor.Com_appl_D.enabled
                                                         : editor.Com_appl_P.enabled;
            if (!enabled) continue;
            messages.shown.clear();
            if (section == SecEllipsoid) editor.Com_appl_E_Click();
            if (section == SecDatum) editor.Com_appl_D_Click();
            if (section == SecProjection) editor.Com_appl_P_Click();
            EXPECT_EQ(LastCritical(), "") << name;
            EXPECT_TRUE(Bytes(copy.Path()) == before) << name;
            ++applied;
        }
    EXPECT_EQ(applied, 16);  // every unlocked row of the three tables
}

TEST_F(EditorTest, ChecksRunInsideTheWriteAgainstAnotherProgram) {
    RacingMessages otherMessages;
    app::EditorModel other{otherMessages, lists};
    other.Form_Load();
    RacingMessages racing;
    app::EditorModel mine{racing, lists};
    mine.Form_Load();
    const auto fillDatum = [](app::EditorModel& e, const char* ellipsoid) {
        e.Com_eff_Click(SecDatum);
        e.Txt_D[1] = "XX";
        e.Txt_D[2] = "RACE";
        e.Combo_E.listIndex = e.Combo_E.Find(ellipsoid);
    };
    // Both add "XX RACE": the other program saves it while this one asks.
    fillDatum(mine, "GRS 80");
    racing.meanwhile = [&] {
        fillDatum(other, "GRS 80");
        other.Com_aj_D_Click();
    };
    mine.Com_aj_D_Click();
    EXPECT_EQ(Db().OpenRecordset("SELECT * FROM Datums WHERE Nom = 'XX RACE'").RecordCount(), 1);
    EXPECT_EQ(racing.shown.back().text, "Le nom du datum existe déjà !");

    // An unused ellipsoid deleted here while the other program gives it a datum.
    mine.Txt_E = {"", "6378160", "", "298.25", "Australien 1965"};
    mine.Com_aj_E_Click();
    other.Form_Load();
    ASSERT_TRUE(mine.Com_sup_E.enabled);
    racing.meanwhile = [&] {
        other.Com_eff_Click(SecDatum);
        other.Txt_D[1] = "AU";
        other.Txt_D[2] = "AGD66";
        other.Combo_E.listIndex = other.Combo_E.Find("Australien 1965");
        other.Com_aj_D_Click();
    };
    mine.Com_sup_E_Click();
    EXPECT_EQ(Column("Ellipsoides", "Australien 1965", "Nom").Text(), "Australien 1965");
    EXPECT_EQ(Column("Datums", "AU AGD66", "Ellipsoide").Text(), "Australien 1965");
    EXPECT_NE(racing.shown.back().text.find("le datum « AU AGD66 » l'utilise"), std::string::npos);
}

TEST_F(EditorTest, UnsavedEditsAreDroppedOnlyWhenTheUserAgrees) {
    Show(SecProjection, "FR LB93");
    editor.Txt_P[3] = "700001";
    messages.answer = false;
    editor.SelectCombo(SecProjection, editor.Combo[SecProjection].Find("NL RD"));
    EXPECT_EQ(editor.CurrentName[SecProjection], "FR LB93");
    EXPECT_EQ(editor.Txt_P[3], "700001");
    EXPECT_EQ(editor.Combo[SecProjection].Text(), "FR LB93");
    // A projection shown asks before its datum replaces edits in the datum section.
    Show(SecDatum, "FR NTF");
    editor.Txt_D[3] = "-169";
    editor.Com_eff_Click(SecProjection);
    Show(SecProjection, "FR LB2E");
    EXPECT_EQ(editor.Txt_D[3], "-169");
    editor.Com_qt_Click();
    EXPECT_FALSE(editor.Closed());
    EXPECT_EQ(messages.shown.back().text,
              "Des modifications ne sont pas enregistrées (le datum). Fermer sans les enregistrer ?");
    messages.answer = true;
    editor.Com_qt_Click();
    EXPECT_TRUE(editor.Closed());
}

TEST_F(EditorTest, AfterAFailureAFileReplacedAtThePathIsReportedAndItsListsShown) {
    const std::string other = copy.File("other.mdb");
    std::filesystem::copy_file(copy.Path(), other);
    store::OpenDatabase(other).Execute(
        "INSERT INTO Datums (Nom, Pays, Code, Ellipsoide, dX, dY, dZ, dX7, dY7, dZ7, rX, rY, rZ, dS, lock) "
        "VALUES ('ZZ NEUF', 'ZZ', 'NEUF', 'GRS 80', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'N')");
    std::filesystem::remove(copy.Path());
    AddDatum("XX", "NEW");
    EXPECT_NE(LastCritical().find("introuvable"), std::string::npos);
    std::filesystem::rename(other, copy.Path());
    Show(SecDatum, "FR NTF");
    EXPECT_NE(LastCritical().find("remplacée sur le disque"), std::string::npos);
    EXPECT_GE(editor.Combo[SecDatum].Find("ZZ NEUF"), 0);
    EXPECT_TRUE(ListsPaired());
}

TEST_F(EditorTest, LockedAndUsedRowsSayWhyTheirButtonsAreGreyed) {
    Show(SecProjection, "BE LB72");
    EXPECT_NE(editor.Com_appl_P.reason.find("Ligne verrouillée"), std::string::npos);
    EXPECT_NE(editor.Com_sup_P.reason.find("Ligne verrouillée"), std::string::npos);
    Show(SecDatum, "FR NTF");
    EXPECT_EQ(editor.Com_appl_D.reason, "");
    EXPECT_NE(editor.Com_sup_D.reason.find("La projection « FR LB2E » utilise ce datum"), std::string::npos);
}

// EPSG publishes BD72 to WGS 84 (transformation 15929) in the coordinate-frame
// convention (method 9607); typed as published under that choice, the point
// is cct's with +proj=helmert +convention=coordinate_frame:
//   cct +proj=pipeline +step +proj=unitconvert +xy_in=deg +xy_out=rad
//       +step +proj=cart +ellps=WGS84 +step +inv +proj=helmert +x=-106.8686
//       +y=52.2978 +z=-103.7239 +rx=-0.3366 +ry=0.457 +rz=-1.8422 +s=-1.2747
//       +convention=coordinate_frame +step +inv +proj=cart +ellps=intl
//       +step +proj=lcc +lat_1=51.16666723333333 +lat_2=49.8333339 +lat_0=90
//       +lon_0=4.367486666666666 +x_0=150000.013 +y_0=5400088.438 +ellps=intl
TEST_F(EditorTest, CoordinateFrameRotationsAreSavedInTheFormulasConvention) {
    const std::array<const char*, 7> epsg = {"-106.8686", "52.2978", "-103.7239", "-0.3366",
                                             "0.457",     "-1.8422", "-1.2747"};
    const struct {
        const char* code;
        bool frame;
        double E, N, tolerance;
    } rows[] = {{"CF", true, 148799.0795, 170688.5639, 1e-3},
                {"PV", false, 148799.0795, 170688.5639, -30}};  // the same numbers read as position vector: metres off
    for (const auto& r : rows) {
        editor.Com_eff_Click(SecDatum);
        editor.SetCoordinateFrame(r.frame);
        editor.Txt_D[1] = "XX";
        editor.Txt_D[2] = r.code;
        for (int i = 0; i < 7; ++i) editor.Txt_D[6 + i] = epsg[std::size_t(i)];
        editor.SelectCombo_E(editor.Combo_E.Find("International 1924"));
        editor.Com_aj_D_Click();
        ASSERT_EQ(LastCritical(), "");
        EXPECT_EQ(Column("Datums", std::string("XX ") + r.code, "rX").Double(), r.frame ? 0.3366 : -0.3366);
        editor.Com_eff_Click(SecProjection);
        editor.Txt_P = {"",
                        "XX",
                        r.code,
                        "150000.013",
                        "5400088.438",
                        "1",
                        "4°22'2.952''",
                        "90°",
                        "51°10'0.00204''",
                        "49°50'0.00204''",
                        "",
                        "",
                        ""};
        editor.SelectCombo_D(editor.Combo_D.Find(std::string("XX ") + r.code));
        editor.SelectCombo_type(1);
        editor.Com_aj_P_Click();
        ASSERT_EQ(LastCritical(), "");
        double lon = 0, lat = 0, x = 0, y = 0;
        std::int16_t zone = 0;
        core::TransformDatum("WGS84", std::string("XX ") + r.code, Rad(4.3517), Rad(50.8466), lon, lat,
                             core::method::Helmert);
        core::ProjectForward(lat, lon, x, y, std::string("XX ") + r.code, zone);
        const double off = std::hypot(x - r.E, y - r.N);
        if (r.tolerance > 0) {
            EXPECT_LT(off, r.tolerance) << r.code;
        } else {
            EXPECT_GT(off, -r.tolerance) << r.code;
        }
    }
    // Shown back in the convention chosen.
    editor.SetCoordinateFrame(true);
    Show(SecDatum, "XX CF");
    EXPECT_EQ(editor.Txt_D[9], "-0.3366");
    editor.SetCoordinateFrame(false);
    EXPECT_EQ(editor.Txt_D[9], "0.3366");
}

// A PROJ string alone enters the README's example: tested before it is saved,
// then saved, it gives cs2cs's point.
TEST_F(EditorTest, AProjStringAloneEntersTestsAndSavesAProjection) {
    editor.ImportProjString(
        "+proj=lcc +lat_0=49 +lon_0=3 +lat_1=48.25 +lat_2=49.75 +x_0=1700000 +y_0=8200000 +ellps=GRS80");
    EXPECT_EQ(editor.Combo_E.Text(), "GRS 80");
    EXPECT_NE(editor.Combo_D.Text(), "");  // a datum of the file on GRS 80 with no shift
    EXPECT_EQ(editor.Txt_P[6] + " " + editor.Txt_P[8] + " " + editor.Txt_P[9], "3° 48°15' 49°45'");
    editor.TestPoint("3.0573", "50.6292");
    // cs2cs +proj=lcc +lat_0=49 +lon_0=3 +lat_1=48.25 +lat_2=49.75 +x_0=1700000 +y_0=8200000 +ellps=GRS80
    EXPECT_NE(messages.shown.back().text.find("E = 1704055.605 m, N = 8381219.070 m"), std::string::npos)
        << messages.shown.back().text;
    editor.Txt_P[1] = "FR";
    editor.Txt_P[2] = "CC49";
    editor.Com_aj_P_Click();
    EXPECT_EQ(Column("Projections", "FR CC49", "Type").Double(), 2);
    EXPECT_NEAR(Column("Projections", "FR CC49", "Lt1").Double(), Rad(48.25), 1e-15);

    // A new ellipsoid and datum: what is left to add, in order, and each Add
    // chooses the row saved for the next section.
    editor.ImportProjString(
        "+proj=tmerc +lat_0=49 +lon_0=-2 +k=0.9996012717 +x_0=400000 +y_0=-100000 "
        "+ellps=airy +towgs84=446.448,-125.157,542.06,0.15,0.247,0.842,-20.489");
    EXPECT_NE(messages.shown.back().text.find("- l'ellipsoïde"), std::string::npos) << messages.shown.back().text;
    EXPECT_EQ(editor.Txt_P[6], "-2°");
    EXPECT_EQ(editor.Txt_P[3], "400000");
    editor.Txt_E[4] = "Airy 1830";
    editor.Com_aj_E_Click();
    EXPECT_EQ(editor.Combo_E.Text(), "Airy 1830");
    editor.Txt_D[1] = "GB";
    editor.Txt_D[2] = "OSGB36";
    editor.Com_aj_D_Click();
    EXPECT_EQ(editor.Combo_D.Text(), "GB OSGB36");
    EXPECT_EQ(editor.Combo[SecDatum].Text(), "GB OSGB36");
    EXPECT_TRUE(editor.Com_appl_D.enabled);
    editor.Txt_P[1] = "GB";
    editor.Txt_P[2] = "BNG";
    messages.shown.clear();
    editor.Com_aj_P_Click();
    EXPECT_EQ(messages.Count("Ajouter cette projection ?"), 1);
    EXPECT_EQ(messages.shown.size(), 1u) << messages.shown.back().text;  // nothing asked once it is saved
    EXPECT_EQ(LastCritical(), "");
    EXPECT_EQ(Column("Projections", "GB BNG", "Datum").Text(), "GB OSGB36");
    EXPECT_EQ(Column("Datums", "GB OSGB36", "rX").Double(), 0.15);
    EXPECT_TRUE(InMain("GB BNG"));
}

// Every shipped projection exported then imported gives back its fields (the
// rotated BE LB72A aside: its rotation comes out folded into its meridian;
// and rows with automatic UTM zones, exported one zone at a time).
TEST_F(EditorTest, ExportedStringsImportBackIntoTheSameFields) {
    for (const std::string& name : std::vector<std::string>(editor.Combo[SecProjection].items)) {
        Show(SecProjection, name);
        if (!editor.Txt_P[10].empty() || editor.AutoUtm) continue;
        const std::array<std::string, 13> shown = editor.Txt_P;
        editor.Com_export_Click();
        const std::string text = messages.shown.back().text;
        const auto at = text.find("+proj=", text.find("Helmert"));
        ASSERT_NE(at, std::string::npos) << name << text;
        const std::string proj = text.substr(at, text.find('\n', at) - at);
        editor.ImportProjString(proj);
        for (int i = 3; i <= 9; ++i) {
            const auto kind = i < 6    ? app::AngleKind::Rotation
                              : i == 6 ? app::AngleKind::Longitude
                                       : app::AngleKind::Latitude;
            const double was = i < 6 ? *app::ReadNumber(shown[i]) : *app::ReadAngle(shown[i], kind);
            const double now = i < 6 ? *app::ReadNumber(editor.Txt_P[i]) : *app::ReadAngle(editor.Txt_P[i], kind);
            EXPECT_NEAR(now, was, i < 6 ? 1e-6 : 1e-13) << name << " field " << i << " " << proj;
        }
        editor.Com_eff_Click(SecProjection);
    }
}

namespace {

// A value its rule keeps, different for each of `count` columns.
double Inside(const core::Rule& rule, std::size_t i, std::size_t count) {
    return rule.low + (rule.high - rule.low) * double(i + 1) / double(count + 1);
}

// The editor field showing a column: the one under its label.
template <std::size_t N>
std::size_t FieldOf(const std::array<const char*, N>& labels, const char* label) {
    for (std::size_t f = 0; f < N; ++f)
        if (std::string_view(labels[f]) == label) return f;
    ADD_FAILURE() << "no field labelled " << label;
    return 0;
}

void Store(const char* table, const std::string& nom, const char* column, double v) {
    store::OpenDatabase(store::ParamDbPath())
        .Execute(std::string("UPDATE ") + table + " SET " + column + " = ? WHERE Nom = ?",
                 {store::Value(v), store::Value(nom)});
}

// Each column of a row given a distinct value reaches its member in the
// loaders and its field in the editor, so that two columns crossed anywhere show.
TEST_F(EditorTest, EveryColumnFillsItsMemberAndShowsUnderItsLabel) {
    const std::string datum = "FR NTF";
    for (std::size_t i = 0; i < core::DatumColumns.size(); ++i)
        Store("Datums", datum, core::DatumColumns[i].name, Inside(core::DatumColumns[i].rule, i, 10));
    // Type 1 has no definition checks: every number may differ.
    const std::string projection = "DE GK3";
    for (std::size_t i = 0; i < core::ProjectionColumns.size(); ++i)
        Store("Projections", projection, core::ProjectionColumns[i].name,
              Inside(core::ProjectionColumns[i].rule, i, core::ProjectionColumns.size()));
    // An ellipsoid's e follows from its 1/f.
    const std::string ellipsoid = "Bessel 1841";
    const double ellipsoidValues[] = {6378001, core::EccentricityOf(299), 299};
    static_assert(std::size(ellipsoidValues) == core::EllipsoidColumns.size());
    for (std::size_t i = 0; i < core::EllipsoidColumns.size(); ++i)
        Store("Ellipsoides", ellipsoid, core::EllipsoidColumns[i].name, ellipsoidValues[i]);

    const core::DatumParams d = core::LoadDatum(datum);
    ShowStored(SecDatum, datum);
    for (std::size_t i = 0; i < core::DatumColumns.size(); ++i) {
        const auto& c = core::DatumColumns[i];
        const double v = Inside(c.rule, i, 10);
        EXPECT_EQ(d.*c.member, float(v)) << c.name;
        EXPECT_EQ(editor.Txt_D[FieldOf(app::LabelsD, c.label)], app::ShowNumber(store::Value(v))) << c.name;
    }
    const core::ProjectionParams p = core::LoadProjection(projection);
    ShowStored(SecProjection, projection);
    for (std::size_t i = 0; i < core::ProjectionColumns.size(); ++i) {
        const auto& c = core::ProjectionColumns[i];
        const double v = Inside(c.rule, i, core::ProjectionColumns.size());
        EXPECT_EQ(p.*c.member, v) << c.name;
        const store::schema::Kind kind = store::schema::Find(store::schema::Projections, c.name).kind;
        const std::string shown =
            kind == store::schema::Kind::Longitude  ? app::ShowAngle(store::Value(v), app::AngleKind::Longitude)
            : kind == store::schema::Kind::Latitude ? app::ShowAngle(store::Value(v), app::AngleKind::Latitude)
            : kind == store::schema::Kind::Rotation ? app::ShowAngle(store::Value(v), app::AngleKind::Rotation)
                                                    : app::ShowNumber(store::Value(v));
        EXPECT_EQ(editor.Txt_P[FieldOf(app::LabelsP, c.label)], shown) << c.name;
    }
    const core::EllipsoidParams e = core::LoadEllipsoid(ellipsoid);
    ShowStored(SecEllipsoid, ellipsoid);
    for (std::size_t i = 0; i < core::EllipsoidColumns.size(); ++i) {
        const auto& c = core::EllipsoidColumns[i];
        EXPECT_EQ(e.*c.member, ellipsoidValues[i]) << c.name;
        EXPECT_EQ(editor.Txt_E[FieldOf(app::LabelsE, c.label)], app::ShowNumber(store::Value(ellipsoidValues[i])))
            << c.name;
    }
}

// One rule, one message: what the loaders say of a stored value and what
// the editor says of the same value typed, under the column's label.
TEST_F(EditorTest, AValueBreakingItsRuleIsRefusedByTheLoaderAndTheEditorAlike) {
    const std::string datum = "FR NTF";
    for (const auto& c : core::DatumColumns) {
        const double v = c.rule.high + 1;
        ShowStored(SecDatum, datum);
        editor.Txt_D[FieldOf(app::LabelsD, c.label)] = core::FormatGeneral(v);
        editor.Com_appl_D_Click();
        EXPECT_EQ(LastCritical(), std::string("Le champ « ") + c.label + " » : " + c.rule.expected + " (" +
                                      core::FormatGeneral(v) + ").");

        Store("Datums", datum, c.name, v);
        try {
            core::LoadDatum(datum);
            ADD_FAILURE() << c.name << " loaded";
        } catch (const base::RuntimeError& error) {
            EXPECT_EQ(error.what(),
                      core::ParamFaultText(store::ParamTable::Datums, datum, {c.name, v, c.rule.expected}));
        }
        Store("Datums", datum, c.name, 0);
    }
}

}  // namespace
