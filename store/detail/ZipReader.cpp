#include "store/detail/ZipReader.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace store::detail {

namespace {

constexpr std::uint32_t LocalSignature = 0x04034b50, CentralSignature = 0x02014b50, EndSignature = 0x06054b50,
                        End64Signature = 0x06064b50, Locator64Signature = 0x07064b50;
constexpr std::size_t LocalHeaderSize = 30, CentralHeaderSize = 46, EndSize = 22, Locator64Size = 20, End64Size = 56;
constexpr std::size_t MaxComment = 0xFFFF;
constexpr std::uint16_t Stored = 0, Deflated = 8;
constexpr std::uint16_t Encrypted = 1;
constexpr std::size_t InputBlock = std::size_t(1) << 16;

std::uint16_t U16(const unsigned char* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
std::uint32_t U32(const unsigned char* p) { return std::uint32_t(U16(p)) | (std::uint32_t(U16(p + 2)) << 16); }
std::uint64_t U64(const unsigned char* p) { return std::uint64_t(U32(p)) | (std::uint64_t(U32(p + 4)) << 32); }

[[noreturn]] void Damaged(const char* what) { throw ZipError(what); }

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr OpenFile(const std::string& path) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) Damaged("unopenable");
    return file;
}

void ReadAt(std::FILE* f, std::uint64_t offset, void* out, std::size_t size) {
    if (::fseeko(f, off_t(offset), SEEK_SET) != 0 || std::fread(out, 1, size, f) != size) Damaged("short read");
}

// Reads a part's bytes as stored, then checks its size and checksum.
class PartReader final : public ZipPart {
public:
    PartReader(FilePtr file, std::uint64_t compressed, std::uint64_t size, std::uint32_t crc, bool deflated)
        : file_(std::move(file)), left_(compressed), size_(size), crc_(crc), deflated_(deflated) {
        if (deflated_ && inflateInit2(&z_, -MAX_WBITS) != Z_OK) Damaged("inflate");
        if (deflated_) in_.resize(InputBlock);
    }
    ~PartReader() override {
        if (deflated_) inflateEnd(&z_);
    }
    PartReader(const PartReader&) = delete;
    PartReader& operator=(const PartReader&) = delete;

    std::size_t Read(char* out, std::size_t size) override {
        if (done_ || size == 0) return 0;
        size = std::min<std::size_t>(size, 1u << 30);
        std::size_t got = deflated_ ? Inflate(out, size) : Copy(out, size);
        produced_ += got;
        if (produced_ > size_) Damaged("longer than said");
        running_ = std::uint32_t(crc32(running_, reinterpret_cast<const Bytef*>(out), uInt(got)));
        if (got == 0) {
            if (produced_ != size_ || running_ != crc_) Damaged("size or checksum");
            done_ = true;
        }
        return got;
    }

private:
    std::size_t Copy(char* out, std::size_t size) {
        const auto n = std::size_t(std::min<std::uint64_t>(size, left_));
        if (n > 0 && std::fread(out, 1, n, file_.get()) != n) Damaged("cut short");
        left_ -= n;
        return n;
    }

    std::size_t Inflate(char* out, std::size_t size) {
        z_.next_out = reinterpret_cast<Bytef*>(out);
        z_.avail_out = uInt(size);
        while (z_.avail_out > 0 && !ended_) {
            if (z_.avail_in == 0) {
                const auto n = std::size_t(std::min<std::uint64_t>(in_.size(), left_));
                if (n == 0) Damaged("cut short");
                if (std::fread(in_.data(), 1, n, file_.get()) != n) Damaged("cut short");
                left_ -= n;
                z_.next_in = in_.data();
                z_.avail_in = uInt(n);
            }
            const int rc = inflate(&z_, Z_NO_FLUSH);
            if (rc == Z_STREAM_END) ended_ = true;
            else if (rc != Z_OK) Damaged("bad deflate data");
        }
        return size - z_.avail_out;
    }

    FilePtr file_;
    std::uint64_t left_, size_, produced_ = 0;
    std::uint32_t crc_, running_ = 0;
    bool deflated_, ended_ = false, done_ = false;
    z_stream z_{};
    std::vector<unsigned char> in_;
};

}  // namespace

