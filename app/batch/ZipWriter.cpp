// The zip format as PKWARE's APPNOTE describes it: each part a local header,
// its deflated data and a data descriptor (sizes are known only at the end
// of a streamed part), then the central directory and its end record.
//
// A streamed part may outgrow 32 bits only when it is done, but a reader
// that walks the local headers must know from the header whether the
// descriptor's sizes are 8 bytes: each local header reserves an extra field
// of an unassigned ID, which readers skip, and a part that turned out too
// big has it rewritten in place into the Zip64 extra field.

#include "app/batch/ZipWriter.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <new>
#include <system_error>

#include "app/batch/PendingFile.h"
#include "base/Errors.h"
#include "base/SystemText.h"

namespace batch {

namespace {

constexpr std::uint32_t LocalHeaderSignature = 0x04034b50;
constexpr std::uint32_t DescriptorSignature = 0x08074b50;
constexpr std::uint32_t CentralHeaderSignature = 0x02014b50;
constexpr std::uint32_t Zip64EndSignature = 0x06064b50;
constexpr std::uint32_t Zip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t EndSignature = 0x06054b50;

constexpr std::uint16_t ClassicVersion = 20;  // deflate
constexpr std::uint16_t Zip64Version = 45;
constexpr std::uint16_t MadeOnUnix = 3 << 8;
constexpr std::uint16_t SizesInDescriptor = 1 << 3;
constexpr std::uint16_t Deflated = 8;
constexpr std::uint16_t DosTime = 0;                   // 00:00:00
constexpr std::uint16_t DosDate = (1 << 5) | 1;        // 1980-01-01: the same bytes on every run
constexpr std::uint32_t RegularFile = 0100644u << 16;  // rw-r--r--, in the Unix half
constexpr std::uint16_t Zip64ExtraId = 0x0001;
constexpr std::uint16_t ReservedExtraId = 0x7472;  // "tr", assigned to nobody
constexpr std::uint16_t Zip64LocalExtraData = 16;  // both sizes, 8 bytes each
constexpr std::uint16_t ReservedExtraSize = 4 + Zip64LocalExtraData;
constexpr std::size_t LocalSizesAt = 18;  // compressed, then uncompressed size
constexpr std::size_t LocalVersionAt = 4;
constexpr std::uint32_t Saturated = 0xFFFFFFFF;  // "see the Zip64 field"
constexpr std::size_t OutputBuffer = 1 << 18;
// zlib counts in unsigned int: longer inputs go in pieces.
constexpr std::size_t MaxPiece = 1u << 30;
// Blocks waiting for the compressing thread: enough to keep it busy, few
// enough that memory stays a few blocks.
constexpr std::size_t MaxQueued = 2;

void Le16(std::string& out, std::uint16_t v) {
    out += char(v & 0xFF);
    out += char(v >> 8);
}
void Le32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += char((v >> (8 * i)) & 0xFF);
}
void Le64(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out += char((v >> (8 * i)) & 0xFF);
}

}  // namespace

struct ZipWriter::Deflater {
    z_stream stream{};
    std::size_t entry = 0;  // in entries_
    Deflater() {
        // Raw deflate (negative window bits): the zip headers stand in for zlib's.
        if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::bad_alloc();
    }
    ~Deflater() { deflateEnd(&stream); }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
};

ZipWriter::ZipWriter(const std::string& path, std::uint64_t classicLimit)
    : path_(path), classicLimit_(std::min(classicLimit, ClassicLimit)), out_(OutputBuffer) {
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) Fail(errno);
}

ZipWriter::~ZipWriter() {
    if (thread_.joinable()) {
        {
            const std::lock_guard lock(mutex_);
            queue_.clear();
            ending_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    if (file_) std::fclose(file_);
}

void ZipWriter::Add(const std::string& name, std::string_view content) {
    Open(name);
    Write(content);
    Close();
}

void ZipWriter::Open(const std::string& name) {
    Close();
    Entry entry;
    entry.name = name;
    entry.offset = position_;
    WriteLocalHeader(entry);
    entries_.push_back(std::move(entry));
    deflater_ = std::make_unique<Deflater>();
    deflater_->entry = entries_.size() - 1;
    ending_ = false;
    try {
        thread_ = std::thread(&ZipWriter::Compress, this);
    } catch (const std::system_error&) {
        // No thread to be had (memory, limits): Write deflates in place.
    }
}

void ZipWriter::Compress() {
    try {
        for (;;) {
            std::string block;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return ending_ || !queue_.empty(); });
                if (queue_.empty()) return;
                block = std::move(queue_.front());
                queue_.pop_front();
            }
            changed_.notify_all();
            Deflate(block, false);
        }
    } catch (...) {
        const std::lock_guard lock(mutex_);
        failure_ = std::current_exception();
        queue_.clear();
    }
    changed_.notify_all();
}

