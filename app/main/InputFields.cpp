// The cells of the table as the user types into them: Enter, and the
// normalisation run when a cell is left.
//
// A geographic coordinate has three cells (DMS, decimal degrees, radians);
// leaving any one rewrites all three from it. In the list rows the DMS and
// decimal cells carry the index 7 below that of the radian cells. Grid and
// code cells are only upper-cased, zone cells only range-checked.
//
// A text that cannot be read as an angle in range is refused where it was
// typed: a message says why, the text stays for correction and gets the focus
// back, and the other two forms of that coordinate are emptied so that a Calc
// cannot go on with the value they showed before.

#include "app/main/CellText.h"
#include "base/Text.h"
#include "app/main/MainModel.h"
#include "core/AngleText.h"
#include "core/Constants.h"
#include "core/NumberText.h"
#include "core/StrictText.h"

namespace app {

namespace {

constexpr int DecimalDegrees = 6;

bool IsProjectedRow(int index) { return index >= row::UtmWgs84 && index <= row::Ifbl; }
int RadianIndexOf(int dmsIndex) { return dmsIndex > row::Luref ? dmsIndex + ListDmsOffset : dmsIndex; }
bool IsSingleCellRow(int index) { return index == row::MgrsWgs84 || index == row::MgrsEd50 || index == row::Ifbl; }

// Digits, points and the ASCII marks only: the form the table writes.
bool IsClassicDms(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c >= '0' && c <= '9') || c == '.' || c == '\'' || c == '"') continue;
        if (text.compare(i, 2, "\u00B0") == 0) {
            ++i;
            continue;
        }
        return false;
    }
    return true;
}

std::string SecondsMarkAsApostrophes(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '"' ? std::string("''") : std::string(1, c);
    return out;
}

void UpperCase(std::string& text) {
    // ASCII only: a byte of a multi-byte character is left alone.
    text = base::AsciiUpper(std::move(text));
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
    Leave(ctl, Index);
}

void MainModel::LostFocus(Ctl ctl, int Index) {
    // Left by Tab or the mouse: an Enter pressed earlier in an empty cell no
    // longer says where the user wants to go.
    EnterPressed = false;
    Leave(ctl, Index);
}

void MainModel::Leave(Ctl ctl, int Index) {
    switch (ctl) {
    case Ctl::TxtLgDeg: TxtLgDeg_LostFocus(Index); break;
    case Ctl::TxtLtDeg: TxtLtDeg_LostFocus(Index); break;
    case Ctl::TxtLgDec: TxtLgDec_LostFocus(Index); break;
    case Ctl::TxtLtDec: TxtLtDec_LostFocus(Index); break;
    case Ctl::TxtE: TxtE_LostFocus(Index); break;
    case Ctl::TxtN: TxtN_LostFocus(Index); break;
    case Ctl::TxtFus: TxtFus_LostFocus(Index); break;
    case Ctl::TxtH: TxtH_LostFocus(Index); break;
    default: break;
    }
}

bool MainModel::ListShowsProjection(int k) const {
    const std::string item = ListText(k);
    return !item.empty() && item != NoSystem && !IsGeographicItem(item);
}

void MainModel::NormaliseAngle(Ctl dms, Ctl dec, Ctl rad, Ctl source, int Index) {
    std::string& cell = Text(source, Index);
    if (cell.empty()) return;
    core::CommaToPoint(cell);
    const bool fromRadians = source == rad;
    const int j = fromRadians ? DmsIndexOfRow(Index) : Index;  // DMS and decimal cells
    const int k = fromRadians ? Index : RadianIndexOf(Index);  // radian cell
    const bool latitude = rad == Ctl::TxtN;
    const auto inRange = [latitude](double degrees) { latitude ? CheckLatitude(degrees) : CheckLongitude(degrees); };

    std::string text, decimal;
    double degrees = 0, radians = 0;
    if (source == dms) {
        const core::AngleReading reading =
            ReadDmsCell(cell, latitude ? core::AngleAxis::Latitude : core::AngleAxis::Longitude);
        degrees = reading.degrees;
        inRange(degrees);
        if (IsClassicDms(cell) && !reading.plain) {
            // Written as the table writes angles: kept as typed.
            text = SecondsMarkAsApostrophes(cell);
            core::ConvertAngle(text, degrees, radians, core::angle::FromText);
        } else {
            // Any other form is rewritten, showing how it was read.
            core::ConvertAngle(text, degrees, radians, core::angle::FromDegrees);
        }
        decimal = core::FormatFixed(degrees, DecimalDegrees);
    } else if (source == dec) {
        degrees = TypedNumber(cell);
        inRange(degrees);
        core::ConvertAngle(text, degrees, radians, core::angle::FromDegrees);
        decimal = core::FormatGeneral(degrees);  // typed degrees keep their own digits
    } else {
        radians = TypedNumber(cell);
        inRange(radians / core::Pi * core::HalfCircleDeg);
        core::ConvertAngle(text, degrees, radians, core::angle::FromRadians);
        decimal = core::FormatFixed(degrees, DecimalDegrees);
    }
    Text(dms, j) = text;
    Text(dec, j) = decimal;
    Text(rad, k) = core::FormatGeneral(radians);
}

