#pragma once
// The main window without its widgets: every control's text, visibility and
// position, the two lists of further systems, the menus, the working values
// and the event handlers. The Qt window mirrors this state and forwards its
// events; the command line and the tests drive the same handlers directly.
//
// Handlers keep the window's names (control, underscore, event), and control
// arrays keep their indexes, so a row's cells are addressed as in the table
// description: TxtE(8) is the Lambert 72 X cell, Com_calculer(12) the Calc
// button of the second list row.
//
// The handlers are split over four files: MainModel.cpp (start-up, menus,
// lists, parameter sheets), InputFields.cpp (key press and lost focus of the
// cells), ConversionTable.cpp (Calc and the fill of the table) and
// RowClipboard.cpp (rows copied and pasted).

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/Datum.h"
#include "store/Engine.h"
#include "app/Messages.h"
#include "app/help/About.h"

namespace app {

// The control arrays and single controls of the window.
enum class Ctl : std::uint8_t {
    TxtLgDeg,
    TxtLtDeg,  // DMS longitude and latitude (E and N in a projected list row)
    TxtLgDec,
    TxtLtDec,  // decimal degrees
    TxtE,
    TxtN,          // radians, or E/X and N/Y, or a grid reference (TxtE only)
    TxtFus,        // UTM zone
    Com_calculer,  // "Calc" buttons
    Lb,            // row labels 0..10, "Fus :" labels 11..14
    Lbcol,         // column headers 0..5
    Lb0,           // "Autres projections :"
    Combo_projec,  // the two lists of further systems
    Com_anl,       // quit picture button
    Img_help,      // help picture
    LbMethode,     // lines under the table: 0 the method that computed it
    TxtH,          // the height line: HeightCell::Ellipsoidal and HeightCell::Ostend
    LbH,           // its labels: 0 the line's name, 1 and 2 the cells' names, 3 the model's note
    Com_hauteur,   // its "Calc" button: the other height at the table's point
};
inline constexpr int CtlCount = static_cast<int>(Ctl::Com_hauteur) + 1;

// The cells of the height line, by their TxtH index.
namespace height {
inline constexpr int Ellipsoidal = 0, Ostend = 1;
}

// Twips, 1/1440 inch.
struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};

struct Control {
    bool exists = false;  // arrays have gaps: TxtN(6) or TxtFus(8) do not exist
    std::string text;     // a cell's text, a label's or button's caption
    std::string toolTip;
    bool visible = true;
    Rect rect;
    // Lists only.
    std::vector<std::string> items;
    int listIndex = -1;
};

struct ControlRef {
    Ctl ctl;
    int index;
    friend bool operator==(const ControlRef&, const ControlRef&) = default;
};

struct MenuItem {
    std::string caption;
    bool checked = false;
    bool enabled = true;
};

// Which cells the fill writes for a list row; None when it writes nothing.
enum class RowKind : int { None = 0, Geographic = 1, Projected = 2, Utm = 3 };

inline constexpr int KeyEnter = 13;                   // KeyAscii of the Enter key
inline constexpr int KeyShift = 16, KeyControl = 17;  // KeyCode of the Shift and Ctrl keys themselves
// Shift states of a key-down event, as a bit mask.
inline constexpr int ShiftMask = 1, CtrlMask = 2, AltMask = 4;

// The rows of the table, by the index their Calc button and cells share.
namespace row {
inline constexpr int Wgs84 = 0, Ed50 = 1, Bd72 = 2, Luref = 3;  // geographic
inline constexpr int UtmWgs84 = 4, UtmEd50 = 5;
inline constexpr int MgrsWgs84 = 6, MgrsEd50 = 7;
inline constexpr int Lambert72 = 8, LuTm = 9, Ifbl = 10;
}  // namespace row
inline constexpr int FixedRowCount = 11;            // rows 0..10
inline constexpr int FirstListRow = FixedRowCount;  // rows 11 and 12 follow the two lists
inline constexpr int ListCount = 2;
inline constexpr int RowCount = FirstListRow + ListCount;
// A list row's DMS and decimal cells carry an index this much below the
// row's own (TxtLgDeg(4) belongs to row 11).
inline constexpr int ListDmsOffset = 7;
constexpr int ListOfRow(int r) { return r - FirstListRow; }
constexpr int RowOfList(int k) { return FirstListRow + k; }
constexpr int DmsIndexOfRow(int r) { return r >= FirstListRow ? r - ListDmsOffset : r; }
constexpr bool IsGeographicRow(int r) { return r <= row::Luref || r >= FirstListRow; }
inline constexpr const char* NoSystem = "-";

class MainModel {
public:
    MainModel(Messages& messages, MainHost& host);

