// The cells of the table as the user types into them: Enter, and the
// normalisation run when a cell is left.
//
// A geographic coordinate has three cells (DMS, decimal degrees, radians);
// leaving any one rewrites all three from it. In the list rows the DMS and
// decimal cells carry the index 7 below that of the radian cells. Grid and
// code cells are only upper-cased, zone cells only range-checked.
//
// A text the angle reader refuses (marks in an impossible order, a number
// beyond range) leaves the cells as they were: the user sees the text as
// typed and can correct it; nothing is shown and the focus stays.

#include "core/AngleText.h"
#include "base/Errors.h"
#include "core/NumberText.h"
#include "app/main/MainModel.h"

namespace app {

namespace {

constexpr int MinZone = 1, MaxZone = 60;
constexpr int DecimalDegrees = 6;
constexpr int ListDmsOffset = 7;  // radian index minus DMS index in a list row

bool IsProjectedRow(int index) { return index >= 4 && index <= 10; }
int RadianIndexOf(int dmsIndex) { return dmsIndex > 3 ? dmsIndex + ListDmsOffset : dmsIndex; }
int DmsIndexOf(int radianIndex) { return radianIndex > 10 ? radianIndex - ListDmsOffset : radianIndex; }

void UpperCase(std::string& text) {
    // ASCII only: a byte of a multi-byte character is left alone.
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

}  // namespace

void MainModel::MoveFocusOnEnter(Ctl ctl, int index) {
    if (!EnterPressed) return;
    EnterPressed = false;
    RequestFocus(ctl, index);
}

void MainModel::KeyPress(Ctl ctl, int Index, int& KeyAscii) {
    if (KeyAscii != KeyEnter) return;
    KeyAscii = 0;
    EnterPressed = true;
    LostFocus(ctl, Index);
}

void MainModel::LostFocus(Ctl ctl, int Index) {
    switch (ctl) {
    case Ctl::TxtLgDeg: TxtLgDeg_LostFocus(Index); break;
    case Ctl::TxtLtDeg: TxtLtDeg_LostFocus(Index); break;
    case Ctl::TxtLgDec: TxtLgDec_LostFocus(Index); break;
    case Ctl::TxtLtDec: TxtLtDec_LostFocus(Index); break;
    case Ctl::TxtE: TxtE_LostFocus(Index); break;
    case Ctl::TxtN: TxtN_LostFocus(Index); break;
    case Ctl::TxtFus: TxtFus_LostFocus(Index); break;
    default: break;
    }
}

void MainModel::AngleLostFocus(Ctl dms, Ctl dec, Ctl rad, Ctl source, int Index) {
    std::string& cell = Text(source, Index);
    if (cell.empty()) return;
    core::CommaToPoint(cell);
    const bool fromRadians = source == rad;
    const int j = fromRadians ? DmsIndexOf(Index) : Index;     // DMS and decimal cells
    const int k = fromRadians ? Index : RadianIndexOf(Index);  // radian cell
    std::string text, decimal, radian;
    try {
        double degrees = 0, radians = 0;
        if (source == dms) {
            text = cell;
            core::ConvertAngle(text, degrees, radians, core::angle::FromText);
            core::CommaToPoint(text);
            decimal = core::FormatFixed(degrees, DecimalDegrees);
        } else if (source == dec) {
            degrees = core::ValNumber(cell);
            core::ConvertAngle(text, degrees, radians, core::angle::FromDegrees);
            decimal = core::FormatGeneral(degrees);  // typed degrees keep their own digits
        } else {
            radians = core::ValNumber(cell);
            core::ConvertAngle(text, degrees, radians, core::angle::FromRadians);
            decimal = core::FormatFixed(degrees, DecimalDegrees);
        }
        radian = core::FormatGeneral(radians);
    } catch (const base::RuntimeError&) {
        return;
    }
    Text(dms, j) = text;
    Text(dec, j) = decimal;
    Text(rad, k) = radian;

    // A longitude goes on to its latitude, a latitude to the Calc button; a
    // list row's radian longitude goes straight to the button, as grid cells do.
    const bool longitude = source == Ctl::TxtLgDeg || source == Ctl::TxtLgDec || source == Ctl::TxtE;
    if (longitude && !(fromRadians && Index >= FixedRowCount))
        MoveFocusOnEnter(source == Ctl::TxtLgDeg ? Ctl::TxtLtDeg : source == Ctl::TxtLgDec ? Ctl::TxtLtDec : Ctl::TxtN,
                         Index);
    else
        MoveFocusOnEnter(Ctl::Com_calculer, k);
}

void MainModel::TxtLgDeg_LostFocus(int Index) { LongitudeLostFocus(Ctl::TxtLgDeg, Index); }
void MainModel::TxtLtDeg_LostFocus(int Index) { LatitudeLostFocus(Ctl::TxtLtDeg, Index); }
void MainModel::TxtLgDec_LostFocus(int Index) { LongitudeLostFocus(Ctl::TxtLgDec, Index); }
void MainModel::TxtLtDec_LostFocus(int Index) { LatitudeLostFocus(Ctl::TxtLtDec, Index); }

void MainModel::LongitudeLostFocus(Ctl source, int Index) {
    AngleLostFocus(Ctl::TxtLgDeg, Ctl::TxtLgDec, Ctl::TxtE, source, Index);
}

void MainModel::LatitudeLostFocus(Ctl source, int Index) {
    AngleLostFocus(Ctl::TxtLtDeg, Ctl::TxtLtDec, Ctl::TxtN, source, Index);
}

void MainModel::TxtE_LostFocus(int Index) {
    std::string& cell = Text(Ctl::TxtE, Index);
    if (cell.empty()) return;
    if (!IsProjectedRow(Index)) {
        LongitudeLostFocus(Ctl::TxtE, Index);
        return;
    }
    UpperCase(cell);
    const bool singleCell = Index == 6 || Index == 7 || Index == 10;
    MoveFocusOnEnter(singleCell ? Ctl::Com_calculer : Ctl::TxtN, Index);
}

void MainModel::TxtN_LostFocus(int Index) {
    if (Text(Ctl::TxtN, Index).empty()) return;
    if (!IsProjectedRow(Index)) {
        LatitudeLostFocus(Ctl::TxtN, Index);
        return;
    }
    const bool utm = Index == 4 || Index == 5;
    MoveFocusOnEnter(utm ? Ctl::TxtFus : Ctl::Com_calculer, Index);
}

void MainModel::TxtFus_LostFocus(int Index) {
    std::string& cell = Text(Ctl::TxtFus, Index);
    if (cell.empty()) return;
    double zone = 0;
    try {
        zone = core::ValNumber(cell);
    } catch (const base::RuntimeError&) {
        zone = 0;  // beyond any number: as far out of range as can be
    }
    if (!(zone >= MinZone && zone <= MaxZone)) {
        cell.clear();
        return;
    }
    MoveFocusOnEnter(Ctl::Com_calculer, Index);
}

}  // namespace app
