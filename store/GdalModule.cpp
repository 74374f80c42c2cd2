// Opening the GDAL module, and the stand-in drivers that open it on first use.

#include "store/GdalModule.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>

#include "store/EngineError.h"
#include "store/ParamDb.h"
#include "store/detail/Drivers.h"

namespace store {

namespace {

std::mutex& ModuleMutex() {
    static std::mutex mutex;
    return mutex;
}

// Under ModuleMutex. Lazy binding: the writers in the module call helpers of
// the batch run that a program which only reads (the store's tests, the
// fuzzers) does not hold; they are looked up when first called, never there.
void* OpenModule(std::string& failure) {
    static void* handle = nullptr;
    if (handle) return handle;
    const std::filesystem::path folder = AppFolder();
    const std::filesystem::path installed = (folder / ".." / "lib" / "travena").lexically_normal();
    failure.clear();
    for (const auto& dir : {folder, installed}) {
        const std::string path = (dir / GdalModuleFile).string();
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) continue;
        if ((handle = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL))) return handle;
        if (failure.empty()) {
            const char* why = ::dlerror();
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
    {
        const std::lock_guard lock(ModuleMutex());
        if (void* handle = OpenModule(failure)) {
            if (void* symbol = ::dlsym(handle, name)) return symbol;
            failure = std::string("le module ") + GdalModuleFile + " ne fournit pas « " + name +
                      " » : il n'est pas de la même version que le programme";
        }
    }
    throw EngineError(base::err::NoDriver, "Impossible de lire ou d'écrire " + what + " : " + failure + ".");
}

namespace detail {

std::shared_ptr<Driver> MakeModuleDriver(MakeDriverFn GdalReaders::*make, const char* what) {
    return std::make_shared<ModuleDriver>(make, what);
}

}  // namespace detail

}  // namespace store