    // Controls. A missing member of an array throws std::out_of_range.
    Control& At(Ctl ctl, int index);
    const Control& At(Ctl ctl, int index) const;
    std::string& Text(Ctl ctl, int index) { return At(ctl, index).text; }
    const std::string& Text(Ctl ctl, int index) const { return At(ctl, index).text; }
    bool Exists(Ctl ctl, int index) const;
    int Count(Ctl ctl) const { return static_cast<int>(controls_[static_cast<int>(ctl)].size()); }
    // The list's selected item, empty when none is selected.
    std::string ListText(int k) const;

    // The control the last handler moved the focus to, taken once.
    std::optional<ControlRef> TakeFocusRequest();
    // The row of a control (a cell, a Calc button, a list), -1 for none.
    int RowOf(Ctl ctl, int index) const;
    bool WaitCursor() const { return waitCursor_; }

    // Start-up: opens the parameter database at store::ParamDbPath() and
    // fills the lists. Engine errors propagate: without parameters the
    // window cannot work.
    void Form_Load();

    // Menus and buttons.
    void mnu_ouvrir_Click();
    void mnu_modifier_Click();
    void mnu_apropos_Click();
    void mnu_quitter_Click();
    void Com_anl_Click();
    void mnu_calc1_Click();
    void mnu_calc2_Click();
    void mnu_calc3_Click();
    void mnu_calc4_Click();
    // The menu's check marks, the method line and the table follow `method`
    // (a choice of any window: the batch window shares the method).
    void SetMethod(std::int16_t method);
    void Img_help_Click();
    // "Édition": the row of the focus (CurrentRow), or the whole table, to the
    // clipboard as tab-separated text; a line from the clipboard into the row.
    void mnu_copier_Click();
    void mnu_copiertout_Click();
    void mnu_coller_Click();
    // A text pasted into a row (RowClipboard.cpp). False, changing nothing,
    // when it holds a single field: the cell then takes it as any paste.
    // A text that cannot be split into the row's cells is refused, said.
    bool PasteIntoRow(int row, const std::string& text);

    // Lists. SelectListItem is what setting the selection does: it runs the
    // click handler, which rearranges the list row's cells. A new system
    // empties the row (its numbers belonged to the old one) and refills it
    // for the point the table shows, if it still shows one.
    void SelectListItem(int k, int listIndex);
    void Combo_projec_Click(int Index);
    // Shows the list's parameter sheet when KeyCode is KeyShift or KeyControl
    // and that key alone is held.
    void Combo_projec_KeyDown(int Index, int KeyCode, int Shift);
    // Parameter sheet of a fixed row (Index 0..10).
    void Lb_Click(int Index);

    // Cells (InputFields.cpp). KeyAscii is set to 0 when the key is consumed.
    void KeyPress(Ctl ctl, int Index, int& KeyAscii);
    void LostFocus(Ctl ctl, int Index);
    // A control got the focus: its row is the one "Édition" works on.
    void GotFocus(Ctl ctl, int Index);
    void TxtLgDeg_LostFocus(int Index);
    void TxtLtDeg_LostFocus(int Index);
    void TxtLgDec_LostFocus(int Index);
    void TxtLtDec_LostFocus(int Index);
    void TxtE_LostFocus(int Index);
    void TxtN_LostFocus(int Index);
    void TxtFus_LostFocus(int Index);
    // The height line (HeightLine.cpp). The height typed last is the input:
    // leaving a height cell with a new text empties the other, which the
    // next Calc fills. A Calc of any row, or the line's own Calc at the
    // point row 0 shows, converts it through the quasi-geoid at the point's
    // position; outside the model the other cell stays empty and a message
    // says why. With both cells empty nothing changes.
    void TxtH_LostFocus(int Index);
    void Com_hauteur_Click();

    // Conversion (ConversionTable.cpp). A Calc whose input cannot be read,
    // decoded or converted changes no cell: it says why and sets
    // LastCalcRefused. Projected input is unprojected and projected back: a
    // point that does not come back to the typed coordinates lies outside the
    // projection and is refused. A row the fill cannot compute is emptied,
    // and one message names the first such row and its cause.
    void Com_calculer_Click(int Index);
    void calcul(int Index);
    void AutresProjections(int& Index);
    RowKind Calcul_AutresProjections(int Index);

    // Menu bar, in the window's order.
    MenuItem mnu_fichier{"Fichier"}, mnu_ouvrir{"Ouvrir ..."}, mnu_quitter{"Quitter"};
    MenuItem mnu_edition{"Édition"}, mnu_copier{"Copier la ligne"}, mnu_copiertout{"Copier le tableau"},
        mnu_coller{"Coller dans la ligne"};
    MenuItem mnu_calcul{"Calculs"}, mnu_calc1{"geographic/geocentric conversions"},
        mnu_calc2{"geographic conversion Molodenski"}, mnu_calc3{"Helmert tranformation (7 parameters)"},
        mnu_calc4{"Grille IGN (NTv2, Belgique)"};  // enabled where the grid's file is found
    MenuItem mnu_projections{"Projections"}, mnu_modifier{"Modifier ..."};
    MenuItem mnu_help{"?"}, mnu_apropos{"A propos"};
    std::string Caption = std::string("Travena ") + Version() + " - Transformation de coordonnées";
    Rect FormRect;  // client area, twips

