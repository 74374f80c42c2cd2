// Start-up, menus, the lists of further systems and the parameter sheets of
// the main window, and the layout of its controls in twips.

#include "app/main/MainModel.h"

#include <algorithm>
#include <stdexcept>

#include "base/Errors.h"
#include "store/ParamDb.h"
#include "app/Methods.h"
#include "app/help/Module_aide.h"
#include "app/main/ConversionTable.h"
#include "app/main/ParamSheet.h"

namespace app {

namespace {

// Layout, twips, for an 8-point font (the window widens it for a larger one).
// Widths hold the widest text of each column: a DMS angle of three-digit
// degrees, a metre value of eight digits, every default system name in the
// lists. Neighbouring cells overlap by one border.
constexpr int Border = 15;
constexpr int CellHeight = 285;
constexpr int FirstRowTop = 840, RowPitch = 360;
constexpr int LabelLeft = 120, LabelWidth = 2460;
constexpr int HeaderTop = 120, HeaderHeight = FirstRowTop - HeaderTop - 60;
constexpr int Lb0Top = 5040;
constexpr std::array<int, 2> ListRowTop = {5400, 5760};
constexpr int DmsWidth = 1500, DecimalWidth = 1335, RadianWidth = 2055;
constexpr int Col0 = LabelLeft + LabelWidth, Col1 = Col0 + DmsWidth - Border, Col2 = Col1 + DmsWidth - Border;
constexpr int Col3 = Col2 + DecimalWidth - Border, Col4 = Col3 + DecimalWidth - Border;
constexpr int Col5 = Col4 + RadianWidth - Border;
constexpr int WideWidth = Col2 - Col0 + Border;  // an MGRS or IFBL cell spans the two DMS columns
constexpr int FusLabelLeft = Col2 + 240, FusLabelWidth = 480, ZoneLeft = Col2 + 720, ZoneWidth = 615;
constexpr int CalcWidth = 615, CalcGeographic = Col5 + RadianWidth - Border, CalcUtm = Col3, CalcOther = Col2;
constexpr int FormWidth = CalcGeographic + CalcWidth + 240;
// The height line under the list rows: its name, then each cell after its
// name, the line's Calc under the others; the model's note below.
constexpr int HeightTop = 6240, HeightNoteTop = HeightTop + 330;
constexpr int HeightNameWidth = 2220, HeightCellWidth = DecimalWidth;
constexpr int HeightCell0 = Col0 + HeightNameWidth, HeightName1 = HeightCell0 + HeightCellWidth + 240;
constexpr int HeightCell1 = HeightName1 + HeightNameWidth;
constexpr int PictureSize = 495, PictureTop = HeightNoteTop + 390, Com_anlLeft = FormWidth - 735,
              Img_helpLeft = Com_anlLeft - 600;
// The lines under the table, left of the pictures: the method, then room for one more.
constexpr int MethodTop = PictureTop, MethodPitch = 300, MethodWidth = Img_helpLeft - 240 - LabelLeft;
constexpr int FormHeight = PictureTop + 720;

// The labels of fixed rows 4 and 5 are Lb(11) and Lb(12); those of the list rows follow.
constexpr int FusLabelOf(int r) { return r < FirstListRow ? r + FirstListRow - row::UtmWgs84 : r + ListCount; }

constexpr std::array<const char*, FixedRowCount> RowLabels = {"Geographic WGS 84",
                                                              "Geographic ED 50",
                                                              "Geographic LB 72",
                                                              "Geographic LUREF",
                                                              "UTM WGS 84",
                                                              "UTM UD 50 (BE)",
                                                              "MGRS WGS 84",
                                                              "MGRS UD 50 (BE)",
                                                              "Lambert 72 (LB 72)",
                                                              "LU TM",
                                                              "IFBL"};

constexpr std::array<const char*, 6> Headers = {"Longitude (dd°mm'ss.ss'') E - X - code (m)",
                                                "Latitude (dd°mm'ss.ss'') N - Y (m)",
                                                "Longitude (dd.xxxxx)",
                                                "Latitude (dd.xxxxx)",
                                                "Longitude (rad)",
                                                "Latitude (rad)"};

// What a fixed row's label opens: the datum alone (rows 0..3) or a projection
// with its datum, the datum shown under the row's own name.
struct SheetSource {
    const char* datum;
    const char* projection;
    const char* label;
};
constexpr std::array<SheetSource, FixedRowCount> Sheets = {{
    {"WGS84", "", ""},
    {"BE ED50", "", ""},
    {"BE BD72", "", ""},
    {"LU LUREF", "", ""},
    {"WGS84", "WGS84 UTM", "UTM - Transverse Mercator"},
    {"BE ED50", "BE UTM", "UTM - Transverse Mercator"},
    {"WGS84", "WGS84 UTM", "UTM - Transverse Mercator"},
    {"BE ED50", "BE UTM", "UTM - Transverse Mercator"},
    {"BE BD72", "BE LB72", "Lambert 72"},
    {"LU LUREF", "LU TM", "Gauss-Krüger"},
    {"BE BD72", "BE LB72", "Lambert 72"},
}};

const std::string GeographicWord = "Geographic";

// Visits every record, then stands on the first again (an empty set has none).
template <class Each>
void EachRecord(store::Recordset& rs, Each each) {
    if (rs.RecordCount() == 0) return;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) each(rs);
    rs.MoveFirst();
}

}  // namespace

