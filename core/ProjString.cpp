// PROJ strings read into parameter records and written from them.

#include "core/ProjString.h"

#include <array>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "base/Errors.h"
#include "core/Constants.h"
#include "core/AngleText.h"
#include "core/Datum.h"
#include "core/NumberText.h"
#include "core/ParamRules.h"
#include "core/ProjShared.h"
#include "core/StrictText.h"

namespace core {

namespace {

// PROJ's ellipsoids most used in Europe, as PROJ defines them (cs2cs -le);
// those PROJ defines by b carry the 1/f that b gives.
struct NamedEllipsoid {
    const char* name;
    double a, rf;
};
constexpr std::array<NamedEllipsoid, 20> Ellipsoids{
    {{"WGS84", 6378137, 298.257223563},
     {"GRS80", 6378137, 298.257222101},
     {"intl", 6378388, 297},
     {"bessel", 6377397.155, 299.1528128},
     {"bess_nam", 6377483.865, 299.1528128},
     {"clrk80ign", 6378249.2, 293.4660212936269},
     {"clrk80", 6378249.145, 293.4663},
     {"clrk66", 6378206.4, 6378206.4 / (6378206.4 - 6356583.8)},
     {"airy", 6377563.396, 299.3249646},
     {"mod_airy", 6377340.189, 6377340.189 / (6377340.189 - 6356034.446)},
     {"GRS67", 6378160, 298.2471674270},
     {"krass", 6378245, 298.3},
     {"hough", 6378270, 297},
     {"helmert", 6378200, 298.3},
     {"aust_SA", 6378160, 298.25},
     {"WGS72", 6378135, 298.26},
     {"evrst30", 6377276.345, 300.8017},
     {"delmbr", 6376428, 311.5},
     {"plessis", 6376523, 6376523.0 / (6376523.0 - 6355863.0)},
     {"andrae", 6377104.43, 300}}};

// PROJ's datums that need no grid, with their ellipsoid and shift.
struct NamedDatum {
    const char* name;
    const char* ellipsoid;
    std::array<double, 7> towgs84;
    int count;
};
constexpr std::array<NamedDatum, 9> Datums{
    {{"WGS84", "WGS84", {0, 0, 0}, 3},
     {"NAD83", "GRS80", {0, 0, 0}, 3},
     {"GGRS87", "GRS80", {-199.87, 74.79, 246.62}, 3},
     {"carthage", "clrk80ign", {-263.0, 6.0, 431.0}, 3},
     {"potsdam", "bessel", {598.1, 73.7, 418.2, 0.202, 0.045, -2.455, 6.7}, 7},
     {"hermannskogel", "bessel", {577.326, 90.129, 463.919, 5.137, 1.474, 5.297, 2.4232}, 7},
     {"ire65", "mod_airy", {482.530, -130.596, 564.557, -1.042, -0.214, -0.631, 8.15}, 7},
     {"nzgd49", "intl", {59.47, -5.04, 187.44, 0.47, -0.1, 1.024, -4.5993}, 7},
     {"OSGB36", "airy", {446.448, -125.157, 542.060, 0.1502, 0.2470, 0.8421, -20.4894}, 7}}};

// Parameters read and not needing a value of their own here.
constexpr std::array<std::string_view, 5> Ignored = {"no_defs", "wktext", "type", "title", "approx"};

constexpr double UtmScale = 0.9996, UtmEasting = 500000, UtmSouthNorthing = 10000000;
constexpr int UtmZones = 60, UtmZoneWidthDeg = 6, UtmFirstMeridianDeg = -183, DefaultZone = 31;

[[noreturn]] void Refuse(const std::string& text) { throw base::RuntimeError(base::err::BadParameter, text); }

std::string Quoted(std::string_view key) { return "« +" + std::string(key) + " »"; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

double Radians(double degrees) { return degrees / HalfCircleDeg * Pi; }
double Degrees(double radians) { return radians / Pi * HalfCircleDeg; }

// The parameters of one string by key, each read once.
class Parameters {
public:
    explicit Parameters(const std::string& text) {
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t begin = text.find_first_not_of(" \t\r\n", at);
            if (begin == std::string::npos) break;
            std::size_t end = text.find_first_of(" \t\r\n", begin);
            if (end == std::string::npos) end = text.size();
            std::string_view token(text.data() + begin, end - begin);
            at = end;
            if (token.front() == '+') token.remove_prefix(1);
            const std::size_t eq = token.find('=');
            const std::string key(token.substr(0, eq));
            if (key.empty()) Refuse("La chaîne PROJ contient un paramètre sans nom : « " + std::string(token) + " ».");
            if (values_.count(key)) Refuse("Le paramètre " + Quoted(key) + " est donné deux fois.");
            values_[key] = eq == std::string_view::npos ? std::string() : std::string(token.substr(eq + 1));
        }
        if (values_.empty()) Refuse("La chaîne PROJ est vide.");
    }

    bool Has(const std::string& key) const { return values_.count(key) > 0; }

    // The text of `key`, marked as understood.
    std::optional<std::string> Text(const std::string& key) {
        const auto it = values_.find(key);
        if (it == values_.end()) return std::nullopt;
        used_[key] = true;
        return it->second;
    }

    std::optional<double> Number(const std::string& key) {
        const std::optional<std::string> t = Text(key);
        if (!t) return std::nullopt;
        if (!IsPlainNumber(*t) || t->find_first_of(" \t") != std::string::npos)
            Refuse("Le paramètre " + Quoted(key) + " doit être un nombre : « " + *t + " ».");
        const double v = ValNumber(*t);
        if (!std::isfinite(v)) Refuse("Le paramètre " + Quoted(key) + " est trop grand : « " + *t + " ».");
        return v;
    }

    double Number(const std::string& key, double fallback) { return Number(key).value_or(fallback); }

    // An angle in PROJ's forms: decimal degrees, or D d M ' S " with an
    // optional hemisphere letter (47d08'39.8174"N); radians out.
    std::optional<double> Angle(const std::string& key) {
        const std::optional<std::string> t = Text(key);
        if (!t) return std::nullopt;
        // PROJ's degree mark is a "d"; the letters N, S, E, W and a sign are
        // the one angle reader's.
        std::string text = *t;
        for (std::size_t at; (at = text.find_first_of("dD")) != std::string::npos;) text.replace(at, 1, "\xC2\xB0");
        double degrees = 0;
        try {
            degrees = ReadAngleText(text).degrees;
        } catch (const base::RuntimeError&) {
            Refuse("Le paramètre " + Quoted(key) + " doit être un angle en degrés : « " + *t + " ».");
        }
        return Radians(degrees);
    }

    double Angle(const std::string& key, double fallback) { return Angle(key).value_or(fallback); }

    void IgnoreKnown() {
        for (std::string_view key : Ignored) Text(std::string(key));
    }

    // Every parameter not read is one the types cannot hold.
    void RefuseUnread() const {
        for (const auto& [key, value] : values_)
            if (!used_.count(key))
                Refuse("Le paramètre " + Quoted(key) +
                       " n'est pas pris en charge : les cinq types de projection et "
                       "les décalages +towgs84 ne peuvent pas le représenter.");
    }

private:
    std::map<std::string, std::string> values_;
    std::map<std::string, bool> used_;
};

const NamedEllipsoid* FindEllipsoid(std::string_view name) {
    for (const NamedEllipsoid& e : Ellipsoids)
        if (SameName(e.name, name)) return &e;
    return nullptr;
}

void ReadEllipsoid(Parameters& p, ProjDefinition& d, const NamedEllipsoid* fromDatum) {
    if (p.Has("R")) Refuse("Une sphère (« +R ») n'est pas un ellipsoïde : donnez +ellps, ou +a avec +rf.");
    const std::optional<std::string> ellps = p.Text("ellps");
    const bool byAxes = p.Has("a");
    if ((ellps || fromDatum) && byAxes)
        Refuse("Donnez l'ellipsoïde par +ellps (ou +datum) ou par +a avec +rf, pas les deux.");
    if (ellps || fromDatum) {
        const NamedEllipsoid* e = ellps ? FindEllipsoid(*ellps) : fromDatum;
        if (!e) Refuse("L'ellipsoïde « +ellps=" + *ellps + " » n'est pas connu : donnez-le par +a et +rf.");
        if (ellps && fromDatum && e != fromDatum)
            Refuse("Le paramètre « +ellps » contredit l'ellipsoïde de « +datum ».");
        d.ellipsoidName = e->name;
        d.ellipsoid = {e->a, EccentricityOf(e->rf), e->rf};
        return;
    }
    if (!byAxes) Refuse("L'ellipsoïde manque : donnez +ellps, ou +a avec +rf.");
    const double a = *p.Number("a");
    double f = 0;
    int given = 0;
    if (const auto rf = p.Number("rf")) f = 1 / *rf, ++given;
    if (const auto flat = p.Number("f")) f = *flat, ++given;
    if (const auto b = p.Number("b")) f = (a - *b) / a, ++given;
    if (const auto e = p.Number("e")) f = 1 - std::sqrt(1 - *e * *e), ++given;
    if (const auto es = p.Number("es")) f = 1 - std::sqrt(1 - *es), ++given;
    if (given != 1) Refuse("Avec « +a », donnez une et une seule de +rf, +f, +b, +e ou +es.");
    if (!(f > 0 && f < 1)) Refuse("L'aplatissement que donne la chaîne PROJ n'est pas celui d'un ellipsoïde.");
    d.ellipsoid = {a, std::sqrt(f * (2 - f)), 1 / f};
}

void SetShift(DatumParams& datum, const double* v, std::size_t count) {
    if (count == 3) {
        datum.dX = datum.dX7 = static_cast<float>(v[0]);
        datum.dY = datum.dY7 = static_cast<float>(v[1]);
        datum.dZ = datum.dZ7 = static_cast<float>(v[2]);
        return;
    }
    datum.dX7 = static_cast<float>(v[0]);
    datum.dY7 = static_cast<float>(v[1]);
    datum.dZ7 = static_cast<float>(v[2]);
    datum.rX = static_cast<float>(v[3]);
    datum.rY = static_cast<float>(v[4]);
    datum.rZ = static_cast<float>(v[5]);
    datum.dS = static_cast<float>(v[6]);
}

// +datum and +towgs84; the ellipsoid a named datum implies.
const NamedEllipsoid* ReadDatum(Parameters& p, ProjDefinition& d) {
    for (const char* grid : {"nadgrids", "geoidgrids", "vunits", "geoid_crs"})
        if (p.Has(grid))
            Refuse("Le paramètre " + Quoted(grid) +
                   " demande une grille, que ce programme ne lit pas : "
                   "donnez les décalages par +towgs84 (3 ou 7 valeurs).");
    const std::optional<std::string> named = p.Text("datum");
    const std::optional<std::string> towgs84 = p.Text("towgs84");
    if (named && towgs84) Refuse("Donnez « +datum » ou « +towgs84 », pas les deux.");
    if (named) {
        for (const NamedDatum& n : Datums)
            if (SameName(n.name, *named)) {
                SetShift(d.datum, n.towgs84.data(), std::size_t(n.count));
                return FindEllipsoid(n.ellipsoid);
            }
        Refuse("Le datum « +datum=" + *named + " » n'est pas connu sans grille : donnez ses décalages par +towgs84.");
    }
    if (towgs84) {
        std::vector<double> v;
        std::size_t at = 0;
        while (at <= towgs84->size()) {
            std::size_t comma = towgs84->find(',', at);
            if (comma == std::string::npos) comma = towgs84->size();
            const std::string item = towgs84->substr(at, comma - at);
            if (!IsPlainNumber(item))
                Refuse("« +towgs84 » doit être une liste de nombres séparés par des virgules : « " + *towgs84 + " ».");
            v.push_back(ValNumber(item));
            at = comma + 1;
        }
        if (v.size() != 3 && v.size() != 7)
            Refuse("« +towgs84 » doit donner 3 ou 7 valeurs ; la chaîne en donne " + std::to_string(v.size()) + ".");
        SetShift(d.datum, v.data(), v.size());
    }
    return nullptr;
}

void ReadUnitsAndAxes(Parameters& p, bool northFirstAllowed) {
    if (const auto units = p.Text("units"); units && *units != "m")
        Refuse("Seules les coordonnées en mètres sont prises en charge (« +units=" + *units + " »).");
    if (const auto toMeter = p.Number("to_meter"); toMeter && *toMeter != 1)
        Refuse("Seules les coordonnées en mètres sont prises en charge (« +to_meter »).");
    if (const auto pm = p.Text("pm"); pm && *pm != "greenwich" && *pm != "0")
        Refuse("Seul le méridien d'origine de Greenwich est pris en charge (« +pm=" + *pm + " »).");
    if (const auto axis = p.Text("axis"); axis && *axis != "enu" && !(northFirstAllowed && *axis == "neu"))
        Refuse("L'ordre des axes « +axis=" + *axis + " » n'est pas pris en charge.");
}

void ReadCommon(Parameters& p, ProjectionParams& r) {
    r.Lt0 = p.Angle("lat_0", 0);
    r.Lg0 = p.Angle("lon_0", 0);
    r.FE = p.Number("x_0", 0);
    r.fn = p.Number("y_0", 0);
    const std::optional<double> k0 = p.Number("k_0"), k = p.Number("k");
    if (k0 && k) Refuse("Donnez « +k_0 » ou « +k », pas les deux.");
    r.k0 = k0 ? *k0 : k.value_or(1);
}

void ReadLcc(Parameters& p, ProjectionParams& r, const EllipsoidParams& ell) {
    ReadCommon(p, r);
    const bool originGiven = p.Has("lat_0");
    const std::optional<double> lat1 = p.Angle("lat_1"), lat2 = p.Angle("lat_2");
    if (!lat1) Refuse("La projection « +proj=lcc » demande « +lat_1 ».");
    // As PROJ reads it: without +lat_2, one parallel only when the origin
    // lies on it (or is not given), else a second parallel at the equator.
    const bool oneParallel = lat2 ? *lat2 == *lat1 : originGiven && r.Lt0 == *lat1;
    if (!oneParallel) {
        r.Type = 2;
        r.Lt1 = *lat1;
        r.Lt2 = lat2.value_or(0);
        return;
    }
    // One parallel: its cone is type 5's, whose origin lies on the parallel;
    // an origin elsewhere on the meridian only moves the false northing.
    r.Type = 5;
    const double origin = r.Lt0;
    r.Lt0 = *lat1;
    if (origin != r.Lt0) {
        if (std::fabs(origin) >= Pi / 2 || std::fabs(*lat1) >= Pi / 2 || *lat1 == 0)
            Refuse("La latitude d'origine « +lat_0 » de ce cône à un parallèle ne peut pas être représentée.");
        const proj::Ell g(ell);
        const double n = std::sin(*lat1);
        const double F = proj::MFn(*lat1, g.e2) / (n * std::pow(proj::TFn(*lat1, g.e), n));
        const auto radius = [&](double phi) { return g.a * F * std::pow(proj::TFn(phi, g.e), n) * r.k0; };
        r.fn += radius(origin) - radius(*lat1);
    }
}

void ReadProjection(Parameters& p, ProjDefinition& d) {
    const std::optional<std::string> name = p.Text("proj");
    if (!name) Refuse("La chaîne PROJ ne dit pas sa projection (« +proj=... »).");
    ProjectionParams& r = d.projection;
    const std::string& n = *name;
    if (n == "longlat" || n == "latlong" || n == "lonlat" || n == "latlon") {
        d.geographic = true;
        ReadUnitsAndAxes(p, false);
        return;
    }
    if (n == "tmerc" || n == "etmerc") {
        p.Text("algo");
        ReadCommon(p, r);
        r.Type = 1;
    } else if (n == "utm") {
        const std::optional<double> zone = p.Number("zone");
        if (!zone || *zone != std::floor(*zone) || *zone < 1 || *zone > UtmZones)
            Refuse("La projection « +proj=utm » demande un fuseau « +zone » de 1 à 60.");
        const bool south = p.Text("south").has_value();
        r = {{},
             UtmEasting,
             south ? UtmSouthNorthing : 0,
             UtmScale,
             Radians(*zone * UtmZoneWidthDeg + UtmFirstMeridianDeg),
             0,
             0,
             0,
             0,
             1};
    } else if (n == "lcc") {
        ReadLcc(p, r, d.ellipsoid);
    } else if (n == "sterea") {
        ReadCommon(p, r);
        r.Type = 4;
    } else if (n == "somerc" || n == "omerc") {
        if (n == "omerc") {
            // Hotine's oblique Mercator with its centre line due east is the
            // conformal-sphere construction of type 3.
            const std::optional<double> alpha = p.Angle("alpha"), gamma = p.Angle("gamma");
            const std::optional<double> lonc = p.Angle("lonc");
            p.Text("no_uoff");
            if (!alpha || std::fabs(Degrees(*alpha) - 90) > 1e-9 || (gamma && std::fabs(Degrees(*gamma) - 90) > 1e-9))
                Refuse(
                    "Seule la projection « +proj=omerc » d'azimut « +alpha=90 » (et « +gamma=90 ») correspond "
                    "au type Mercator oblique.");
            if (!lonc || p.Has("lon_0"))
                Refuse("La projection « +proj=omerc » demande son méridien central par « +lonc ».");
            ReadCommon(p, r);
            r.Lg0 = *lonc;
        } else {
            ReadCommon(p, r);
        }
        // The type writes the northing first: FE is the northing origin.
        std::swap(r.FE, r.fn);
        r.Type = 3;
    } else {
        Refuse("La projection « +proj=" + n +
               " » ne correspond à aucun des cinq types (tmerc, utm, lcc, somerc, "
               "omerc, sterea ; longlat pour des coordonnées géographiques).");
    }
    ReadUnitsAndAxes(p, r.Type == 3);
}

// --- Writing

std::string Number(double v) { return FormatGeneral(v); }

std::string Shortest(float v) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
    return std::string(buffer, end);
}

std::string Deg(double radians) { return Number(Degrees(radians)); }

std::string EllipsoidText(const EllipsoidParams& e) {
    // The formulas read ec, PROJ reads 1/f: a name or +rf only when both give the same e.
    constexpr double Agreement = 1e-15;
    for (const NamedEllipsoid& n : Ellipsoids)
        if (n.a == e.a && std::fabs(EccentricityOf(n.rf) - e.ec) <= Agreement) return std::string(" +ellps=") + n.name;
    if (std::fabs(EccentricityOf(e.unf) - e.ec) <= Agreement) return " +a=" + Number(e.a) + " +rf=" + Number(e.unf);
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, e.ec).ptr;
    return " +a=" + Number(e.a) + " +e=" + std::string(buffer, end);
}

