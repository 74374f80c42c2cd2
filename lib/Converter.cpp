// The library's converter: the command line's conversion of one point (read
// the way travena-cli convert reads its numbers, written as its 15-digit
// texts read back) over arrays, with a status per point instead of a line
// on standard error.

#include "travena/Converter.h"

#include <dlfcn.h>

#include <algorithm>
#include <exception>
#include <thread>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>

#include "app/batch/BatchRun.h"
#include "app/batch/RecordIo.h"
#include "app/batch/SystemList.h"
#include "base/Errors.h"
#include "base/Workers.h"
#include "core/AngleText.h"
#include "core/Datum.h"
#include "core/NumberText.h"
#include "core/QuasiGeoid.h"
#include "store/AppFiles.h"
#include "store/Engine.h"
#include "store/ParamDb.h"
#include "store/ParamDbLocation.h"

namespace travena {

namespace {

using batch::SystemKind;

// Points converted under one read scope: a long array does not hold the
// database's shared lock (and keep the editor from saving) for its whole run.
constexpr std::size_t PointsPerScope = 1 << 16;
// Where PREFIX ends in the path of an installed Python module (python/CMakeLists.txt).
constexpr const char* InstalledModuleFolder = "/lib/python3/";
// Fewer points are not worth a thread.
constexpr std::size_t MinPointsPerThread = 4096;

// The folder of the file (shared object or executable) this code is in, empty
// when it cannot be told.
std::string OwnFolder() {
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(&OwnFolder), &info) || !info.dli_fname || !*info.dli_fname) return {};
    char* real = ::realpath(info.dli_fname, nullptr);
    if (!real) return {};
    std::string file(real);
    std::free(real);
    const auto slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash == 0 ? 1 : slash);
}

// Runs `f`, turning the program's errors into the library's.
template <typename F>
auto Translated(F f) {
    try {
        return f();
    } catch (const base::RuntimeError& e) {
        throw Error(e.number, e.what());
    }
}

bool IsGrid(SystemKind kind) { return kind == SystemKind::Mgrs || kind == SystemKind::Ifbl; }

void CheckSize(std::size_t size, std::size_t count, bool optional, const char* what) {
    if (size == count || (optional && size == 0)) return;
    throw Error(base::err::InvalidCall, std::string("tableau « ") + what + " » de " + std::to_string(size) +
                                            " éléments pour " + std::to_string(count) + " points.");
}

}  // namespace

struct Converter::Impl {
    std::string params;
    batch::Conversion conversion;
};

namespace {

// The folders this library takes as the program's, after the executable's:
// its own (a build's python/travena/ links to build/bin's files) and, for an
// installed module (PREFIX/lib/python3/...), PREFIX/bin. Its grids are
// looked up there too.
const std::vector<std::string>& ProgramFolders() {
    static const std::vector<std::string> folders = [] {
        std::vector<std::string> found;
        const std::string own = OwnFolder();
        if (own.empty() || own == store::AppFolder()) return found;
        found.push_back(own);
        if (const auto lib = own.rfind(InstalledModuleFolder); lib != std::string::npos)
            found.push_back(own.substr(0, lib) + "/bin");
        for (const std::string& folder : found) store::AddProgramFolder(folder);
        return found;
    }();
    return folders;
}

}  // namespace

std::string DefaultParams() {
    static const std::string path = [] {
        for (const std::string& folder : ProgramFolders()) {
            const store::ParamDbLocation location = store::LocateParamDb(folder, store::UserDataHome());
            if (location.kind != store::ParamDbKind::Missing) return location.path;
        }
        return store::ParamDbInUse().path;
    }();
    return path;
}

std::vector<std::string> Systems(const std::string& params) {
    return Translated([&] {
        store::Database db = store::OpenDatabase(params.empty() ? DefaultParams() : params);
        return batch::SystemItems(db);
    });
}

int MaxMethod() { return core::method::IgnGrid; }

double ReadNumber(std::string_view text) {
    try {
        return batch::ProjectedValue(text, 1);
    } catch (const base::RuntimeError&) {
        return std::numeric_limits<double>::quiet_NaN();
    }
}

Converter::Converter(const std::string& from, const std::string& to, int method, const std::string& params) {
    ProgramFolders();  // before any grid is looked up
    if (method < core::method::GeocentricTranslation || method > MaxMethod())
        throw Error(base::err::InvalidCall, "méthode de transformation inconnue : " + std::to_string(method) +
                                                " (1 à " + std::to_string(MaxMethod()) + ").");
    const std::string path = params.empty() ? DefaultParams() : params;
    const std::vector<std::string> items = Systems(path);
    for (const std::string* system : {&from, &to})
        if (std::find(items.begin(), items.end(), *system) == items.end())
            throw Error(base::err::InvalidCall, "système inconnu : « " + *system + " » (voir travena-cli systems)");
    if (from == to)
        throw Error(base::err::InvalidCall, "Choisissez des projections différentes d'entrée et de sortie(s).");
    impl_ =
        std::make_unique<Impl>(Impl{path, batch::Conversion(batch::MakeSystemChoice(from), batch::MakeSystemChoice(to),
                                                            static_cast<std::int16_t>(method))});
}

Converter::~Converter() = default;
Converter::Converter(Converter&&) noexcept = default;
Converter& Converter::operator=(Converter&&) noexcept = default;

Kind Converter::From() const { return static_cast<Kind>(impl_->conversion.In().kind); }
Kind Converter::To() const { return static_cast<Kind>(impl_->conversion.Out().kind); }
const std::string& Converter::Params() const { return impl_->params; }
std::vector<std::string> Converter::Columns() const { return batch::OutputColumns(impl_->conversion.Out(), false); }