bool IsGeographicItem(const std::string& item) { return item.find(GeographicWord) != std::string::npos; }

bool IsUtmItem(const std::string& item) { return item.size() >= 3 && item.compare(item.size() - 3, 3, "UTM") == 0; }

std::string DatumOfItem(const std::string& item) {
    const auto at = item.find(GeographicWord);
    if (at == std::string::npos) return item;
    std::string before = item.substr(0, at);
    if (!before.empty() && before.back() == ' ') before.pop_back();
    const std::size_t rest = at + GeographicWord.size() + 1;  // the word and its blank
    return before + " " + (rest < item.size() ? item.substr(rest) : std::string());
}

MainModel::MainModel(Messages& messages, MainHost& host) : messages_(messages), host_(host) {
    mnu_calc1.checked = true;
    mnu_calc4.enabled = MethodOffered(*FindMethod(core::method::IgnGrid));
    BuildControls();
}

void MainModel::BuildControls() {
    for (auto& array : controls_) array.clear();
    auto add = [this](Ctl ctl, int index, Rect rect, std::string text = {}) -> Control& {
        auto& array = controls_[static_cast<int>(ctl)];
        if (static_cast<int>(array.size()) <= index) array.resize(index + 1);
        Control& c = array[index];
        c.exists = true;
        c.rect = rect;
        c.text = std::move(text);
        return c;
    };
    auto calc = [&](int row, int left, int top) {
        add(Ctl::Com_calculer, row, {left, top, CalcWidth, CellHeight}, "Calc").toolTip = "Calculer";
    };
    auto geographic = [&](int dmsIndex, int radIndex, int top) {
        add(Ctl::TxtLgDeg, dmsIndex, {Col0, top, DmsWidth, CellHeight});
        add(Ctl::TxtLtDeg, dmsIndex, {Col1, top, DmsWidth, CellHeight});
        add(Ctl::TxtLgDec, dmsIndex, {Col2, top, DecimalWidth, CellHeight});
        add(Ctl::TxtLtDec, dmsIndex, {Col3, top, DecimalWidth, CellHeight});
        add(Ctl::TxtE, radIndex, {Col4, top, RadianWidth, CellHeight});
        add(Ctl::TxtN, radIndex, {Col5, top, RadianWidth, CellHeight});
    };
    auto zone = [&](int row, int top) {
        add(Ctl::Lb, FusLabelOf(row), {FusLabelLeft, top, FusLabelWidth, CellHeight}, "Fus :");
        add(Ctl::TxtFus, row, {ZoneLeft, top, ZoneWidth, CellHeight});
    };

    for (int c = 0; c < static_cast<int>(Headers.size()); ++c) {
        constexpr std::array<int, 6> lefts = {Col0, Col1, Col2, Col3, Col4, Col5};
        constexpr std::array<int, 6> widths = {DmsWidth,     DmsWidth,    DecimalWidth,
                                               DecimalWidth, RadianWidth, RadianWidth};
        const int width = widths[c];
        add(Ctl::Lbcol, c, {lefts[c], HeaderTop, width, HeaderHeight}, Headers[c]);
    }
    for (int r = 0; r < FixedRowCount; ++r) {
        const int top = FirstRowTop + r * RowPitch;
        add(Ctl::Lb, r, {LabelLeft, top, LabelWidth, CellHeight}, RowLabels[r]);
        switch (r) {
        case row::Wgs84:
        case row::Ed50:
        case row::Bd72:
        case row::Luref:
            geographic(r, r, top);
            calc(r, CalcGeographic, top);
            break;
        case row::UtmWgs84:
        case row::UtmEd50:
            add(Ctl::TxtE, r, {Col0, top, DmsWidth, CellHeight});
            add(Ctl::TxtN, r, {Col1, top, DmsWidth, CellHeight});
            zone(r, top);
            calc(r, CalcUtm, top);
            break;
        case row::MgrsWgs84:
        case row::MgrsEd50:
        case row::Ifbl:
            add(Ctl::TxtE, r, {Col0, top, WideWidth, CellHeight});
            calc(r, CalcOther, top);
            break;
        default:  // Lambert 72, LU TM
            add(Ctl::TxtE, r, {Col0, top, DmsWidth, CellHeight});
            add(Ctl::TxtN, r, {Col1, top, DmsWidth, CellHeight});
            calc(r, CalcOther, top);
            break;
        }
    }
    add(Ctl::Lb0, 0, {LabelLeft, Lb0Top, LabelWidth, CellHeight}, "Autres projections :");
    for (int k = 0; k < ListCount; ++k) {
        const int r = RowOfList(k), top = ListRowTop[k];
        add(Ctl::Combo_projec, k, {LabelLeft, top, LabelWidth, CellHeight});
        geographic(DmsIndexOfRow(r), r, top);
        zone(r, top);
        calc(r, CalcGeographic, top);
    }
    add(Ctl::LbH, 0, {LabelLeft, HeightTop, LabelWidth, CellHeight}, "Hauteurs (m) :");
    add(Ctl::LbH, 1, {Col0, HeightTop, HeightNameWidth, CellHeight}, "h ellipsoïdale (ETRS89)");
    add(Ctl::TxtH, height::Ellipsoidal, {HeightCell0, HeightTop, HeightCellWidth, CellHeight}).toolTip =
        "Hauteur sur l'ellipsoïde GRS80 (ETRS89), celle d'un récepteur GNSS";
    add(Ctl::LbH, 2, {HeightName1, HeightTop, HeightNameWidth, CellHeight}, "H Ostende (DNG, hBG18)");
    add(Ctl::TxtH, height::Ostend, {HeightCell1, HeightTop, HeightCellWidth, CellHeight}).toolTip =
        "Altitude au-dessus du niveau d'Ostende (DNG/TAW), celle des plans et du nivellement belges";
    add(Ctl::Com_hauteur, 0, {CalcGeographic, HeightTop, CalcWidth, CellHeight}, "Calc").toolTip =
        "Calculer l'autre hauteur au point du tableau";
    add(Ctl::LbH, 3, {Col0, HeightNoteTop, CalcGeographic + CalcWidth - Col0, CellHeight},
        "Quasi-géoïde hBG18 (± 2 cm), pour la Belgique à terre : hors de son étendue, pas de hauteur.");
    add(Ctl::Com_anl, 0, {Com_anlLeft, PictureTop, PictureSize, PictureSize}).toolTip = "Quitter";
    add(Ctl::Img_help, 0, {Img_helpLeft, PictureTop, PictureSize, PictureSize}).toolTip = "Aide";
    add(Ctl::LbMethode, 0, {LabelLeft, MethodTop, MethodWidth, CellHeight}, MethodLine(TransformMethod));
    add(Ctl::LbMethode, 1, {LabelLeft, MethodTop + MethodPitch, MethodWidth, CellHeight});
    static_assert(MethodTop + 2 * MethodPitch <= FormHeight, "room for a second line under the method");
    FormRect = {0, 0, FormWidth, FormHeight};
}

