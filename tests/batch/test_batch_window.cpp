// The batch window's model, its text-import window's and the preview's
// reading, without a display: dialogs and companion windows are answered by
// a scripted host, message boxes are recorded.

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <filesystem>
#include <fstream>

#include "store/Engine.h"
#include "tests/Support.h"
#include "app/batch/OuvrirModel.h"
#include "app/batch/OuvrirTexteModel.h"
#include "app/batch/TableFeed.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ParamDbCopy;

const std::string Data = TRAVENA_TEST_DATA;

using Recorded = testsupport::RecordingMessages;

// The text-import window as a user drives it: pick the options, then apply or cancel.
struct ImportScript {
    int option = 0;
    std::string other;
    bool apply = true;
};

class ScriptedHost : public batch::BatchHost, public batch::TextImportHost {
public:
    explicit ScriptedHost(app::Messages& messages) : messages_(messages) {}
    void SetWaitCursor(bool wait) override { waiting = wait; }
    std::optional<std::string> OpenDialog(const std::string&) override { return Next(); }
    std::optional<std::string> SaveDialog(const std::string&) override { return Next(); }
    bool ShowTextImport(const std::string& path) override {
        batch::OuvrirTexteModel window(messages_, *this, path);
        window.Form_Load();
        proposed = {window.Opt, window.Check_ligne, window.Apercu};
        if (import.option >= 0) {  // else the proposed options
            window.Opt_Click(import.option);
            window.Txt_lim = import.other;
            window.Txt_lim_Change();
        }
        import.apply ? window.Com_appl_Click() : window.Com_anl_Click();
        return window.Applied;
    }
    void ShowPreview(const batch::Source&, const std::string&) override {}
    void Progress(int width) override {
        widths.push_back(width);
        if (onProgress) onProgress();
    }
    std::function<void()> onProgress;  // what the user does while the bar moves
    void Activity(int) override {}
    void CloseWindow() override { ++closed; }

    std::deque<std::optional<std::string>> answers;  // dialog answers in order
    ImportScript import;
    // What the last text-import window proposed when it opened.
    struct Proposal {
        int option = 0;
        bool header = false;
        batch::TextPreview preview;
    } proposed;
    bool waiting = false;
    std::vector<int> widths;
    int closed = 0;

private:
    std::optional<std::string> Next() {
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    app::Messages& messages_;
};

class BatchWindow : public ::testing::Test {
protected:
    void SetUp() override { model.Form_Load(); }

    std::string Copy(const std::string& fixture, const std::string& name) {
        const std::string path = params_.File(name);
        fs::copy_file(Data + "/" + fixture, path);
        return path;
    }
    void Open(const std::optional<std::string>& path) {
        host.answers.push_back(path);
        model.Com_open_Click();
    }
    void Select(batch::ListControl& list, const std::string& item) {
        const auto at = std::find(list.items.begin(), list.items.end(), item);
        ASSERT_NE(at, list.items.end()) << item;
        list.index = int(at - list.items.begin());
    }
    void SelectTable(const std::string& name) {
        Select(model.List_tb, name);
        model.List_tb_Click();
    }
    void Map(const std::string& field, void (batch::OuvrirModel::*button)()) {
        Select(model.List_ch, field);
        (model.*button)();
    }
    // The one message box shown, as "kind text"; "none" when none was.
    std::string Box() const {
        EXPECT_LE(messages.shown.size(), 1u);
        return messages.shown.empty() ? "none" : messages.shown[0].kind + " " + messages.shown[0].text;
    }