// The shift the datum transformation uses from this datum to WGS 84.
std::string ShiftText(const DatumParams& d, std::int16_t method) {
    // Summed in single precision and in the order the transformation sums them.
    const float sum3 = d.dX + d.dY + d.dZ, sum7 = d.dX7 + d.dY7 + d.dZ7;
    float all = 0;
    for (float v : {d.dX, d.dY, d.dZ, d.dX7, d.dY7, d.dZ7}) all = all + v;
    if (all == 0) return " +towgs84=0,0,0";  // taken as WGS 84 itself
    const bool seven = method == method::Helmert || sum3 == 0;
    std::string t = " +towgs84=";
    if (seven && sum7 != 0) {
        for (float v : {d.dX7, d.dY7, d.dZ7, d.rX, d.rY, d.rZ, d.dS}) t += Shortest(v) + ",";
    } else if (seven) {
        for (float v : {d.dX7, d.dY7, d.dZ7}) t += Shortest(v) + ",";
    } else {
        for (float v : {d.dX, d.dY, d.dZ}) t += Shortest(v) + ",";
    }
    t.pop_back();
    return t;
}

std::string Tail(const DatumParams& d, const EllipsoidParams& e, std::int16_t method) {
    return EllipsoidText(e) + ShiftText(d, method) + " +units=m +no_defs";
}

