// The parameter editor's model on a private copy of the default database,
// with the main window's model beside it, as a user drives them.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "app/editor/EditorModel.h"
#include "app/editor/FieldText.h"
#include "core/Constants.h"
#include "core/NumberText.h"
#include "core/Params.h"
#include "store/ParamDb.h"
#include "tests/Support.h"
#include "tests/ui/ModelFixture.h"

namespace {

using app::Ctl;
using app::SecDatum;
using app::SecEllipsoid;
using app::SecProjection;

double Rad(double degrees) { return degrees / 180 * core::Pi; }

TEST(EditorFields, NumbersAreReadWholeOrRefused) {
    const struct { const char* text; std::optional<double> value; } rows[] = {
        {"0,5", 0.5}, {"0.5", 0.5}, {" -150 000,25 ", -150000.25}, {"", 0.0}, {"1e3", 1000.0},
        {"12a", std::nullopt}, {"1,2,3", std::nullopt}, {"-", std::nullopt}, {"&H10", std::nullopt},
        {"1e999", std::nullopt}};
    for (const auto& r : rows) EXPECT_EQ(app::ReadNumber(r.text), r.value) << r.text;
}

TEST(EditorFields, AnglesAreReadIntoTheFormulasRange) {
    using K = app::AngleKind;
    const std::optional<double> refused;
    const struct { const char* text; K kind; std::optional<double> degrees; } rows[] = {
        {"50°30'15.5''", K::Latitude, 50 + 30 / 60.0 + 15.5 / 3600},
        {"50°30'15,5''", K::Latitude, 50 + 30 / 60.0 + 15.5 / 3600},
        {"30''", K::Rotation, 30 / 3600.0}, {"", K::Longitude, 0.0}, {"0°", K::Longitude, 0.0},
        {"-3°", K::Longitude, -3.0}, {"357°", K::Longitude, -3.0}, {"-30°", K::Latitude, -30.0},
        {"-1°", K::Rotation, 359.0}, {"100°", K::Latitude, refused}, {"50.5", K::Longitude, refused},
        {"400°", K::Longitude, refused}, {"30'50°", K::Longitude, refused}};
    for (const auto& r : rows) {
        const std::optional<double> radians = app::ReadAngle(r.text, r.kind);
        ASSERT_EQ(radians.has_value(), r.degrees.has_value()) << r.text;
        if (radians) {
            EXPECT_NEAR(*radians, Rad(*r.degrees), 1e-12) << r.text;
        }
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
                       std::pair<const char*, const char*> limits = {"", ""}, const char* k0 = "1") {
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
              "BE BD72|BE BD72|-125.8|International 1924|International 1924|6378388|2|51°10'0.002''");
    Show(SecProjection, "BE UTM");
    EXPECT_EQ(editor.Txt_P[11], "31");  // zone numbers on type 1
}

TEST_F(EditorTest, ButtonsFollowLockAndReferences) {
    const struct { int section; const char* name; bool apply, remove; } rows[] = {
        {SecProjection, "BE LB72", false, false}, {SecProjection, "FR LB93", true, true},
        {SecDatum, "FR NTF", true, false}, {SecDatum, "DE ETRS89", false, true},
        {SecEllipsoid, "GRS 80", true, false}, {SecEllipsoid, "WGS 84", false, false}};
    for (const auto& r : rows) {
        Show(r.section, r.name);
        const std::array<std::pair<bool, bool>, 3> state = {{{editor.Com_appl_E.enabled, editor.Com_sup_E.enabled},
                                                             {editor.Com_appl_D.enabled, editor.Com_sup_D.enabled},
                                                             {editor.Com_appl_P.enabled, editor.Com_sup_P.enabled}}};
        EXPECT_EQ(state[r.section], std::pair(r.apply, r.remove)) << r.name;
    }
}

// What a refused Add leaves: no row, and the message (none when the question is declined).
TEST_F(EditorTest, RefusedAddsChangeNothing) {
    const auto addE = [&](const char* a, const char* ec, const char* unf) {
        editor.Txt_E = {"", a, ec, unf, "Mon ellipsoïde"};
        editor.Com_aj_E_Click();
    };
    const auto addP = [&](const char* code, int type, std::array<const char*, 5> angles, const char* k0 = "1") {
        AddProjection(code, "FR NTF", type, angles, {"", ""}, k0);
    };
    const struct { const char* table; std::function<void()> act; const char* message; } rows[] = {
        {"Datums", [&] { AddDatum("BE", "ED50"); }, "Le nom du datum existe déjà !"},
        {"Datums", [&] { AddDatum("BE", ""); }, "Le champ « Code » doit être rempli."},
        {"Datums", [&] { messages.answer = false; AddDatum("XX", "Y"); }, ""},
        {"Datums", [&] { AddDatum("XX", "Y", "12a"); }, "Le champ « dX (m) » doit contenir un nombre"},
        {"Projections", [&] { editor.Com_eff_Click(SecProjection); editor.Txt_P[1] = "BE"; editor.Txt_P[2] = "LB72"; editor.Com_aj_P_Click(); }, "Le nom de la projection existe déjà !"},
        {"Projections", [&] { addP("T3", 3, {"3°", "", "", "", ""}); }, "Le champ « Lt0 : latitude d'origine (d°m's'') » doit être rempli."},
        {"Projections", [&] { addP("T2", 2, {"3.5", "49°", "48°", "50°", ""}); }, "Le champ « Lg0 : méridien central (d°m's'') » doit contenir un angle"},
        {"Projections", [&] { addP("T2", 2, {"3°", "95°", "48°", "50°", ""}); }, "Le champ « Lt0"},
        {"Projections", [&] { addP("K0", 1, {"", "", "", "", ""}, "0"); }, "Le champ « k0 : facteur d'échelle » doit être supérieur à 0."},
        {"Ellipsoides", [&] { addE("0", "0.08", "298"); }, "Le champ « a : demi-grand axe (m) » doit être supérieur à 0."},
        {"Ellipsoides", [&] { addE("6378137", "1", "298"); }, "Le champ « e : première excentricité »"},
        {"Ellipsoides", [&] { addE("6378137", "0.08", "0"); }, "Le champ « 1/f"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(&r - rows);
        messages.shown.clear();
        messages.answer = true;
        const long before = Rows(r.table);
        const auto items = MainItems(0);
        r.act();
        EXPECT_EQ(Rows(r.table), before);
        EXPECT_EQ(MainItems(0), items);
        EXPECT_EQ(LastCritical().substr(0, std::string(r.message).size()), r.message);
        EXPECT_EQ(LastCritical().empty(), std::string(r.message).empty());
    }
}

TEST_F(EditorTest, TypeOneLimitsAreZonesStrictlyInside0And61) {
    const struct { int type; const char* west; const char* east; double storedWest, storedEast; } rows[] = {
        {1, "31", "32", 31, 32}, {1, "0", "61", 0, 0}, {2, "-2°", "8°", Rad(-2), Rad(8)}};
    for (const auto& r : rows) {
        const std::string code = "LIM" + std::string(r.west);
        AddProjection(code, "FR NTF", r.type, {"3°", "49°", "48°15'", "49°45'", ""}, {r.west, r.east});
        EXPECT_NEAR(Column("Projections", "FR " + code, "limitew").Double(), r.storedWest, 1e-15) << code;
        EXPECT_NEAR(Column("Projections", "FR " + code, "limitee").Double(), r.storedEast, 1e-15) << code;
    }
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

    Show(SecDatum, "DE ETRS89");
    editor.Com_sup_D_Click();
    EXPECT_EQ(Column("Datums", "DE ETRS89", "Nom"), store::Value());
    EXPECT_EQ(editor.Combo[SecDatum].Find("DE ETRS89"), -1);
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
INSTANTIATE_TEST_SUITE_P(Editor, StoreFaults, ::testing::Values(
    // A file the engine may read but not write (its header asks for a newer writer).
    StoreFaultCase{"read_only", [](const std::string& path) {
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(18);
        f.put(char(3));
        return nullptr; }, "lecture seule"},
    StoreFaultCase{"missing", [](const std::string& path) { std::filesystem::remove(path); return nullptr; }, "introuvable"},
    StoreFaultCase{"locked_by_another_writer", [](const std::string& path) {
        store::Database other = store::OpenDatabase(path);
        return std::make_unique<store::Transaction>(other); }, "verrouillé"}),
    testsupport::RowName());

TEST_F(EditorTest, TheMainWindowRereadsItsRowsOnceTheEditorCloses) {
    host.editor = [&] { AddProjection("MENU", "FR NTF", 1, {"", "", "", "", ""}, {"31", "31"}); };
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
    EXPECT_EQ(editor.Txt_P[6], "358°0'0.000''");
    editor.Com_appl_P_Click();  // what is shown saves back the same meridian
    EXPECT_NEAR(Column("Projections", "FR TMW", "Lg0").Double(), Rad(-2), 1e-15);
}

}  // namespace
