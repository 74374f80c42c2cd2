// The Calc handler and the fill of the conversion table.
//
// Every row's input is first brought to the pivot, WGS 84 longitude and
// latitude in radians, which is written into row 0; the fill then derives
// every other row from row 0's text, in a fixed order in which several rows
// read cells written just before them (the MGRS rows read the UTM cells, the
// IFBL row the Lambert 72 cells). The row typed by the user is never written.
//
// Faults. Reading, decoding, unprojecting and shifting the typed row is all
// or nothing: any failure stops the click before a cell changes, and the
// message names the cause (going on would refill the table from the previous
// point). Typed projected coordinates are projected back from the point they
// give: the inverse formulas turn many coordinates outside a projection (a
// swapped easting and northing, 1e8 m) into a plausible point elsewhere. In
// the fill each row is a step of its own: a row that cannot be computed is
// emptied rather than left showing another point, the rows after it are
// still computed, and one message at the end names the first failure.

#include "app/main/ConversionTable.h"

#include <array>
#include <cmath>

#include "app/main/CellText.h"
#include "core/Constants.h"
#include "core/Datum.h"
#include "core/Grid.h"
#include "core/NumberText.h"
#include "core/Params.h"
#include "core/Projection.h"
#include "core/StrictText.h"
#include "store/ParamDb.h"

