// Per-record conversion for tables: unproject or decode the input, move it to
// WGS 84, move it to the output datum, project or encode it.
//
// The whole record is read under one parameter read scope: its half dozen
// parameter lookups then cost one freshness check of the database together.
// The parameter sets each step needs are kept per thread, by name, while the
// database is unchanged, and looked up in the order the loaders would be
// called, so that a missing one fails the same step with the same error.

#include "core/Pipeline.h"

#include <array>
#include <cstdint>
#include <vector>
#include <string_view>

#include "base/PerThread.h"
#include "base/Text.h"
#include "core/AngleText.h"
#include "core/Datum.h"
#include "core/Grid.h"
#include "core/NumberText.h"
#include "core/Params.h"
#include "core/Projection.h"
#include "store/ParamDb.h"

namespace core {

namespace {

constexpr std::string_view MgrsSuffix = "MGRS";
constexpr std::string_view IfblSuffix = "IFBL";
constexpr std::size_t SuffixLength = 4;
const std::string Wgs84 = "WGS84";

// What a projection name says of its coordinates; looked for once a call.
enum class GridKind { None, Mgrs, Ifbl };

GridKind GridOf(std::string_view projection) {
    if (base::Contains(projection, MgrsSuffix)) return GridKind::Mgrs;
    if (base::Contains(projection, IfblSuffix)) return GridKind::Ifbl;
    return GridKind::None;
}

// The projection a grid reference sits on: the name without its grid suffix.
std::string_view BaseProjection(std::string_view projection, GridKind grid) {
    if (grid != GridKind::None && projection.size() >= SuffixLength)
        return projection.substr(0, projection.size() - SuffixLength);
    return projection;
}

// The records of one step, by name, for as long as the database is unchanged.
template <typename Entry>
class StepCache {
public:
    // The entry `matches` finds, else the one `make` builds (nothing kept
    // when it throws). Valid until the next call.
    template <typename Matches, typename Make>
    const Entry& Get(Matches matches, Make make) {
        const std::uint64_t generation = store::detail::ParamGeneration();
        if (generation != generation_ || entries_.size() >= MaxEntries) {
            entries_.clear();
            generation_ = generation;
        }
        for (const Entry& e : entries_)
            if (matches(e)) return e;
        entries_.push_back(make());
        return entries_.back();
    }

private:
    static constexpr std::size_t MaxEntries = 16;
    std::uint64_t generation_ = 0;
    std::vector<Entry> entries_;
};

struct NamedProjection {
    std::string name;
    ProjectionParams params;
};

// A datum's ellipsoid, as a projection step loads it.
struct DatumEllipsoid {
    std::string datum;
    EllipsoidParams ellipsoid;
};

struct DatumShift {
    std::string source, target;
    DatumParams s, t;
    EllipsoidParams sEll, tEll;
};

// One thread's loaded steps, in one thread-local made at its first use.
struct ThreadCaches {
    StepCache<NamedProjection> projections;
    StepCache<DatumEllipsoid> ellipsoids;
    StepCache<DatumShift> shifts;
};

ThreadCaches& Caches() { return base::PerThread<ThreadCaches>(); }

// Valid until the next call.
const ProjectionParams& CachedProjection(std::string_view name) {
    auto& cache = Caches().projections;
    return cache
        .Get([&](const NamedProjection& e) { return e.name == name; },
             [&] {
                 return NamedProjection{std::string(name), LoadProjection(std::string(name))};
             })
        .params;
}

const EllipsoidParams& CachedEllipsoidOf(const std::string& datum) {
    auto& cache = Caches().ellipsoids;
    return cache
        .Get([&](const DatumEllipsoid& e) { return e.datum == datum; },
             [&] {
                 return DatumEllipsoid{datum, LoadEllipsoid(LoadDatum(datum).Ellipsoide)};
             })
        .ellipsoid;
}

// TransformDatum on the cached parameter sets, loaded in its order.
void Transform(const std::string& source, const std::string& target, double lonIn, double latIn, double& lonOut,
               double& latOut, std::int16_t method, DatumLegs* legs) {
    auto& cache = Caches().shifts;
    const DatumShift& d = cache.Get([&](const DatumShift& e) { return e.source == source && e.target == target; },
                                    [&] {
                                        DatumShift e{source, target, LoadDatum(source), LoadDatum(target), {}, {}};
                                        e.sEll = LoadEllipsoid(e.s.Ellipsoide);
                                        e.tEll = LoadEllipsoid(e.t.Ellipsoide);
                                        return e;
                                    });
    TransformNamedWith(source, target, d.s, d.t, d.sEll, d.tEll, lonIn, latIn, lonOut, latOut, method, legs);
}

}  // namespace

void ConvertPoint(std::string& inDatum, const std::string& inProjection, RecordPoint& in, std::string& outDatum,
                  const std::string& outProjection, RecordPoint& out, std::int16_t method, Wgs84Pivot* pivot,
                  DatumLegs* legs) {
    store::ParamReadScope scope;

    if (!inDatum.empty() && !inProjection.empty()) inDatum.clear();
    if (!outDatum.empty() && !outProjection.empty()) outDatum.clear();

    double lon = 0, lat = 0;
    if (inDatum.empty()) {
        double x = in.x, y = in.y;
        const GridKind grid = GridOf(inProjection);
        if (grid == GridKind::Mgrs) {
            CommaToPoint(in.reference);
            std::string reference(base::Trim(in.reference));
            MgrsToUtm(in.zone, x, y, reference);
        } else if (grid == GridKind::Ifbl) {
            CommaToPoint(in.reference);
            std::string code(base::Trim(in.reference));
            IfblToLambert(x, y, code);
        }
        const ProjectionParams& p = CachedProjection(BaseProjection(inProjection, grid));
        inDatum = p.Datum;
        ProjectInverseWith(p, CachedEllipsoidOf(p.Datum), lat, lon, x, y, in.zone);
    } else {
        lon = in.x;
        lat = in.y;
    }

    double lonW = lon, latW = lat;
    if (!IsWgs84Alias(inDatum)) Transform(inDatum, Wgs84, lon, lat, lonW, latW, method, legs);
    if (pivot) *pivot = {lonW, latW};

    if (outDatum.empty()) {
        const GridKind grid = GridOf(outProjection);
        const ProjectionParams& p = CachedProjection(BaseProjection(outProjection, grid));
        outDatum = p.Datum;
        double lonO = lonW, latO = latW;
        if (!IsWgs84Alias(outDatum)) Transform(Wgs84, outDatum, lonW, latW, lonO, latO, method, legs);
        out.x = out.y = 0;
        ProjectForwardWith(p, CachedEllipsoidOf(p.Datum), latO, lonO, out.x, out.y, out.zone);
        if (grid == GridKind::Mgrs) {
            // The band letter follows the WGS 84 latitude, whatever the output datum.
            UtmToMgrs(latW, out.zone, out.x, out.y, out.reference);
        } else if (grid == GridKind::Ifbl) {
            LambertToIfbl(out.x, out.y, out.reference);
        }
    } else {
        out.x = lonW;
        out.y = latW;
        if (!IsWgs84Alias(outDatum)) Transform(Wgs84, outDatum, lonW, latW, out.x, out.y, method, legs);
    }
}

void ConvertRecord(std::string& inDatum, const std::string& inProjection, std::string& xText, std::string& yText,
                   std::int16_t& inZone, std::string& outDatum, const std::string& outProjection, std::string& outXText,
                   std::string& outYText, std::int16_t& outZone, std::int16_t method, Wgs84Pivot* pivot) {
    CommaToPoint(xText);
    CommaToPoint(yText);
    RecordPoint in{ValNumber(xText), ValNumber(yText), {}, inZone};
    if (GridOf(inProjection) != GridKind::None) in.reference = xText;
    RecordPoint out;
    out.zone = outZone;
    try {
        ConvertPoint(inDatum, inProjection, in, outDatum, outProjection, out, method, pivot);
    } catch (...) {
        inZone = in.zone;
        outZone = out.zone;
        throw;
    }
    inZone = in.zone;
    outZone = out.zone;
    outXText = FormatGeneral(out.x);
    outYText = FormatGeneral(out.y);
    if (GridOf(outProjection) != GridKind::None) outXText = out.reference;
}

}  // namespace core
