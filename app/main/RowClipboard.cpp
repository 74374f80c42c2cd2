// Rows copied to the clipboard and lines pasted into a row.
//
// A pasted line goes into the row's input cells and each cell is left as if
// typed, so it is read and refused exactly as typing it would be; the focus
// then goes to the row's Calc button. A line copied from another row of the
// table is refused: its values belong to another system.

#include "app/main/RowClipboard.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "app/main/ConversionTable.h"
#include "base/Errors.h"
#include "core/AngleText.h"
#include "core/StrictText.h"

namespace app {

namespace {

constexpr double RightAngleDeg = 90;
constexpr std::size_t MaxZoneDigits = 2;

std::string Trimmed(std::string_view text) { return std::string(core::TrimTypedBlanks(text)); }

// The fields of `line` between the separators, trimmed, empty ones dropped.
std::vector<std::string> SplitAt(std::string_view line, std::string_view separator) {
    std::vector<std::string> fields;
    for (std::size_t from = 0; from <= line.size();) {
        const std::size_t at = std::min(line.find(separator, from), line.size());
        if (std::string field = Trimmed(line.substr(from, at - from)); !field.empty()) fields.push_back(field);
        from = at + separator.size();
    }
    return fields;
}

// The fields of `line` between typed blanks.
std::vector<std::string> Tokens(std::string_view line) {
    std::vector<std::string> tokens;
    std::string token;
    for (std::size_t i = 0; i < line.size();) {
        if (const std::size_t blank = core::TypedBlankLength(line, i)) {
            if (!token.empty()) tokens.push_back(std::move(token));
            token.clear();
            i += blank;
        } else {
            token += line[i++];
        }
    }
    if (!token.empty()) tokens.push_back(token);
    return tokens;
}

bool IsHemisphereLetter(char c) { return c && std::string_view("NSEOWnseow").find(c) != std::string_view::npos; }
bool HasDigit(std::string_view text) { return text.find_first_of("0123456789") != std::string_view::npos; }

// Blank-separated angles: a hemisphere letter before an angle starts it, one
// after an angle ends it ("N 50 30 E 4 21", "50°30'N 4°21'E").
std::vector<std::string> AngleGroups(const std::vector<std::string>& tokens) {
    std::vector<std::string> groups;
    std::string group;
    bool ended = false;
    for (const std::string& token : tokens) {
        if (!group.empty() && (ended || (IsHemisphereLetter(token.front()) && HasDigit(group)))) {
            groups.push_back(group);
            group.clear();
        }
        group += (group.empty() ? "" : " ") + token;
        ended = IsHemisphereLetter(token.back()) && HasDigit(group);
    }
    if (!group.empty()) groups.push_back(group);
    return groups;
}

// "E 596372 N 5632971", "X=150000 Y=170000": the values in E, N order, and
// a zone written beside them ("31U"); empty unless every token is used.
std::vector<std::string> LabelledMetres(const std::vector<std::string>& tokens) {
    std::string east, north, zone;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::string& t = tokens[i];
        const char axis = static_cast<char>(std::toupper(static_cast<unsigned char>(t.front())));
        if (axis != 'E' && axis != 'N' && axis != 'X' && axis != 'Y') {
            if (!zone.empty() || !HasDigit(t) || t.size() > MaxZoneDigits + 1) return {};
            zone = t;
            continue;
        }
        std::string value = t.substr(1);
        if (!value.empty() && (value.front() == ':' || value.front() == '=')) value.erase(0, 1);
        if (value.empty() && ++i < tokens.size()) value = tokens[i];
        if (value.empty() || !HasDigit(value)) return {};
        std::string& slot = axis == 'E' || axis == 'X' ? east : north;
        if (!slot.empty()) return {};
        slot = value;
    }
    if (east.empty() || north.empty()) return {};
    std::vector<std::string> fields = {east, north};
    if (!zone.empty()) fields.push_back(zone);
    return fields;
}

// A UTM zone as written beside coordinates: one or two digits, perhaps its band letter.
bool IsZoneText(std::string_view text) {
    std::size_t digits = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
    if (digits == 0 || digits > MaxZoneDigits) return false;
    return text.size() == digits ||
           (text.size() == digits + 1 && std::isalpha(static_cast<unsigned char>(text.back())));
}

std::string ZoneDigits(const std::string& text) {
    return std::isalpha(static_cast<unsigned char>(text.back())) ? text.substr(0, text.size() - 1) : text;
}

// 'N' for a latitude, 'E' for a longitude, by the angle's hemisphere letter; 0 for none.
char AxisOfLetter(const std::string& angle) {
    for (const char c : {angle.front(), angle.back()}) {
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (upper == 'N' || upper == 'S') return 'N';
        if (upper == 'E' || upper == 'O' || upper == 'W') return 'E';
    }
    return 0;
}

// Whether an angle's text could be a latitude (unreadable text: yes, its cell will say why).
bool CouldBeLatitude(const std::string& angle) {
    try {
        return std::fabs(core::ReadAngleText(angle).degrees) <= RightAngleDeg;
    } catch (const base::RuntimeError&) {
        return true;
    }
}

}  // namespace