    ParamDbCopy params_;
    Recorded messages;
    ScriptedHost host{messages};
    batch::OuvrirModel model{messages, host};
};

// --- Controls the input system shows

// The names of the visible field and format controls.
std::string Shown(const batch::OuvrirModel& m) {
    std::string names;
    for (const auto& [name, visible] :
         std::initializer_list<std::pair<const char*, bool>>{{"Com_X", m.Com_X_visible},
                                                             {"Lb_X", m.Lb_X_visible},
                                                             {"Com_Y", m.Com_Y_visible},
                                                             {"Lb_Y", m.Lb_Y_visible},
                                                             {"Com_fus", m.Com_fus_visible},
                                                             {"Lb_fus", m.Lb_fus_visible},
                                                             {"Frame_geo", m.Frame_geo_visible},
                                                             {"Frame_ech", m.Frame_ech_visible}})
        if (visible) names += std::string(name) + " ";
    return names;
}

TEST_F(BatchWindow, EachInputSystemShowsItsFieldAndFormatControls) {
    const std::pair<const char*, const char*> shows[] = {
        {"", ""},
        {"BE LB72", "Com_X Lb_X Com_Y Lb_Y Frame_ech "},
        {"LU TM", "Com_X Lb_X Com_Y Lb_Y Frame_ech "},
        {"WGS84 UTM", "Com_X Lb_X Com_Y Lb_Y Com_fus Lb_fus Frame_ech "},
        {"BE Geographic ED50", "Com_X Lb_X Com_Y Lb_Y Frame_geo "},
        {"W MGRS", "Com_X Lb_X "},
        {"BE IFBL", "Com_X Lb_X "}};
    for (const auto& [item, controls] : shows) {
        if (*item) Select(model.Combo_in, item);
        else model.Combo_in.index = 0;
        model.Combo_in_Click();
        EXPECT_EQ(Shown(model), controls) << item;
    }
}

// --- Opening sources

TEST_F(BatchWindow, EachFormatOpensAndACancelledOrUnreadableOneChangesNothing) {
    const struct {
        const char *fixture, *name, *table;
        std::size_t fields;
    } formats[] = {{"access/testV1997.mdb", "t.mdb", "Table1", 9},  {"coords.xlsx", "coords.xlsx", "Points$", 11},
                   {"coords.ods", "coords.ods", "Points$", 11},     {"coords.gpkg", "coords.gpkg", "Points", 13},
                   {"dbase/points.dbf", "points.dbf", "points", 5}, {"text/pts_crlf.txt", "pts.txt", "pts", 3},
                   {"coords.xls", "coords.xls", "Points$", 11}};
    for (const auto& f : formats) {
        SCOPED_TRACE(f.name);
        const std::string path = Copy(f.fixture, f.name);
        Open(path);
        SelectTable(f.table);
        EXPECT_EQ(model.List_ch.items.size(), f.fields);
        EXPECT_EQ(model.Lb_open, std::string(f.name).ends_with(".dbf") ? params_.File("") : path);
        EXPECT_TRUE(model.Com_ap_enabled);
    }
    // A field button without a selected field changes nothing.
    model.Lb_X = "lon";
    model.Com_X_Click();
    EXPECT_EQ(model.Lb_X, "lon");
    Map("x_lb72", &batch::OuvrirModel::Com_X_Click);
    Map("zone", &batch::OuvrirModel::Com_fus_Click);
    const auto tables = model.List_tb.items;

    Open(std::nullopt);
    const std::string broken = params_.File("broken.xls");
    std::ofstream(broken) << "not a workbook";
    Open(broken);
    Open(params_.File("missing.mdb"));
    EXPECT_EQ(model.Lb_open, params_.File("coords.xls"));
    EXPECT_EQ(model.List_tb.items, tables);
    EXPECT_EQ(model.List_tb.Text() + " " + model.Lb_X + " " + model.Lb_fus, "Points$ x_lb72 zone");
    // The damaged and the missing file say what the command line says.
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].kind + " " + messages.shown[0].text,
              "critical 3343 Format de base de données non reconnu : '" + broken + "'.");
    EXPECT_EQ(messages.shown[1].text.rfind("3024 ", 0), 0u) << messages.shown[1].text;
}

// --- Text import window

struct ImportCase {
    const char* name;
    const char* text;  // the file, or nullptr for a fixture with semicolons
    ImportScript script;
    bool applied;
    const char* box;  // its start
};

class TextImportWindow : public BatchWindow, public ::testing::WithParamInterface<ImportCase> {};