void MainModel::AngleLostFocus(Ctl dms, Ctl dec, Ctl rad, Ctl source, int Index) {
    if (Text(source, Index).empty()) return;
    const bool fromRadians = source == rad;
    const int j = fromRadians ? DmsIndexOfRow(Index) : Index;
    const int k = fromRadians ? Index : RadianIndexOf(Index);
    if (source == dms && j > row::Luref && ListShowsProjection(ListOfRow(k))) {
        // A list row showing a projection uses its DMS cells for E and N.
        std::string& cell = Text(source, Index);
        core::CommaToPoint(cell);
        Text(dec, j) = core::FormatFixed(0, DecimalDegrees);
        Text(rad, k) = core::FormatGeneral(0);
        // N goes on to the zone in a UTM row, as in the fixed UTM rows.
        const bool utm = IsUtmItem(ListText(ListOfRow(k)));
        if (source == Ctl::TxtLgDeg) MoveFocusOnEnter(Ctl::TxtLtDeg, Index);
        else MoveFocusOnEnter(utm ? Ctl::TxtFus : Ctl::Com_calculer, k);
        return;
    }
    try {
        NormaliseAngle(dms, dec, rad, source, Index);
    } catch (const std::exception& e) {
        // The typed text stays for correction; the other two forms no longer
        // match it.
        for (const ControlRef& c : {ControlRef{dms, j}, ControlRef{dec, j}, ControlRef{rad, k}})
            if (c.ctl != source) Text(c.ctl, c.index).clear();
        EnterPressed = false;
        messages_.Critical(AppTitle, "Ligne « " + RowName(RowOf(source, Index)) + " », case « " +
                                         CellName(source, Index) + " » :\n" + e.what());
        RequestFocus(source, Index);  // back to the text to correct
        return;
    }

    // A longitude goes on to its latitude, a latitude to the Calc button; a
    // list row's radian longitude goes straight to the button, as grid cells do.
    const bool longitude = source == Ctl::TxtLgDeg || source == Ctl::TxtLgDec || source == Ctl::TxtE;
    if (longitude && !(fromRadians && Index >= FirstListRow))
        MoveFocusOnEnter(source == Ctl::TxtLgDeg   ? Ctl::TxtLtDeg
                         : source == Ctl::TxtLgDec ? Ctl::TxtLtDec
                                                   : Ctl::TxtN,
                         Index);
    else MoveFocusOnEnter(Ctl::Com_calculer, k);
}

std::string MainModel::CellName(Ctl ctl, int index) const {
    const int r = RowOf(ctl, index);
    const bool projectedList = r >= FirstListRow && ListShowsProjection(ListOfRow(r));
    switch (ctl) {
    case Ctl::TxtLgDeg: return projectedList ? "E" : "Longitude (dd°mm'ss.ss'')";
    case Ctl::TxtLtDeg: return projectedList ? "N" : "Latitude (dd°mm'ss.ss'')";
    case Ctl::TxtLgDec: return Text(Ctl::Lbcol, 2);
    case Ctl::TxtLtDec: return Text(Ctl::Lbcol, 3);
    case Ctl::TxtE: return IsGeographicRow(r) ? Text(Ctl::Lbcol, 4) : "E";
    case Ctl::TxtN: return IsGeographicRow(r) ? Text(Ctl::Lbcol, 5) : "N";
    case Ctl::TxtFus: return "Fus";
    default: return {};
    }
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
    MoveFocusOnEnter(IsSingleCellRow(Index) ? Ctl::Com_calculer : Ctl::TxtN, Index);
}

void MainModel::TxtN_LostFocus(int Index) {
    if (Text(Ctl::TxtN, Index).empty()) return;
    if (!IsProjectedRow(Index)) {
        LatitudeLostFocus(Ctl::TxtN, Index);
        return;
    }
    const bool utm = Index == row::UtmWgs84 || Index == row::UtmEd50;
    MoveFocusOnEnter(utm ? Ctl::TxtFus : Ctl::Com_calculer, Index);
}

void MainModel::TxtFus_LostFocus(int Index) {
    std::string& cell = Text(Ctl::TxtFus, Index);
    if (cell.empty()) return;
    if (!ReadZone(cell)) {
        // Emptied, as an unusable zone always was, but no longer silently:
        // "31,6" once read as 31 and computed as 32.
        const std::string typed = cell;
        cell.clear();
        EnterPressed = false;
        messages_.Critical(AppTitle,
                           "Fuseau refusé : « " + typed + " ». Un fuseau UTM est un nombre entier de 1 à 60.");
        return;
    }
    MoveFocusOnEnter(Ctl::Com_calculer, Index);
}

}  // namespace app
