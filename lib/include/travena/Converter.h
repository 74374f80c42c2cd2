#pragma once
// Travena's conversions for other programs: arrays of points from one system
// to another, through the very steps of `travena-cli convert` and the batch
// run, so that every number has the same bits as their 15-digit texts.
//
//   travena::Converter c("BE LB72", "W Geographic WGS84", 3);
//   std::vector<double> x{150000}, y{170000}, lon(1), lat(1);
//   std::vector<std::int32_t> status(1);
//   c.Convert({.x = x, .y = y}, {.x = lon, .y = lat, .status = status});
//
// Systems are named as `travena-cli systems` lists them. The parameter
// database (by default the one travena-cli finds, see DefaultParams) is read
// when the converter is made and checked again, as cheaply as the command
// line does, at each Convert: an edit saved meanwhile applies to the next one.
//
// Threads: Convert is const and may run on one converter from any number of
// threads at once; each thread keeps its own connection to the database and
// its own cache of parameter records.

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace travena {

// What a converter refuses when it is made, with the program's error number
// and a French description.
struct Error : std::runtime_error {
    Error(int errorNumber, const std::string& description) : std::runtime_error(description), number(errorNumber) {}
    int number;
};

// How a system writes a point.
enum class Kind : int {
    Projected = 1,   // X and Y in metres
    Geographic = 2,  // longitude and latitude in decimal degrees
    Utm = 3,         // easting, northing and zone
    Mgrs = 4,        // a grid reference text
    Ifbl = 5,        // an IFBL grid cell code
};

// The kinds of height: ETRS89 ellipsoidal (a GNSS receiver's), and Ostend
// (DNG/TAW, Belgian levelling) through the quasi-geoid hBG18, H = h - N.
enum class Height : char { Ellipsoidal = 'h', Ostend = 'H' };

// The points to convert: x and y (and zone for UTM) for the numeric kinds,
// references for MGRS and IFBL; the other spans may stay empty. With
// heights, one per point of kind heightIn, each comes out as heightOut, as
// `travena-cli convert --height IN:OUT` writes it.
struct Input {
    std::span<const double> x, y;
    std::span<const double> zone;
    std::span<const std::string> reference;
    std::span<const double> height;
    Height heightIn = Height::Ellipsoidal, heightOut = Height::Ostend;
};

// Where the results go, one element per point. A failed point gets NaN
// coordinates, zone 0, an empty reference and its error number in status.
// x and y are not written for an MGRS or IFBL output, reference only for
// them; zone is the UTM zone (of the MGRS reference too), else 0. message,
// when not empty, receives the French cause of each failed point (empty for
// the others). height is needed with input heights: a point outside the
// height model (Belgium) keeps its coordinates but gets a NaN height and
// an error number, as travena-cli writes "*" for its height alone.
struct Output {
    std::span<double> x, y;
    std::span<std::int32_t> zone;
    std::span<std::string> reference;
    std::span<std::int32_t> status;
    std::span<std::string> message;
    std::span<double> height;
};

// The parameter database a converter without its own reads: the one beside
// the program holding this library (a Python module's folder, or an
// executable's), else the one travena-cli would take for this user.
std::string DefaultParams();

// The system names of a parameter database (empty: DefaultParams()), as
// `travena-cli systems` prints them.
std::vector<std::string> Systems(const std::string& params = "");

// The highest datum transformation method a converter takes: 1 geocentric
// translation, 2 abridged Molodensky, 3 Helmert 7 parameters, 4 the IGN grid
// between BD72 and ETRS89 (Helmert for other datums and outside the grid).
int MaxMethod();

// The number a table cell's text holds, read as the batch run reads a
// coordinate field (blanks around it, a decimal comma as a point); NaN for a
// text that is not wholly one number ("1_000", "12 m", "nan", ""), which
// Convert then refuses as the batch run refuses the field.
double ReadNumber(std::string_view text);

class Converter {
public:
    // Throws Error for an unknown or repeated system, a method outside 1 to
    // MaxMethod(), or a database that cannot be read.
    Converter(const std::string& from, const std::string& to, int method = 1, const std::string& params = "");
    ~Converter();
    Converter(Converter&&) noexcept;
    Converter& operator=(Converter&&) noexcept;

    Kind From() const;
    Kind To() const;
    const std::string& Params() const;
    // The output columns a batch run adds for this output system ("X_BE_LB72",
    // "W__Long", "E_WGS84_UTM" ... "Fuseau").
    std::vector<std::string> Columns() const;

    // Converts in's points into out's spans (sizes: the number of points, or
    // empty where Output says a span may be); returns how many failed.
    // Throws Error (5) for spans of wrong sizes, before any point. `threads`
    // share the points (0: one per core); the results do not depend on it.
    std::size_t Convert(const Input& in, const Output& out, int threads = 1) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace travena