ZipReader::ZipReader(const std::string& path) : path_(path) {
    const FilePtr file = OpenFile(path);
    std::FILE* f = file.get();
    if (::fseeko(f, 0, SEEK_END) != 0) Damaged("unseekable");
    const auto fileSize = std::uint64_t(::ftello(f));
    if (fileSize < EndSize) Damaged("too small");

    // The end record, found backwards past a comment of up to 64 KiB.
    const std::size_t tail = std::size_t(std::min<std::uint64_t>(fileSize, EndSize + MaxComment));
    std::vector<unsigned char> back(tail);
    ReadAt(f, fileSize - tail, back.data(), tail);
    std::size_t at = tail - EndSize;
    while (U32(&back[at]) != EndSignature) {
        if (at == 0) Damaged("no end record");
        --at;
    }
    const unsigned char* end = &back[at];
    const std::uint64_t endOffset = fileSize - tail + at;
    std::uint64_t count = U16(end + 10), directorySize = U32(end + 12), directory = U32(end + 16);
    if ((count == 0xFFFF || directorySize == 0xFFFFFFFF || directory == 0xFFFFFFFF) && endOffset >= Locator64Size) {
        unsigned char locator[Locator64Size];
        ReadAt(f, endOffset - Locator64Size, locator, sizeof locator);
        if (U32(locator) == Locator64Signature) {
            unsigned char end64[End64Size];
            ReadAt(f, U64(locator + 8), end64, sizeof end64);
            if (U32(end64) != End64Signature) Damaged("bad zip64 end record");
            count = U64(end64 + 32);
            directorySize = U64(end64 + 40);
            directory = U64(end64 + 48);
        }
    }
    if (directory > fileSize || directorySize > fileSize - directory) Damaged("directory out of the file");
    if (count > directorySize / CentralHeaderSize) Damaged("directory too small for its entries");

    std::vector<unsigned char> dir(static_cast<std::size_t>(directorySize));
    if (!dir.empty()) ReadAt(f, directory, dir.data(), dir.size());
    std::size_t pos = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (dir.size() - pos < CentralHeaderSize || U32(&dir[pos]) != CentralSignature) Damaged("bad directory entry");
        const unsigned char* h = &dir[pos];
        Entry e;
        e.flags = U16(h + 8);
        e.method = U16(h + 10);
        e.crc = U32(h + 16);
        e.compressed = U32(h + 20);
        e.size = U32(h + 24);
        e.offset = U32(h + 42);
        const std::size_t nameLength = U16(h + 28), extraLength = U16(h + 30), commentLength = U16(h + 32);
        if (dir.size() - pos - CentralHeaderSize < nameLength + extraLength + commentLength)
            Damaged("directory entry past the directory");
        e.name.assign(reinterpret_cast<const char*>(h + CentralHeaderSize), nameLength);
        // The Zip64 extra field holds, in this order, the sizes and offset
        // whose classic fields are saturated.
        const unsigned char* extra = h + CentralHeaderSize + nameLength;
        for (std::size_t x = 0; x + 4 <= extraLength;) {
            const std::uint16_t id = U16(extra + x), length = U16(extra + x + 2);
            if (x + 4 + length > extraLength) break;
            if (id == 1) {
                const unsigned char* v = extra + x + 4;
                std::size_t left = length;
                for (std::uint64_t* field : {&e.size, &e.compressed, &e.offset}) {
                    if (*field != 0xFFFFFFFF) continue;
                    if (left < 8) Damaged("short zip64 field");
                    *field = U64(v);
                    v += 8;
                    left -= 8;
                }
            }
            x += 4 + length;
        }
        pos += CentralHeaderSize + nameLength + extraLength + commentLength;
        entries_.push_back(std::move(e));
    }

    unsigned char local[LocalHeaderSize];
    if (fileSize >= LocalHeaderSize) {
        ReadAt(f, 0, local, sizeof local);
        const std::size_t nameLength = U16(local + 26);
        if (U32(local) == LocalSignature && LocalHeaderSize + nameLength <= fileSize) {
            first_.resize(nameLength);
            if (nameLength > 0) ReadAt(f, LocalHeaderSize, first_.data(), nameLength);
        }
    }
}

const ZipReader::Entry* ZipReader::Find(std::string_view name) const {
    for (const Entry& e : entries_)
        if (e.name == name) return &e;
    return nullptr;
}

std::uint64_t ZipReader::UnpackedSize() const {
    std::uint64_t total = 0;
    for (const Entry& e : entries_) total += std::min<std::uint64_t>(e.size, UINT64_MAX - total);
    return total;
}

std::unique_ptr<ZipPart> ZipReader::Open(std::string_view name) const {
    const Entry* e = Find(name);
    if (!e) return nullptr;
    if (e->flags & Encrypted) Damaged("encrypted part");
    if (e->method != Stored && e->method != Deflated) Damaged("unknown compression");
    if (e->method == Stored && e->compressed != e->size) Damaged("stored sizes differ");
    FilePtr file = OpenFile(path_);
    unsigned char local[LocalHeaderSize];
    ReadAt(file.get(), e->offset, local, sizeof local);
    if (U32(local) != LocalSignature) Damaged("bad local header");
    const std::uint64_t data = e->offset + LocalHeaderSize + U16(local + 26) + U16(local + 28);
    if (::fseeko(file.get(), off_t(data), SEEK_SET) != 0) Damaged("unseekable");
    return std::make_unique<PartReader>(std::move(file), e->compressed, e->size, e->crc, e->method == Deflated);
}

}  // namespace store::detail