    // Datum transformation method of every conversion: 1 to 4.
    std::int16_t TransformMethod = 1;
    // What the datum legs of the point the table shows went through: under
    // method 4, whether it fell outside the IGN grid (said under the table).
    core::DatumLegs Legs;

    // Working values, kept between calculations.
    double PivotLon = 0, PivotLat = 0;  // WGS 84, radians
    double WorkLon = 0, WorkLat = 0;    // another datum, radians
    double WorkE = 0, WorkN = 0;        // metres
    std::int16_t WorkZone = 0;
    std::string MgrsText, IfblText;
    bool EnterPressed = false;
    bool LastCalcRefused = false;
    int CurrentRow = -1;  // the row of the last control that had the focus

    std::optional<store::Database> ParamDb;
    std::optional<store::Recordset> ProjectionList, DatumList, TypeList;

private:
    friend class CursorGuard;
    // What the last accepted Calc wrote: its row, its method and every cell
    // as the fill left it. A cell still holding its text is the fill's.
    struct FilledTable {
        int row = 0;
        std::int16_t method = 0;
        std::vector<std::pair<ControlRef, std::string>> cells;
    };
    void ShowMethod();
    void RecordFill(int Index);
    bool StillShows(const std::vector<ControlRef>& cells) const;
    void BuildControls();
    void SetWaitCursor(bool wait);
    void RequestFocus(Ctl ctl, int index);
    void MoveFocusOnEnter(Ctl ctl, int index);
    void ShowSheet(const std::string& title, const std::function<std::string()>& build);
    // Input fields helpers.
    void Leave(Ctl ctl, int Index);
    bool ListShowsProjection(int k) const;
    // Rewrites the three forms of a coordinate from `source`; throws Refused.
    void NormaliseAngle(Ctl dms, Ctl dec, Ctl rad, Ctl source, int Index);
    void AngleLostFocus(Ctl dms, Ctl dec, Ctl rad, Ctl source, int Index);
    void LongitudeLostFocus(Ctl source, int Index);
    void LatitudeLostFocus(Ctl source, int Index);
    // Conversion helpers.
    void ReadPivotRow();
    void ReadFixedRow(int Index, std::vector<std::pair<ControlRef, std::string>>& writes);
    void ReadUtmCells(int row);
    void DecodeMgrs(int from, int utmRow, std::vector<std::pair<ControlRef, std::string>>& writes);
    void ToPivot(const std::string& datum);
    void CheckPivot() const;
    void WriteRadians(int row, double lon, double lat);
    void ProjectGeographicRow(int from, const std::string& projection, std::int16_t& zone, int to);
    void WriteListRow(int r, RowKind kind);
    void ClearRow(int r);
    std::string RowName(int r) const;
    bool OutsideZoneLimits(const std::string& name, std::int16_t zone);
    // ProjectInverse of what row `r` holds, refused (in the row's units) for a
    // point outside the projection.
    void Unproject(int r, const std::string& projection, double east, double north, std::int16_t zone, double& lat,
                   double& lon);
    std::string CellName(Ctl ctl, int index) const;
    void RefillListRow(int r);
    // Height line helpers. The typed height, refused when it cannot be read.
    struct HeightInput {
        int cell;
        double value;
    };
    std::optional<HeightInput> ReadHeightLine() const;
    // The other cell from `input` at the pivot; emptied, and said, outside
    // the model.
    void FillHeightLine(const std::optional<HeightInput>& input);
    // The cell the last fill wrote is emptied: it no longer matches the table.
    void ClearFilledHeight();
    std::string HeightName(int cell) const;

    Messages& messages_;
    MainHost& host_;
    std::array<std::vector<Control>, CtlCount> controls_;
    std::optional<ControlRef> focusRequest_;
    bool waitCursor_ = false;
    std::optional<FilledTable> filled_;
    std::optional<ControlRef> currentCell_;   // the text cell of the last focus
    std::optional<int> heightInput_;          // the height cell typed last
    std::array<std::string, 2> heightShown_;  // the height cells as last written or left
};

// Sets the wait cursor and restores the normal one on every way out.
class CursorGuard {
public:
    explicit CursorGuard(MainModel& model) : model_(model) { model_.SetWaitCursor(true); }
    ~CursorGuard() { model_.SetWaitCursor(false); }
    CursorGuard(const CursorGuard&) = delete;
    CursorGuard& operator=(const CursorGuard&) = delete;

private:
    MainModel& model_;
};

// Datum name of a geographic list item: "FR Geographic RGF93" -> "FR RGF93".
std::string DatumOfItem(const std::string& item);
bool IsGeographicItem(const std::string& item);
bool IsUtmItem(const std::string& item);

}  // namespace app