void ZipWriter::StopThread() {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
    if (failure_) std::rethrow_exception(failure_);
}

void ZipWriter::WriteLocalHeader(Entry& entry) {
    std::string header;
    Le32(header, LocalHeaderSignature);
    Le16(header, ClassicVersion);
    Le16(header, SizesInDescriptor);
    Le16(header, Deflated);
    Le16(header, DosTime);
    Le16(header, DosDate);
    Le32(header, 0);  // CRC, compressed and uncompressed sizes: in the descriptor
    Le32(header, 0);
    Le32(header, 0);
    Le16(header, static_cast<std::uint16_t>(entry.name.size()));
    Le16(header, ReservedExtraSize);
    header += entry.name;
    entry.placeholder = position_ + header.size();
    Le16(header, ReservedExtraId);
    Le16(header, Zip64LocalExtraData);
    header.append(Zip64LocalExtraData, '\0');
    Put(header.data(), header.size());
}

void ZipWriter::Write(std::string_view data) {
    if (!deflater_) throw base::InvalidCallError();
    if (!thread_.joinable()) {
        Deflate(data, false);
        return;
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return failure_ || queue_.size() < MaxQueued; });
    if (failure_) {
        lock.unlock();
        StopThread();
    }
    queue_.emplace_back(data);
    lock.unlock();
    changed_.notify_all();
}