bool MainModel::Exists(Ctl ctl, int index) const {
    const auto& array = controls_[static_cast<int>(ctl)];
    return index >= 0 && index < static_cast<int>(array.size()) && array[index].exists;
}

Control& MainModel::At(Ctl ctl, int index) {
    return const_cast<Control&>(static_cast<const MainModel&>(*this).At(ctl, index));
}

const Control& MainModel::At(Ctl ctl, int index) const {
    if (!Exists(ctl, index))
        throw std::out_of_range("no control " + std::to_string(static_cast<int>(ctl)) + "(" + std::to_string(index) +
                                ")");
    return controls_[static_cast<int>(ctl)][index];
}

std::string MainModel::ListText(int k) const {
    const Control& c = At(Ctl::Combo_projec, k);
    if (c.listIndex < 0 || c.listIndex >= static_cast<int>(c.items.size())) return {};
    return c.items[c.listIndex];
}

std::optional<ControlRef> MainModel::TakeFocusRequest() {
    auto request = focusRequest_;
    focusRequest_.reset();
    return request;
}

void MainModel::RequestFocus(Ctl ctl, int index) { focusRequest_ = ControlRef{ctl, index}; }

int MainModel::RowOf(Ctl ctl, int index) const {
    if (!Exists(ctl, index)) return -1;
    switch (ctl) {
    case Ctl::TxtLgDeg:
    case Ctl::TxtLtDeg:
    case Ctl::TxtLgDec:
    case Ctl::TxtLtDec: return index > row::Luref ? index + ListDmsOffset : index;
    case Ctl::TxtE:
    case Ctl::TxtN:
    case Ctl::TxtFus:
    case Ctl::Com_calculer: return index;
    case Ctl::Combo_projec: return RowOfList(index);
    case Ctl::Lb: return index < FixedRowCount ? index : -1;
    default: return -1;
    }
}