namespace app {

namespace {

const std::string Wgs84 = "WGS84";
const std::string Ed50 = "BE ED50", Bd72 = "BE BD72", Luref = "LU LUREF";
const std::string UtmWgs84 = "WGS84 UTM", UtmEd50 = "BE UTM", Lb72 = "BE LB72", LuTm = "LU TM";
// Datums of the geographic rows 0..3.
const std::array<const std::string*, row::Luref + 1> GeographicDatum = {&Wgs84, &Ed50, &Bd72, &Luref};
constexpr int Metre = 3;  // decimals of metres in the cells
// How near the typed coordinates a point must project back. The transverse
// Mercator series invert each other to 0.3 mm near the central meridian and
// 1.2 mm at 3.5° from it (eastern Belgium in UTM zone 31), 1 cm at 4.8°; the
// conics to 1e-7 m. Coordinates outside a projection miss by kilometres.
constexpr double RoundTripTolerance = 0.01;
// UTM coordinates of the northern hemisphere, wide enough for a point used in
// the neighbouring zone.
constexpr double UtmMaxEast = 1000000, UtmMaxNorth = core::UtmMaxNorthing;

// Names of the cells in messages, after the column headers.
const std::string LonRad = "Longitude (rad)", LatRad = "Latitude (rad)";

std::string Metres(double value) { return core::FormatFixed(value, Metre); }
double ToDegrees(double radians) { return radians / core::Pi * core::HalfCircleDeg; }

std::int16_t ZoneCell(const std::string& text) {
    if (text.empty()) throw Refused("la case Fus est vide.");
    if (const auto zone = ReadZone(text)) return *zone;
    throw Refused("la case Fus ne contient pas un fuseau de 1 à 60 : « " + text + " ».");
}

// The east and north names of a projected row's cells.
std::pair<std::string, std::string> EastNorth(int r) {
    if (r == row::Lambert72 || r == row::LuTm || r == row::Ifbl) return {"X", "Y"};
    return {"E", "N"};
}

std::string InMetres(double metres) { return core::FormatGeneral(metres) + " m"; }

const std::string& Reference(const std::string& text, const std::string& what) {
    if (text.find_first_not_of(' ') == std::string::npos) throw Refused("la case " + what + " est vide.");
    return text;
}

}  // namespace

std::string MainModel::RowName(int r) const { return r < FirstListRow ? Text(Ctl::Lb, r) : ListText(ListOfRow(r)); }

void MainModel::Com_calculer_Click(int Index) {
    if (Index < 0 || Index >= RowCount) return;
    CursorGuard cursor(*this);
    // The parameters are read consistently, and cheaply, for the whole click.
    store::ParamReadScope scope;
    LastCalcRefused = true;
    // A refused Calc leaves the table, and what is said of it, as they were.
    struct KeepLegsIfRefused {
        MainModel& m;
        core::DatumLegs before;
        ~KeepLegsIfRefused() {
            if (m.LastCalcRefused) m.Legs = before;
        }
    } keep{*this, Legs};
    Legs = {};
    std::vector<std::pair<ControlRef, std::string>> writes;  // made only once the input is accepted
    std::optional<HeightInput> height;
    try {
        height = ReadHeightLine();
    } catch (const std::exception& e) {
        messages_.Critical(AppTitle, "Calcul impossible : " + std::string(e.what()));
        return;
    }
    try {
        if (Index >= FirstListRow) {
            AutresProjections(Index);  // a list showing "-" turns the click into one on row 0
            // "Hors fuseau" and "Hors zone" have been said; the pivot is (0, 0).
            if (Index > 0 && PivotLon + PivotLat == 0) return;
        } else if (Index > 0) {
            ReadFixedRow(Index, writes);
        }
        if (Index == row::Wgs84) ReadPivotRow();
        if (Index > 0) {
            if (PivotLon + PivotLat == 0) return;  // the conversion's mark of failure
            CheckPivot();
        }
    } catch (const std::exception& e) {
        messages_.Critical(AppTitle, "Calcul impossible depuis la ligne « " + RowName(Index) + " » : " + e.what());
        return;
    }
    LastCalcRefused = false;
    for (const auto& [cell, text] : writes) Text(cell.ctl, cell.index) = text;
    try {
        if (Index > 0) WriteRadians(row::Wgs84, PivotLon, PivotLat);
        SetWaitCursor(false);
        calcul(Index);
    } catch (const std::exception& e) {
        SetWaitCursor(false);
        messages_.Info(AppTitle, std::string(SafeModeMessage) + "\n\n" + e.what());
    }
    FillHeightLine(height);
    RecordFill(Index);
    ShowMethod();
}

void MainModel::Unproject(int r, const std::string& projection, double east, double north, std::int16_t zone,
                          double& lat, double& lon) {
    const auto [e, n] = EastNorth(r);
    const bool utm = IsUtmItem(projection);
    if (utm && !(east >= 0 && east <= UtmMaxEast))
        throw Refused("la case " + e + " est hors limites : " + InMetres(east) + ". En UTM, E va de 0 à " +
                      InMetres(UtmMaxEast) + ".");
    if (utm && !(north >= 0 && north <= UtmMaxNorth))
        throw Refused("la case " + n + " est hors limites : " + InMetres(north) +
                      ". Travena calcule dans l'hémisphère nord, où N va de 0 à " + InMetres(UtmMaxNorth) + ".");
    const std::string point = e + " = " + InMetres(east) + ", " + n + " = " + InMetres(north) +
                              (utm ? ", fuseau " + std::to_string(zone) : "");
    const std::string outside = point + " est hors du domaine de la projection « " + projection + " »";
    try {
        core::ProjectInverse(lat, lon, east, north, zone, projection);
    } catch (const core::OutsideProjection& fault) {
        throw Refused(point + " : " + fault.what());  // the text says how far, and the bound
    } catch (const base::ArithmeticError& fault) {
        throw Refused(outside + " : " + fault.what());
    }
    const double miss = core::InverseRoundTripError(projection, lat, lon, east, north, zone);
    if (!(miss <= RoundTripTolerance))
        throw Refused(outside + " : le point calculé, projeté en retour, " +
                      (std::isfinite(miss)
                           ? "tombe à " + core::FormatFixed(miss, miss < 1 ? Metre : 0) + " m de ces coordonnées."
                           : "ne donne plus de coordonnées."));
    if (!core::InNorthernHemisphere(ToDegrees(lat)))
        throw Refused(point + " donne un point hors de l'hémisphère nord, où Travena calcule.");
}

void MainModel::RefillListRow(int r) {
    if (ListText(ListOfRow(r)) == NoSystem || !StillShows({{Ctl::TxtE, row::Wgs84}, {Ctl::TxtN, row::Wgs84}})) return;
    store::ParamReadScope scope;
    try {
        const RowKind kind = Calcul_AutresProjections(r);
        if (kind == RowKind::None) ClearRow(r);
        WriteListRow(r, kind);
    } catch (const std::exception& e) {
        ClearRow(r);
        messages_.Info(AppTitle, std::string(SafeModeMessage) + "\n\nLa ligne « " + RowName(r) +
                                     " » est laissée vide : " + e.what());
    }
    // The row now shows the table's point too.
    for (auto& [cell, text] : filled_->cells)
        if (RowOf(cell.ctl, cell.index) == r) text = Text(cell.ctl, cell.index);
    ShowMethod();
}

void MainModel::ReadPivotRow() {
    PivotLon = CellNumber(Text(Ctl::TxtE, row::Wgs84), LonRad);
    PivotLat = CellNumber(Text(Ctl::TxtN, row::Wgs84), LatRad);
    CheckPivot();
}

void MainModel::CheckPivot() const {
    if (!std::isfinite(PivotLon) || !std::isfinite(PivotLat)) throw Refused("le point obtenu n'est pas un nombre.");
    CheckLongitude(ToDegrees(PivotLon));
    CheckLatitude(ToDegrees(PivotLat));
}

void MainModel::ReadUtmCells(int r) {
    WorkE = CellNumber(Text(Ctl::TxtE, r), "E");
    WorkN = CellNumber(Text(Ctl::TxtN, r), "N");
    WorkZone = ZoneCell(Text(Ctl::TxtFus, r));
}

// The reference typed into row `from` is read, and its UTM values are to be
// written into the UTM row `utmRow` in general number format.
void MainModel::DecodeMgrs(int from, int utmRow, std::vector<std::pair<ControlRef, std::string>>& writes) {
    MgrsText = Reference(Text(Ctl::TxtE, from), "de la référence MGRS");
    core::MgrsToUtm(WorkZone, WorkE, WorkN, MgrsText);
    writes.push_back({{Ctl::TxtE, utmRow}, core::FormatGeneral(WorkE)});
    writes.push_back({{Ctl::TxtN, utmRow}, core::FormatGeneral(WorkN)});
    writes.push_back({{Ctl::TxtFus, utmRow}, std::to_string(WorkZone)});
}

void MainModel::ToPivot(const std::string& datum) {
    core::TransformDatum(datum, Wgs84, WorkLon, WorkLat, PivotLon, PivotLat, TransformMethod, &Legs);
}

void MainModel::ReadFixedRow(int Index, std::vector<std::pair<ControlRef, std::string>>& writes) {
    switch (Index) {
    case row::Ed50:
    case row::Bd72:
    case row::Luref:
        WorkLon = CellNumber(Text(Ctl::TxtE, Index), LonRad);
        WorkLat = CellNumber(Text(Ctl::TxtN, Index), LatRad);
        CheckLongitude(ToDegrees(WorkLon));
        CheckLatitude(ToDegrees(WorkLat));
        ToPivot(*GeographicDatum[Index]);
        break;
    case row::UtmWgs84:
        ReadUtmCells(Index);
        Unproject(Index, UtmWgs84, WorkE, WorkN, WorkZone, PivotLat, PivotLon);
        break;
    case row::UtmEd50:
        ReadUtmCells(Index);
        Unproject(Index, UtmEd50, WorkE, WorkN, WorkZone, WorkLat, WorkLon);
        ToPivot(Ed50);
        break;
    case row::MgrsWgs84:
        DecodeMgrs(Index, row::UtmWgs84, writes);
        Unproject(Index, UtmWgs84, WorkE, WorkN, WorkZone, PivotLat, PivotLon);
        break;
    case row::MgrsEd50:
        DecodeMgrs(Index, row::UtmEd50, writes);
        Unproject(Index, UtmEd50, WorkE, WorkN, WorkZone, WorkLat, WorkLon);
        ToPivot(Ed50);
        break;
    case row::Lambert72:
    case row::LuTm: {
        const auto [east, north] = EastNorth(Index);
        WorkE = CellNumber(Text(Ctl::TxtE, Index), east);
        WorkN = CellNumber(Text(Ctl::TxtN, Index), north);
        Unproject(Index, Index == row::Lambert72 ? Lb72 : LuTm, WorkE, WorkN, Index == row::Lambert72 ? 0 : WorkZone,
                  WorkLat, WorkLon);
        ToPivot(Index == row::Lambert72 ? Bd72 : Luref);
        break;
    }
    case row::Ifbl:
        IfblText = Reference(Text(Ctl::TxtE, Index), "du code IFBL");
        core::IfblToLambert(WorkE, WorkN, IfblText);
        writes.push_back({{Ctl::TxtE, row::Lambert72}, core::FormatGeneral(WorkE)});
        writes.push_back({{Ctl::TxtN, row::Lambert72}, core::FormatGeneral(WorkN)});
        Unproject(Index, Lb72, WorkE, WorkN, 0, WorkLat, WorkLon);
        ToPivot(Bd72);
        break;
    default: break;
    }
}

void MainModel::WriteRadians(int r, double lon, double lat) {
    Text(Ctl::TxtE, r) = core::FormatGeneral(lon);
    NormaliseAngle(Ctl::TxtLgDeg, Ctl::TxtLgDec, Ctl::TxtE, Ctl::TxtE, r);
    Text(Ctl::TxtN, r) = core::FormatGeneral(lat);
    NormaliseAngle(Ctl::TxtLtDeg, Ctl::TxtLtDec, Ctl::TxtN, Ctl::TxtN, r);
}

void MainModel::ProjectGeographicRow(int from, const std::string& projection, std::int16_t& zone, int to) {
    WorkLon = CellNumber(Text(Ctl::TxtE, from), LonRad);
    WorkLat = CellNumber(Text(Ctl::TxtN, from), LatRad);
    core::ProjectForward(WorkLat, WorkLon, WorkE, WorkN, projection, zone);
    Text(Ctl::TxtE, to) = Metres(WorkE);
    Text(Ctl::TxtN, to) = Metres(WorkN);
}

void MainModel::ClearRow(int r) {
    for (const ControlRef& c : RowCells(*this, r, false)) Text(c.ctl, c.index).clear();
}

void MainModel::calcul(int Index) {
    CursorGuard cursor(*this);
    PivotLon = CellNumber(Text(Ctl::TxtE, row::Wgs84), LonRad);
    PivotLat = CellNumber(Text(Ctl::TxtN, row::Wgs84), LatRad);

    std::vector<std::pair<int, std::string>> faults;  // row, cause
    auto fill = [&](int r, const std::function<void()>& compute) {
        try {
            compute();
        } catch (const std::exception& e) {
            ClearRow(r);
            faults.emplace_back(r, e.what());
        }
    };
    auto utmToMgrs = [&](int utmRow, double lat, int mgrsRow) {
        WorkE = CellNumber(Text(Ctl::TxtE, utmRow), "E");
        WorkN = CellNumber(Text(Ctl::TxtN, utmRow), "N");
        WorkZone = ZoneCell(Text(Ctl::TxtFus, utmRow));
        core::UtmToMgrs(lat, WorkZone, WorkE, WorkN, MgrsText);
        Text(Ctl::TxtE, mgrsRow) = MgrsText;
    };

    for (int r = row::Ed50; r <= row::Luref; ++r) {
        if (Index == r) continue;
        fill(r, [&] {
            core::TransformDatum(Wgs84, *GeographicDatum[r], PivotLon, PivotLat, WorkLon, WorkLat, TransformMethod,
                                 &Legs);
            WriteRadians(r, WorkLon, WorkLat);
        });
    }
    if (Index != row::UtmWgs84 && Index != row::MgrsWgs84)
        fill(row::UtmWgs84, [&] {
            core::ProjectForward(PivotLat, PivotLon, WorkE, WorkN, UtmWgs84, WorkZone);
            Text(Ctl::TxtE, row::UtmWgs84) = Metres(WorkE);
            Text(Ctl::TxtN, row::UtmWgs84) = Metres(WorkN);
            Text(Ctl::TxtFus, row::UtmWgs84) = std::to_string(WorkZone);
        });
    if (Index != row::UtmEd50 && Index != row::MgrsEd50)
        fill(row::UtmEd50, [&] {
            ProjectGeographicRow(row::Ed50, UtmEd50, WorkZone, row::UtmEd50);
            Text(Ctl::TxtFus, row::UtmEd50) = std::to_string(WorkZone);
        });
    if (Index != row::MgrsWgs84) fill(row::MgrsWgs84, [&] { utmToMgrs(row::UtmWgs84, PivotLat, row::MgrsWgs84); });
    if (Index != row::MgrsEd50)
        fill(row::MgrsEd50, [&] {
            // The band letter of the ED 50 reference follows the ED 50 latitude.
            WorkLat = CellNumber(Text(Ctl::TxtN, row::Ed50), LatRad);
            utmToMgrs(row::UtmEd50, WorkLat, row::MgrsEd50);
        });
    if (Index != row::Lambert72 && Index != row::Ifbl)
        fill(row::Lambert72, [&] {
            std::int16_t scratch = 0;
            ProjectGeographicRow(row::Bd72, Lb72, scratch, row::Lambert72);
        });
    if (Index != row::LuTm) fill(row::LuTm, [&] { ProjectGeographicRow(row::Luref, LuTm, WorkZone, row::LuTm); });
    if (Index != row::Ifbl)
        fill(row::Ifbl, [&] {
            WorkE = CellNumber(Text(Ctl::TxtE, row::Lambert72), "X");
            WorkN = CellNumber(Text(Ctl::TxtN, row::Lambert72), "Y");
            core::LambertToIfbl(WorkE, WorkN, IfblText);
            Text(Ctl::TxtE, row::Ifbl) = IfblText;
        });
    for (int r = FirstListRow; r < RowCount; ++r) {
        const std::string item = ListText(ListOfRow(r));
        if (Index == r || item.empty() || item == NoSystem) continue;
        fill(r, [&] {
            const RowKind kind = Calcul_AutresProjections(r);
            if (kind == RowKind::None) ClearRow(r);  // outside its zones: said, and shows nothing stale
            WriteListRow(r, kind);
        });
    }

    if (faults.empty()) return;
    std::string text = std::string(SafeModeMessage) + "\n\nLa ligne « " + RowName(faults[0].first) +
                       " » est laissée vide : " + faults[0].second;
    for (std::size_t i = 1; i < faults.size(); ++i)
        text += (i == 1 ? "\nLaissées vides aussi : « " : ", « ") + RowName(faults[i].first) + " »";
    if (faults.size() > 1) text += ".";
    SetWaitCursor(false);
    messages_.Info(AppTitle, text);
}

void MainModel::WriteListRow(int r, RowKind kind) {
    switch (kind) {
    case RowKind::Geographic: WriteRadians(r, WorkLon, WorkLat); break;
    case RowKind::Utm: Text(Ctl::TxtFus, r) = std::to_string(WorkZone); [[fallthrough]];
    case RowKind::Projected:
        Text(Ctl::TxtLgDeg, DmsIndexOfRow(r)) = Metres(WorkE);
        Text(Ctl::TxtLtDeg, DmsIndexOfRow(r)) = Metres(WorkN);
        break;
    case RowKind::None: break;
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
    const std::string name = ListText(ListOfRow(Index));
    if (name.empty() || name == NoSystem) {
        Index = 0;
        return;
    }
    std::string datum;
    if (IsGeographicItem(name)) {
        WorkLon = CellNumber(Text(Ctl::TxtE, Index), LonRad);
        WorkLat = CellNumber(Text(Ctl::TxtN, Index), LatRad);
        CheckLongitude(ToDegrees(WorkLon));
        CheckLatitude(ToDegrees(WorkLat));
        datum = DatumOfItem(name);
    } else {
        WorkE = CellNumber(Text(Ctl::TxtLgDeg, DmsIndexOfRow(Index)), "E");
        WorkN = CellNumber(Text(Ctl::TxtLtDeg, DmsIndexOfRow(Index)), "N");
        const bool utm = IsUtmItem(name);
        if (utm) WorkZone = ZoneCell(Text(Ctl::TxtFus, Index));
        if (utm && OutsideZoneLimits(name, WorkZone)) {
            messages_.Critical(AppTitle, "Hors fuseau");
            PivotLon = PivotLat = 0;
            return;
        }
        Unproject(Index, name, WorkE, WorkN, WorkZone, WorkLat, WorkLon);
        datum = core::LoadProjection(name).Datum;
    }
    if (core::IsWgs84Alias(datum)) {
        PivotLon = WorkLon;
        PivotLat = WorkLat;
    } else {
        core::TransformDatum(datum, Wgs84, WorkLon, WorkLat, PivotLon, PivotLat, TransformMethod, &Legs);
    }
    if (PivotLat < 0) {
        messages_.Critical(AppTitle, "Hors zone");
        PivotLon = PivotLat = 0;
    }
}

RowKind MainModel::Calcul_AutresProjections(int Index) {
    const std::string name = ListText(ListOfRow(Index));
    PivotLon = CellNumber(Text(Ctl::TxtE, row::Wgs84), LonRad);
    PivotLat = CellNumber(Text(Ctl::TxtN, row::Wgs84), LatRad);
    const bool geographic = IsGeographicItem(name);
    const std::string datum = geographic ? DatumOfItem(name) : core::LoadProjection(name).Datum;
    if (core::IsWgs84Alias(datum)) {
        WorkLon = PivotLon;
        WorkLat = PivotLat;
    } else {
        core::TransformDatum(Wgs84, datum, PivotLon, PivotLat, WorkLon, WorkLat, TransformMethod, &Legs);
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
    const int j = DmsIndexOfRow(row);
    for (Ctl ctl : {Ctl::TxtLgDeg, Ctl::TxtLtDeg, Ctl::TxtLgDec, Ctl::TxtLtDec}) all.push_back({ctl, j});
    for (Ctl ctl : {Ctl::TxtE, Ctl::TxtN, Ctl::TxtFus}) all.push_back({ctl, row});
    std::vector<ControlRef> cells;
    for (const ControlRef& c : all) {
        // Rows 4..10 reuse the DMS arrays' indexes 4 and 5 for nothing: those
        // belong to the list rows.
        if (!IsGeographicRow(row) && c.ctl <= Ctl::TxtLtDec) continue;
        if (!model.Exists(c.ctl, c.index)) continue;
        if (visibleOnly && !model.At(c.ctl, c.index).visible) continue;
        cells.push_back(c);
    }
    return cells;
}

std::vector<std::string> RowTexts(const MainModel& model, int row) {
    std::vector<std::string> texts;
    texts.push_back(row < FirstListRow ? model.Text(Ctl::Lb, row) : model.ListText(ListOfRow(row)));
    for (const ControlRef& c : RowCells(model, row)) texts.push_back(model.Text(c.ctl, c.index));
    return texts;
}

}  // namespace app
