// Speed of one table record through the whole pipeline, parameter lookups
// included, on the default parameter database.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>
#include <string>

#include "core/Constants.h"
#include "core/NumberText.h"
#include "core/Pipeline.h"
#include "store/ParamDb.h"

namespace {

constexpr double Deg = core::Pi / 180.0;

struct Case {
    std::string inDatum, inProjection, x, y;
    std::int16_t zone;
    std::string outDatum, outProjection;
};

void Run(benchmark::State& state, const Case& c, std::int16_t method) {
    store::SetParamDbPath(TRAVENA_PARAM_DB);
    std::string inDatum = c.inDatum, outDatum = c.outDatum, x = c.x, y = c.y, outX, outY;
    std::int16_t zone = c.zone, outZone = 0;
    // Records are read in blocks under one parameter read scope, as the
    // command line and the batch run read them.
    constexpr int Block = 4096;
    std::optional<store::ParamReadScope> scope;
    int inBlock = 0;
    for (auto _ : state) {
        if (inBlock-- == 0) {
            scope.reset();
            scope.emplace();
            inBlock = Block - 1;
        }
        core::ConvertRecord(inDatum, c.inProjection, x, y, zone, outDatum, c.outProjection, outX, outY, outZone,
                            method);
        benchmark::DoNotOptimize(outX);
    }
    state.SetItemsProcessed(state.iterations());
}

const Case GeoToLambert{"WGS84", "",       core::FormatGeneral(4.3517 * Deg), core::FormatGeneral(50.8466 * Deg), 0,
                        "",      "BE LB72"};
const Case LambertToUtm{"", "BE LB72", "150000", "170000", 0, "", "WGS84 UTM"};
const Case GeoToMgrs{"WGS84", "",          core::FormatGeneral(4.3517 * Deg), core::FormatGeneral(50.8466 * Deg), 0,
                     "",      "BE UTMMGRS"};

void BM_GeoWgs84ToLambert72_Helmert(benchmark::State& s) { Run(s, GeoToLambert, 3); }
void BM_Lambert72ToUtmWgs84(benchmark::State& s) { Run(s, LambertToUtm, 1); }
void BM_GeoWgs84ToMgrsEd50(benchmark::State& s) { Run(s, GeoToMgrs, 1); }

BENCHMARK(BM_GeoWgs84ToLambert72_Helmert);
BENCHMARK(BM_Lambert72ToUtmWgs84);
BENCHMARK(BM_GeoWgs84ToMgrsEd50);

}  // namespace

BENCHMARK_MAIN();