void MainModel::GotFocus(Ctl ctl, int Index) {
    if (const int r = RowOf(ctl, Index); r >= 0) CurrentRow = r;
    currentCell_.reset();
    if (ctl <= Ctl::TxtFus) currentCell_ = ControlRef{ctl, Index};
}

void MainModel::SetWaitCursor(bool wait) {
    if (waitCursor_ == wait) return;
    waitCursor_ = wait;
    host_.SetWaitCursor(wait);
}

void MainModel::Form_Load() {
    ParamDb = store::OpenDatabase(store::ParamDbPath());
    ProjectionList = ParamDb->OpenRecordset(store::sql::UnlockedProjections);
    DatumList = ParamDb->OpenRecordset(store::sql::UnlockedDatums);
    TypeList = ParamDb->OpenRecordset(store::sql::AllTypes);
    TransformMethod = 1;
    mnu_calc1_Click();

    std::vector<std::string> items = {NoSystem};
    EachRecord(*ProjectionList, [&](store::Recordset& rs) { items.push_back(rs.Field("nom").Value().Text()); });
    EachRecord(*DatumList, [&](store::Recordset& rs) {
        items.push_back(rs.Field("Pays").Value().Text() + " Geographic " + rs.Field("Code").Value().Text());
    });
    for (int k = 0; k < ListCount; ++k) {
        At(Ctl::Combo_projec, k).items = items;
        SelectListItem(k, 0);
    }
}

void MainModel::mnu_ouvrir_Click() { host_.ShowBatch(); }

void MainModel::mnu_modifier_Click() {
    host_.ShowEditor();
    // The editor may have changed any row these sets read when the window opened.
    if (!ParamDb) return;
    try {
        ProjectionList = ParamDb->OpenRecordset(store::sql::UnlockedProjections);
        DatumList = ParamDb->OpenRecordset(store::sql::UnlockedDatums);
        TypeList = ParamDb->OpenRecordset(store::sql::AllTypes);
    } catch (const base::RuntimeError&) {
        // Kept as they were; the next Calc reports a database that cannot be read.
    }
}

void MainModel::mnu_apropos_Click() { host_.ShowAbout(); }
void MainModel::mnu_quitter_Click() { host_.CloseWindow(); }
void MainModel::Com_anl_Click() { host_.CloseWindow(); }

void MainModel::mnu_calc1_Click() { SetMethod(1); }
void MainModel::mnu_calc2_Click() { SetMethod(2); }
void MainModel::mnu_calc3_Click() { SetMethod(3); }
void MainModel::mnu_calc4_Click() { SetMethod(4); }

void MainModel::SetMethod(std::int16_t method) {
    mnu_calc1.checked = method == 1;
    mnu_calc2.checked = method == 2;
    mnu_calc3.checked = method == 3;
    mnu_calc4.checked = method == 4;
    TransformMethod = method;
    ShowMethod();
    if (!filled_ || filled_->method == method) return;
    // The table was computed with another method: computed again from the
    // row it came from, or, when that row has changed since, emptied.
    if (StillShows(RowCells(*this, filled_->row, false))) {
        Com_calculer_Click(filled_->row);
        if (!LastCalcRefused) return;
    }
    // What the user typed, in the row the table came from or since, stays.
    for (const auto& [cell, text] : filled_->cells)
        if (RowOf(cell.ctl, cell.index) != filled_->row && Text(cell.ctl, cell.index) == text)
            Text(cell.ctl, cell.index).clear();
    ClearFilledHeight();
    filled_.reset();
    Legs = {};
    ShowMethod();
}