void ZipWriter::Deflate(std::string_view data, bool last) {
    Entry& entry = entries_[deflater_->entry];
    z_stream& z = deflater_->stream;
    do {
        const std::size_t piece = std::min(data.size(), MaxPiece);
        const auto* bytes = reinterpret_cast<const Bytef*>(data.data());
        // (crc32_z of no bytes at all would restart the sum.)
        if (piece > 0) entry.crc = static_cast<std::uint32_t>(crc32_z(entry.crc, bytes, piece));
        entry.size += piece;
        z.next_in = const_cast<Bytef*>(bytes);
        z.avail_in = static_cast<uInt>(piece);
        data.remove_prefix(piece);
        const int flush = last && data.empty() ? Z_FINISH : Z_NO_FLUSH;
        int result = Z_OK;
        do {
            z.next_out = out_.data();
            z.avail_out = static_cast<uInt>(out_.size());
            result = deflate(&z, flush);
            if (result == Z_STREAM_ERROR) throw base::InvalidCallError();
            const std::size_t made = out_.size() - z.avail_out;
            Put(out_.data(), made);
            entry.compressed += made;
        } while (z.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
    } while (!data.empty());
}

void ZipWriter::Close() {
    if (!deflater_) return;
    StopThread();
    Deflate({}, true);
    const Entry& entry = entries_[deflater_->entry];
    deflater_.reset();
    const bool zip64 = Big(entry.size) || Big(entry.compressed);
    std::string descriptor;
    Le32(descriptor, DescriptorSignature);
    Le32(descriptor, entry.crc);
    if (zip64) {
        Le64(descriptor, entry.compressed);
        Le64(descriptor, entry.size);
    } else {
        Le32(descriptor, static_cast<std::uint32_t>(entry.compressed));
        Le32(descriptor, static_cast<std::uint32_t>(entry.size));
    }
    Put(descriptor.data(), descriptor.size());
    if (!zip64) return;
    // The header must now announce the 8-byte sizes the descriptor has.
    std::string version, sizes, extra;
    Le16(version, Zip64Version);
    Le32(sizes, Saturated);
    Le32(sizes, Saturated);
    Le16(extra, Zip64ExtraId);
    Le16(extra, Zip64LocalExtraData);
    Le64(extra, entry.size);
    Le64(extra, entry.compressed);
    PutAt(entry.offset + LocalVersionAt, version);
    PutAt(entry.offset + LocalSizesAt, sizes);
    PutAt(entry.placeholder, extra);
}

void ZipWriter::WriteDirectory() {
    const std::uint64_t start = position_;
    bool zip64Records = Big(start) || entries_.size() >= 0xFFFF;
    std::string directory;
    for (const Entry& e : entries_) {
        std::string extra;
        if (Big(e.size)) Le64(extra, e.size);
        if (Big(e.compressed)) Le64(extra, e.compressed);
        if (Big(e.offset)) Le64(extra, e.offset);
        const bool zip64 = !extra.empty();
        if (zip64) {
            std::string field;
            Le16(field, Zip64ExtraId);
            Le16(field, static_cast<std::uint16_t>(extra.size()));
            extra = field + extra;
        }
        const std::uint16_t version = zip64 ? Zip64Version : ClassicVersion;
        Le32(directory, CentralHeaderSignature);
        Le16(directory, MadeOnUnix | version);
        Le16(directory, version);
        Le16(directory, SizesInDescriptor);
        Le16(directory, Deflated);
        Le16(directory, DosTime);
        Le16(directory, DosDate);
        Le32(directory, e.crc);
        Le32(directory, Big(e.compressed) ? Saturated : static_cast<std::uint32_t>(e.compressed));
        Le32(directory, Big(e.size) ? Saturated : static_cast<std::uint32_t>(e.size));
        Le16(directory, static_cast<std::uint16_t>(e.name.size()));
        Le16(directory, static_cast<std::uint16_t>(extra.size()));
        Le16(directory, 0);  // comment
        Le16(directory, 0);  // disk
        Le16(directory, 0);  // internal attributes
        Le32(directory, RegularFile);
        Le32(directory, Big(e.offset) ? Saturated : static_cast<std::uint32_t>(e.offset));
        directory += e.name;
        directory += extra;
    }
    const std::uint64_t size = directory.size();
    zip64Records = zip64Records || Big(size);
    const auto count = static_cast<std::uint64_t>(entries_.size());
    if (zip64Records) {
        const std::uint64_t recordAt = start + size;
        Le32(directory, Zip64EndSignature);
        Le64(directory, 44);  // the record's size after this field
        Le16(directory, MadeOnUnix | Zip64Version);
        Le16(directory, Zip64Version);
        Le32(directory, 0);  // this disk
        Le32(directory, 0);  // the directory's disk
        Le64(directory, count);
        Le64(directory, count);
        Le64(directory, size);
        Le64(directory, start);
        Le32(directory, Zip64LocatorSignature);
        Le32(directory, 0);
        Le64(directory, recordAt);
        Le32(directory, 1);  // disks
    }
    const auto count16 = static_cast<std::uint16_t>(std::min<std::uint64_t>(count, 0xFFFF));
    Le32(directory, EndSignature);
    Le16(directory, 0);
    Le16(directory, 0);
    Le16(directory, count16);
    Le16(directory, count16);
    Le32(directory, zip64Records ? Saturated : static_cast<std::uint32_t>(size));
    Le32(directory, zip64Records ? Saturated : static_cast<std::uint32_t>(start));
    Le16(directory, 0);  // comment
    Put(directory.data(), directory.size());
}

void ZipWriter::Finish() {
    Close();
    WriteDirectory();
    std::FILE* file = file_;
    file_ = nullptr;
    if (std::fflush(file) != 0 || std::ferror(file) || ::fsync(::fileno(file)) != 0) {
        const int saved = errno;
        std::fclose(file);
        Fail(saved);
    }
    if (std::fclose(file) != 0) Fail(errno);
}

void ZipWriter::Put(const void* data, std::size_t size) {
    if (size == 0) return;
    if (std::fwrite(data, 1, size, file_) != size) Fail(errno);
    position_ += size;
}

void ZipWriter::PutAt(std::uint64_t offset, const std::string& bytes) {
    static_assert(sizeof(off_t) >= 8, "archives past 2 GiB need 64-bit file offsets");
    if (::fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) Fail(errno);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) Fail(errno);
    if (::fseeko(file_, static_cast<off_t>(position_), SEEK_SET) != 0) Fail(errno);
}

void ZipWriter::Fail(int error) const {
    throw base::RuntimeError(base::err::FileAccess, "écriture impossible : " + PendingTarget(path_) + " : " +
                                                        base::WriteFailureText(path_, error));
}

}  // namespace batch