TEST_P(TextImportWindow, AppliesOrLeavesTheWindowWithoutSource) {
    const ImportCase& c = GetParam();
    Open(Copy("coords.xls", "coords.xls"));
    host.import = c.script;
    const std::string path = params_.File("pts.txt");
    if (c.text) std::ofstream(path, std::ios::binary) << c.text;
    else Copy("text/pts_semicolon_quoted.txt", "pts.txt");
    Open(path);
    if (c.applied) {
        EXPECT_EQ(model.Lb_open, path);
        EXPECT_EQ(model.DataSource.database, batch::ScratchDatabasePath(path));
        SelectTable("pts");
        EXPECT_EQ(model.List_ch.items, (std::vector<std::string>{"id", "name", "x", "y"}));
    } else {
        EXPECT_EQ(model.Lb_open, "");
        EXPECT_TRUE(model.List_tb.items.empty() && model.List_ch.items.empty());
    }
    EXPECT_EQ(Box().rfind(c.box, 0), 0u) << Box();
    EXPECT_FALSE(host.waiting);
}

INSTANTIATE_TEST_SUITE_P(
    Batch, TextImportWindow,
    ::testing::Values(ImportCase{"semicolons", nullptr, {2, "", true}, true, "none"},
                      ImportCase{"cancelled", nullptr, {2, "", false}, false, "none"},
                      ImportCase{"field_too_long",
                                 "id\r\nxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\r\n",
                                 {0, "", true},
                                 false,
                                 "critical Erreur dans la lecture du fichier texte. Vérifiez ce fichier\r"}),
    testsupport::RowName());

