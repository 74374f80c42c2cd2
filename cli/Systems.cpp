#include "cli/Systems.h"

#include <cstdio>
#include <string>

#include "app/batch/SystemChoice.h"
#include "app/batch/SystemList.h"
#include "base/Errors.h"
#include "core/Datum.h"
#include "core/Params.h"
#include "core/ProjString.h"
#include "store/Engine.h"
#include "store/ParamDb.h"

namespace cli {

namespace {

constexpr int FirstZone = 1, LastZone = 60;

// The zones a UTM row with automatic zones is limited to (all without limits).
std::pair<int, int> ZoneLimits(store::Database& db, const std::string& name) {
    store::Recordset rs = db.OpenRecordset(store::sql::ProjectionByName, {store::Value(name)});
    const double west = rs.Field("limitew").Value().Double(), east = rs.Field("limitee").Value().Double();
    if (west < FirstZone || east > LastZone || west > east) return {FirstZone, LastZone};
    return {int(west), int(east)};
}

void PrintProjStrings(store::Database& db, const std::string& item, std::int16_t method) {
    const batch::SystemChoice choice = batch::MakeSystemChoice(item);
    switch (choice.kind) {
    case batch::SystemKind::Geographic: {
        const core::DatumParams d = core::LoadDatum(choice.datum);
        std::printf("%s\t%s\n", item.c_str(),
                    core::GeographicProjString(d, core::LoadEllipsoid(d.Ellipsoide), method).c_str());
        return;
    }
    case batch::SystemKind::Projected:
    case batch::SystemKind::Utm: {
        const core::ProjectionParams p = core::LoadProjection(choice.projection);
        const core::DatumParams d = core::LoadDatum(p.Datum);
        const core::EllipsoidParams e = core::LoadEllipsoid(d.Ellipsoide);
        const bool zones = p.Type == 1 && p.Lg0 == 0;
        const auto [first, last] = zones ? ZoneLimits(db, choice.projection) : std::pair{0, 0};
        for (int zone = first; zone <= last; ++zone)
            std::printf("%s\t%s\n", item.c_str(), core::ProjectionProjString(p, d, e, method, zone).c_str());
        return;
    }
    default: std::printf("%s\t\n", item.c_str());
    }
}

}  // namespace

int RunSystems(const Options& options) {
    const bool proj = options.Has("--proj");
    const std::int16_t method = options.Pick("--method", {"1", "2", "3"}, 1);
    if (method == core::method::Molodensky)
        throw UsageError{"--method 2 : la méthode de Molodensky n'a pas de chaîne PROJ (--method 1 ou 3)"};
    if (options.Has("--method") && !proj) throw UsageError{"--method ne sert qu'avec --proj"};
    if (options.Has("--params")) store::SetParamDbPath(options.Get("--params"));
    store::Database db = store::OpenDatabase(store::ParamDbPath());
    int status = 0;
    for (const std::string& item : batch::SystemItems(db)) {
        if (!proj) {
            std::printf("%s\n", item.c_str());
            continue;
        }
        try {
            PrintProjStrings(db, item, method);
        } catch (const base::RuntimeError& e) {
            std::printf("%s\t\n", item.c_str());
            std::fprintf(stderr, "travena-cli : « %s » : %s (erreur %d)\n", item.c_str(), e.what(), e.number);
            status = 1;
        }
    }
    return status;
}

}  // namespace cli