namespace {

// Points [begin, end) of a call whose spans Convert has checked.
std::size_t ConvertPart(const batch::Conversion& made, const std::string& params, const Input& in, const Output& out,
                        std::size_t begin, std::size_t end) {
    const SystemKind inKind = made.In().kind, outKind = made.Out().kind;
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    // The pipeline keeps datum names between points: each call its own copy.
    batch::Conversion conversion = made;
    const store::ParamDbPathScope path(params);
    batch::Coordinates from, to;
    core::Wgs84Pivot pivot;
    const bool heights = !in.height.empty();
    std::size_t failed = 0;
    for (std::size_t first = begin; first < end; first += PointsPerScope) {
        const store::ParamReadScope scope;
        for (std::size_t i = first; i < std::min(end, first + PointsPerScope); ++i) {
            int status = 0;
            bool noHeight = false;  // converted, but outside the height model
            try {
                if (heights && !std::isfinite(in.height[i]))
                    throw base::RuntimeError(base::err::TypeMismatch, "hauteur : ce n'est pas un nombre.");
                batch::ReadCoordinateNumbers(inKind, core::angle::FromDegrees, IsGrid(inKind) ? 0 : in.x[i],
                                             IsGrid(inKind) ? 0 : in.y[i], inKind == SystemKind::Utm ? in.zone[i] : 0,
                                             IsGrid(inKind) ? std::string_view(in.reference[i]) : std::string_view(),
                                             from);
                conversion.Convert(from, to, &pivot);
                batch::RefuseOutsideGrid(outKind, to);
                if (IsGrid(outKind)) {
                    out.reference[i] = to.reference;
                } else {
                    double x = 0, y = 0;
                    batch::PresentedValues(outKind, to, x, y);
                    // The bits of the 15-digit texts travena-cli writes.
                    out.x[i] = core::GeneralValue(x);
                    out.y[i] = core::GeneralValue(y);
                }
                if (!out.zone.empty()) out.zone[i] = to.zone;
                if (!out.message.empty()) out.message[i].clear();
                if (heights) {
                    double h = 0;
                    noHeight = !core::ConvertHeight(static_cast<char>(in.heightIn), static_cast<char>(in.heightOut),
                                                    pivot.lon, pivot.lat, in.height[i], h);
                    if (noHeight) throw base::RuntimeError(base::err::InvalidCall, core::OutsideQuasiGeoidText);
                    out.height[i] = core::GeneralValue(h);  // the bits of the command line's text
                }
            } catch (const base::RuntimeError& e) {
                status = e.number;
                if (!out.message.empty()) out.message[i] = e.what();
            } catch (const std::bad_alloc&) {
                status = base::err::OutOfMemory;
                if (!out.message.empty()) out.message[i] = base::OutOfMemoryText;
            }
            out.status[i] = status;
            if (status != 0 && heights) out.height[i] = NaN;
            if (status != 0) ++failed;
            if (status != 0 && !noHeight) {
                if (IsGrid(outKind)) {
                    out.reference[i].clear();
                } else {
                    out.x[i] = NaN;
                    out.y[i] = NaN;
                }
                if (!out.zone.empty()) out.zone[i] = 0;
            }
        }
    }
    return failed;
}

}  // namespace

std::size_t Converter::Convert(const Input& in, const Output& out, int threads) const {
    const SystemKind inKind = impl_->conversion.In().kind, outKind = impl_->conversion.Out().kind;
    const std::size_t n = IsGrid(inKind) ? in.reference.size() : in.x.size();
    if (!IsGrid(inKind)) CheckSize(in.y.size(), n, false, "y");
    if (inKind == SystemKind::Utm) CheckSize(in.zone.size(), n, false, "zone");
    if (IsGrid(outKind)) {
        CheckSize(out.reference.size(), n, false, "reference");
    } else {
        CheckSize(out.x.size(), n, false, "x");
        CheckSize(out.y.size(), n, false, "y");
    }
    CheckSize(out.zone.size(), n, true, "zone");
    CheckSize(out.status.size(), n, false, "status");
    CheckSize(out.message.size(), n, true, "message");
    CheckSize(in.height.size(), n, true, "height");
    if (!in.height.empty()) CheckSize(out.height.size(), n, false, "height");

    const std::size_t parts = std::max<std::size_t>(
        1, std::min<std::size_t>(threads > 0 ? std::size_t(threads) : std::size_t(base::CoreCount()),
                                 n / MinPointsPerThread));
    if (parts == 1) return ConvertPart(impl_->conversion, impl_->params, in, out, 0, n);
    // Contiguous shares: each point's result is the same whoever computes it.
    std::vector<std::size_t> failed(parts, 0);
    std::vector<std::exception_ptr> errors(parts);
    {
        std::vector<std::jthread> pool;
        const std::size_t per = (n + parts - 1) / parts;
        for (std::size_t k = 0; k < parts; ++k)
            pool.emplace_back([&, k] {
                try {
                    failed[k] = ConvertPart(impl_->conversion, impl_->params, in, out, std::min(n, k * per),
                                            std::min(n, (k + 1) * per));
                } catch (...) {
                    errors[k] = std::current_exception();
                }
            });
    }
    for (const std::exception_ptr& e : errors)
        if (e) std::rethrow_exception(e);
    std::size_t total = 0;
    for (std::size_t f : failed) total += f;
    return total;
}

}  // namespace travena
