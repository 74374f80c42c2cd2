#include "app/batch/OuvrirModel.h"

#include <exception>
#include <filesystem>

#include "store/ParamDb.h"
#include "app/Methods.h"
#include "app/batch/InputFormat.h"
#include "app/batch/SystemChoice.h"
#include "base/Text.h"
#include "app/batch/Plausibility.h"
#include "app/batch/SystemList.h"
#include "app/batch/TextImport.h"
#include "app/help/Module_aide.h"
#include "core/QuasiGeoid.h"

namespace batch {

namespace {

// The wait cursor from the start of a run to its message.
class WaitCursor {
public:
    explicit WaitCursor(BatchHost& host) : host_(host) { host_.SetWaitCursor(true); }
    ~WaitCursor() { Release(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    void Release() {
        if (held_) host_.SetWaitCursor(false);
        held_ = false;
    }

private:
    BatchHost& host_;
    bool held_ = true;
};

}  // namespace

std::string DoneMessage(const BatchChoices& c, long records) {
    return std::string(DoneText) + "\r" + std::to_string(records) + " enregistrement(s) écrit(s) dans " + c.outputPath +
           ".\r" + app::MethodLine(c.method) + ".";
}

OuvrirModel::OuvrirModel(app::Messages& messages, BatchHost& host) : messages_(messages), host_(host) {}

OuvrirModel::~OuvrirModel() { LeaveSource(); }

void OuvrirModel::LeaveSource() {
    Data.reset();
    if (IsTextPath(Lb_open)) RemoveTemporaryScratch(Lb_open);
}

void OuvrirModel::Form_Load() {
    std::vector<std::string> items;
    {
        store::Database params = store::OpenDatabase(store::ParamDbPath());
        items = SystemItems(params);
    }
    Combo_in.items = {"Choisir une projection"};
    Combo_out.items = Combo_in.items;
    Combo_out2.items = {"Choisir une projection (facultatif)"};
    for (ListControl* list : {&Combo_in, &Combo_out, &Combo_out2}) {
        list->items.insert(list->items.end(), items.begin(), items.end());
        list->index = 0;
    }
    Combo_method = {};
    methods_.clear();
    for (const app::MethodText& m : app::MethodTexts) {
        if (!app::MethodOffered(m)) continue;
        if (m.method == TransformMethod) Combo_method.index = int(methods_.size());
        methods_.push_back(m.method);
        // Beside its label « méthode : », the line without its own.
        Combo_method.items.push_back(std::string(m.name) + " (" + m.accuracy + " en Belgique)");
    }
    Combo_in_Click();
}

void OuvrirModel::Combo_method_Click() {
    if (Combo_method.index >= 0 && Combo_method.index < int(methods_.size()))
        TransformMethod = methods_[std::size_t(Combo_method.index)];
}

void OuvrirModel::SelectIn(int index) {
    Combo_in.index = index;
    Combo_in_Click();
}

void OuvrirModel::Combo_in_Click() {
    // Fields chosen for another system would be read in the wrong units.
    if (Combo_in.index != mappedIn_) ClearMapping();
    mappedIn_ = Combo_in.index;
    Frame_ech_visible = Frame_geo_visible = false;
    if (Combo_in.index <= 0) {
        Com_X_visible = Com_Y_visible = Com_fus_visible = false;
        Lb_X_visible = Lb_Y_visible = Lb_fus_visible = false;
        Com_Z_visible = false;
        return;
    }
    Com_Z_visible = true;
    const std::string item = Combo_in.Text();
    // The fields the run will read for the system's kind, and no others.
    const SystemChoice in = MakeSystemChoice(item);
    Com_X_visible = Lb_X_visible = true;
    Com_Y_visible = Lb_Y_visible = NeedsY(in);
    Com_fus_visible = Lb_fus_visible = NeedsZone(in);
    Frame_geo_visible = in.kind == SystemKind::Geographic;
    Frame_ech_visible = in.kind == SystemKind::Projected || in.kind == SystemKind::Utm;
}

void OuvrirModel::ClearLists() {
    List_tb = {};
    List_ch = {};
    shownTable_.clear();
    ClearMapping();
}

void OuvrirModel::ClearMapping() { Lb_X.clear(), Lb_Y.clear(), Lb_fus.clear(), Lb_Z.clear(); }

// Cancelling the dialog or any failure to read the chosen source leaves the
// window as it was: the shown source, its tables and the mapping always agree.
void OuvrirModel::Com_open_Click() {
    const std::optional<std::string> chosen = host_.OpenDialog(OpenFilter);
    if (!chosen || chosen->empty()) return;
    const std::string& path = *chosen;
    // What the command line would say of this file, said here too.
    const auto refuse = [&](const std::string& text) { messages_.Critical(app::AppTitle, text); };
    if (const auto refusal = InputRefusal(path)) return refuse(*refusal);
    Source source;
    std::string shown = path;
    if (const auto driver = FileDriver(path)) {
        source = {driver->empty() ? "" : *driver + ";", path};
    } else if (IsDbasePath(path)) {
        // A dBase source is the folder: every file in it is a table.
        shown = path.substr(0, path.find_last_of('/') + 1);
        source = {"dBase 5.0;", shown};
    } else if (IsTextPath(path)) {
        source = {"", ScratchDatabasePath(path)};
    } else {
        return refuse("Le format du fichier « " + path + " » n'est pas pris en charge.");
    }

    const bool text = IsTextPath(path);
    std::vector<std::string> tables;
    std::optional<store::Database> data;
    if (text) {
        Com_ap_enabled = false;
        // The import replaces the scratch database this connection may hold.
        LeaveSource();
        Lb_open = shown;
        bool opened = false;
        if (host_.ShowTextImport(path)) {
            try {
                data = OpenSource(source);
                opened = true;
            } catch (const base::RuntimeError&) {}
        }
        if (!opened) {
            Lb_open.clear();
            DataSource = {};
            ClearLists();
            return;
        }
    } else {
        try {
            data = OpenSource(source);
        } catch (const base::RuntimeError& e) {
            return refuse(std::to_string(e.number) + " " + e.what());
        }
    }
    try {
        const store::TableDefs defs = data->TableDefs();
        for (int i = 0, n = defs.Count(); i < n; ++i) tables.push_back(defs.Item(i).Name);
    } catch (const base::RuntimeError& e) {
        if (!text) return refuse(std::to_string(e.number) + " " + e.what());
    }
    if (!text) LeaveSource();
    Com_ap_enabled = false;
    Lb_open = shown;
    DataSource = source;
    Data = std::move(data);
    ClearLists();
    List_tb.items = std::move(tables);
    List_tb_enabled = List_ch_enabled = true;
}

void OuvrirModel::SelectTable(int index) {
    List_tb.index = index;
    List_tb_Click();
}

void OuvrirModel::List_tb_Click() {
    // The same table clicked again keeps its mapping; another one's fields differ.
    if (List_tb.Text() != shownTable_) ClearMapping();
    shownTable_ = List_tb.Text();
    List_ch = {};
    if (List_tb.index < 0 || !Data) return;
    try {
        for (const auto& f : Data->TableDefs().Item(List_tb.Text()).Fields) List_ch.items.push_back(f.Name);
        Com_ap_enabled = true;
    } catch (const base::RuntimeError& e) {
        Com_ap_enabled = false;
        messages_.Critical(app::AppTitle, std::to_string(e.number) + " " + e.what());
    }
}

void OuvrirModel::Com_X_Click() {
    if (List_ch.index >= 0) Lb_X = List_ch.Text();
}
void OuvrirModel::Com_Y_Click() {
    if (List_ch.index >= 0) Lb_Y = List_ch.Text();
}
void OuvrirModel::Com_fus_Click() {
    if (List_ch.index >= 0) Lb_fus = List_ch.Text();
}

void OuvrirModel::Com_Z_Click() {
    if (List_ch.index < 0) return;
    Lb_Z = Lb_Z == List_ch.Text() ? std::string() : List_ch.Text();
}

void OuvrirModel::Com_save_Click() {
    const std::optional<std::string> chosen = host_.SaveDialog(SaveFilter);
    if (!chosen || chosen->empty()) return;
    std::error_code ec;
    const bool exists = std::filesystem::symlink_status(*chosen, ec).type() != std::filesystem::file_type::not_found;
    // Replaced only on Yes, and then by a complete file (the run builds it
    // apart): a failed run leaves the old one.
    if (exists &&
        !messages_.Question(app::AppTitle, "Le fichier « " + *chosen + " » existe déjà.\rVoulez-vous le remplacer ?"))
        return;
    const bool newCsv = base::PathEnding(*chosen) == "csv" && base::PathEnding(Lb_save) != "csv";
    Lb_save = *chosen;
    ReplaceOutput = exists;
    // The text options show for every output the run writes as text.
    Frame_txt_visible = IsTextPath(Lb_save);
    // A .csv is opened by a double click in Excel, which reads it well only
    // in the Excel form: proposed, and left to the user to uncheck.
    if (newCsv) Check_excel_Click(true);
}

void OuvrirModel::Opt_Click(int Index) {
    if (Index >= 0 && Index < GeoOptionCount) GeoInputFormat = GeoOptions[Index].format;
}

int OuvrirModel::OptIndex() const {
    for (int i = 0; i < GeoOptionCount; ++i)
        if (GeoOptions[i].format == GeoInputFormat) return i;
    return 0;
}
void OuvrirModel::Opt_ch_Click(int Index) {
    if (Opt_ch_enabled) OutputDelimiter = std::int16_t(Index);
}

void OuvrirModel::Check_excel_Click(bool on) {
    Check_excel = on;
    Opt_ch_enabled = !on;
    if (on) OutputDelimiter = std::int16_t(batch::OutputDelimiter::Semicolon);
}

void OuvrirModel::Com_ap_Click() {
    if (Com_ap_enabled && List_tb.index >= 0) host_.ShowPreview(DataSource, List_tb.Text());
}

void OuvrirModel::Img_help_Click() { app::ShowBatchHelp(messages_); }
void OuvrirModel::Com_anl_Click() { host_.CloseWindow(); }

BatchChoices OuvrirModel::Choices() const {
    BatchChoices c;
    c.inIndex = Combo_in.index;
    c.inSystem = Combo_in.Text();
    c.outIndex = Combo_out.index;
    c.outSystem = Combo_out.Text();
    c.out2Index = Combo_out2.index;
    if (c.out2Index > 0) c.out2System = Combo_out2.Text();
    c.inputPath = Lb_open;
    c.table = List_tb.Text();
    c.xField = Lb_X;
    c.yField = Lb_Y;
    c.zoneField = Lb_fus;
    c.zField = Lb_Z;
    c.heightIn = Combo_hin.index == 1 ? core::OstendHeight : core::EllipsoidalHeight;
    c.heightOut = Combo_hout.index == 1 ? core::OstendHeight : core::EllipsoidalHeight;
    c.outputPath = Lb_save;
    c.scale = Txt_echelle;
    c.geoFormat = GeoInputFormat;
    c.quote = Check_txt;
    c.delimiter = static_cast<batch::OutputDelimiter>(OutputDelimiter);
    c.method = TransformMethod;
    c.keepGoing = Check_suite;
    c.methodColumn = Check_methode;
    c.overwrite = ReplaceOutput;
    c.excelText = Check_excel;
    c.precision = Combo_prec.index == 1 ? OutputPrecision::Millimetre : OutputPrecision::Full;
    return c;
}

void OuvrirModel::Com_stop_Click() {
    if (running_) stop_ = true;
}

void OuvrirModel::Progress(const BatchProgress& p) {
    if (stop_) throw BatchCancelled{};
    if (p.total <= 0) return;
    const int width = int(static_cast<long long>(p.done) * ShapeWidth / p.total);
    if (width == Lb_compteur_width) return;
    Lb_compteur_width = width;
    host_.Progress(width);
}

void OuvrirModel::Com_calc_Click() {
    if (running_) return;
    const BatchChoices c = Choices();
    std::optional<std::string> refusal = CheckChoices(c);
    // Without a table there is no field to map: that comes first.
    if ((c.inputPath.empty() || c.table.empty()) && (!refusal || c.xField.empty()))
        refusal = "Choisissez une table à convertir (ouvrir).";
    if (refusal) {
        messages_.Critical(app::AppTitle, *refusal);
        return;
    }
    {
        WaitCursor look(host_);
        const std::optional<std::string> warning = PlausibilityWarning(c);
        look.Release();
        if (warning && !messages_.Question(app::AppTitle, *warning)) return;
    }
    running_ = true;
    stop_ = false;
    WaitCursor wait(host_);
    Lb_compteur_width = 0;
    host_.Progress(0);
    std::optional<std::string> failure;
    std::string notices;
    long converted = 0;
    try {
        const BatchReport report = RunBatch(c, [this](const BatchProgress& p) { Progress(p); });
        converted = report.converted;
        for (const auto& notice : report.notices) notices += "\r" + notice;
        if (report.failed > 0) {
            failure = report.Summary();
            for (const auto& f : report.firstFailures)
                *failure += "\rEnregistrement " + std::to_string(f.record) + " : " + f.reason;
        }
    } catch (const BatchCancelled&) {
        running_ = false;
        wait.Release();
        messages_.Info(app::AppTitle, c.overwrite ? "Conversion annulée : le fichier existant est conservé."
                                                  : "Conversion annulée : aucun fichier n'a été écrit.");
        return;
    } catch (const BatchFailure& e) {
        failure = e.Message();
    } catch (const std::exception& e) {
        failure = BatchFailure(base::err::Engine, e.what(), 0).Message();
    }
    running_ = false;
    wait.Release();
    if (failure) messages_.Critical(app::AppTitle, *failure + notices);
    else messages_.Info(app::AppTitle, DoneMessage(c, converted) + notices);
}

}  // namespace batch
