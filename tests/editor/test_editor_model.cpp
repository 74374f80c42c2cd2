// The parameter editor's model on a private copy of the default database,
// with the main window's model beside it, as a user drives them.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/editor/EditorModel.h"
#include "app/editor/FieldText.h"
#include "core/Constants.h"
#include "core/NumberText.h"
#include "core/Params.h"
#include "core/Projection.h"
#include "store/ParamDb.h"
#include "tests/Support.h"
#include "tests/ui/ModelFixture.h"

namespace {

using app::Ctl;
using app::SecDatum;
using app::SecEllipsoid;
using app::SecProjection;

double Rad(double degrees) { return degrees / 180 * core::Pi; }

// --- Reading what is typed

struct NumberCase {
    const char* text;
    std::optional<double> value;
};
class ReadNumberTable : public ::testing::TestWithParam<NumberCase> {};
TEST_P(ReadNumberTable, ReadsWholeNumbersOnly) { EXPECT_EQ(app::ReadNumber(GetParam().text), GetParam().value); }
INSTANTIATE_TEST_SUITE_P(Editor, ReadNumberTable, ::testing::Values(
    NumberCase{"0,5", 0.5}, NumberCase{"0.5", 0.5}, NumberCase{" -150 000,25 ", -150000.25}, NumberCase{"", 0.0},
    NumberCase{"1e3", 1000.0}, NumberCase{"12a", std::nullopt}, NumberCase{"1,2,3", std::nullopt},
    NumberCase{"-", std::nullopt}, NumberCase{"&H10", std::nullopt}, NumberCase{"1e999", std::nullopt}));

struct AngleCase {
    const char* text;
    app::AngleKind kind;
    std::optional<double> degrees;
};
class ReadAngleTable : public ::testing::TestWithParam<AngleCase> {};
TEST_P(ReadAngleTable, ReadsDmsIntoTheFormulasRange) {
    const AngleCase& c = GetParam();
    const std::optional<double> radians = app::ReadAngle(c.text, c.kind);
    ASSERT_EQ(radians.has_value(), c.degrees.has_value());
    if (radians) {
        EXPECT_NEAR(*radians, Rad(*c.degrees), 1e-12);
    }
}
using K = app::AngleKind;
INSTANTIATE_TEST_SUITE_P(Editor, ReadAngleTable, ::testing::Values(
    AngleCase{"50°30'15.5''", K::Latitude, 50 + 30 / 60.0 + 15.5 / 3600}, AngleCase{"50°30'15,5''", K::Latitude, 50 + 30 / 60.0 + 15.5 / 3600},
    AngleCase{"30''", K::Rotation, 30 / 3600.0}, AngleCase{"", K::Longitude, 0.0}, AngleCase{"0°", K::Longitude, 0.0},
    AngleCase{"-3°", K::Longitude, -3.0}, AngleCase{"357°", K::Longitude, -3.0}, AngleCase{"-30°", K::Latitude, -30.0},
    AngleCase{"-1°", K::Rotation, 359.0}, AngleCase{"100°", K::Latitude, std::nullopt},
    AngleCase{"50.5", K::Longitude, std::nullopt}, AngleCase{"400°", K::Longitude, std::nullopt},
    AngleCase{"30'50°", K::Longitude, std::nullopt}));

// --- The editor beside the main window

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
    const std::vector<std::string>& MainItems(int k) { return main.At(Ctl::Combo_projec, k).items; }
    bool InMain(const std::string& item) {
        const auto& items = MainItems(0);
        return MainItems(1) == items && std::find(items.begin(), items.end(), item) != items.end();
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
    // A new projection of `type` on `datum`; angles as typed.
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
    // travena-cli started afresh on the same file: a point of FR NTF in UTM.
    std::string Cli() {
        const std::string input = copy.File("point.txt");
        std::ofstream(input) << "3 50\n";
        const std::string command = std::string(TRAVENA_CLI) + " convert --from 'FR Geographic NTF' --to 'WGS84 UTM'" +
                                    " --params '" + copy.Path() + "' < '" + input + "'";
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) return {};
        char line[256] = {};
        const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
        ::pclose(pipe);
        return read ? line : "";
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
    EXPECT_EQ(editor.Combo_D.Text(), "BE BD72");
    EXPECT_EQ(editor.Combo[SecDatum].Text(), "BE BD72");
    EXPECT_EQ(editor.Txt_D[3], "-125.8");
    EXPECT_EQ(editor.Combo_E.Text(), "International 1924");
    EXPECT_EQ(editor.Combo[SecEllipsoid].Text(), "International 1924");
    EXPECT_EQ(editor.Txt_E[1], "6378388");
    EXPECT_EQ(app::TypeCode(editor.Combo_type.Text()), 2);
    EXPECT_EQ(editor.Txt_P[8].rfind("51°10'", 0), 0u) << editor.Txt_P[8];
    Show(SecProjection, "BE UTM");
    EXPECT_EQ(editor.Txt_P[11], "31");  // zone numbers on type 1
}

struct ButtonCase {
    int section;
    const char* name;
    bool apply, remove;
};
class ButtonsFollowLockAndReferences : public EditorTest, public ::testing::WithParamInterface<ButtonCase> {};
TEST_P(ButtonsFollowLockAndReferences, WhenARowIsShown) {
    Show(GetParam().section, GetParam().name);
    const std::array<std::pair<bool, bool>, 3> state = {{{editor.Com_appl_E.enabled, editor.Com_sup_E.enabled},
                                                         {editor.Com_appl_D.enabled, editor.Com_sup_D.enabled},
                                                         {editor.Com_appl_P.enabled, editor.Com_sup_P.enabled}}};
    EXPECT_EQ(state[GetParam().section], std::pair(GetParam().apply, GetParam().remove));
}
INSTANTIATE_TEST_SUITE_P(Editor, ButtonsFollowLockAndReferences, ::testing::Values(
    ButtonCase{SecProjection, "BE LB72", false, false}, ButtonCase{SecProjection, "FR LB93", true, true},
    ButtonCase{SecDatum, "FR NTF", true, false}, ButtonCase{SecDatum, "DE ETRS89", false, true},
    ButtonCase{SecEllipsoid, "GRS 80", true, false}, ButtonCase{SecEllipsoid, "WGS 84", false, false}));

// What a refused Add leaves: no row, and the message (none when empty).
struct RefusalCase {
    const char* name;
    std::function<void(EditorTest&, app::EditorModel&)> act;
    const char* table;
    const char* message;
};
class AddRefusals : public EditorTest, public ::testing::WithParamInterface<RefusalCase> {};
TEST_P(AddRefusals, ChangeNothing) {
    const long before = Rows(GetParam().table);
    const auto items = MainItems(0);
    GetParam().act(*this, editor);
    EXPECT_EQ(Rows(GetParam().table), before);
    EXPECT_EQ(MainItems(0), items);
    EXPECT_EQ(LastCritical().substr(0, std::string(GetParam().message).size()), GetParam().message);
    EXPECT_EQ(LastCritical().empty(), std::string(GetParam().message).empty());
}
void SetE(app::EditorModel& e, const char* a, const char* ec, const char* unf) {
    e.Txt_E = {"", a, ec, unf, "Mon ellipsoïde"};
    e.Com_aj_E_Click();
}
INSTANTIATE_TEST_SUITE_P(Editor, AddRefusals, ::testing::Values(
    RefusalCase{"datum_name_taken", [](auto& t, auto&) { t.AddDatum("BE", "ED50"); }, "Datums", "Le nom du datum existe déjà !"},
    RefusalCase{"datum_without_code", [](auto& t, auto&) { t.AddDatum("BE", ""); }, "Datums", ""},
    RefusalCase{"answer_no", [](auto& t, auto&) { uitest::RecordingMessages& m = t.messages; m.answer = false; t.AddDatum("XX", "Y"); }, "Datums", ""},
    RefusalCase{"shift_not_a_number", [](auto& t, auto&) { t.AddDatum("XX", "Y", "12a"); }, "Datums", "Le champ « dX (m) » doit contenir un nombre"},
    RefusalCase{"projection_name_before_fields", [](auto&, auto& e) { e.Com_eff_Click(SecProjection); e.Txt_P[1] = "BE"; e.Txt_P[2] = "LB72"; e.Com_aj_P_Click(); }, "Projections", "Le nom de la projection existe déjà !"},
    RefusalCase{"type3_without_Lt0", [](auto& t, auto&) { t.AddProjection("T3", "FR NTF", 3, {"3°", "", "", "", ""}); }, "Projections", ""},
    RefusalCase{"angle_without_marks", [](auto& t, auto&) { t.AddProjection("T2", "FR NTF", 2, {"3.5", "49°", "48°", "50°", ""}); }, "Projections", "Le champ « Lg0 : méridien central (d°m's'') » doit contenir un angle"},
    RefusalCase{"latitude_beyond_90", [](auto& t, auto&) { t.AddProjection("T2", "FR NTF", 2, {"3°", "95°", "48°", "50°", ""}); }, "Projections", "Le champ « Lt0"},
    RefusalCase{"k0_zero", [](auto& t, auto&) { t.AddProjection("K0", "FR NTF", 1, {"", "", "", "", ""}, {"", ""}, "0"); }, "Projections", "Le champ « k0 : facteur d'échelle » doit être supérieur à 0."},
    RefusalCase{"a_zero", [](auto&, auto& e) { SetE(e, "0", "0.08", "298"); }, "Ellipsoides", "Le champ « a : demi-grand axe (m) » doit être supérieur à 0."},
    RefusalCase{"eccentricity_one", [](auto&, auto& e) { SetE(e, "6378137", "1", "298"); }, "Ellipsoides", "Le champ « e : première excentricité »"},
    RefusalCase{"inverse_flattening_negative", [](auto&, auto& e) { SetE(e, "6378137", "0.08", "-298"); }, "Ellipsoides", "Le champ « 1/f"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorTest, AddingADatumStoresCommaNumbersAndExtendsEveryList) {
    AddDatum("FR", "L'X", "0,5");  // an apostrophe in the name
    EXPECT_EQ(Column("Datums", "FR L'X", "dX").Double(), 0.5);
    EXPECT_EQ(Column("Datums", "FR L'X", "lock").Text(), "N");
    EXPECT_EQ(editor.Combo[SecDatum].Text(), "FR L'X");
    EXPECT_EQ(editor.Combo[SecDatum].items, editor.Combo_D.items);
    EXPECT_EQ(editor.Txt_D[3], "0.5");
    EXPECT_TRUE(InMain("FR Geographic L'X"));
    EXPECT_EQ(main.At(Ctl::Combo_projec, 0).listIndex, 0);
    EXPECT_TRUE(editor.Com_sup_D.enabled);
}

struct LimitCase {
    int type;
    const char* west;
    const char* east;
    double storedWest, storedEast;
};
class TypeOneLimits : public EditorTest, public ::testing::WithParamInterface<LimitCase> {};
TEST_P(TypeOneLimits, AreZonesStrictlyInside0And61) {
    const LimitCase& c = GetParam();
    AddProjection("LIM", "FR NTF", c.type, {"3°", "49°", "48°15'", "49°45'", ""}, {c.west, c.east});
    EXPECT_NEAR(Column("Projections", "FR LIM", "limitew").Double(), c.storedWest, 1e-15);
    EXPECT_NEAR(Column("Projections", "FR LIM", "limitee").Double(), c.storedEast, 1e-15);
}
INSTANTIATE_TEST_SUITE_P(Editor, TypeOneLimits, ::testing::Values(
    LimitCase{1, "31", "32", 31, 32}, LimitCase{1, "0", "61", 0, 0}, LimitCase{2, "-2°", "8°", Rad(-2), Rad(8)}));

TEST_F(EditorTest, RenamingADatumCarriesItsProjectionsAndTheMainLists) {
    AddProjection("NTF2", "FR NTF", 5);
    const auto others = Column("Projections", "FR LB93", "Datum");
    Show(SecDatum, "FR NTF");
    const int at = editor.Combo[SecDatum].listIndex;
    editor.Txt_D[2] = "NTFB";
    editor.Com_appl_D_Click();
    for (const char* p : {"FR LB2E", "FR NTF2"}) EXPECT_EQ(Column("Projections", p, "Datum").Text(), "FR NTFB");
    EXPECT_EQ(Column("Projections", "FR LB93", "Datum"), others);
    EXPECT_EQ(editor.Combo[SecDatum].items[at], "FR NTFB");
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
    EXPECT_EQ(editor.Combo[SecEllipsoid].items, editor.Combo_E.items);
    EXPECT_EQ(editor.Combo_E.Text(), "Clarke 1880 (IGN)");
}

TEST_F(EditorTest, ApplyingWithoutRenameChangesOnlyTheRowAndTheNextCalc) {
    main.SelectListItem(0, 0);
    for (int i = 0; i < static_cast<int>(MainItems(0).size()); ++i)
        if (MainItems(0)[i] == "FR LB2E") main.SelectListItem(0, i);
    auto calc = [&] {
        main.Text(Ctl::TxtE, 8) = "150000";
        main.Text(Ctl::TxtN, 8) = "170000";
        main.Com_calculer_Click(8);
        return main.Text(Ctl::TxtLgDeg, 4);
    };
    const std::string before = calc();
    const std::string cliBefore = Cli();
    const float ntfBefore = core::LoadDatum("FR NTF").dX;
    const auto items = MainItems(0);
    Show(SecDatum, "FR NTF");
    editor.Txt_D[3] = "-68";  // 100 m east of the shipped shift
    editor.Com_appl_D_Click();
    EXPECT_EQ(Column("Projections", "FR LB2E", "Datum").Text(), "FR NTF");
    EXPECT_EQ(MainItems(0), items);
    EXPECT_EQ(core::LoadDatum("FR NTF").dX, ntfBefore + 100);
    EXPECT_NE(calc(), before);
    EXPECT_NE(Cli(), cliBefore);
}

TEST_F(EditorTest, DeletingKeepsThePairedListsAlignedAndShowsTheFirstRow) {
    Show(SecDatum, "DE ETRS89");
    editor.Com_sup_D_Click();
    EXPECT_EQ(Column("Datums", "DE ETRS89", "Nom"), store::Value());
    EXPECT_EQ(editor.Combo[SecDatum].Find("DE ETRS89"), -1);
    EXPECT_EQ(editor.Combo[SecDatum].items, editor.Combo_D.items);
    EXPECT_EQ(editor.CurrentName[SecDatum], editor.Combo[SecDatum].items.front());
    Show(SecProjection, "CH LV03");
    editor.Com_sup_P_Click();
    EXPECT_FALSE(InMain("CH LV03"));
    EXPECT_EQ(editor.Combo[SecProjection].Find("CH LV03"), -1);
    AddDatum("XX", "GONE");
    editor.Com_sup_D_Click();
    EXPECT_FALSE(InMain("XX Geographic GONE"));
    EXPECT_EQ(main.At(Ctl::Combo_projec, 1).listIndex, 0);
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
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorTest, TheMainWindowRereadsItsRowsOnceTheEditorCloses) {
    host.editor = [&] { AddProjection("MENU", "FR NTF", 1, {"", "", "", "", ""}, {"31", "31"}); };
    const long before = main.ProjectionList->RecordCount();
    main.mnu_modifier_Click();
    EXPECT_EQ(host.editorShown, 1);
    EXPECT_EQ(main.ProjectionList->RecordCount(), before + 1);  // its zone limits are checked by the next Calc
}

// The README's worked example: the French conic zone CC49 on RGF93.
TEST_F(EditorTest, ReadmeExampleAddsTheConicZoneCC49) {
    AddProjection("CC49", "FR RGF93", 2, {"3°", "49°", "48°15'", "49°45'", ""});
    EXPECT_TRUE(InMain("FR CC49"));
    for (int i = 0; i < static_cast<int>(MainItems(0).size()); ++i)
        if (MainItems(0)[i] == "FR CC49") main.SelectListItem(0, i);
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
    double lon = Rad(-2), x = 0, y = 0;
    std::int16_t zone = 0;
    core::ProjectForward(Rad(52), lon, x, y, "FR TMW", zone);
    EXPECT_NEAR(x, 1700000, 1e-6);  // on the central meridian
    Show(SecProjection, "FR TMW");
    EXPECT_EQ(editor.Txt_P[6], "358°0'0.000''");
    editor.Com_appl_P_Click();  // what is shown saves back the same meridian
    EXPECT_NEAR(Column("Projections", "FR TMW", "Lg0").Double(), Rad(-2), 1e-15);
}

}  // namespace
