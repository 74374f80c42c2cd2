#include "store/ParamDbLocation.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <vector>

#include "base/SystemText.h"
#include "store/AppFiles.h"

namespace store {

namespace {

constexpr const char* RecordSuffix = ".livrée";  // "SystGéo.mdb.livrée"
// Far above any parameter database; a larger "shipped file" is not one.
constexpr std::uint64_t MaxBytes = std::uint64_t(1) << 30;
constexpr std::size_t Chunk = 64 * 1024;

// A file's size and 64-bit FNV-1a hash: tells one version of a small database
// from another; no defence against tampering, none is needed here.
struct Fingerprint {
    std::uint64_t size = 0;
    std::uint64_t hash = 0xcbf29ce484222325ULL;

    void Add(const unsigned char* bytes, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) hash = (hash ^ bytes[i]) * 0x100000001b3ULL;
        size += n;
    }
    std::string Text() const {
        char text[48];
        std::snprintf(text, sizeof text, "%llu %016llx\n", static_cast<unsigned long long>(size),
                      static_cast<unsigned long long>(hash));
        return text;
    }
    friend bool operator==(const Fingerprint&, const Fingerprint&) = default;
};

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // errno is left as close set it.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, const unsigned char* bytes, std::size_t n) {
    while (n > 0) {
        const ssize_t written = ::write(fd, bytes, n);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes += written;
        n -= std::size_t(written);
    }
    return true;
}

// The fingerprint of `path`'s bytes, copied to `out` on the way when it is
// not -1; nothing and errno set on failure.
std::optional<Fingerprint> Stream(const std::string& path, int out = -1) {
    Fd in(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) return std::nullopt;
    Fingerprint fp;
    std::vector<unsigned char> buffer(Chunk);
    for (;;) {
        const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) return fp;
        fp.Add(buffer.data(), std::size_t(n));
        if (fp.size > MaxBytes) {
            errno = EFBIG;
            return std::nullopt;
        }
        if (out >= 0 && !WriteAll(out, buffer.data(), std::size_t(n))) return std::nullopt;
    }
}

std::optional<Fingerprint> ReadRecord(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "re");
    if (!f) return std::nullopt;
    unsigned long long size = 0, hash = 0;
    const bool read = std::fscanf(f, "%llu %llx", &size, &hash) == 2;
    std::fclose(f);
    if (!read) return std::nullopt;
    Fingerprint fp;
    fp.size = size;
    fp.hash = hash;
    return fp;
}

void SyncFolder(const std::string& folder) {
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
}

// Writes `target` in `folder` through `fill` under a temporary name, then
// renames it into place: over an existing file when `replace`, else never
// (false with errno EEXIST when the name was taken meanwhile).
bool PlaceAtomically(const std::string& folder, const std::string& target, bool replace,
                     const std::function<bool(int)>& fill) {
    std::string temp = folder + "/.travena-XXXXXX";
    Fd out(::mkostemp(temp.data(), O_CLOEXEC));
    if (out.get() < 0) return false;
    bool placed = fill(out.get()) && ::fsync(out.get()) == 0 && out.Close();
    if (placed && replace) {
        placed = ::rename(temp.c_str(), target.c_str()) == 0;
    } else if (placed) {
        placed = ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0;
        // File systems without it (some network ones) still refuse a taken name to link().
        if (!placed && (errno == EINVAL || errno == ENOSYS)) placed = ::link(temp.c_str(), target.c_str()) == 0;
    }
    const int error = errno;
    ::unlink(temp.c_str());  // already renamed, or linked, or failed
    if (!placed) {
        errno = error;
        return false;
    }
    SyncFolder(folder);
    return true;
}

// Copies `shipped` to `copy`; its fingerprint, or nothing and errno.
std::optional<Fingerprint> CopyShipped(const std::string& folder, const std::string& shipped, const std::string& copy,
                                       bool replace) {
    std::optional<Fingerprint> fp;
    if (!PlaceAtomically(folder, copy, replace, [&](int fd) { return (fp = Stream(shipped, fd)).has_value(); }))
        return std::nullopt;
    return fp;
}

