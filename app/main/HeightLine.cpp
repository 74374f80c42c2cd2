// The height line of the main window: an ETRS89 ellipsoidal height h and an
// Ostend height H (DNG/TAW), H = h - N with N from the quasi-geoid hBG18 at
// the point's WGS 84 position, which the table takes as ETRS89 (they differ
// by centimetres, N by far less over such a shift).
//
// The height typed last is the input; the other cell is always the
// computed one, so a Calc never has to guess which of two numbers to trust.

#include <cmath>

#include "app/main/CellText.h"
#include "app/main/MainModel.h"
#include "base/Errors.h"
#include "core/Constants.h"
#include "core/NumberText.h"
#include "core/QuasiGeoid.h"
#include "core/StrictText.h"

namespace app {

namespace {

constexpr int Metre = 3;  // decimals of metres in the cells

char KindOf(int cell) { return cell == height::Ostend ? core::OstendHeight : core::EllipsoidalHeight; }
int OtherOf(int cell) { return cell == height::Ostend ? height::Ellipsoidal : height::Ostend; }
bool Blank(const std::string& text) { return core::TrimTypedBlanks(text).empty(); }

double HeightValue(const std::string& text, const std::string& name) {
    const double value = CellNumber(text, "« " + name + " »");
    if (!std::isfinite(value))
        throw Refused("la case « " + name + " » ne contient pas une hauteur : « " + text + " ».");
    return value;
}

}  // namespace

std::string MainModel::HeightName(int cell) const { return Text(Ctl::LbH, cell + 1); }

void MainModel::TxtH_LostFocus(int Index) {
    if (Index != height::Ellipsoidal && Index != height::Ostend) return;
    std::string& cell = Text(Ctl::TxtH, Index);
    const int other = OtherOf(Index);
    if (cell != heightShown_[Index]) {
        // A new height: the other one was computed from the old. Emptying
        // the computed cell alone leaves the typed one as it is.
        const bool wasInput = heightInput_ == Index;
        if (!Blank(cell) || wasInput) {
            Text(Ctl::TxtH, other).clear();
            heightShown_[other].clear();
        }
        if (!Blank(cell)) heightInput_ = Index;
        else if (wasInput) heightInput_.reset();
    }
    heightShown_[Index] = cell;
    if (Blank(cell)) return;
    core::CommaToPoint(cell);
    heightShown_[Index] = cell;
    try {
        HeightValue(cell, HeightName(Index));
    } catch (const std::exception& e) {
        EnterPressed = false;
        messages_.Critical(AppTitle, "Hauteur refusée : " + std::string(e.what()));
        RequestFocus(Ctl::TxtH, Index);  // back to the text to correct
        return;
    }
    MoveFocusOnEnter(Ctl::Com_hauteur, 0);
}

std::optional<MainModel::HeightInput> MainModel::ReadHeightLine() const {
    const bool ellipsoidal = !Blank(Text(Ctl::TxtH, height::Ellipsoidal)),
               ostend = !Blank(Text(Ctl::TxtH, height::Ostend));
    int cell = height::Ellipsoidal;
    if (heightInput_ && !Blank(Text(Ctl::TxtH, *heightInput_))) cell = *heightInput_;
    else if (ellipsoidal && ostend)
        throw Refused("les deux hauteurs sont remplies : videz celle que le calcul doit donner.");
    else if (ostend) cell = height::Ostend;
    else if (!ellipsoidal) return std::nullopt;
    return HeightInput{cell, HeightValue(Text(Ctl::TxtH, cell), HeightName(cell))};
}

void MainModel::FillHeightLine(const std::optional<HeightInput>& input) {
    if (!input) return;
    const int other = OtherOf(input->cell);
    std::string& out = Text(Ctl::TxtH, other);
    out.clear();
    heightShown_[other].clear();
    const std::string what = "Pas de « " + HeightName(other) + " »";
    double lon = 0, lat = 0;
    try {
        lon = CellNumber(Text(Ctl::TxtE, row::Wgs84), "Longitude (rad)");
        lat = CellNumber(Text(Ctl::TxtN, row::Wgs84), "Latitude (rad)");
    } catch (const std::exception& e) {
        messages_.Critical(AppTitle, what + " : " + e.what());
        return;
    }
    // The cells hold longitudes from 0 to 360 degrees; the model's run from 1 to 7.
    lon = std::remainder(lon, 2 * core::Pi);
    double result = 0;
    try {
        if (!core::ConvertHeight(KindOf(input->cell), KindOf(other), lon, lat, input->value, result)) {
            const double toDeg = core::HalfCircleDeg / core::Pi;
            messages_.Critical(AppTitle, what + " : le point (" + core::FormatFixed(lon * toDeg, 6) + "° E, " +
                                             core::FormatFixed(lat * toDeg, 6) +
                                             "° N) est hors du modèle hBG18, qui couvre la Belgique (de 1° à 7° E, "
                                             "de 48,5° à 52,5° N).");
            return;
        }
    } catch (const base::RuntimeError& e) {
        messages_.Critical(AppTitle, what + " : le modèle hBG18 ne peut être lu (erreur " + std::to_string(e.number) +
                                         ") : " + e.what());
        return;
    }
    out = core::FormatFixed(result, Metre);
    heightShown_[other] = out;
}

void MainModel::ClearFilledHeight() {
    if (!heightInput_) return;
    const int other = OtherOf(*heightInput_);
    Text(Ctl::TxtH, other).clear();
    heightShown_[other].clear();
}

void MainModel::Com_hauteur_Click() {
    CursorGuard cursor(*this);
    std::optional<HeightInput> input;
    try {
        input = ReadHeightLine();
        if (!input) throw Refused("tapez une des deux hauteurs : le calcul donne l'autre.");
        // The point the last Calc computed, not one typed since.
        if (!StillShows({{Ctl::TxtE, row::Wgs84}, {Ctl::TxtN, row::Wgs84}}))
            throw Refused(
                "le tableau ne montre pas de point calculé : tapez le point et pressez le bouton Calc "
                "de sa ligne, la hauteur se calcule à sa position.");
    } catch (const std::exception& e) {
        messages_.Critical(AppTitle, "Calcul de hauteur impossible : " + std::string(e.what()));
        return;
    }
    FillHeightLine(input);
}

}  // namespace app