// A Belgian export as Excel saves it: semicolons, decimal commas, CRLF,
// Windows-1252, a blank line, two unnamed columns; opened by its .csv name.
TEST_F(BatchWindow, BelgianCsvEndToEnd) {
    const std::string path = params_.File("relev\xC3\xA9s.csv");
    std::ofstream(path, std::ios::binary)
        << "Nom;X;Y;;\r\nRh\xF4ne;150000,5;170000,25;;\r\n\r\n\"Li\xE8ge\";235000;148000;;\r\n";
    host.import = {-1, "", true};
    Open(path);
    EXPECT_EQ(host.proposed.option, 2);  // des points-virgules
    EXPECT_TRUE(host.proposed.header);
    EXPECT_EQ(host.proposed.preview.names, (std::vector<std::string>{"Nom", "X", "Y", "F4", "F5"}));
    ASSERT_EQ(host.proposed.preview.rows.size(), 2u);
    EXPECT_EQ(host.proposed.preview.rows[0][0], "Rh\xC3\xB4ne");
    SelectTable("relev\xC3\xA9s");
    EXPECT_EQ(model.List_ch.items.size(), 5u);
    Select(model.Combo_in, "BE LB72");
    model.Combo_in_Click();
    Select(model.Combo_out, "W Geographic WGS84");
    Map("X", &batch::OuvrirModel::Com_X_Click);
    Map("Y", &batch::OuvrirModel::Com_Y_Click);
    host.answers.push_back(params_.File("out.csv"));
    model.Com_save_Click();
    EXPECT_TRUE(model.Check_excel);  // proposed for a .csv
    model.Combo_prec.index = 1;
    model.Com_calc_Click();
    EXPECT_EQ(messages.shown.at(0).kind, "info") << messages.shown[0].text;
    const std::string out = testsupport::ReadFile(params_.File("out.csv"));
    EXPECT_EQ(out.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(out.find("\"Rh\xC3\xB4ne\";\"150000,5\";\"170000,25\";\" \";\" \";\"4,368761\""), std::string::npos)
        << out;

    // The same choices to a workbook.
    host.answers.push_back(params_.File("out.xlsx"));
    model.Com_save_Click();
    model.Com_calc_Click();
    EXPECT_TRUE(fs::exists(params_.File("out.xlsx")));
    EXPECT_EQ(messages.shown.back().kind, "info") << messages.shown.back().text;
}

// --- Convertir

class Convert : public BatchWindow {
protected:
    // Lambert 72 points of a text file, to UTM, written where `output` says.
    void Prepare(const std::string& fixture, const std::string& output) {
        host.import = {fixture.find("semicolon") != std::string::npos ? 2 : 0, "", true};
        Open(Copy("text/" + fixture, "pts.txt"));
        SelectTable("pts");
        Select(model.Combo_in, "BE LB72");
        model.Combo_in_Click();
        Select(model.Combo_out, "WGS84 UTM");
        Map("x", &batch::OuvrirModel::Com_X_Click);
        Map("y", &batch::OuvrirModel::Com_Y_Click);
        host.answers.push_back(params_.File(output));
        model.Com_save_Click();
    }
};

// A run ends in one box: the notice, or the failing record named; a failed
// run leaves no output, a kept-going one writes every record.
struct RunCase {
    const char* name;
    const char* fixture;
    const char* output;
    bool keepGoing;
    const char* box;  // its start
    bool written;
};

class Runs : public Convert, public ::testing::WithParamInterface<RunCase> {};

TEST_P(Runs, EndInOneBox) {
    const RunCase& c = GetParam();
    Prepare(c.fixture, c.output);
    EXPECT_EQ(model.Frame_txt_visible, std::string(c.output).ends_with(".txt"));
    model.Check_suite = c.keepGoing;
    model.Com_calc_Click();
    EXPECT_EQ(Box().rfind(c.box, 0), 0u) << Box();
    EXPECT_EQ(fs::exists(params_.File(c.output)), c.written);
    EXPECT_FALSE(host.waiting);
    EXPECT_FALSE(model.Running());
    if (c.written && !c.keepGoing) {
        ASSERT_FALSE(host.widths.empty());
        EXPECT_TRUE(std::is_sorted(host.widths.begin(), host.widths.end()));
        EXPECT_EQ(host.widths.back(), batch::ShapeWidth);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Batch, Runs,
    ::testing::Values(RunCase{"done", "pts_crlf.txt", "out.txt", false, "info Conversion terminée avec succès.", true},
                      RunCase{"failed", "pts_semicolon_quoted.txt", "out.mdb", false,
                              "critical Erreur lors de la conversion. Vérifiez vos données et les paramètres des "
                              "projections.\rEnregistrement 9 : ",
                              false},
                      RunCase{"kept_going", "pts_semicolon_quoted.txt", "out.txt", true,
                              "critical Conversion terminée : 19 enregistrement(s) converti(s), 1 en échec (colonne "
                              "« Erreur »).\rEnregistrement 9 : ",
                              true}),
    testsupport::RowName());

TEST_F(Convert, AnExistingOutputIsChosenOnlyOnYesAndThenReplaced) {
    Prepare("pts_crlf.txt", "first.txt");
    const std::string existing = params_.File("old.gpkg");
    std::ofstream(existing) << "previous";
    messages.answer = false;
    host.answers.push_back(existing);
    model.Com_save_Click();
    EXPECT_EQ(model.Lb_save, params_.File("first.txt"));
    EXPECT_EQ(Box(), "question Le fichier « " + existing + " » existe déjà.\rVoulez-vous le remplacer ?");
    messages.answer = true;
    host.answers.push_back(existing);
    model.Com_save_Click();
    EXPECT_TRUE(model.Choices().overwrite);
    model.Com_calc_Click();
    EXPECT_EQ(messages.shown.back().kind, "info") << messages.shown.back().text;
    EXPECT_NE(testsupport::ReadFile(existing), "previous");
    host.answers.push_back(params_.File("new.txt"));
    model.Com_save_Click();
    EXPECT_FALSE(model.Choices().overwrite);
}

TEST_F(Convert, AnnulerStopsTheRunAndWritesNothing) {
    Prepare("pts_crlf.txt", "out.txt");
    host.onProgress = [&] { model.Com_stop_Click(); };
    model.Com_calc_Click();
    EXPECT_EQ(Box(), "info Conversion annulée : aucun fichier n'a été écrit.");
    EXPECT_FALSE(fs::exists(params_.File("out.txt")));
    EXPECT_FALSE(model.Running());
    EXPECT_FALSE(host.waiting);
    host.onProgress = {};
    messages.shown.clear();
    model.Com_calc_Click();  // the next run is not stopped
    EXPECT_EQ(Box().rfind("info Conversion terminée avec succès.", 0), 0u) << Box();
}

TEST_F(Convert, WithoutATableNothingRuns) {
    Prepare("pts_crlf.txt", "out.txt");
    model.List_tb.index = -1;
    model.List_tb_Click();
    model.Com_calc_Click();
    EXPECT_EQ(Box(), "critical Choisissez une table à convertir (ouvrir).");
    EXPECT_FALSE(fs::exists(params_.File("out.txt")));
}

TEST_F(Convert, ExcelTextLocksTheSemicolonAndReachesTheRunWithThePrecision) {
    Prepare("pts_crlf.txt", "out.csv");
    model.Check_excel_Click(true);
    model.Opt_ch_Click(0);  // locked: stays a semicolon
    model.Combo_prec.index = 1;
    EXPECT_EQ(model.Choices().delimiter, batch::OutputDelimiter::Semicolon);
    EXPECT_EQ(model.Choices().precision, batch::OutputPrecision::Millimetre);
    model.Com_calc_Click();
    EXPECT_EQ(testsupport::ReadFile(params_.File("out.csv")).substr(0, 15), "\xEF\xBB\xBF\"id\";\"x\";\"y\"");
    model.Check_excel_Click(false);
    model.Opt_ch_Click(0);
    EXPECT_EQ(model.Choices().delimiter, batch::OutputDelimiter::Comma);
}

// --- Preview

TEST(Preview, Placement) {
    const batch::PreviewPlacement wide = batch::PlacePreview(1024 * 15, 768 * 15);
    EXPECT_FALSE(wide.maximised);
    EXPECT_EQ(std::vector<int>({wide.left, wide.top, wide.width}), std::vector<int>({1620, 1200, 12120}));
    EXPECT_TRUE(batch::PlacePreview(800 * 15, 600 * 15).maximised);
}

}  // namespace

// --- Choices that would convert the wrong points

namespace wrongresults {

class Mapping : public BatchWindow {
protected:
    // A semicolon text file of geographic points, imported and chosen as WGS 84 to Lambert 72.
    void OpenGeographic(const std::string& lines) {
        host.import = {2, "", true};
        const std::string path = params_.File("geo.txt");
        std::ofstream(path, std::ios::binary) << "id;lon;lat\r\n" << lines;
        Open(path);
        SelectTable("geo");
        Select(model.Combo_in, "W Geographic WGS84");
        model.Combo_in_Click();
        Select(model.Combo_out, "BE LB72");
        Map("lon", &batch::OuvrirModel::Com_X_Click);
        Map("lat", &batch::OuvrirModel::Com_Y_Click);
    }
    // The two computed fields of the last line of a run's text output.
    std::string RunAndReadBack(const std::string& output) {
        host.answers.push_back(params_.File(output));
        model.Com_save_Click();
        model.Com_calc_Click();
        const std::string text = testsupport::ReadFile(params_.File(output));
        const std::size_t y = text.find_last_of('\t');
        return text.substr(text.find_last_of('\t', y - 1) + 1);
    }
};

TEST_F(Mapping, PackedDegreesMinutesSecondsAreReadAsTheOptionSays) {
    ASSERT_EQ(std::string(batch::GeoOptions[1].caption), "DD.MMSS");
    ASSERT_EQ(std::string(batch::GeoOptions[2].caption), "degrés décimaux (DD.dddddd)");
    OpenGeographic("1;4.2100;50.5100\r\n");
    model.Opt_Click(1);
    EXPECT_EQ(model.GeoInputFormat, batch::GeoPackedDms);
    const std::string packed = RunAndReadBack("packed.txt");

    OpenGeographic("1;4.35;50.85\r\n");
    model.Opt_Click(2);
    EXPECT_EQ(model.OptIndex(), 2);
    EXPECT_EQ(model.GeoInputFormat, core::angle::FromDegrees);
    const std::string decimal = RunAndReadBack("decimal.txt");
    // 4°21' 50°51' is 4.35° 50.85°, not 4.21° 50.51° some 40 km away.
    EXPECT_EQ(packed, decimal);
    EXPECT_EQ(packed.rfind("\"148679.", 0), 0u) << packed;
}

// A height field and its kinds reach the run: the column the kinds name,
// the height cs2cs EPSG:4937 EPSG:5710 gives (57.151666 for h = 100 at
// 4.35° E 50.85° N, so h = 99.348334 for H = 56.5), none outside the model.
TEST_F(Mapping, AHeightFieldAddsTheConvertedHeight) {
    const struct {
        int in, out;
        const char *lon, *z, *column, *value;
    } cases[] = {{0, 1, "4.35", "100", "H_DNG", "57.15166"},
                 {1, 0, "4.35", "56.5", "h_ETRS89", "99.34833"},
                 {0, 1, "10.35", "100", "", "Enregistrement 1 : "}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.z);
        messages.shown.clear();
        host.import = {2, "", true};
        const std::string path = params_.File("z.txt");
        fs::remove(path);
        std::ofstream(path, std::ios::binary) << "id;lon;lat;z\r\n1;" << c.lon << ";50.85;" << c.z << "\r\n";
        Open(path);
        SelectTable("z");
        Select(model.Combo_in, "W Geographic WGS84");
        model.Combo_in_Click();
        EXPECT_TRUE(model.Com_Z_visible);
        Select(model.Combo_out, "BE LB72");
        model.Opt_Click(2);
        Map("lon", &batch::OuvrirModel::Com_X_Click);
        Map("lat", &batch::OuvrirModel::Com_Y_Click);
        Map("z", &batch::OuvrirModel::Com_Z_Click);
        EXPECT_TRUE(model.Frame_z_visible());
        model.Combo_hin.index = c.in;
        model.Combo_hout.index = c.out;
        const std::string output = params_.File("z_out.txt");
        fs::remove(output);
        host.answers.push_back(output);
        model.Com_save_Click();
        model.Com_calc_Click();
        if (!*c.column) {
            EXPECT_NE(Box().find(c.value), std::string::npos) << Box();
            EXPECT_NE(Box().find("hors du modèle hBG18"), std::string::npos) << Box();
            EXPECT_FALSE(fs::exists(output));
            continue;
        }
        EXPECT_EQ(Box().rfind("info", 0), 0u) << Box();
        const std::string text = testsupport::ReadFile(output);
        const std::string header = text.substr(0, text.find('\n'));
        EXPECT_EQ(header.substr(header.find_last_of('\t') + 1), std::string("\"") + c.column + "\"") << header;
        EXPECT_NE(text.find(std::string("\t\"") + c.value), std::string::npos) << text;
    }
    // The same field again: no height field.
    Map("z", &batch::OuvrirModel::Com_Z_Click);
    EXPECT_EQ(model.Lb_Z, "");
    EXPECT_FALSE(model.Frame_z_visible());
    EXPECT_EQ(model.Choices().zField, "");
}

TEST_F(Mapping, OneFieldForXAndYIsRefused) {
    OpenGeographic("1;4.35;50.85\r\n");
    Map("lon", &batch::OuvrirModel::Com_Y_Click);
    host.answers.push_back(params_.File("out.txt"));
    model.Com_save_Click();
    model.Com_calc_Click();
    EXPECT_EQ(Box(), "critical X et Y sont le même champ (« lon ») : indiquez deux champs différents.");
    EXPECT_FALSE(fs::exists(params_.File("out.txt")));
}

TEST_F(Mapping, AnotherTableFileOrInputSystemClearsTheFields) {
    const auto mapped = [&] { return model.Lb_X + "|" + model.Lb_Y; };
    OpenGeographic("1;4.35;50.85\r\n");
    SelectTable("geo");  // the same table again keeps them
    EXPECT_EQ(mapped(), "lon|lat");
    Select(model.Combo_in, "BE Geographic ED50");
    model.Combo_in_Click();
    EXPECT_EQ(mapped(), "|");

    OpenGeographic("1;4.35;50.85\r\n");
    Open(Copy("coords.xls", "coords.xls"));
    EXPECT_EQ(mapped(), "|");
    SelectTable("Points$");
    Map("x_lb72", &batch::OuvrirModel::Com_X_Click);
    SelectTable(model.List_tb.items.back() == "Points$" ? model.List_tb.items.front() : model.List_tb.items.back());
    EXPECT_EQ(mapped(), "|");
}

TEST_F(Mapping, TheMethodIsTheMainWindowsShownChangedAndNamed) {
    batch::OuvrirModel window{messages, host};
    window.TransformMethod = 3;
    window.Form_Load();
    ASSERT_EQ(window.Combo_method.items.size(), 4u);  // the IGN grid is beside the tests
    EXPECT_EQ(window.Combo_method.Text(), "Helmert 7 paramètres (± 0,2 m en Belgique)");
    window.Combo_method.index = 0;
    window.Combo_method_Click();
    EXPECT_EQ(window.TransformMethod, 1);
    EXPECT_EQ(window.Choices().method, 1);
    window.Combo_method.index = 3;
    window.Combo_method_Click();
    EXPECT_EQ(window.Choices().method, 4);
    EXPECT_FALSE(window.Choices().methodColumn);
    window.Check_methode = true;
    EXPECT_TRUE(window.Choices().methodColumn);

    OpenGeographic("1;4.35;50.85\r\n");
    model.Opt_Click(2);
    model.Combo_method.index = 2;
    model.Combo_method_Click();
    RunAndReadBack("out.txt");
    EXPECT_EQ(Box(), "info Conversion terminée avec succès.\r1 enregistrement(s) écrit(s) dans " +
                         params_.File("out.txt") + ".\rMéthode : Helmert 7 paramètres (± 0,2 m en Belgique).");
}

// Most first records wrong for the input system: a question before the run,
// which goes on only on Yes.
struct PlausibleCase {
    const char* name;
    const char* system;
    const char* lines;     // id;x;y
    const char* question;  // its start; "" for none
};

class Plausibility : public Mapping, public ::testing::WithParamInterface<PlausibleCase> {};

TEST_P(Plausibility, AsksBeforeRunningOnPointsThatLookWrong) {
    const PlausibleCase& c = GetParam();
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes);
        messages.shown.clear();
        messages.answer = yes;
        host.import = {2, "", true};
        const std::string path = params_.File("pts.txt");
        std::ofstream(path, std::ios::binary) << "id;x;y\r\n" << c.lines;
        Open(path);
        SelectTable("pts");
        Select(model.Combo_in, c.system);
        model.Combo_in_Click();
        Select(model.Combo_out, "WGS84 UTM");
        Map("x", &batch::OuvrirModel::Com_X_Click);
        Map("y", &batch::OuvrirModel::Com_Y_Click);
        const std::string out = params_.File(std::string("out_") + (yes ? "yes" : "no") + ".txt");
        host.answers.push_back(out);
        model.Com_save_Click();
        model.Com_calc_Click();
        ASSERT_FALSE(messages.shown.empty());
        if (!*c.question) {
            EXPECT_EQ(messages.shown[0].kind, "info");
            EXPECT_TRUE(fs::exists(out));
            return;
        }
        EXPECT_EQ(messages.shown[0].kind, "question");
        EXPECT_EQ(messages.shown[0].text.rfind(c.question, 0), 0u) << messages.shown[0].text;
        EXPECT_NE(messages.shown[0].text.find("Convertir quand même ?"), std::string::npos);
        EXPECT_EQ(fs::exists(out), yes);
        EXPECT_EQ(messages.shown.size(), yes ? 2u : 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Batch, Plausibility,
    ::testing::Values(
        PlausibleCase{"lambert_points", "BE LB72", "1;148679,4;171066,8\r\n2;150000;170000\r\n", ""},
        PlausibleCase{"degrees_as_lambert", "BE LB72", "1;4,35;50,85\r\n2;4,36;50,86\r\n3;150000;170000\r\n",
                      "2 des 3 premiers enregistrements ne ressemblent pas à des coordonnées « BE LB72 » (X = 4,35, "
                      "Y = 50,85) : ce sont sans doute des degrés, alors que ce système attend des mètres."},
        // LU TM states no limits: only the kind of number tells.
        PlausibleCase{"degrees_as_luxembourg_tm", "LU TM", "1;6,13;49,61\r\n",
                      "1 des 1 premiers enregistrements ne ressemblent pas à des coordonnées « LU TM »"},
        PlausibleCase{"beyond_the_limits", "BE LB72", "1;900000;170000\r\n2;900100;170100\r\n",
                      "2 des 2 premiers enregistrements ne ressemblent pas à des coordonnées « BE LB72 » (X = "
                      "900000, Y = 170000) : ils tombent hors des limites de ce système (longitudes de 2,5° à "
                      "6,5°)."}),
    testsupport::RowName());

}  // namespace wrongresults