PastedLine SplitPastedLine(const std::string& text, bool geographic, const std::vector<std::string>& names) {
    PastedLine pasted;
    std::vector<std::string> lines;
    for (std::string& line : SplitAt(text, "\n")) {
        line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
        if (!Trimmed(line).empty()) lines.push_back(line);
    }
    if (lines.empty()) return pasted;
    pasted.lines = lines.size() > 1;
    const std::string& line = lines.front();

    if (line.find('\t') != std::string::npos || line.find(';') != std::string::npos) {
        pasted.fields = SplitAt(line, line.find('\t') != std::string::npos ? "\t" : ";");
        if (!pasted.fields.empty() && std::find(names.begin(), names.end(), pasted.fields.front()) != names.end()) {
            pasted.label = pasted.fields.front();
            pasted.fields.erase(pasted.fields.begin());
        }
    } else if (line.find(", ") != std::string::npos) {
        pasted.fields = SplitAt(line, ", ");
        pasted.mapOrder = true;
    } else {
        const std::vector<std::string> tokens = Tokens(line);
        pasted.mapOrder = true;
        if (geographic) {
            const std::vector<std::string> groups = AngleGroups(tokens);
            const bool lettered = groups.size() == 2 && AxisOfLetter(groups[0]) && AxisOfLetter(groups[1]);
            pasted.fields = lettered ? groups : tokens;
        } else if (std::vector<std::string> labelled = LabelledMetres(tokens); !labelled.empty()) {
            pasted.fields = std::move(labelled);
        } else {
            pasted.fields = tokens;
        }
    }
    return pasted;
}

std::string RowLine(const MainModel& model, int row) {
    std::string line;
    for (const std::string& text : RowTexts(model, row)) line += (line.empty() ? "" : "\t") + text;
    return line + "\n";
}

std::string HeightLine(const MainModel& model) {
    const std::string& h = model.Text(Ctl::TxtH, height::Ellipsoidal);
    const std::string& H = model.Text(Ctl::TxtH, height::Ostend);
    if (h.empty() && H.empty()) return {};
    return model.Text(Ctl::LbH, 0) + "\t" + model.Text(Ctl::LbH, 1) + "\t" + h + "\t" + model.Text(Ctl::LbH, 2) + "\t" +
           H + "\n";
}

std::string TableLines(const MainModel& model) {
    std::string text;
    for (int c = 0; c < model.Count(Ctl::Lbcol); ++c) text += "\t" + model.Text(Ctl::Lbcol, c);
    text += "\n";
    for (int r = 0; r < RowCount; ++r) {
        const std::string item = r < FirstListRow ? std::string() : model.ListText(ListOfRow(r));
        if (r < FirstListRow || (!item.empty() && item != NoSystem)) text += RowLine(model, r);
    }
    text += HeightLine(model);
    for (int i = 0; i < model.Count(Ctl::LbMethode); ++i)
        if (model.Exists(Ctl::LbMethode, i) && !model.Text(Ctl::LbMethode, i).empty())
            text += model.Text(Ctl::LbMethode, i) + "\n";
    return text;
}

void MainModel::mnu_copier_Click() {
    if (CurrentRow < 0) {
        messages_.Info(AppTitle, "Cliquez d'abord dans la ligne à copier.");
        return;
    }
    host_.SetClipboardText(RowLine(*this, CurrentRow));
}

void MainModel::mnu_copiertout_Click() { host_.SetClipboardText(TableLines(*this)); }

void MainModel::mnu_coller_Click() {
    if (CurrentRow < 0) {
        messages_.Info(AppTitle, "Cliquez d'abord dans la ligne où coller.");
        return;
    }
    const std::string text = host_.ClipboardText();
    if (PasteIntoRow(CurrentRow, text)) return;
    // One value: into the cell of the focus, as the cell's own paste does.
    if (!currentCell_ || RowOf(currentCell_->ctl, currentCell_->index) != CurrentRow) return;
    Text(currentCell_->ctl, currentCell_->index) = Trimmed(text);
    LostFocus(currentCell_->ctl, currentCell_->index);
}