std::string Origin(const ProjectionParams& p, double lon0, bool withK0) {
    std::string t = " +lat_0=" + Deg(p.Lt0) + " +lon_0=" + Deg(lon0);
    if (withK0) t += " +k_0=" + Number(p.k0);
    return t;
}

std::string FalseOrigin(double x0, double y0) { return " +x_0=" + Number(x0) + " +y_0=" + Number(y0); }

}  // namespace

ProjDefinition ReadProjString(const std::string& text) {
    Parameters p(text);
    ProjDefinition d;
    p.IgnoreKnown();
    const NamedEllipsoid* datumEllipsoid = ReadDatum(p, d);
    ReadEllipsoid(p, d, datumEllipsoid);
    ReadProjection(p, d);
    p.RefuseUnread();
    if (const auto fault = CheckEllipsoid(d.ellipsoid))
        Refuse("La chaîne PROJ donne un ellipsoïde que les formules ne peuvent pas utiliser : " + fault->column +
               " = " + Number(fault->value) + " (" + fault->expected + ").");
    if (!d.geographic)
        if (const auto fault = CheckProjection(d.projection))
            Refuse("La chaîne PROJ donne une projection que les formules ne peuvent pas calculer : colonne " +
                   fault->column + " = " + Number(fault->value) + " (" + fault->expected + ").");
    return d;
}