// Without a record, a later upgrade is reported rather than taken: harmless.
void WriteRecord(const std::string& folder, const std::string& record, const Fingerprint& fp) {
    const std::string text = fp.Text();
    PlaceAtomically(folder, record, true, [&](int fd) {
        return WriteAll(fd, reinterpret_cast<const unsigned char*>(text.data()), text.size());
    });
}

// Each missing folder of `path`, private to the user as the XDG rules ask.
bool MakeFolders(const std::string& path) {
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string part = path.substr(0, end);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (end == std::string::npos) break;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

ParamDbLocation ShippedOnly(ParamDbLocation location, const std::string& why) {
    location.kind = ParamDbKind::Shipped;
    location.path = location.shipped;
    location.notice = "Pas de copie personnelle de la base de paramètres : " + why +
                      " La base livrée est utilisée, en lecture seule.";
    return location;
}

}  // namespace

std::string DataHome(const std::string& xdgDataHome, const std::string& home) {
    if (!xdgDataHome.empty() && xdgDataHome[0] == '/') return xdgDataHome;
    if (!home.empty() && home[0] == '/') return home + "/.local/share";
    return {};
}

ParamDbLocation LocateParamDb(const std::string& appFolder, const std::string& dataHome) {
    const std::string name = std::string("/") + ParamDbFileName;
    ParamDbLocation location;
    location.path = appFolder + name;
    if (IsFile(location.path)) {
        location.kind = ParamDbKind::BesideProgram;
        return location;
    }
    const std::string shipped = InstalledDataFolder(appFolder) + name;
    if (!IsFile(shipped)) return location;  // Missing: opening it reports the file beside the program
    location.shipped = shipped;
    if (dataHome.empty()) return ShippedOnly(location, "dossier personnel inconnu (ni XDG_DATA_HOME ni HOME).");

    const std::string folder = dataHome + "/travena";
    const std::string copy = folder + name, record = copy + RecordSuffix;
    location.kind = ParamDbKind::PersonalCopy;
    location.path = copy;
    struct stat st {};
    if (::lstat(copy.c_str(), &st) != 0) {
        if (!MakeFolders(folder)) {
            const int error = errno;
            return ShippedOnly(location,
                               "le dossier « " + folder + " » ne peut pas être créé : " + base::SystemText(error));
        }
        if (const auto fp = CopyShipped(folder, shipped, copy, false)) {
            WriteRecord(folder, record, *fp);
            return location;
        }
        // EEXIST: another start made the copy first, and it is the one to use.
        const int error = errno;
        if (error != EEXIST)
            return ShippedOnly(location, "« " + copy + " » ne peut pas être écrit : " + base::SystemText(error));
        return location;
    }

    const std::optional<Fingerprint> now = Stream(shipped);
    const std::optional<Fingerprint> made = ReadRecord(record);
    if (!now || now == made) return location;
    const std::optional<Fingerprint> current = Stream(copy);
    if (current == now) {
        WriteRecord(folder, record, *now);
        return location;
    }
    // Untouched since it was made from an older shipped file: the new one
    // replaces it. A link the user put there is never replaced.
    if (made && current == made && !S_ISLNK(st.st_mode)) {
        if (const auto fp = CopyShipped(folder, shipped, copy, true)) {
            WriteRecord(folder, record, *fp);
            return location;
        }
    }
    location.notice = "La base livrée « " + shipped +
                      " » a changé depuis que votre copie a été faite ; votre copie, modifiée, est gardée "
                      "telle quelle. Renommez-la pour reprendre la base livrée.";
    return location;
}

std::string UserDataHome() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    std::string homeText = home ? home : "";
    if (homeText.empty()) {
        std::vector<char> buffer(16384);
        passwd entry{};
        passwd* found = nullptr;
        if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
            homeText = found->pw_dir;
    }
    return DataHome(xdg ? xdg : "", homeText);
}

const ParamDbLocation& ParamDbInUse() {
    static const ParamDbLocation location = LocateParamDb(AppFolder(), UserDataHome());
    return location;
}

}  // namespace store
