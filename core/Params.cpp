// Placeholder until the store lands.
#include "core/Params.h"
#include "core/Errors.h"
namespace core {
EllipsoidParams LoadEllipsoid(const std::string&) { throw RuntimeError(3024, "Base de paramètres indisponible."); }
DatumParams LoadDatum(const std::string&) { throw RuntimeError(3024, "Base de paramètres indisponible."); }
ProjectionParams LoadProjection(const std::string&) { throw RuntimeError(3024, "Base de paramètres indisponible."); }
}  // namespace core