bool MainModel::PasteIntoRow(int r, const std::string& text) {
    const std::vector<ControlRef> cells = RowCells(*this, r);
    if (cells.empty()) return false;
    const bool projectedList = r >= FirstListRow && ListShowsProjection(ListOfRow(r));
    const bool geographic = IsGeographicRow(r) && !projectedList;
    std::vector<std::string> names;
    for (int i = 0; i < FixedRowCount; ++i) names.push_back(Text(Ctl::Lb, i));
    for (const std::string& item : At(Ctl::Combo_projec, 0).items)
        if (item != NoSystem) names.push_back(item);
    PastedLine pasted = SplitPastedLine(text, geographic, names);
    const auto refuse = [&](const std::string& why) {
        messages_.Critical(AppTitle, "Collage refusé dans la ligne « " + RowName(r) + " » : " + why);
        return true;
    };
    if (pasted.lines) return refuse("le texte a plusieurs lignes ; collez une seule ligne.");
    if (!pasted.label.empty() && pasted.label != RowName(r))
        return refuse("le texte vient de la ligne « " + pasted.label + " », dont les valeurs sont d'un autre système.");
    std::vector<std::string>& f = pasted.fields;
    if (f.empty()) return !pasted.label.empty() && refuse("le texte ne contient pas de valeur.");

    std::vector<std::pair<ControlRef, std::string>> writes;
    const int j = DmsIndexOfRow(r);
    if (cells.size() == 1) {
        // An MGRS reference or an IFBL code has blanks of its own: the whole line.
        writes.push_back({cells.front(), f.size() == 1 ? f.front() : Trimmed(text)});
    } else if (f.size() == 1 && pasted.label.empty()) {
        return false;
    } else if (geographic) {
        if (f.size() == 6 && !pasted.mapOrder) f.resize(2);  // a copied geographic row: its DMS cells
        if (f.size() != 2)
            return refuse("il faut deux angles, séparés par une tabulation, un point-virgule, « , » ou un blanc.");
        // The table's order (longitude, latitude) for a spreadsheet line; the
        // order of maps and GPS (latitude, longitude) for a line from a page;
        // hemisphere letters, or a first value beyond 90°, say otherwise.
        bool latitudeFirst = pasted.mapOrder;
        const char first = AxisOfLetter(f[0]), second = AxisOfLetter(f[1]);
        const bool latitude0 = CouldBeLatitude(f[0]), latitude1 = CouldBeLatitude(f[1]);
        if (first && first == second) return refuse("les deux angles sont de la même sorte (N/S ou E/O).");
        if (first || second) latitudeFirst = first ? first == 'N' : second == 'E';
        else if (latitude0 != latitude1) latitudeFirst = latitude0;  // only one of them can be a latitude
        if (latitudeFirst) std::swap(f[0], f[1]);
        writes.push_back({{Ctl::TxtLgDeg, j}, f[0]});
        writes.push_back({{Ctl::TxtLtDeg, j}, f[1]});
    } else {
        const bool utm = projectedList ? IsUtmItem(ListText(ListOfRow(r))) : r == row::UtmWgs84 || r == row::UtmEd50;
        std::string zone;
        if (utm && f.size() == 3 && IsZoneText(f.front()) && !IsZoneText(f.back()))
            std::rotate(f.begin(), f.begin() + 1, f.end());
        if (utm && f.size() == 3 && IsZoneText(f.back())) zone = ZoneDigits(f.back());
        if (f.size() != (zone.empty() ? 2u : 3u))
            return refuse(utm ? "il faut E et N, puis le fuseau s'il est donné." : "il faut deux nombres, X puis Y.");
        const Ctl east = projectedList ? Ctl::TxtLgDeg : Ctl::TxtE, north = projectedList ? Ctl::TxtLtDeg : Ctl::TxtN;
        const int at = projectedList ? j : r;
        writes.push_back({{east, at}, f[0]});
        writes.push_back({{north, at}, f[1]});
        // A zone not given is not kept from another point.
        if (utm) writes.push_back({{Ctl::TxtFus, r}, zone});
    }
    for (const ControlRef& c : RowCells(*this, r, false)) Text(c.ctl, c.index).clear();
    focusRequest_.reset();
    for (const auto& [cell, value] : writes) {
        Text(cell.ctl, cell.index) = value;
        LostFocus(cell.ctl, cell.index);
        if (focusRequest_) return true;  // refused where it landed, and said
    }
    RequestFocus(Ctl::Com_calculer, r);
    return true;
}

}  // namespace app
