// The Calc handler and the fill of the conversion table.
//
// Every row's input is first brought to the pivot, WGS 84 longitude and
// latitude in radians, which is written into row 0; the fill then derives
// every other row from row 0's text, in a fixed order in which several rows
// read cells written just before them (the MGRS rows read the UTM cells, the
// IFBL row the Lambert 72 cells). The row typed by the user is never written.
//
// Faults: each statement of the Calc handler is one step (a routine it calls
// is one step as a whole). A failing step shows the safe-mode notice once and
// the handler goes on with its next step, from the working values as they
// stand; a fault inside the fill therefore leaves the rows after the failing
// one as they were.

#include "app/main/ConversionTable.h"

#include <array>
#include <cmath>

#include "core/AngleText.h"
#include "core/Datum.h"
#include "core/Grid.h"
#include "core/NumberText.h"
#include "core/Params.h"
#include "core/Projection.h"
#include "store/ParamDb.h"

namespace app {

namespace {

const std::string Wgs84 = "WGS84";
const std::string Ed50 = "BE ED50", Bd72 = "BE BD72", Luref = "LU LUREF";
const std::string UtmWgs84 = "WGS84 UTM", UtmEd50 = "BE UTM", Lb72 = "BE LB72", LuTm = "LU TM";
// Datums of the geographic rows 0..3.
const std::array<const std::string*, 4> GeographicDatum = {&Wgs84, &Ed50, &Bd72, &Luref};
constexpr int Metre = 3;  // decimals of metres in the cells

// A typed number: a decimal comma reads as a point.
double Num(const std::string& text) {
    std::string t = text;
    core::CommaToPoint(t);
    return core::ValNumber(t);
}

std::int16_t Zone(const std::string& text) { return core::ToInt16(Num(text)); }
std::string Metres(double value) { return core::FormatFixed(value, Metre); }

}  // namespace

void MainModel::SafeModeFault() {
    messages_.Info(AppTitle, SafeModeMessage);
    SetWaitCursor(false);
}

void MainModel::Step(const std::function<void()>& step) {
    RunStep(step, [this] { SafeModeFault(); });
}

void MainModel::Com_calculer_Click(int Index) {
    if (Index < 0 || Index >= RowCount) return;
    CursorGuard cursor(*this);
    // The parameters are read consistently, and cheaply, for the whole click.
    store::ParamReadScope scope;
    if (Index >= FixedRowCount)
        Step([&] { AutresProjections(Index); });
    else if (Index > 0)
        ReadFixedRow(Index);

    if (Index > 0) {
        // A failed input leaves the pivot at (0, 0). A pivot that is not a
        // number would fill the table with nonsense: treated the same way.
        if (PivotLon + PivotLat == 0 || !std::isfinite(PivotLon + PivotLat)) return;
        Step([&] { Text(Ctl::TxtE, 0) = core::FormatGeneral(PivotLon); });
        Step([&] { TxtE_LostFocus(0); });
        Step([&] { Text(Ctl::TxtN, 0) = core::FormatGeneral(PivotLat); });
        Step([&] { TxtN_LostFocus(0); });
    }
    SetWaitCursor(false);
    Step([&] { calcul(Index); });
}

void MainModel::ReadUtmCells(int row) {
    Step([&] { WorkE = Num(Text(Ctl::TxtE, row)); });
    Step([&] { WorkN = Num(Text(Ctl::TxtN, row)); });
    Step([&] { WorkZone = Zone(Text(Ctl::TxtFus, row)); });
}

// The reference typed into row `from` is read, and its UTM values written
// into the UTM row `utmRow` in general number format.
void MainModel::DecodeMgrs(int from, int utmRow) {
    Step([&] { MgrsText = Text(Ctl::TxtE, from); });
    Step([&] { core::MgrsToUtm(WorkZone, WorkE, WorkN, MgrsText); });
    Step([&] { Text(Ctl::TxtE, utmRow) = core::FormatGeneral(WorkE); });
    Step([&] { Text(Ctl::TxtN, utmRow) = core::FormatGeneral(WorkN); });
    Step([&] { Text(Ctl::TxtFus, utmRow) = std::to_string(WorkZone); });
}

void MainModel::ToPivot(const std::string& datum) {
    Step([&] { core::TransformDatum(datum, Wgs84, WorkLon, WorkLat, PivotLon, PivotLat, TransformMethod); });
}

void MainModel::ReadFixedRow(int Index) {
    switch (Index) {
    case 1: case 2: case 3:
        Step([&] { WorkLon = Num(Text(Ctl::TxtE, Index)); });
        Step([&] { WorkLat = Num(Text(Ctl::TxtN, Index)); });
        ToPivot(*GeographicDatum[Index]);
        break;
    case 4:
        ReadUtmCells(4);
        Step([&] { core::ProjectInverse(PivotLat, PivotLon, WorkE, WorkN, WorkZone, UtmWgs84); });
        break;
    case 5:
        ReadUtmCells(5);
        Step([&] { core::ProjectInverse(WorkLat, WorkLon, WorkE, WorkN, WorkZone, UtmEd50); });
        ToPivot(Ed50);
        break;
    case 6:
        DecodeMgrs(6, 4);
        Step([&] { core::ProjectInverse(PivotLat, PivotLon, WorkE, WorkN, WorkZone, UtmWgs84); });
        break;
    case 7:
        DecodeMgrs(7, 5);
        Step([&] { core::ProjectInverse(WorkLat, WorkLon, WorkE, WorkN, WorkZone, UtmEd50); });
        ToPivot(Ed50);
        break;
    case 8: case 9:
        Step([&] { WorkE = Num(Text(Ctl::TxtE, Index)); });
        Step([&] { WorkN = Num(Text(Ctl::TxtN, Index)); });
        if (Index == 8)
            Step([&] { core::ProjectInverse(WorkLat, WorkLon, WorkE, WorkN, 0, Lb72); });
        else
            Step([&] { core::ProjectInverse(WorkLat, WorkLon, WorkE, WorkN, WorkZone, LuTm); });
        ToPivot(Index == 8 ? Bd72 : Luref);
        break;
    case 10:
        Step([&] { IfblText = Text(Ctl::TxtE, 10); });
        Step([&] { core::IfblToLambert(WorkE, WorkN, IfblText); });
        Step([&] { Text(Ctl::TxtE, 8) = core::FormatGeneral(WorkE); });
        Step([&] { Text(Ctl::TxtN, 8) = core::FormatGeneral(WorkN); });
        Step([&] { core::ProjectInverse(WorkLat, WorkLon, WorkE, WorkN, 0, Lb72); });
        ToPivot(Bd72);
        break;
    default:
        break;
    }
}

void MainModel::WriteRadians(int row, double lon, double lat) {
    Text(Ctl::TxtE, row) = core::FormatGeneral(lon);
    TxtE_LostFocus(row);
    Text(Ctl::TxtN, row) = core::FormatGeneral(lat);
    TxtN_LostFocus(row);
}

void MainModel::ProjectGeographicRow(int from, const std::string& projection, std::int16_t& zone, int to) {
    WorkLon = Num(Text(Ctl::TxtE, from));
    WorkLat = Num(Text(Ctl::TxtN, from));
    core::ProjectForward(WorkLat, WorkLon, WorkE, WorkN, projection, zone);
    Text(Ctl::TxtE, to) = Metres(WorkE);
    Text(Ctl::TxtN, to) = Metres(WorkN);
}

void MainModel::calcul(int Index) {
    CursorGuard cursor(*this);
    PivotLon = Num(Text(Ctl::TxtE, 0));
    PivotLat = Num(Text(Ctl::TxtN, 0));

    for (int r = 1; r <= 3; ++r) {
        if (Index == r) continue;
        core::TransformDatum(Wgs84, *GeographicDatum[r], PivotLon, PivotLat, WorkLon, WorkLat, TransformMethod);
        WriteRadians(r, WorkLon, WorkLat);
    }
    if (Index != 4 && Index != 6) {
        core::ProjectForward(PivotLat, PivotLon, WorkE, WorkN, UtmWgs84, WorkZone);
        Text(Ctl::TxtE, 4) = Metres(WorkE);
        Text(Ctl::TxtN, 4) = Metres(WorkN);
        Text(Ctl::TxtFus, 4) = std::to_string(WorkZone);
    }
    if (Index != 5 && Index != 7) {
        ProjectGeographicRow(1, UtmEd50, WorkZone, 5);
        Text(Ctl::TxtFus, 5) = std::to_string(WorkZone);
    }
    if (Index != 6) {
        WorkE = Num(Text(Ctl::TxtE, 4));
        WorkN = Num(Text(Ctl::TxtN, 4));
        WorkZone = Zone(Text(Ctl::TxtFus, 4));
        core::UtmToMgrs(PivotLat, WorkZone, WorkE, WorkN, MgrsText);
        Text(Ctl::TxtE, 6) = MgrsText;
    }
    if (Index != 7) {
        WorkE = Num(Text(Ctl::TxtE, 5));
        WorkN = Num(Text(Ctl::TxtN, 5));
        WorkZone = Zone(Text(Ctl::TxtFus, 5));
        // The band letter of the ED 50 reference follows the ED 50 latitude.
        WorkLat = Num(Text(Ctl::TxtN, 1));
        core::UtmToMgrs(WorkLat, WorkZone, WorkE, WorkN, MgrsText);
        Text(Ctl::TxtE, 7) = MgrsText;
    }
    if (Index != 8 && Index != 10) {
        std::int16_t scratch = 0;
        ProjectGeographicRow(2, Lb72, scratch, 8);
    }
    if (Index != 9) ProjectGeographicRow(3, LuTm, WorkZone, 9);
    if (Index != 10) {
        WorkE = Num(Text(Ctl::TxtE, 8));
        WorkN = Num(Text(Ctl::TxtN, 8));
        core::LambertToIfbl(WorkE, WorkN, IfblText);
        Text(Ctl::TxtE, 10) = IfblText;
    }
    for (int r = FixedRowCount; r < RowCount; ++r) {
        const std::string item = ListText(r - FixedRowCount);
        if (Index == r || item.empty() || item == NoSystem) continue;
        WriteListRow(r, Calcul_AutresProjections(r));
    }
}

void MainModel::WriteListRow(int r, RowKind kind) {
    switch (kind) {
    case RowKind::Geographic:
        WriteRadians(r, WorkLon, WorkLat);
        break;
    case RowKind::Utm:
        Text(Ctl::TxtFus, r) = std::to_string(WorkZone);
        [[fallthrough]];
    case RowKind::Projected:
        Text(Ctl::TxtLgDeg, r - 7) = Metres(WorkE);
        Text(Ctl::TxtLtDeg, r - 7) = Metres(WorkN);
        break;
    case RowKind::None:
        break;
    }
}

bool MainModel::OutsideZoneLimits(const std::string& name, std::int16_t zone) {
    if (!ProjectionList || ProjectionList->RecordCount() == 0) return false;
    ProjectionList->FindFirst(store::NomIs(name));
    if (ProjectionList->NoMatch()) return false;
    const store::Value west = ProjectionList->Field("limitew").Value();
    const store::Value east = ProjectionList->Field("limitee").Value();
    // A missing limit, or the 0 the parameter database stores for none, tests false.
    const bool beyondWest = !west.IsNull() && west.Double() != 0 && zone < west.Double();
    const bool beyondEast = !east.IsNull() && east.Double() != 0 && zone > east.Double();
    return beyondWest || beyondEast;
}

void MainModel::AutresProjections(int& Index) {
    const std::string name = ListText(Index - FixedRowCount);
    if (name.empty() || name == NoSystem) {
        Index = 0;
        return;
    }
    std::string datum;
    if (IsGeographicItem(name)) {
        WorkLon = Num(Text(Ctl::TxtE, Index));
        WorkLat = Num(Text(Ctl::TxtN, Index));
        datum = DatumOfItem(name);
    } else {
        WorkE = Num(Text(Ctl::TxtLgDeg, Index - 7));
        WorkN = Num(Text(Ctl::TxtLtDeg, Index - 7));
        const bool utm = IsUtmItem(name);
        if (utm) WorkZone = Zone(Text(Ctl::TxtFus, Index));
        core::ProjectInverse(WorkLat, WorkLon, WorkE, WorkN, WorkZone, name);
        datum = core::LoadProjection(name).Datum;
        if (utm && OutsideZoneLimits(name, WorkZone)) {
            messages_.Critical(AppTitle, "Hors fuseau");
            PivotLon = PivotLat = 0;
            return;
        }
    }
    if (IsWgs84Datum(datum)) {
        PivotLon = WorkLon;
        PivotLat = WorkLat;
    } else {
        core::TransformDatum(datum, Wgs84, WorkLon, WorkLat, PivotLon, PivotLat, TransformMethod);
    }
    if (PivotLat < 0) {
        messages_.Critical(AppTitle, "Hors zone");
        PivotLon = PivotLat = 0;
    }
}

RowKind MainModel::Calcul_AutresProjections(int Index) {
    const std::string name = ListText(Index - FixedRowCount);
    PivotLon = Num(Text(Ctl::TxtE, 0));
    PivotLat = Num(Text(Ctl::TxtN, 0));
    const bool geographic = IsGeographicItem(name);
    const std::string datum = geographic ? DatumOfItem(name) : core::LoadProjection(name).Datum;
    if (IsWgs84Datum(datum)) {
        WorkLon = PivotLon;
        WorkLat = PivotLat;
    } else {
        core::TransformDatum(Wgs84, datum, PivotLon, PivotLat, WorkLon, WorkLat, TransformMethod);
    }
    RowKind kind = RowKind::Geographic;
    if (!geographic) {
        kind = IsUtmItem(name) ? RowKind::Utm : RowKind::Projected;
        core::ProjectForward(WorkLat, WorkLon, WorkE, WorkN, name, WorkZone);
        // The limits are tested on the point's own zone, the one just computed.
        if (kind == RowKind::Utm && OutsideZoneLimits(name, WorkZone)) {
            messages_.Critical(AppTitle, "Hors fuseau pour " + name);
            PivotLon = PivotLat = 0;
            return RowKind::None;
        }
    }
    if (PivotLat < 0) {
        messages_.Critical(AppTitle, "Hors zone");
        PivotLon = PivotLat = 0;
    }
    return kind;
}

std::vector<ControlRef> RowCells(const MainModel& model, int row, bool visibleOnly) {
    std::vector<ControlRef> all;
    if (row < 0 || row >= RowCount) return all;
    const int j = row >= FixedRowCount ? row - 7 : row;
    for (Ctl ctl : {Ctl::TxtLgDeg, Ctl::TxtLtDeg, Ctl::TxtLgDec, Ctl::TxtLtDec})
        all.push_back({ctl, j});
    for (Ctl ctl : {Ctl::TxtE, Ctl::TxtN, Ctl::TxtFus}) all.push_back({ctl, row});
    std::vector<ControlRef> cells;
    for (const ControlRef& c : all) {
        // Rows 4..10 reuse the DMS arrays' indexes 4 and 5 for nothing: those
        // belong to the list rows.
        if (row >= 4 && row < FixedRowCount && c.ctl <= Ctl::TxtLtDec) continue;
        if (!model.Exists(c.ctl, c.index)) continue;
        if (visibleOnly && !model.At(c.ctl, c.index).visible) continue;
        cells.push_back(c);
    }
    return cells;
}

std::vector<std::string> RowTexts(const MainModel& model, int row) {
    std::vector<std::string> texts;
    texts.push_back(row < FixedRowCount ? model.Text(Ctl::Lb, row) : model.ListText(row - FixedRowCount));
    for (const ControlRef& c : RowCells(model, row)) texts.push_back(model.Text(c.ctl, c.index));
    return texts;
}

}  // namespace app