void MainModel::ShowMethod() {
    Text(Ctl::LbMethode, 0) = MethodLine(TransformMethod);
    Text(Ctl::LbMethode, 1) = TransformMethod == core::method::IgnGrid && Legs.fallback ? GridFallbackLine() : "";
}

void MainModel::RecordFill(int Index) {
    FilledTable fill{Index, TransformMethod, {}};
    for (int r = 0; r < RowCount; ++r)
        for (const ControlRef& c : RowCells(*this, r, false)) fill.cells.emplace_back(c, Text(c.ctl, c.index));
    filled_ = std::move(fill);
}

bool MainModel::StillShows(const std::vector<ControlRef>& cells) const {
    if (!filled_) return false;
    for (const ControlRef& c : cells) {
        const auto at = std::find_if(filled_->cells.begin(), filled_->cells.end(),
                                     [&](const auto& filled) { return filled.first == c; });
        if (at == filled_->cells.end() || at->second != Text(c.ctl, c.index)) return false;
    }
    return true;
}

void MainModel::Img_help_Click() { ShowMainHelp(messages_); }

void MainModel::SelectListItem(int k, int listIndex) {
    Control& list = At(Ctl::Combo_projec, k);
    if (listIndex < -1 || listIndex >= static_cast<int>(list.items.size())) return;
    const std::string before = ListText(k);
    list.listIndex = listIndex;
    Combo_projec_Click(k);
    if (ListText(k) == before) return;
    // The row's numbers were those of the old system: read as the new one
    // they would name another point.
    const int r = RowOfList(k);
    ClearRow(r);
    RefillListRow(r);
}

void MainModel::Combo_projec_Click(int Index) {
    const int k = Index, r = RowOfList(k), j = DmsIndexOfRow(r);
    const std::string item = ListText(k);
    const bool none = item.empty() || item == NoSystem;
    const bool geographic = !none && IsGeographicItem(item);
    const bool utm = !none && !geographic && IsUtmItem(item);

    for (Ctl dms : {Ctl::TxtLgDeg, Ctl::TxtLtDeg}) At(dms, j).visible = !none;
    for (Ctl dec : {Ctl::TxtLgDec, Ctl::TxtLtDec}) At(dec, j).visible = geographic;
    for (Ctl rad : {Ctl::TxtE, Ctl::TxtN}) At(rad, r).visible = geographic;
    At(Ctl::Lb, FusLabelOf(r)).visible = utm;
    At(Ctl::TxtFus, r).visible = utm;
    Control& calc = At(Ctl::Com_calculer, r);
    calc.visible = !none;
    if (!none) calc.rect.left = geographic ? CalcGeographic : utm ? CalcUtm : CalcOther;
}

void MainModel::Lb_Click(int Index) {
    if (Index < 0 || Index >= FixedRowCount) return;
    const SheetSource& s = Sheets[Index];
    ShowSheet(RowLabels[Index], [&] { return LoadSheet(s.datum, s.projection, s.label, s.datum); });
}

void MainModel::Combo_projec_KeyDown(int Index, int KeyCode, int Shift) {
    // The Shift or Ctrl key itself, alone: Shift+Tab leaving the list is no request.
    if (KeyCode != KeyShift && KeyCode != KeyControl) return;
    if (Shift != ShiftMask && Shift != CtrlMask) return;
    const std::string name = ListText(Index);
    if (name.empty() || name == NoSystem) return;
    if (IsGeographicItem(name)) {
        ShowSheet(name, [&] { return LoadSheet(DatumOfItem(name), "", ""); });
        return;
    }
    ShowSheet(name, [&] {
        const core::ProjectionParams p = core::LoadProjection(name);
        std::string typeName;
        if (TypeList) {
            TypeList->FindFirst(store::NumeroIs(p.Type));
            if (!TypeList->NoMatch()) typeName = TypeList->Field("nom").Value().Text();
        }
        return LoadSheet("", name, name + " - " + typeName);
    });
}

void MainModel::ShowSheet(const std::string& title, const std::function<std::string()>& build) {
    // A name missing from the database is reported, and the window goes on.
    std::string sheet;
    try {
        sheet = build();
    } catch (const base::RuntimeError& e) {
        messages_.Critical(AppTitle, "Erreur " + std::to_string(e.number) + " : " + e.what());
        return;
    } catch (const std::exception& e) {
        messages_.Critical(AppTitle, e.what());
        return;
    }
    messages_.Info(title, sheet);
}

}  // namespace app