std::string GeographicProjString(const DatumParams& datum, const EllipsoidParams& ellipsoid, std::int16_t method) {
    return "+proj=longlat" + Tail(datum, ellipsoid, method);
}

std::string ProjectionProjString(const ProjectionParams& p, const DatumParams& datum, const EllipsoidParams& ellipsoid,
                                 std::int16_t method, int zone) {
    std::string t;
    switch (p.Type) {
    case 1: {
        // Automatic zones: the string of one zone.
        const double lon0 =
            p.Lg0 == 0
                ? Radians((zone >= 1 && zone <= UtmZones ? zone : DefaultZone) * UtmZoneWidthDeg + UtmFirstMeridianDeg)
                : p.Lg0;
        const double z = (Degrees(lon0) - UtmFirstMeridianDeg) / UtmZoneWidthDeg;
        const bool utm = p.FE == UtmEasting && (p.fn == 0 || p.fn == UtmSouthNorthing) && p.k0 == UtmScale &&
                         p.Lt0 == 0 && std::fabs(z - std::round(z)) < 1e-12 && z >= 0.5 && z < UtmZones + 0.5;
        if (utm) {
            t = "+proj=utm +zone=" + std::to_string(int(std::round(z))) + (p.fn == 0 ? "" : " +south");
            break;
        }
        t = "+proj=tmerc" + Origin(p, lon0, true) + FalseOrigin(p.FE, p.fn);
        break;
    }
    case 2: {
        // theta - aa = n (lambda - (Lg0 + aa / n)): the rotation is a meridian.
        double lon0 = p.Lg0;
        if (p.aa != 0) {
            const proj::Ell g(ellipsoid);
            const double n = (std::log(proj::MFn(p.Lt1, g.e2)) - std::log(proj::MFn(p.Lt2, g.e2))) /
                             (std::log(proj::TFn(p.Lt1, g.e)) - std::log(proj::TFn(p.Lt2, g.e)));
            lon0 = p.Lg0 + p.aa / n;
        }
        t = "+proj=lcc" + Origin(p, lon0, p.k0 != 1) + " +lat_1=" + Deg(p.Lt1) + " +lat_2=" + Deg(p.Lt2) +
            FalseOrigin(p.FE, p.fn);
        break;
    }
    case 3: t = "+proj=somerc" + Origin(p, p.Lg0, true) + FalseOrigin(p.fn, p.FE) + " +axis=neu"; break;
    case 4: t = "+proj=sterea" + Origin(p, p.Lg0, true) + FalseOrigin(p.FE, p.fn); break;
    case 5: t = "+proj=lcc +lat_1=" + Deg(p.Lt0) + Origin(p, p.Lg0, true) + FalseOrigin(p.FE, p.fn); break;
    default: Refuse("Le type de projection " + std::to_string(p.Type) + " n'a pas de chaîne PROJ.");
    }
    return t + Tail(datum, ellipsoid, method);
}

}  // namespace core
