// Opening the GDAL module, and the stand-in drivers that open it on first use.

#include "store/GdalModule.h"

#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string_view>

#include "store/EngineError.h"
#include "store/ParamDb.h"
#include "store/detail/Drivers.h"

namespace store {

namespace {

std::mutex& ModuleMutex() {
    static std::mutex mutex;
    return mutex;
}

// Whether the dynamic loader's message says it ran out of address space:
// under a memory limit GDAL's hundred libraries are the first thing to fail,
// and the user must hear that memory is short, not that the module is broken.
bool OutOfMemory(const char* why) {
    if (!why) return false;
    const std::string_view text(why);
    for (const char* sign : {"map segment", "zero-fill", "allocate memory"})
        if (text.find(sign) != std::string_view::npos) return true;
    return false;
}

// The address space that loading the module takes: GDAL's hundred
// libraries, each mapped whole (152 MB on Debian 12), and a margin. Under a
// tighter limit one of those libraries' initialisers runs out of memory
// inside the loader, where nothing can catch it and the process ends: a
// limit that leaves less is told before trying.
constexpr unsigned long long ModuleAddressSpace = 168ull << 20;

// The address space left under the process's limit (ulimit -v), or none
// when it has no limit.
std::optional<unsigned long long> AddressSpaceLeft() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
    unsigned long long pages = 0;
    if (!(std::ifstream("/proc/self/statm") >> pages)) return std::nullopt;
    const unsigned long long used = pages * static_cast<unsigned long long>(::sysconf(_SC_PAGESIZE));
    return used < limit.rlim_cur ? limit.rlim_cur - used : 0;
}

// Under ModuleMutex. Lazy binding: the writers in the module call helpers of
// the batch run that a program which only reads (the store's tests, the
// fuzzers) does not hold; they are looked up when first called, never there.
void* OpenModule(std::string& failure, bool& outOfMemory) {
    static void* handle = nullptr;
    if (handle) return handle;
    const std::filesystem::path folder = AppFolder();
    const std::filesystem::path installed = (folder / ".." / "lib" / "travena").lexically_normal();
    failure.clear();
    for (const auto& dir : {folder, installed}) {
        const std::string path = (dir / GdalModuleFile).string();
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) continue;
        if (const auto left = AddressSpaceLeft(); left && *left < ModuleAddressSpace) {
            outOfMemory = true;
            failure = "le module « " + path + " » demande environ " + std::to_string(ModuleAddressSpace >> 20) +
                      " Mo d'espace d'adresses et la limite du processus n'en laisse que " +
                      std::to_string(*left >> 20) + " Mo";
            return nullptr;
        }
        if ((handle = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL))) return handle;
        if (failure.empty()) {
            const char* why = ::dlerror();
            outOfMemory = OutOfMemory(why);
            failure = "le module « " + path + " » ne peut pas être chargé (" + (why ? why : "?") + ")";
        }
    }
    if (failure.empty())
        failure = std::string("le module ") + GdalModuleFile + " est introuvable (cherché dans « " + folder.string() +
                  " » et « " + installed.string() + " »)";
    return nullptr;
}

class ModuleDriver final : public Driver {
public:
    ModuleDriver(detail::MakeDriverFn detail::GdalReaders::*make, const char* what) : make_(make), what_(what) {}

    std::unique_ptr<SourceDatabase> Open(const std::string& path) override { return Loaded().Open(path); }

private:
    Driver& Loaded() {
        const std::lock_guard lock(mutex_);
        if (!real_) {
            const auto* readers =
                static_cast<const detail::GdalReaders*>(GdalModuleSymbol(detail::GdalReadersSymbol, what_));
            real_ = (readers->*make_)();
        }
        return *real_;
    }

    detail::MakeDriverFn detail::GdalReaders::*make_;
    std::string what_;
    std::mutex mutex_;
    std::shared_ptr<Driver> real_;
};

}  // namespace

void* GdalModuleSymbol(const char* name, const std::string& what) {
    std::string failure;
    bool outOfMemory = false;
    {
        const std::lock_guard lock(ModuleMutex());
        if (void* handle = OpenModule(failure, outOfMemory)) {
            if (void* symbol = ::dlsym(handle, name)) return symbol;
            failure = std::string("le module ") + GdalModuleFile + " ne fournit pas « " + name +
                      " » : il n'est pas de la même version que le programme";
        }
    }
    if (outOfMemory) throw EngineError(base::err::OutOfMemory, "Mémoire insuffisante : " + failure + ".");
    throw EngineError(base::err::NoDriver, "Impossible de lire " + what + " : " + failure + ".");
}

namespace detail {

std::shared_ptr<Driver> MakeModuleDriver(MakeDriverFn GdalReaders::*make, const char* what) {
    return std::make_shared<ModuleDriver>(make, what);
}

}  // namespace detail

}  // namespace store
