#pragma once
// The batch window without its widgets: what each control holds and shows,
// and the event handlers, which move texts between the controls and the
// batch logic (system list, text import, run). The Qt window mirrors this
// state and forwards its events; the tests drive the handlers directly.
//
// Controls keep the window's names: Combo_in, List_tb, Lb_X, Com_calc, ...
// A handler named control_event does what a click on that control does.

#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "store/Engine.h"
#include "app/Messages.h"
#include "core/AngleText.h"
#include "app/batch/BatchRun.h"
#include "app/batch/CoordinateText.h"
#include "app/batch/TableFeed.h"

namespace batch {

// Filters of the open and save dialogs, as "caption|pattern|caption|pattern".
// Every readable kind first, so a workbook shows without choosing its filter.
inline constexpr const char* OpenFilter =
    "(toutes les tables lues)|*.mdb *.xls *.xlsx *.ods *.gpkg *.dbf *.txt *.csv|"
    "(*.mdb Access 97)|*.mdb|(*.xls Exel 97)|*.xls|(*.xlsx Excel)|*.xlsx|(*.ods OpenDocument)|*.ods|"
    "(*.gpkg GeoPackage)|*.gpkg|(*.dbf dBase 5.0)|*.dbf|(*.txt *.csv fichier texte délimité)|*.txt *.csv";
// The ".mdb" output is an SQLite database, as ".sqlite" is: Access cannot open it.
inline constexpr const char* SaveFilter =
    "(*.mdb base SQLite)|*.mdb|(*.sqlite base SQLite)|*.sqlite|(*.gpkg GeoPackage, points en WGS 84)|*.gpkg|"
    "(*.xlsx classeur Excel)|*.xlsx|(*.txt fichier texte délimité)|*.txt|"
    "(*.csv texte ; cochez « pour Excel » pour l'ouvrir dans Excel)|*.csv";
inline constexpr const char* ExcelTextCaption =
    "pour Excel (Belgique, France) : point-virgule, virgule décimale, UTF-8";

// The geographic input forms, in the order of the option buttons `Opt`.
struct GeoOption {
    const char* caption;
    std::int16_t format;  // GeoInputFormat
};
inline constexpr GeoOption GeoOptions[] = {{"DD°MM'SS.SS''", core::angle::FromText},
                                           {"DD.MMSS", GeoPackedDms},
                                           {"degrés décimaux (DD.dddddd)", core::angle::FromDegrees},
                                           {"radians", core::angle::FromRadians}};
inline constexpr int GeoOptionCount = int(std::size(GeoOptions));

// The kinds of height, 'h' then 'H' (core/QuasiGeoid.h).
inline constexpr const char* HeightKindItems[] = {"h ellipsoïdale (ETRS89)", "H Ostende (DNG, hBG18)"};

inline constexpr const char* BatchCaption = "Ouvrir une table de données";
inline constexpr const char* DoneText = "Conversion terminée avec succès.";
// "Conversion terminée avec succès." with the count of records written, the
// output path and the datum transformation method.
std::string DoneMessage(const BatchChoices& c, long records);
// Width of the progress frame `Shape`, in twips; `Lb_compteur` grows over it.
inline constexpr int ShapeWidth = 7095;

// The batch window's frame and its companion windows, as the model sees them.
class BatchHost {
public:
    virtual ~BatchHost() = default;
    virtual void SetWaitCursor(bool wait) = 0;
    // The chosen path; nothing when the user cancels.
    virtual std::optional<std::string> OpenDialog(const std::string& filter) = 0;
    virtual std::optional<std::string> SaveDialog(const std::string& filter) = 0;
    // The text-import window for the file `Lb_open` names, shown modally;
    // true when it imported the file.
    virtual bool ShowTextImport(const std::string& path) = 0;
    virtual void ShowPreview(const Source& source, const std::string& table) = 0;
    // `Lb_compteur` has a new width (twips) during a run: draw it now.
    virtual void Progress(int width) = 0;
    virtual void CloseWindow() = 0;
};

// A list or drop-down list: its items and the selected index (-1: none).
struct ListControl {
    std::vector<std::string> items;
    int index = -1;
    std::string Text() const { return index >= 0 && index < int(items.size()) ? items[std::size_t(index)] : ""; }
};

class OuvrirModel {
public:
    OuvrirModel(app::Messages& messages, BatchHost& host);
    // Removes the scratch database of a text source made in the temporary folder.
    ~OuvrirModel();
    OuvrirModel(const OuvrirModel&) = delete;
    OuvrirModel& operator=(const OuvrirModel&) = delete;

