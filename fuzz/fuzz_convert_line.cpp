// Lines given to `travena-cli convert`. The first byte picks the input and
// output systems and the geographic form; the rest is the standard input.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <iterator>

#include "base/Errors.h"
#include "cli/Convert.h"
#include "fuzz/FuzzSupport.h"

namespace {

// Every kind of system on each side: projected, UTM, geographic, MGRS, IFBL.
constexpr const char* Systems[] = {"BE LB72", "WGS84 UTM", "W Geographic WGS84", "W MGRS",
                                   "BE IFBL", "LU TM",     "BE Geographic BD72", "BE UTM"};
constexpr std::size_t Count = std::size(Systems);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static std::FILE* const sink = std::fopen("/dev/null", "w");
    static const int in = ::memfd_create("convert-input", 0);
    if (!sink || in < 0) std::abort();

    cli::ConvertOptions o;
    o.from = Systems[data[0] % Count];
    o.to = Systems[(data[0] / Count) % Count];
    o.geoMode = std::int16_t(1 + (data[0] >> 6) % 3);
    if (o.from == o.to) o.to = Systems[(data[0] + 1) % Count];

    if (::ftruncate(in, 0) != 0 || ::pwrite(in, data + 1, size - 1, 0) != ssize_t(size - 1) ||
        ::lseek(in, 0, SEEK_SET) != 0)
        std::abort();
    try {
        cli::RunConvert(o, in, sink, sink);
    } catch (const base::RuntimeError&) {
        // An unknown system name, should the default database change.
    }
    return 0;
}
