#pragma once
// Internal to the store: the parts of a zip archive (an Office Open XML
// package), each inflated as it is read, never held whole. The central
// directory is read once; every opened part has its own file handle, so
// that two parts (or one part twice) can be read at once.
//
// A damaged archive throws ZipError: a directory that does not add up, a
// part cut short, a part inflating to more or less than its directory
// says, or to other bytes than its checksum tells. Encrypted parts and
// compression methods other than stored and deflated are refused too.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace store::detail {

struct ZipError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One part being read, front to back.
class ZipPart {
public:
    virtual ~ZipPart() = default;
    // Up to `size` bytes of the part; 0 only at its end, once its size and
    // checksum are found right.
    virtual std::size_t Read(char* out, std::size_t size) = 0;
};

class ZipReader {
public:
    explicit ZipReader(const std::string& path);

    // The name of the part whose local header comes first in the file (what
    // tells a package from another zip at a glance), empty when unreadable.
    const std::string& FirstName() const { return first_; }
    bool Has(std::string_view name) const { return Find(name) != nullptr; }
    // The parts' sizes once inflated, as the directory gives them (a part
    // inflating to more is refused).
    std::uint64_t UnpackedSize() const;
    // Null when the archive holds no such part (names match exactly).
    std::unique_ptr<ZipPart> Open(std::string_view name) const;

private:
    struct Entry {
        std::string name;
        std::uint64_t offset = 0, compressed = 0, size = 0;
        std::uint32_t crc = 0;
        std::uint16_t method = 0, flags = 0;
    };
    const Entry* Find(std::string_view name) const;

    std::string path_;
    std::string first_;
    std::vector<Entry> entries_;
};

}  // namespace store::detail