    // Fills the three system lists from the parameter database at
    // store::ParamDbPath() and selects their placeholders. Engine errors
    // propagate: without parameters the window cannot work.
    void Form_Load();

    // Setting a list's selection runs its click handler, as on screen.
    void SelectIn(int index);
    void Combo_in_Click();
    void SelectTable(int index);
    void List_tb_Click();

    void Com_open_Click();
    void Com_save_Click();
    void Com_X_Click();
    void Com_Y_Click();
    void Com_fus_Click();
    // The optional height field: the selected field, or, clicked on the field
    // already chosen, none.
    void Com_Z_Click();
    // Index into GeoOptions.
    void Opt_Click(int Index);
    // The method chosen in Combo_method becomes TransformMethod.
    void Combo_method_Click();
    void Opt_ch_Click(int Index);
    // Text for Excel: forces the semicolon and locks the delimiter choice.
    void Check_excel_Click(bool on);
    void Com_ap_Click();
    void Com_calc_Click();
    // « Annuler » while a run goes: it stops at the next block of records.
    void Com_stop_Click();
    void Img_help_Click();
    void Com_anl_Click();

    // The choices "Convertir" hands to the run.
    BatchChoices Choices() const;

    // Controls.
    ListControl Combo_in, Combo_out, Combo_out2, List_tb, List_ch;
    std::string Lb_open, Lb_X, Lb_Y, Lb_fus, Lb_Z, Lb_save;
    // The kinds of the height read from Lb_Z and of the one written, by
    // HeightKindItems; shown while a height field is chosen.
    ListControl Combo_hin{{HeightKindItems[0], HeightKindItems[1]}, 0};
    ListControl Combo_hout{{HeightKindItems[0], HeightKindItems[1]}, 1};
    bool Frame_z_visible() const { return !Lb_Z.empty(); }
    std::string Txt_echelle = "1";
    bool Check_txt = true;
    bool Check_excel = false;
    bool Opt_ch_enabled = true;
    // The datum transformation, « Helmert 7 paramètres (± 0,2 m en
    // Belgique) » for each method offered, selected at TransformMethod.
    ListControl Combo_method;
    // How finely results are written, an OutputPrecision.
    ListControl Combo_prec{{"tous les chiffres calculés", "0,001 m / 0,000001°"}, 0};
    // Convert every record, writing those that fail with their cause.
    bool Check_suite = false;
    // Add the column « Méthode »: the method that gave each record.
    bool Check_methode = false;
    // The user said Yes to replacing the existing Lb_save.
    bool ReplaceOutput = false;
    bool Com_X_visible = false, Com_Y_visible = false, Com_fus_visible = false;
    bool Lb_X_visible = false, Lb_Y_visible = false, Lb_fus_visible = false;
    bool Com_Z_visible = false;
    bool Frame_geo_visible = false, Frame_ech_visible = false, Frame_txt_visible = false;
    bool List_tb_enabled = false, List_ch_enabled = false, Com_ap_enabled = false;
    int Lb_compteur_width = 0;  // twips

    // Window settings: the format of the selected `Opt` (GeoOptions), and
    // the selected `Opt_ch`.
    std::int16_t GeoInputFormat = 1;
    std::int16_t OutputDelimiter = 1;
    // The datum transformation method, shared with the main window: taken
    // from it when the window opens, handed back when it closes.
    std::int16_t TransformMethod = 1;
    // The index of GeoInputFormat in GeoOptions.
    int OptIndex() const;

    // The browsing connection to the opened source (`Data`).
    Source DataSource;
    std::optional<store::Database> Data;

    bool Running() const { return running_; }

private:
    void ClearLists();
    // The source is left: its scratch database goes when it is a temporary one.
    void LeaveSource();
    // Field names belong to one table of one source read as one system.
    void ClearMapping();
    void Progress(const BatchProgress& p);

    app::Messages& messages_;
    BatchHost& host_;
    bool running_ = false;
    bool stop_ = false;
    int mappedIn_ = 0;                   // Combo_in's index the mapping was made for
    std::string shownTable_;             // the table List_ch lists
    std::vector<std::int16_t> methods_;  // Combo_method's methods
};

}  // namespace batch
