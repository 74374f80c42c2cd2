// MGRS references on UTM coordinates, both directions.
//
// The lettering is the usual 100 km square scheme: three column alphabets
// chosen by zone modulo 3, and a 20-letter row alphabet shifted by five
// letters in even zones. Latitude bands differ from the standard ones on
// purpose: every latitude up to 8° (southern ones included) is band "N", and
// above it the band is the letter 'O' + floor(lat / 8), so 8°..16° is "P",
// 80°..88° is "Y". The decoder takes its base northing (the 2000 km multiple
// below the 100 km row) from the band as the program always has.
//
// Letters are looked up in their alphabets rather than computed from
// character codes, so both directions share one table and nothing outside it
// passes: the encoder raises an error for coordinates no reference can hold,
// and the decoder finds the zone as one or two leading digits and rejects any
// letter or digit outside its set, so every reference it accepts names one
// place and every one the encoder writes reads back.

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "core/Constants.h"
#include "base/Text.h"
#include "base/Errors.h"
#include "core/Grid.h"
#include "core/NumberText.h"

namespace core {

namespace {

constexpr double SquareSize = 100000.0;     // one 100 km column or row
constexpr double MaxNorthing = 10000000.0;  // northings have seven digits at most
constexpr int ColumnsPerZone = 8;
constexpr std::int16_t ZoneCount = 60;
constexpr int FieldDigits = 5;     // digits per axis at 1 m
constexpr int FieldSpan = 100000;  // 10^FieldDigits
constexpr std::size_t MaxZoneDigits = 2;
constexpr double BandHeightDeg = 8.0;
constexpr double LastBandTopDeg = 88.0;
constexpr char LowBand = 'N';  // every latitude up to one band height

// Column alphabets by zone modulo 3 (zones 3, 6, ... use the first one).
constexpr std::array<std::string_view, 3> ColumnLetters = {"STUVWXYZ", "ABCDEFGH", "JKLMNPQR"};
// Row alphabets for the row index northing / 100 km modulo 20.
constexpr std::string_view OddZoneRows = "ABCDEFGHJKLMNPQRSTUV";
constexpr std::string_view EvenZoneRows = "FGHJKLMNPQRSTUVABCDE";

bool IsOdd(int zone) { return zone % 2 != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The letters of the standard bands C..X plus this program's top band Y.
bool IsBandLetter(char c) { return c >= 'C' && c <= 'Y' && c != 'I' && c != 'O'; }

char BandLetter(double latDeg) {
    if (latDeg <= BandHeightDeg) return LowBand;
    return static_cast<char>('O' + static_cast<int>(std::floor(latDeg / BandHeightDeg)));
}

base::RuntimeError EncodeError(const std::string& what, double value) {
    return base::RuntimeError(base::err::InvalidCall, what + " : " + FormatGeneral(value) + ".");
}

// The last five digits of the whole metres, zero-padded.
void AppendField(std::string& text, double metres) {
    const long field = static_cast<long>(std::floor(metres)) % FieldSpan;
    std::string digits = FormatGeneral(static_cast<double>(field));
    text.append(FieldDigits - digits.size(), '0');
    text += digits;
}

// A digit group of h <= 5 digits names a cell 10^(5-h) m wide; its centre.
double CellCentre(std::string_view digits) {
    double value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    double cell = 1;
    for (auto k = digits.size(); k < FieldDigits; ++k) cell *= 10;
    return value * cell + (cell > 1 ? cell / 2 : 0);
}

// The 2000 km multiple of the northing: each band threshold passed (or
// reached with a row in the lower part of the row alphabet) lifts it.
double BaseNorthing(char band, char row, bool oddZone) {
    struct Step {
        char band;
        double base;
    };
    constexpr std::array<Step, 4> Steps = {{{'Q', 2e6}, {'S', 4e6}, {'U', 6e6}, {'X', 8e6}}};
    const bool lowRow = oddZone ? (row >= 'A' && row < 'L') : (row >= 'F' && row < 'R');
    double base = 0;
    for (const Step& s : Steps)
        if (band > s.band || (band == s.band && lowRow)) base = s.base;
    return base;
}

}  // namespace

void RemoveSpaces(std::string& text) { std::erase(text, ' '); }

void CleanReference(std::string& text) {
    RemoveSpaces(text);
    text = base::AsciiUpper(std::move(text));
}

void UtmToMgrs(double lat, std::int16_t zone, double easting, double northing, std::string& reference) {
    if (zone < 1 || zone > ZoneCount) throw EncodeError("Fuseau UTM hors de 1 à 60", zone);
    const double latDeg = lat / Pi * HalfCircleDeg;
    if (!(latDeg < LastBandTopDeg)) throw EncodeError("Latitude hors des bandes MGRS (88° au plus)", latDeg);
    if (!(easting >= SquareSize && easting < (ColumnsPerZone + 1) * SquareSize))
        throw EncodeError("Abscisse UTM hors des colonnes MGRS", easting);
    if (!(northing >= 0 && northing < MaxNorthing)) throw EncodeError("Ordonnée UTM hors des limites MGRS", northing);

    const auto column = static_cast<std::size_t>(std::floor(easting / SquareSize)) - 1;
    const std::string_view rows = IsOdd(zone) ? OddZoneRows : EvenZoneRows;
    const auto row = static_cast<std::size_t>(std::floor(northing / SquareSize)) % rows.size();

    std::string text = FormatGeneral(zone);
    text += BandLetter(latDeg);
    text += ColumnLetters[static_cast<std::size_t>(zone % 3)][column];
    text += rows[row];
    AppendField(text, easting);
    AppendField(text, northing);
    reference = std::move(text);
}

void MgrsToUtm(std::int16_t& zone, double& easting, double& northing, std::string& reference) {
    CleanReference(reference);
    const std::string_view r = reference;
    const auto unreadable = [&](const char* why) {
        return base::RuntimeError(base::err::BadReference,
                                  "Référence MGRS illisible : " + reference + " (" + why + ").");
    };

    std::size_t zoneDigits = 0;
    while (zoneDigits < r.size() && IsDigit(r[zoneDigits])) ++zoneDigits;
    if (zoneDigits == 0 || zoneDigits > MaxZoneDigits) throw unreadable("fuseau absent ou trop long");
    const auto z = static_cast<std::int16_t>(ValNumber(r.substr(0, zoneDigits)));
    if (z < 1 || z > ZoneCount) throw unreadable("fuseau hors de 1 à 60");

    if (r.size() < zoneDigits + 3) throw unreadable("lettre manquante");
    const char band = r[zoneDigits];
    const char columnLetter = r[zoneDigits + 1];
    const char rowLetter = r[zoneDigits + 2];
    if (!IsBandLetter(band)) throw unreadable("lettre de bande incorrecte");
    const std::size_t column = ColumnLetters[static_cast<std::size_t>(z % 3)].find(columnLetter);
    if (column == std::string_view::npos) throw unreadable("lettre de colonne incorrecte pour ce fuseau");
    const std::size_t row = (IsOdd(z) ? OddZoneRows : EvenZoneRows).find(rowLetter);
    if (row == std::string_view::npos) throw unreadable("lettre de ligne incorrecte");

    const std::string_view digits = r.substr(zoneDigits + 3);
    if (!std::all_of(digits.begin(), digits.end(), IsDigit)) throw unreadable("caractère non numérique");
    if (digits.size() % 2 != 0 || digits.size() > 2 * FieldDigits)
        throw unreadable("nombre de chiffres impair ou supérieur à dix");

    const std::size_t half = digits.size() / 2;
    const double e = CellCentre(digits.substr(0, half)) + static_cast<double>(column + 1) * SquareSize;
    const double n = CellCentre(digits.substr(half)) + static_cast<double>(row) * SquareSize +
                     BaseNorthing(band, rowLetter, IsOdd(z));
    zone = z;
    easting = e;
    northing = n;
}

}  // namespace core
